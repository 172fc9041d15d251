// The vocabulary of the ScreamerNet command files, the only thing the farm and the node
// simulator share: the command texts the farm writes into a node's job file and the words a
// node writes at the start of its acknowledgement file.
#pragma once

#include <string>
#include <string_view>

namespace words {
constexpr std::string_view kInit = "init";
constexpr std::string_view kWait = "wait";
constexpr std::string_view kQuit = "quit";
constexpr std::string_view kLoadPrefix = "load ";
constexpr std::string_view kRenderPrefix = "render ";

constexpr std::string_view kReady = "Ready";
constexpr std::string_view kInitializing = "Initializing";
constexpr std::string_view kLoad = "Load";
constexpr std::string_view kRender = "Render";
constexpr std::string_view kOffline = "Offline";

// The longest word the farm looks for: reading this many bytes answers every test.
constexpr size_t kLongestWord = kInitializing.size();

inline std::string jobFileName(int node) {
    return "job" + std::to_string(node);
}
inline std::string ackFileName(int node) {
    return "ack" + std::to_string(node);
}
// "render F F 1": one frame, first = last = F, step 1.
inline std::string renderCommand(int frame) {
    std::string f = std::to_string(frame);
    return std::string(kRenderPrefix) + f + " " + f + " 1";
}
}  // namespace words

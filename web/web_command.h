// The operator commands the web monitor accepts, as JSON bodies such as {"command": "go"},
// {"command": "boost", "scene": "s1.lws"}, {"command": "retire", "node": 3} or
// {"command": "render-again", "scene": "s1.lws", "first": 10, "last": 20} (first and last may be
// left out: the scene's own), and their carrying out on the farm's thread by the entry of the
// engine's table of operator commands (engine/operator_commands.h) of that name, the entry the
// window's button runs, so each leaves the same "Operator: ..." log line.
// A scene is named by its file name in the queue, a node by its number; neither is ever used
// as a path.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>

struct Farm;

struct WebCommand {
    std::string name;   // the name of a command the table offers to the web: go, boost, move-up,
                        // move-down, mark-done, remove, scan, rescan, render-again, retire,
                        // make-offline, all-offline
    std::string scene;  // the scene commands' scene file name
    int node = 0;       // the node commands' node number
    // render-again's frames; the scene's first and last when not given
    int first = std::numeric_limits<int>::min();
    int last = std::numeric_limits<int>::max();
};

struct CommandReply {
    int status = 200;  // HTTP status
    std::string message;
};

// Reads a request body; gives the reason when it is not one known command with the argument
// that command needs and nothing else.
std::optional<std::string> parseWebCommand(std::string_view body, WebCommand& command);
// Carries the command out, as the window's button does; 404 when its scene or node is not there,
// 409 with the reason when the farm refuses it.
CommandReply runWebCommand(Farm& farm, const WebCommand& command);

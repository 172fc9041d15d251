// The operator commands the web monitor accepts, as JSON bodies such as {"command": "go"},
// {"command": "boost", "scene": "s1.lws"} or {"command": "retire", "node": 3}, and their
// carrying out on the farm's thread through the same farm operations as the window's buttons.
// A scene is named by its file name in the queue, a node by its number; neither is ever used
// as a path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct Farm;

struct WebCommand {
    std::string name;   // go, boost, move-up, move-down, mark-done, remove, scan, rescan,
                        // retire, make-offline, all-offline
    std::string scene;  // the scene commands' scene file name
    int node = 0;       // the node commands' node number
};

struct CommandReply {
    int status = 200;  // HTTP status
    std::string message;
};

// Reads a request body; gives the reason when it is not one known command with the argument
// that command needs and nothing else.
std::optional<std::string> parseWebCommand(std::string_view body, WebCommand& command);
// Carries the command out, as the window's button does; 404 when its scene or node is not there.
CommandReply runWebCommand(Farm& farm, const WebCommand& command);

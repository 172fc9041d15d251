#include "web/web_command.h"

#include <nlohmann/json.hpp>

#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/frame_queue.h"
#include "engine/node_actions.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"

namespace {

using nlohmann::json;

enum class Takes { Nothing, Scene, Node };

struct CommandKind {
    std::string_view name;
    Takes takes;
    void (*run)(Farm&, int);  // given the entry or node number (0 for Nothing)
};

const CommandKind kCommands[] = {
    {"go", Takes::Nothing, [](Farm& f, int) { pressGo(f); }},
    {"boost", Takes::Scene, [](Farm& f, int k) { boostToTop(f, k); }},
    {"move-up", Takes::Scene, [](Farm& f, int k) { moveSceneUp(f, k); }},
    {"move-down", Takes::Scene, [](Farm& f, int k) { moveSceneDown(f, k); }},
    {"mark-done", Takes::Scene, [](Farm& f, int k) { markAsDone(f, k); }},
    {"remove", Takes::Scene, [](Farm& f, int k) { removeScene(f, k); }},
    {"scan", Takes::Scene, [](Farm& f, int k) { scanScene(f, k); }},
    {"rescan", Takes::Nothing, [](Farm& f, int) { rescanQueue(f); }},
    {"retire", Takes::Node, [](Farm& f, int n) { retireNode(f, n); }},
    {"make-offline", Takes::Node, [](Farm& f, int n) { makeNodeOffline(f, n); }},
    {"all-offline", Takes::Nothing, [](Farm& f, int) { resetChannel(f); }},
};

const CommandKind* findKind(std::string_view name) {
    for (const CommandKind& kind : kCommands) {
        if (kind.name == name) {
            return &kind;
        }
    }
    return nullptr;
}

std::string commandNames() {
    std::string names;
    for (const CommandKind& kind : kCommands) {
        names += (names.empty() ? "" : ", ") + std::string(kind.name);
    }
    return names;
}

// The argument member the kind takes, checked for its type; a reason when it is wrong.
std::optional<std::string> readArgument(const json& body, const CommandKind& kind,
                                        WebCommand& command) {
    const char* member = kind.takes == Takes::Scene ? "scene" : "node";
    auto it = body.find(member);
    if (it == body.end()) {
        return "\"" + command.name + "\" needs \"" + member + "\"";
    }
    if (kind.takes == Takes::Scene) {
        if (!it->is_string() || it->get<std::string>().empty()) {
            return "\"scene\" must be a scene file name";
        }
        command.scene = it->get<std::string>();
        return std::nullopt;
    }
    if (!it->is_number_integer() || it->get<int64_t>() < 1 || it->get<int64_t>() > kMaxNodes) {
        return "\"node\" must be a node number from 1 to " + std::to_string(kMaxNodes);
    }
    command.node = it->get<int>();
    return std::nullopt;
}

// Entry number of the queued scene of that file name, 0 when none.
int findSceneByName(const FarmState& s, const std::string& file) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (textOf(s.scenes[k].fileName) == file) {
            return k;
        }
    }
    return 0;
}

}  // namespace

std::optional<std::string> parseWebCommand(std::string_view text, WebCommand& command) {
    json body = json::parse(text, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        return "the body must be a JSON object such as {\"command\": \"go\"}";
    }
    auto name = body.find("command");
    if (name == body.end() || !name->is_string()) {
        return "\"command\" must name one of: " + commandNames();
    }
    command.name = name->get<std::string>();
    const CommandKind* kind = findKind(command.name);
    if (kind == nullptr) {
        return "unknown command; the commands are: " + commandNames();
    }
    size_t expected = kind->takes == Takes::Nothing ? 1 : 2;
    if (kind->takes != Takes::Nothing) {
        if (std::optional<std::string> reason = readArgument(body, *kind, command)) {
            return reason;
        }
    }
    if (body.size() != expected) {
        return "\"" + command.name + "\" takes " +
               (expected == 1
                    ? std::string("no other member")
                    : std::string(kind->takes == Takes::Scene ? "\"scene\"" : "\"node\"") +
                          " and no other member");
    }
    return std::nullopt;
}

CommandReply runWebCommand(Farm& farm, const WebCommand& command) {
    const CommandKind* kind = findKind(command.name);
    if (kind == nullptr) {
        return {400, "unknown command"};
    }
    int target = 0;
    if (kind->takes == Takes::Scene) {
        target = findSceneByName(farm.state, command.scene);
        if (target == 0) {
            return {404, "no scene \"" + command.scene + "\" in the queue"};
        }
    } else if (kind->takes == Takes::Node) {
        if (command.node < 1 || command.node > nodeCount(farm)) {
            return {404, "no node " + std::to_string(command.node) + " on this farm"};
        }
        target = command.node;
    }
    kind->run(farm, target);
    return {200, command.name + " done"};
}

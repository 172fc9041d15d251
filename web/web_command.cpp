#include "web/web_command.h"

#include <nlohmann/json.hpp>

#include "engine/channel.h"
#include "engine/operator_commands.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"

namespace {

using nlohmann::json;

enum class Takes { Nothing, Scene, Node };

// Carries the command out on the entry or node number (0 for Nothing); gives why the farm
// refused it, or nothing.
using Runner = std::string (*)(Farm&, int, const WebCommand&);

struct CommandKind {
    std::string_view name;
    Takes takes;
    Runner run;
    bool takesFrames = false;  // may carry "first" and "last"
};

template <void (*command)(Farm&)>
std::string farmCommand(Farm& farm, int, const WebCommand&) {
    command(farm);
    return {};
}

template <typename Result, Result (*command)(Farm&, int)>
std::string targetCommand(Farm& farm, int target, const WebCommand&) {
    command(farm, target);
    return {};
}

std::string renderAgainCommand(Farm& farm, int k, const WebCommand& c) {
    return renderAgainByOperator(farm, k, c.first, c.last);
}

// The operator commands, each the one the window's button runs.
const CommandKind kCommands[] = {
    {"go", Takes::Nothing, &farmCommand<pressGo>},
    {"boost", Takes::Scene, &targetCommand<int, boostToTop>},
    {"move-up", Takes::Scene, &targetCommand<int, moveSceneUp>},
    {"move-down", Takes::Scene, &targetCommand<int, moveSceneDown>},
    {"mark-done", Takes::Scene, &targetCommand<int, markAsDone>},
    {"remove", Takes::Scene, &targetCommand<void, removeScene>},
    {"scan", Takes::Scene, &targetCommand<void, scanSceneByOperator>},
    {"rescan", Takes::Nothing, &farmCommand<rescanQueue>},
    {"render-again", Takes::Scene, &renderAgainCommand, true},
    {"retire", Takes::Node, &targetCommand<void, retireNodeByOperator>},
    {"make-offline", Takes::Node, &targetCommand<void, takeNodeOffline>},
    {"all-offline", Takes::Nothing, &farmCommand<considerAllOffline>},
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

// The optional frame member ("first" or "last"); a reason when it is there but no whole number.
std::optional<std::string> readFrame(const json& body, const char* member, int& frame,
                                     size_t& members) {
    auto it = body.find(member);
    if (it == body.end()) {
        return std::nullopt;
    }
    if (!it->is_number_integer() || it->get<int64_t>() < std::numeric_limits<int>::min() ||
        it->get<int64_t>() > std::numeric_limits<int>::max()) {
        return "\"" + std::string(member) + "\" must be a frame number";
    }
    frame = it->get<int>();
    ++members;
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
    if (kind->takesFrames) {
        for (auto [member, frame] : {std::pair{"first", &command.first}, {"last", &command.last}}) {
            if (std::optional<std::string> reason = readFrame(body, member, *frame, expected)) {
                return reason;
            }
        }
    }
    if (body.size() != expected) {
        std::string takes = kind->takes == Takes::Nothing ? std::string()
                            : kind->takes == Takes::Scene ? std::string("\"scene\"")
                                                          : std::string("\"node\"");
        if (kind->takesFrames) {
            takes += ", \"first\", \"last\"";
        }
        return "\"" + command.name + "\" takes " +
               (takes.empty() ? std::string("no other member") : takes + " and no other member");
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
    std::string refusal = kind->run(farm, target, command);
    if (!refusal.empty()) {
        return {409, refusal};
    }
    return {200, command.name + " done"};
}

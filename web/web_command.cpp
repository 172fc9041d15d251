#include "web/web_command.h"

#include <nlohmann/json.hpp>

#include "engine/channel.h"
#include "engine/operator_commands.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"

namespace {

using nlohmann::json;

// The engine's command of that name when the web monitor offers it; null otherwise.
const OperatorCommand* findOffered(std::string_view name) {
    const OperatorCommand* command = findOperatorCommand(name);
    return command != nullptr && command->fromWeb ? command : nullptr;
}

std::string commandNames() {
    std::string names;
    for (const OperatorCommand& command : operatorCommands()) {
        if (command.fromWeb) {
            names += (names.empty() ? "" : ", ") + std::string(command.name);
        }
    }
    return names;
}
// The argument member the kind takes, checked for its type; a reason when it is wrong.
std::optional<std::string> readArgument(const json& body, const OperatorCommand& kind,
                                        WebCommand& command) {
    const char* member = kind.takes == CommandTakes::Scene ? "scene" : "node";
    auto it = body.find(member);
    if (it == body.end()) {
        return "\"" + command.name + "\" needs \"" + member + "\"";
    }
    if (kind.takes == CommandTakes::Scene) {
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
    const OperatorCommand* kind = findOffered(command.name);
    if (kind == nullptr) {
        return "unknown command; the commands are: " + commandNames();
    }
    size_t expected = kind->takes == CommandTakes::Nothing ? 1 : 2;
    if (kind->takes != CommandTakes::Nothing) {
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
        std::string takes = kind->takes == CommandTakes::Nothing ? std::string()
                            : kind->takes == CommandTakes::Scene ? std::string("\"scene\"")
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
    const OperatorCommand* kind = findOffered(command.name);
    if (kind == nullptr) {
        return {400, "unknown command"};
    }
    CommandArgs args;
    args.first = command.first;
    args.last = command.last;
    if (kind->takes == CommandTakes::Scene) {
        args.target = findSceneByName(farm.state, command.scene);
        if (args.target == 0) {
            return {404, "no scene \"" + command.scene + "\" in the queue"};
        }
    } else if (kind->takes == CommandTakes::Node) {
        if (command.node < 1 || command.node > nodeCount(farm)) {
            return {404, "no node " + std::to_string(command.node) + " on this farm"};
        }
        args.target = command.node;
    }
    CommandResult result = kind->run(farm, args);
    if (!result.refusal.empty()) {
        return {409, result.refusal};
    }
    return {200, command.name + " done"};
}

// The table of operator commands: each row's web name, log trail, what it takes and the command
// it runs, and the look-ups both front ends use to find and run a row.
#include <iterator>

#include "engine/operator_commands.h"

namespace {

// The table's runners around the commands of engine/operator_commands.h.
template <void (*command)(Farm&)>
CommandResult onFarm(Farm& farm, const CommandArgs&) {
    command(farm);
    return {};
}

template <void (*command)(Farm&, int)>
CommandResult onTarget(Farm& farm, const CommandArgs& args) {
    command(farm, args.target);
    return {};
}

template <int (*command)(Farm&, int)>
CommandResult movingEntry(Farm& farm, const CommandArgs& args) {
    return {command(farm, args.target), {}};
}

CommandResult renderAgain(Farm& farm, const CommandArgs& args) {
    return {args.target, renderAgainByOperator(farm, args.target, args.first, args.last)};
}

CommandResult addScene(Farm& farm, const CommandArgs& args) {
    addSceneFile(farm, args.file);
    return {};
}

using enum CommandId;
using enum CommandTakes;

// The web monitor lists its commands in this order.
constexpr OperatorCommand kCommands[] = {
    {Go, "go", "GO !", Nothing, false, true, &onFarm<pressGo>},
    {Boost, "boost", "Boost to Top", Scene, false, true, &movingEntry<boostToTop>},
    {MoveUp, "move-up", "Move Up", Scene, false, true, &movingEntry<moveSceneUp>},
    {MoveDown, "move-down", "Move Down", Scene, false, true, &movingEntry<moveSceneDown>},
    {MarkDone, "mark-done", "Mark As Done", Scene, false, true, &movingEntry<markAsDone>},
    {Remove, "remove", "Remove", Scene, false, true, &onTarget<removeScene>},
    {Scan, "scan", "Scan Scene", Scene, false, true, &onTarget<scanSceneByOperator>},
    {Rescan, "rescan", "Re-Scan Queue", Nothing, false, true, &onFarm<rescanQueue>},
    {RenderAgain, "render-again", "Render Again", Scene, true, true, &renderAgain},
    {Retire, "retire", "Retire", Node, false, true, &onTarget<retireNodeByOperator>},
    {MakeOffline, "make-offline", "Make Offline", Node, false, true, &onTarget<takeNodeOffline>},
    {AllOffline, "all-offline", "Consider all nodes Offline", Nothing, false, true,
     &onFarm<considerAllOffline>},
    {AddScene, "add-scene", "Add Scene", SceneFile, false, false, &addScene},
    {TidyAwayAll, "tidy-away-all", "Tidy Away All Rendered Files", Nothing, false, false,
     &onFarm<tidyAwayAll>},
    {RemoveAllAndRestart, "remove-all-and-restart", "Remove All Files and Restart", Nothing, false,
     false, &onFarm<removeAllAndRestart>},
};

constexpr bool inIdOrder() {
    for (size_t i = 0; i < std::size(kCommands); ++i) {
        if (static_cast<size_t>(kCommands[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inIdOrder(), "operatorCommand(id) finds each row at its id");

}  // namespace

std::span<const OperatorCommand> operatorCommands() {
    return kCommands;
}

const OperatorCommand& operatorCommand(CommandId id) {
    return kCommands[static_cast<size_t>(id)];
}

const OperatorCommand* findOperatorCommand(std::string_view name) {
    for (const OperatorCommand& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

CommandResult runOperatorCommand(Farm& farm, CommandId id, const CommandArgs& args) {
    return operatorCommand(id).run(farm, args);
}

// The operator's commands: what each button and menu item of the window and each command of the
// web monitor does to the farm, without any widget, in one table (operatorCommands) that both
// front ends run: the window with the row the operator selected, already turned into a node or
// entry number, the web monitor (web/web_command.cpp) with the scene or node a request names.
// Every command that changes the farm leaves its trail in the log first: "Operator: <trail>"
// with the node ("N2") or the scene's file name as detail, so the log tells what the operator
// did as well as what followed. The engine's operations they carry out end in NoTrail
// (retireNodeNoTrail, makeNodeOfflineNoTrail, scanSceneNoTrail, resetChannelNoTrail,
// markFramesToRenderAgainNoTrail) and write no such line; the farm calls those when it acts on
// its own, a front end calls the commands here, never those. The layers below the engine know
// nothing of operators (raiseScene, tidyScene).
#pragma once

#include <limits>
#include <span>
#include <string>
#include <string_view>

struct Farm;

// The commands, in the table's order.
enum class CommandId {
    Go,
    Boost,
    MoveUp,
    MoveDown,
    MarkDone,
    Remove,
    Scan,
    Rescan,
    RenderAgain,
    Retire,
    MakeOffline,
    AllOffline,
    AddScene,
    TidyAwayAll,
    RemoveAllAndRestart,
};

// What a command acts on: nothing but the farm, a scene's entry, a node, or a scene file to add.
enum class CommandTakes { Nothing, Scene, Node, SceneFile };

struct CommandArgs {
    int target = 0;  // the scene's entry number or the node's number
    // Render Again's frames; the scene's own first and last when not given
    int first = std::numeric_limits<int>::min();
    int last = std::numeric_limits<int>::max();
    std::string file;  // Add Scene's scene file
};

struct CommandResult {
    // Boost, Move Up, Move Down and Mark As Done: the entry's number afterwards (0 when there
    // is no such entry); Render Again: its entry.
    int entry = 0;
    std::string refusal;  // why the farm refused it, with nothing done; empty when it ran
};

struct OperatorCommand {
    CommandId id;
    std::string_view name;   // its name in the web monitor's requests: "boost"
    std::string_view trail;  // its log line: "Operator: Boost to Top b.lws"
    CommandTakes takes;
    bool takesFrames;  // may be given first and last
    // the web monitor offers it: not Add Scene, whose file is a path on this machine, nor the
    // view menu's Tidy Away All and Remove All
    bool fromWeb;
    CommandResult (*run)(Farm& farm, const CommandArgs& args);
};

// Every command, in CommandId's order.
std::span<const OperatorCommand> operatorCommands();
const OperatorCommand& operatorCommand(CommandId id);
// The command of that name; null when there is none.
const OperatorCommand* findOperatorCommand(std::string_view name);
CommandResult runOperatorCommand(Farm& farm, CommandId id, const CommandArgs& args = {});

// The trail line of one command; subject is the node or the scene file, or empty.
void logOperator(Farm& farm, std::string_view command, std::string_view subject = {});

// The table's commands by name, for programs and tests that run one directly; each logs its
// trail from its row.
// "GO !": from now on frames are handed out.
void pressGo(Farm& farm);
// Make Offline and Retire of node 1..nodeCount; another number does nothing.
void takeNodeOffline(Farm& farm, int node);
void retireNodeByOperator(Farm& farm, int node);
// Consider all nodes Offline: the command channel starts over.
void considerAllOffline(Farm& farm);
// Re-Scan Queue: clears every frame map, brings every scene back into the running, scans,
// marks the frames of rendering nodes in hand, rebuilds the frame queue and saves.
void rescanQueue(Farm& farm);
// Add Scene: copies the chosen scene file into the queue folder under its own name, unless it
// already lies there (a copy onto itself would empty it) or the queue path would be too long.
// The queue check picks it up. False when nothing was copied.
bool addSceneFile(Farm& farm, const std::string& from);
// Boost to Top, Move Up and Move Down of entry k: only a live scene moves (to position 1, one
// up, one down); gives the entry's number afterwards (k when nothing moved, 0 when there is no
// entry k).
int boostToTop(Farm& farm, int k);
int moveSceneUp(Farm& farm, int k);
int moveSceneDown(Farm& farm, int k);
// Scan Scene of entry k.
void scanSceneByOperator(Farm& farm, int k);
// Render Again of the frames first..last of entry k (see render_again.h), logged with the
// frames it takes. Gives why it was refused, with nothing done; empty when the frames were marked.
std::string renderAgainByOperator(Farm& farm, int k, int first, int last);
// Mark As Done on entry k; gives the entry's number afterwards. Frames it was to render again
// are forgotten.
int markAsDone(Farm& farm, int k);
// Remove: tidies entry k's file away and, when moved, runs the queue check.
void removeScene(Farm& farm, int k);
// Tidy Away All Rendered Files: tidies every entry out of the running.
void tidyAwayAll(Farm& farm);
// Remove All Files and Restart (after the operator confirmed): tidies every queued scene file
// away and runs the queue check once.
void removeAllAndRestart(Farm& farm);

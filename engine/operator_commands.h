// The farm side of the operator's commands: what each button and menu item does to the farm,
// without any widget. The window, the web monitor (web/web_command.cpp) and tests call these with
// the row the operator selected, already turned into a node or entry number. Every command that
// changes the farm leaves its trail in the log first: "Operator: <command>" with the node ("N2")
// or the scene's file name as detail, so the log tells what the operator did as well as what
// followed. The operations they run (retireNode, makeNodeOffline, scanScene, resetChannel, …)
// write no such line, so a front end calls the commands here, never those.
#pragma once

#include <string>
#include <string_view>

struct Farm;

// The trail line of one command; subject is the node or the scene file, or empty.
void logOperator(Farm& farm, std::string_view command, std::string_view subject = {});

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

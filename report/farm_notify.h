// Telling the operator about farm events beyond the log line each of them already writes.
//
// Events of completion (scene-completed, queue-done) go to the front end's alert when
// Beep_compl is set, events of trouble (problem-frame, scene-failed, scene-unreadable,
// node-offline, node-stuck, free-space-halt) when Beep_error is set; the window beeps and posts a
// desktop notification. Whatever the two options say, when Notify_Command names a program it is
// started for every event, directly and without a shell, with two arguments: the event word and its
// text (the scene file, the node name or the folder), and the farm does not wait for it. A program
// that cannot be started is logged once, until Notify_Command names another one.
#pragma once

#include <string>

struct Farm;

enum class FarmEvent {
    SceneCompleted,   // a scene's images are all there
    QueueDone,        // a scene left the running and no live scene is left
    ProblemFrame,     // a frame reported finished has no image
    SceneFailed,      // a scene was taken out of the running for its problem frames
    SceneUnreadable,  // a scene just queued cannot be rendered: unreadable, a key missing, ...
    NodeOffline,      // a node was taken out of work for a problem frame
    NodeStuck,        // a working node has shown no progress for too long
    FreeSpaceHalt,    // the farm halted for want of free space
};

void notifyEvent(Farm& farm, FarmEvent event, const std::string& text);
// queue-done with the file name of the scene that left last, when no live scene is left.
void notifyIfQueueDone(Farm& farm, const std::string& fileName);
// scene-completed for entry k, which has just left the running, then notifyIfQueueDone.
void notifySceneCompleted(Farm& farm, int k);

#include "report/farm_notify.h"

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/process.h"
#include "report/farm_log.h"

namespace {

// "scene-completed", "queue-done", "problem-frame", ...
std::string_view eventWord(FarmEvent event) {
    switch (event) {
        case FarmEvent::SceneCompleted:
            return "scene-completed";
        case FarmEvent::QueueDone:
            return "queue-done";
        case FarmEvent::ProblemFrame:
            return "problem-frame";
        case FarmEvent::SceneFailed:
            return "scene-failed";
        case FarmEvent::SceneUnreadable:
            return "scene-unreadable";
        case FarmEvent::NodeOffline:
            return "node-offline";
        case FarmEvent::NodeStuck:
            return "node-stuck";
        case FarmEvent::FreeSpaceHalt:
            return "free-space-halt";
    }
    return "";
}

// True for the events of trouble, which Beep_error governs.
bool isErrorEvent(FarmEvent event) {
    return event != FarmEvent::SceneCompleted && event != FarmEvent::QueueDone;
}

void runNotifyCommand(Farm& farm, std::string_view word, const std::string& text) {
    const std::string& command = farm.settings.Notify_Command;
    if (command.empty()) {
        return;
    }
    std::string error;
    if (startDetached(command, {std::string(word), text}, error)) {
        return;
    }
    if (farm.notices.refusedNotifyCommand != command) {
        farm.notices.refusedNotifyCommand = command;
        logLine(farm, "Notify command cannot be started: " + error, command);
    }
}

}  // namespace

void notifyIfQueueDone(Farm& farm, const std::string& fileName) {
    const FarmState& s = farm.state;
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position > 0) {
            return;
        }
    }
    notifyEvent(farm, FarmEvent::QueueDone, fileName);
}

void notifySceneCompleted(Farm& farm, int k) {
    if (k < 1 || k > farm.state.sceneCount) {
        return;
    }
    std::string fileName(textOf(farm.state.scenes[k].fileName));
    notifyEvent(farm, FarmEvent::SceneCompleted, fileName);
    notifyIfQueueDone(farm, fileName);
}

void notifyEvent(Farm& farm, FarmEvent event, const std::string& text) {
    std::string word(eventWord(event));
    int32_t wanted = isErrorEvent(event) ? farm.settings.Beep_error : farm.settings.Beep_compl;
    if (wanted != 0) {
        farm.host.alertOperator(word, text);
    }
    runNotifyCommand(farm, word, text);
}

// What the farm asks of its front end. The window's controller implements it, kestrun-headless
// implements it on standard output, and tests implement a recording host. Every call comes on
// the farm's one thread; the questions are modal and may run a nested event loop, so ticks can
// arrive while one is open (the farm guards them with FarmState::halted).
#pragma once

#include <string>

class FarmHost {
  public:
    virtual ~FarmHost() = default;

    // A short progress text for the status bar.
    virtual void showStatus(const std::string& text) = 0;
    // Redraws, asked for at the end of a tick when their refresh flag is set.
    virtual void refreshFarmList() = 0;
    virtual void refreshQueueList() = 0;
    virtual void refreshLogPane() = 0;

    // "The file KESTRUN.QUE shows ... Do you want to proceed?": true for Yes.
    virtual bool askAlreadyRunning(const std::string& text) = 0;
    // The free-space halt box (caption "Kestrun HALTED!", Retry and Cancel): true for Retry.
    virtual bool askFreeSpaceRetry(const std::string& text) = 0;
    // A stop box with an OK button under the application's title.
    virtual void showError(const std::string& text) = 0;
    // The not-configured notice, shown once when the settings cannot be used.
    virtual void showNotConfigured() = 0;
    // A farm event the operator asked to be told of (see report/farm_notify.h): the event
    // word and its text. The window beeps and posts a desktop notification; by default nothing.
    virtual void alertOperator(const std::string& event, const std::string& text) {
        (void)event;
        (void)text;
    }
    // Ends the front end's event loop; the Quit steps run on the way out when the farm is open.
    virtual void postQuit() = 0;
};

// FarmController, the window's farm: it owns the Farm, the farm timer, the look timer (a look at
// the command folder every Ack_Look_ms between ticks) and the web monitor and is the farm's
// front end (FarmHost). It runs the ticks, the looks, the operator's commands and the web
// monitor's commands one at a time through a FarmDriver (a command is refused while a tick or
// another command is inside the farm, maybe waiting in a box, and while the farm is halted), asks
// the farm's questions in message boxes over the window it is given, and tells the window by
// signals what to redraw. It draws nothing itself, and the window writes nothing on the farm: the
// controller clears the farm's redraw flags, reads the log for the log pane, freezes it while the
// operator reads it, and chooses the frame the Last Frame pane shows.
//
// Lifetime: created by the application before the main window and destroyed after it; start()
// opens the farm and starts its timer, finish() runs the Quit steps. Everything runs on the GUI
// thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

#include "farm/farm.h"
#include "ui/last_frame_watch.h"
#include "web/farm_driver.h"
#include "web/web_monitor.h"

class QWidget;

class FarmController : public QObject, public FarmHost {
    Q_OBJECT

  public:
    FarmController(FileSystem& fs, Clock& clock, std::string settingsFile);
    ~FarmController() override;

    Farm& farm() { return farm_; }
    const Farm& farm() const { return farm_; }
    QTimer& farmTimer() { return timer_; }
    QTimer& lookTimer() { return lookTimer_; }
    WebMonitor& webMonitor() { return web_; }
    // Timer period in milliseconds instead of Cycle_time seconds (for scripted runs and tests);
    // takes effect at start.
    void setCycleMs(int ms) { cycleMs_ = ms; }
    // Web monitor port instead of [Web_Monitor] Port (0: none); takes effect at start.
    void setWebPort(int port) { webPort_ = port; }
    // The window the farm's boxes stand over while it is shown.
    void setDialogWindow(QWidget* window) { window_ = window; }

    // Starts the farm (settings, queue, first tick) and, unless it asked to quit, the timer and
    // the web monitor.
    void start();
    bool quitWasRequested() const { return quitRequested_; }
    // The way out: the web monitor and the timer stop, and the Quit steps run unless the farm
    // was left to the other run that the queue file named.
    void finish();

    // True when an operator's command may run now.
    bool ready() const { return !driver_.busy() && !farm_.state.halted; }
    // Runs the farm operation of an operator's command when ready(), then has both lists
    // redrawn at once, so the rows under the selection show what the next command will act
    // on; false when refused.
    bool runCommand(const std::function<void()>& operation);
    // Tells the window that the halted flag or GO's state may have changed (commandsChanged,
    // and haltedChanged when it did).
    void announceCommands();

    // The log pane's text: the last part of the log, decoded as it was written, without CRs.
    // The pane is up to date afterwards.
    QString takeLogText();
    // While the operator reads the log pane it is not reloaded.
    void setLogFrozen(bool frozen) { farm_.state.logFrozen = frozen; }
    // The Last Frame pane's image and frame for the selected scene entry (0: none is
    // selected); frame -1 and no image when there is nothing to show.
    struct LastFrame {
        std::string image;
        int frame = -1;
    };
    LastFrame lastFrame(int selectedEntry);

    // FarmHost
    void showStatus(const std::string& text) override;
    void refreshFarmList() override;
    void refreshQueueList() override { emit queueListChanged(); }
    void refreshLogPane() override { emit logChanged(); }
    bool askAlreadyRunning(const std::string& text) override;
    bool askFreeSpaceRetry(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotConfigured() override;
    void postQuit() override;
    void alertOperator(const std::string& event, const std::string& text) override;

  signals:
    void statusChanged(const QString& text);
    void farmListChanged();
    void queueListChanged();
    void logChanged();
    void commandsChanged();
    void haltedChanged(bool halted);
    void quitRequested();

  public slots:
    void tick();
    // A look at the command folder between ticks; skipped while anything is inside the farm.
    void look();
    // Carries out the web monitor's waiting commands, as the buttons would; refused while a
    // box holds the farm.
    void serveWebCommands();

  private:
    Farm farm_;
    WebMonitor web_;
    FarmDriver driver_{farm_, web_};
    QTimer timer_;
    QTimer lookTimer_;
    QPointer<QWidget> window_;
    LastFrameWatch lastFrames_;
    int cycleMs_ = 0;
    int webPort_ = -1;
    bool quitRequested_ = false;
    bool haltedShown_ = false;
};

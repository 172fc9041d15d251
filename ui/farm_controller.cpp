#include "ui/farm_controller.h"

#include <QMetaObject>
#include <algorithm>

#include "engine/farm_cycle.h"
#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "farm/view_texts.h"
#include "platform/byte_text.h"
#include "report/farm_log.h"
#include "ui/desktop_alert.h"
#include "ui/message_boxes.h"
#include "ui/qt_text.h"
#include "ui/shell_dialogs.h"

FarmController::FarmController(FileSystem& fs, Clock& clock, std::string settingsFile)
    : farm_(*this, fs, clock, std::move(settingsFile)) {
    connect(&timer_, &QTimer::timeout, this, &FarmController::tick);
    connect(&lookTimer_, &QTimer::timeout, this, &FarmController::look);
}

FarmController::~FarmController() {
    web_.stop();
    lookTimer_.stop();
    timer_.stop();
}

void FarmController::start() {
    bool startTimer = startFarm(farm_);
    if (startTimer && !quitRequested_) {
        int period = cycleMs_ > 0 ? cycleMs_ : std::max(farm_.settings.Cycle_time, 1) * 1000;
        timer_.start(period);
        if (farm_.settings.Ack_Look_ms > 0) {
            lookTimer_.start(farm_.settings.Ack_Look_ms);
        }
        web_.setWake([this] {
            QMetaObject::invokeMethod(this, &FarmController::serveWebCommands,
                                      Qt::QueuedConnection);
        });
        web_.start(farm_, webPort_);
    }
    announceCommands();
}

void FarmController::finish() {
    web_.stop();
    lookTimer_.stop();
    timer_.stop();
    if (!farm_.state.alreadyRunning) {
        quitFarm(farm_);
    }
}

void FarmController::tick() {
    if (driver_.tick()) {
        announceCommands();
    }
}

void FarmController::look() {
    // The commands' state is told only when a node moved: most looks find nothing.
    if (driver_.look()) {
        announceCommands();
    }
}

void FarmController::serveWebCommands() {
    if (driver_.serveCommands()) {
        announceCommands();
    }
}

bool FarmController::runCommand(const std::function<void()>& operation) {
    if (!ready()) {
        return false;
    }
    driver_.runInside(operation);
    announceCommands();
    refreshFarmList();
    refreshQueueList();
    farm_.state.farmListDirty = false;
    farm_.state.queueListDirty = false;
    return true;
}

void FarmController::refreshFarmList() {
    lastFrames_.update(farm_.state, farm_.settings.No_Of_Nodes);
    emit farmListChanged();
}

QString FarmController::takeLogText() {
    // The log holds names' bytes as they were: decoded as written, UTF-8 or Latin-1, and without
    // the part of a character that the start of the pane's window cut in two.
    std::string tail = readLogTail(farm_).value_or(std::string());
    QString text = qtext(utf8FromMixedBytes(withoutCutCharacter(tail)));
    text.remove(QLatin1Char('\r'));
    farm_.state.logDirty = false;
    return text;
}

FarmController::LastFrame FarmController::lastFrame(int selectedEntry) {
    const FarmState& s = farm_.state;
    int k = lastFrames_.entryToShow(s, farm_.settings.No_Of_Nodes, selectedEntry);
    int frame = lastFrames_.newestFrame(s, k);
    if (frame < 0 || sceneFailed(s.scenes[k])) {
        return {};
    }
    return {imageName(s.scenes[k], frame), frame};
}

void FarmController::announceCommands() {
    emit commandsChanged();
    bool halted = farm_.state.halted;
    if (halted != haltedShown_) {
        haltedShown_ = halted;
        emit haltedChanged(halted);
    }
}

void FarmController::showStatus(const std::string& text) {
    emit statusChanged(qtext(text));
}

bool FarmController::askAlreadyRunning(const std::string& text) {
    return stopBox(window_, kAppTitle, qtext(text), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) == QMessageBox::Yes;
}

bool FarmController::askFreeSpaceRetry(const std::string& text) {
    announceCommands();
    return stopBox(window_, "Kestrun HALTED!", qtext(text),
                   QMessageBox::Retry | QMessageBox::Cancel,
                   QMessageBox::Retry) == QMessageBox::Retry;
}

void FarmController::showError(const std::string& text) {
    stopBox(window_, kAppTitle, qtext(text), QMessageBox::Ok, QMessageBox::Ok);
}

void FarmController::showNotConfigured() {
    CNotConfiguredDlg dialog(qtext(farm_.settingsFile), nullptr);
    dialog.exec();
}

void FarmController::postQuit() {
    quitRequested_ = true;
    lookTimer_.stop();
    timer_.stop();
    emit quitRequested();
}

void FarmController::alertOperator(const std::string& event, const std::string& text) {
    alertDesktop(event, text);
}

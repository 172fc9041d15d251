#include "ui/kestrun_app.h"

#include <QAction>
#include <QApplication>

#include "engine/farm_cycle.h"
#include "ui/kestrun_view.h"
#include "ui/main_frame.h"
#include "ui/quit_signals.h"
#include "ui/shell_dialogs.h"

CKestrunMFCApp::CKestrunMFCApp(QApplication& app, FileSystem& fs, Clock& clock,
                               std::string settingsFile)
    : app_(app), fs_(fs), clock_(clock), settingsFile_(std::move(settingsFile)) {}

CKestrunMFCApp::~CKestrunMFCApp() = default;

void CKestrunMFCApp::initInstance() {
    document_.onNewDocument();
    frame_ = std::make_unique<CMainFrame>(fs_, clock_, settingsFile_);
    quitSignals_ = std::make_unique<QuitSignalWatcher>();

    // Connections
    connect(frame_->aboutAction(), &QAction::triggered, this, &CKestrunMFCApp::onAppAbout);
    connect(frame_->view(), &CKestrunMFCView::quitRequested, &app_, &QApplication::quit,
            Qt::QueuedConnection);
    connect(quitSignals_.get(), &QuitSignalWatcher::quitSignalled, frame_.get(), &QWidget::close);

    frame_->view()->setWebPort(webPort_);
    frame_->view()->initialUpdate();
    if (!frame_->view()->quitWasRequested()) {
        frame_->show();
    }
}

int CKestrunMFCApp::exitInstance() {
    frame_->view()->webMonitor().stop();
    Farm& farm = frame_->view()->farm();
    if (!farm.state.alreadyRunning) {
        quitFarm(farm);
    }
    return 0;
}

int CKestrunMFCApp::run() {
    initInstance();
    if (!frame_->view()->quitWasRequested()) {
        app_.exec();
    }
    return exitInstance();
}

void CKestrunMFCApp::onAppAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

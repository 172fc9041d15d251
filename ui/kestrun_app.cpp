#include "ui/kestrun_app.h"

#include <QAction>
#include <QApplication>

#include "ui/farm_controller.h"
#include "ui/main_frame.h"
#include "ui/quit_signals.h"
#include "ui/shell_dialogs.h"

CKestrunMFCApp::CKestrunMFCApp(QApplication& app, FileSystem& fs, Clock& clock,
                               std::string settingsFile)
    : app_(app), fs_(fs), clock_(clock), settingsFile_(std::move(settingsFile)) {}

CKestrunMFCApp::~CKestrunMFCApp() = default;

void CKestrunMFCApp::initInstance() {
    document_.onNewDocument();
    controller_ = std::make_unique<FarmController>(fs_, clock_, settingsFile_);
    controller_->setWebPort(webPort_);
    frame_ = std::make_unique<CMainFrame>(*controller_);
    quitSignals_ = std::make_unique<QuitSignalWatcher>();

    // Connections
    connect(frame_->aboutAction(), &QAction::triggered, this, &CKestrunMFCApp::onAppAbout);
    connect(controller_.get(), &FarmController::quitRequested, &app_, &QApplication::quit,
            Qt::QueuedConnection);
    connect(quitSignals_.get(), &QuitSignalWatcher::quitSignalled, frame_.get(),
            &CMainFrame::closeWithoutAsking);

    controller_->start();
    if (!controller_->quitWasRequested()) {
        frame_->show();
    }
}

int CKestrunMFCApp::exitInstance() {
    controller_->finish();
    return 0;
}

int CKestrunMFCApp::run() {
    initInstance();
    if (!controller_->quitWasRequested()) {
        app_.exec();
    }
    return exitInstance();
}

void CKestrunMFCApp::onAppAbout() {
    CAboutDlg about(frame_.get());
    about.exec();
}

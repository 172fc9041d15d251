#include "ui/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <algorithm>

#include "ui/configure_dlg.h"
#include "ui/farm_controller.h"
#include "ui/help.h"
#include "ui/kestrun_view.h"
#include "ui/lock_keys.h"
#include "ui/message_boxes.h"
#include "ui/resources.h"
#include "ui/window_memory.h"

namespace {
const QString kIdleText = QStringLiteral("For Help, press F1");
constexpr int kLockKeyPollMs = 500;

int nodesAtWork(const Farm& farm) {
    int busy = 0;
    for (int n = 1; n <= std::clamp(farm.settings.No_Of_Nodes, 0, kMaxNodes); ++n) {
        busy += nodeHoldsFrame(farm.state.nodes[n].state) ? 1 : 0;
    }
    return busy;
}
}  // namespace

CMainFrame::CMainFrame(FarmController& controller)
    : controller_(controller),
      view_(new CKestrunMFCView(controller)),
      memoryPath_(windowMemoryPath(controller.farm().settingsFile)) {
    controller_.setDialogWindow(this);
    initResources();
    setWindowTitle("Kestrun");
    setWindowIcon(QIcon(":/kestrun/kestrun.png"));
    setCentralWidget(view_);
    buildMenu();
    buildStatusBar();
    WindowMemory memory = loadWindowMemory(memoryPath_);
    if (memory.geometry.isEmpty() || !restoreGeometry(memory.geometry)) {
        placeOnScreen();
    }
    view_->restoreLayout(memory);

    // Connections
    connect(&controller_, &FarmController::statusChanged, this, &CMainFrame::showStatus);
    connect(view_, &CKestrunMFCView::farmSummaryChanged, this, &CMainFrame::showFarmSummary);
    connect(&controller_, &FarmController::haltedChanged, this,
            [this](bool halted) { setFarmCommandsEnabled(!halted); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &CMainFrame::onHelp);
    auto* contextHelp = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(contextHelp, &QShortcut::activated, this, &CMainFrame::onHelp);
    auto* lockKeys = new QTimer(this);
    connect(lockKeys, &QTimer::timeout, this, &CMainFrame::showLockKeys);
    lockKeys->start(kLockKeyPollMs);
}

QAction* CMainFrame::addCommand(QMenu* menu, const char* text, const char* prompt) {
    QAction* action = menu->addAction(text);
    action->setStatusTip(prompt);
    return action;
}

void CMainFrame::buildMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* removeAll =
        addCommand(file, "Remove &All Files and Restart", "Remove all files and restart");
    file->addSeparator();
    QAction* offline =
        addCommand(file, "&Consider all nodes Offline", "Force all Screamernet Nodes offline");
    QAction* tidy = addCommand(file, "&Tidy Away All Rendered Files",
                               "Move all completed Scene files to HasBeenRendered");
    QAction* addScene =
        addCommand(file, "Add &Scene File", "Add a new Scene file to the rendering queue");
    file->addSeparator();
    QAction* quit = addCommand(file, "&Quit ", "Quit Kestrun; ");
    QMenu* configure = menuBar()->addMenu("&Configure");
    QAction* configureKestrun =
        addCommand(configure, "&Configure Kestrun", "Set up Kestrun and its file paths");
    QMenu* help = menuBar()->addMenu("&Help");
    QAction* topics = addCommand(help, "&Help Topics", "List Help topics");
    help->addSeparator();
    aboutAction_ = addCommand(help, "&About Kestrun",
                              "Display program information, version number and copyright");
    farmActions_ = {removeAll, offline, tidy, addScene, configureKestrun};

    for (QMenu* menu : {file, configure, help}) {
        connect(menu, &QMenu::aboutToHide, this, [this] { showStatus(kIdleText); });
    }
    connect(removeAll, &QAction::triggered, view_, &CKestrunMFCView::onRemoveAllAndRestart);
    connect(offline, &QAction::triggered, view_, &CKestrunMFCView::onConsiderAllOffline);
    connect(tidy, &QAction::triggered, view_, &CKestrunMFCView::onTidyAwayAll);
    connect(addScene, &QAction::triggered, view_, &CKestrunMFCView::onAddScene);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    connect(configureKestrun, &QAction::triggered, this, &CMainFrame::onConfigure);
    connect(topics, &QAction::triggered, this, &CMainFrame::onHelp);
}

void CMainFrame::buildStatusBar() {
    messagePane_ = new QLabel(kIdleText);
    messagePane_->setObjectName("messagePane");
    statusBar()->addWidget(messagePane_, 1);
    farmPane_ = new QLabel;
    farmPane_->setObjectName("farmSummaryPane");
    farmPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addPermanentWidget(farmPane_);
    capsPane_ = new QLabel("CAP");
    numPane_ = new QLabel("NUM");
    scrollPane_ = new QLabel("SCRL");
    for (QLabel* pane : {capsPane_, numPane_, scrollPane_}) {
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance("SCRL") + 8);
        statusBar()->addPermanentWidget(pane);
    }
    showLockKeys();
}

void CMainFrame::placeOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect area = screen->geometry();
    int width = area.width() * 7 / 8;
    int height = area.height() * 4 / 5;
    resize(width, height);
    move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
}

bool CMainFrame::quitAgreed() {
    int busy = nodesAtWork(controller_.farm());
    if (busy == 0) {
        return true;
    }
    QString text = busy == 1
                       ? QStringLiteral("1 node is loading or rendering. Quit Kestrun?")
                       : QString::number(busy) + " nodes are loading or rendering. Quit Kestrun?";
    QMessageBox box(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setInformativeText(
        "Every node is told to wait, and to quit at its next Ready; the next start carries on "
        "with the queue where this one stopped.");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CMainFrame::closeWithoutAsking() {
    QScopedValueRollback<bool> agreed(agreed_, true);
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!agreed_ && !quitAgreed()) {
        event->ignore();
        return;
    }
    WindowMemory memory;
    memory.geometry = saveGeometry();
    view_->saveLayout(memory);
    saveWindowMemory(memoryPath_, memory);
    QMainWindow::closeEvent(event);
}

void CMainFrame::showStatus(const QString& text) {
    messagePane_->setText(text);
}

QString CMainFrame::statusText() const {
    return messagePane_->text();
}

void CMainFrame::showFarmSummary(const QString& text) {
    farmPane_->setText(text);
}

QString CMainFrame::farmSummary() const {
    return farmPane_->text();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // A highlighted menu item's prompt goes to the message pane; leaving an item (an empty
        // tip) keeps the text until the menu closes.
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (!tip.isEmpty()) {
            showStatus(tip);
        }
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::setFarmCommandsEnabled(bool enabled) {
    for (QAction* action : farmActions_) {
        action->setEnabled(enabled);
    }
}

void CMainFrame::showLockKeys() {
    LockKeys keys = readLockKeys();
    capsPane_->setEnabled(keys.caps);
    numPane_->setEnabled(keys.num);
    scrollPane_->setEnabled(keys.scroll);
}

void CMainFrame::onConfigure() {
    CConfigureDlg dialog(controller_.farm(), this);
    controller_.announceCommands();
    dialog.exec();
    controller_.announceCommands();
}

void CMainFrame::onHelp() {
    openManual(this);
}

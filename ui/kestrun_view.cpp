#include "ui/kestrun_view.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>

#include "engine/farm_cycle.h"
#include "platform/byte_text.h"
#include "settings/farm_log.h"
#include "ui/configure_dlg.h"
#include "ui/desktop_alert.h"
#include "ui/dialog_units.h"
#include "ui/form_controls.h"
#include "ui/main_frame.h"
#include "ui/message_boxes.h"
#include "ui/shell_dialogs.h"

namespace {

// The form's size in dialog units.
constexpr int kFormWidth = 586;
constexpr int kFormHeight = 336;

// A list shows its selection only while it has the keyboard focus.
void hideInactiveSelection(QTreeView* list) {
    QPalette p = list->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Inactive, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Inactive, QPalette::Text));
    list->setPalette(p);
}

int selectedRow(const QTreeView* list) {
    QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel()->isRowSelected(current.row(), {})) {
        return -1;
    }
    return current.row();
}

void selectRow(QTreeView* list, int row) {
    QAbstractItemModel* model = list->model();
    if (row >= 0 && row < model->rowCount()) {
        list->selectionModel()->setCurrentIndex(
            model->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    list->setFocus(Qt::OtherFocusReason);
}

}  // namespace

CKestrunMFCView::CKestrunMFCView(FileSystem& fs, Clock& clock, std::string settingsFile,
                                 CMainFrame* frame)
    : farm_(*this, fs, clock, std::move(settingsFile)), frame_(frame) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    buildForm();
    connect(&timer_, &QTimer::timeout, this, &CKestrunMFCView::tick);
}

CKestrunMFCView::~CKestrunMFCView() {
    web_.stop();
    timer_.stop();
}

void CKestrunMFCView::buildForm() {
    DialogUnits du(QApplication::font());
    form_ = new QWidget;
    form_->setFixedSize(du.rect(0, 0, kFormWidth, kFormHeight).size());
    // Group boxes first, so that they lie beneath the controls they frame.
    addGroup(form_, du, "Farm Status", 3, 7, 322, 128);
    addGroup(form_, du, "Queue Status", 3, 140, 572, 190);
    addGroup(form_, du, "Log", 330, 7, 245, 128);

    // The controls in tab order.
    goButton_ = addButton("GO !", 10, 17, 49, 41, &CKestrunMFCView::onGo);
    goButton_->setDefault(true);
    addButton("Make Offline", 9, 95, 50, 13, &CKestrunMFCView::onMakeOffline);
    addButton("Retire", 10, 115, 50, 13, &CKestrunMFCView::onRetire);
    farmList_ = addList(&farmModel_, FarmListModel::kWidths, 65, 15, 255, 115);
    farmList_->setObjectName("farmStatusList");
    farmList_->setEditTriggers(QAbstractItemView::SelectedClicked |
                               QAbstractItemView::EditKeyPressed);
    addButton("Re-Scan Queue", 66, 308, 55, 15, &CKestrunMFCView::onRescanQueue);
    addButton("Add Scene", 125, 308, 45, 15, &CKestrunMFCView::onAddScene);
    addButton("Boost to Top", 185, 308, 50, 15, &CKestrunMFCView::onBoostToTop);
    addButton("Move Up", 239, 308, 50, 15, &CKestrunMFCView::onMoveUp);
    addButton("Mark As Done", 345, 308, 55, 15, &CKestrunMFCView::onMarkAsDone);
    addButton("Edit Scene", 403, 308, 46, 15, &CKestrunMFCView::onEditScene);
    addButton("Remove", 453, 308, 55, 15, &CKestrunMFCView::onRemove);
    queueList_ = addList(&queueModel_, QueueListModel::kWidths, 10, 150, 560, 155);
    queueList_->setObjectName("queueStatusList");
    queueList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    addButton("Clear Log", 335, 115, 52, 13, &CKestrunMFCView::onClearLog);
    logPane_ = new QPlainTextEdit(form_);
    logPane_->setObjectName("logPane");
    logPane_->setReadOnly(true);
    logPane_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    logPane_->setFocusPolicy(Qt::StrongFocus);
    logPane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    logPane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logPane_->installEventFilter(this);
    du.place(logPane_, 335, 15, 235, 95);
    addButton("Move Down", 292, 308, 50, 15, &CKestrunMFCView::onMoveDown);
    addButton("Scan Scene", 11, 308, 51, 15, &CKestrunMFCView::onScanScene);
    setWidget(form_);
}

QPushButton* CKestrunMFCView::addButton(const char* text, int l, int t, int w, int h,
                                        void (CKestrunMFCView::*command)()) {
    auto* button = new QPushButton(text, form_);
    button->setAutoDefault(true);
    DialogUnits(QApplication::font()).place(button, l, t, w, h);
    connect(button, &QPushButton::clicked, this, command);
    if (command != &CKestrunMFCView::onGo) {
        commandButtons_.push_back(button);
    }
    return button;
}

QTreeView* CKestrunMFCView::addList(TextTableModel* model, const int* widths, int l, int t, int w,
                                    int h) {
    DialogUnits du(QApplication::font());
    auto* list = new QTreeView(form_);
    list->setModel(model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < model->columnCount(); ++c) {
        list->setColumnWidth(c, du.scaledPixels(widths[c]));
    }
    hideInactiveSelection(list);
    du.place(list, l, t, w, h);
    return list;
}

void CKestrunMFCView::initialUpdate() {
    statusFrame_ = frame_;
    bool startTimer = startFarm(farm_);
    if (startTimer && !quitRequested_) {
        int period = cycleMs_ > 0 ? cycleMs_ : std::max(farm_.settings.Cycle_time, 1) * 1000;
        timer_.start(period);
        web_.setWake([this] {
            QMetaObject::invokeMethod(this, &CKestrunMFCView::serveWebCommands,
                                      Qt::QueuedConnection);
        });
        web_.start(farm_, webPort_);
    }
    syncHalted();
}

void CKestrunMFCView::tick() {
    if (busy_) {
        web_.publish(farm_, true);
        return;
    }
    busy_ = true;
    farmTick(farm_);
    busy_ = false;
    web_.publish(farm_);
    syncHalted();
}

void CKestrunMFCView::serveWebCommands() {
    if (busy_) {
        web_.serveCommands(farm_, true);
        return;
    }
    busy_ = true;
    web_.serveCommands(farm_);
    busy_ = false;
    syncHalted();
}

void CKestrunMFCView::syncHalted() {
    bool halted = farm_.state.halted != 0;
    for (QPushButton* button : commandButtons_) {
        button->setEnabled(!halted);
    }
    goButton_->setEnabled(!halted && farm_.state.waitingForGo != 0);
    if (halted != haltedShown_) {
        haltedShown_ = halted;
        emit haltedChanged(halted);
    }
}

int CKestrunMFCView::selectedQueueRow() const {
    return selectedRow(queueList_);
}

int CKestrunMFCView::selectedNodeRow() const {
    return selectedRow(farmList_);
}

void CKestrunMFCView::selectQueueRow(int row) {
    selectRow(queueList_, row);
    refreshQueueList();
}

void CKestrunMFCView::selectNodeRow(int row) {
    selectRow(farmList_, row);
}

void CKestrunMFCView::showStatus(const std::string& text) {
    if (statusFrame_ != nullptr) {
        statusFrame_->showStatus(QString::fromStdString(text));
    }
}

void CKestrunMFCView::refreshFarmList() {
    farmModel_.update(farm_, farm_.clock.tickMs());
}

void CKestrunMFCView::refreshQueueList() {
    queueModel_.update(farm_.state);
}

void CKestrunMFCView::refreshLogPane() {
    // The log holds names' bytes as they were: decoded as written, UTF-8 or Latin-1, and without
    // the part of a character that the start of the pane's window cut in two.
    std::string tail = readLogTail(farm_).value_or(std::string());
    QString text = QString::fromStdString(utf8FromMixedBytes(withoutCutCharacter(tail)));
    text.remove(QLatin1Char('\r'));
    logPane_->setPlainText(text);
    logPane_->verticalScrollBar()->setValue(logPane_->verticalScrollBar()->maximum());
    farm_.state.logDirty = 0;
}

bool CKestrunMFCView::askAlreadyRunning(const std::string& text) {
    return stopBox(window(), kAppTitle, QString::fromStdString(text),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool CKestrunMFCView::askFreeSpaceRetry(const std::string& text) {
    syncHalted();
    return stopBox(window(), "Kestrun HALTED!", QString::fromStdString(text),
                   QMessageBox::Retry | QMessageBox::Cancel,
                   QMessageBox::Retry) == QMessageBox::Retry;
}

void CKestrunMFCView::showError(const std::string& text) {
    stopBox(window(), kAppTitle, QString::fromStdString(text), QMessageBox::Ok, QMessageBox::Ok);
}

void CKestrunMFCView::showNotConfigured() {
    CNotConfiguredDlg dialog(nullptr);
    dialog.exec();
}

void CKestrunMFCView::postQuit() {
    quitRequested_ = true;
    timer_.stop();
    emit quitRequested();
}

void CKestrunMFCView::alertOperator(const std::string& event, const std::string& text) {
    alertDesktop(event, text);
}

bool CKestrunMFCView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == logPane_ && event->type() == QEvent::FocusIn) {
        farm_.state.logFrozen = 1;
    } else if (watched == logPane_ && event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // The pane's own context menu (Copy) keeps it frozen.
        farm_.state.logFrozen = 0;
    }
    return QScrollArea::eventFilter(watched, event);
}

void CKestrunMFCView::keyPressEvent(QKeyEvent* event) {
    // Enter outside a button presses the default button, as in a dialog.
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && goButton_->isEnabled()) {
        goButton_->click();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

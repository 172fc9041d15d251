#include "ui/kestrun_view.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include "engine/farm_stats.h"
#include "platform/fixed_text.h"
#include "ui/anchored_pane.h"
#include "ui/column_fit.h"
#include "ui/dialog_units.h"
#include "ui/farm_controller.h"
#include "ui/form_controls.h"
#include "ui/last_frame_pane.h"
#include "ui/list_cell_delegate.h"
#include "ui/pane_share.h"
#include "ui/qt_text.h"
#include "ui/window_memory.h"

namespace {

// The form's size in dialog units.
constexpr int kFormWidth = 586;
constexpr int kFormHeight = 336;
// The Last Frame group's width on the form, to the right of the template's own form.
constexpr int kFrameWidth = 150;
// How far the Queue Status group may shrink below its template height in a small window, and
// the Log and Last Frame groups below their template widths.
constexpr int kQueueShrink = 95;
constexpr int kLogShrink = 125;
constexpr int kFrameShrink = 70;
// How far the Farm Status group (its list scrolls sideways then) and the Queue Status group
// (down to its row of buttons) may narrow below their template widths.
constexpr int kFarmNarrow = 40;
constexpr int kQueueNarrow = 60;
// The queue list's ETA column, shown beside Progress, and the column it is shown before.
constexpr int kEtaColumn = 11;
constexpr int kImageSizeColumn = 5;

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

CKestrunMFCView::CKestrunMFCView(FarmController& controller)
    : controller_(controller), farm_(controller.farm()) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    buildForm();
    connect(&controller_, &FarmController::farmListChanged, this,
            &CKestrunMFCView::refreshFarmList);
    connect(&controller_, &FarmController::queueListChanged, this,
            &CKestrunMFCView::refreshQueueList);
    connect(&controller_, &FarmController::logChanged, this, &CKestrunMFCView::refreshLogPane);
    connect(&controller_, &FarmController::commandsChanged, this, &CKestrunMFCView::syncCommands);
}

void CKestrunMFCView::buildForm() {
    DialogUnits du(QApplication::font());
    // The form's panes, each at its place on the template: the Farm Status and Log groups side
    // by side above the Queue Status group, with the Last Frame group to the right of the log.
    auto* farmPane = new AnchoredPane(du, QRect(3, 7, 322, 128), 0, kFarmNarrow);
    auto* logPane = new AnchoredPane(du, QRect(330, 7, 245, 128), 0, kLogShrink);
    auto* framePane = new AnchoredPane(du, QRect(580, 7, kFrameWidth, 128), 0, kFrameShrink);
    auto* queuePane = new AnchoredPane(du, QRect(3, 140, 572, 190), kQueueShrink, kQueueNarrow);
    // What the Farm Status group holds beside its list: the buttons and the group's frame.
    farmChrome_ = du.rect(3, 7, 322, 128).size() - du.rect(65, 15, 255, 115).size();
    farmPane->add(new GroupFrame("Farm Status", nullptr), 3, 7, 322, 128, kGrow);
    logPane->add(new GroupFrame("Log", nullptr), 330, 7, 245, 128, kGrow);
    framePane->add(new GroupFrame("Last Frame", nullptr), 580, 7, kFrameWidth, 128, kGrow);
    queuePane->add(new GroupFrame("Queue Status", nullptr), 3, 140, 572, 190, kGrow);

    // The controls in tab order.
    goButton_ = addButton(farmPane, "&GO !", 10, 17, 49, 41, kFixed, &CKestrunMFCView::onGo);
    goButton_->setDefault(true);
    addButton(farmPane, "Make &Offline", 9, 95, 50, 13, kFixed, &CKestrunMFCView::onMakeOffline);
    addButton(farmPane, "&Retire", 10, 115, 50, 13, kFixed, &CKestrunMFCView::onRetire);
    farmList_ = addList(&farmModel_, FarmListModel::kWidths);
    farmPane->add(farmList_, 65, 15, 255, 115, kGrow);
    tabChain_.push_back(farmList_);
    farmList_->setObjectName("farmStatusList");
    farmList_->setEditTriggers(QAbstractItemView::SelectedClicked |
                               QAbstractItemView::EditKeyPressed);
    const unsigned bottom = kFollowBottom;
    addButton(queuePane, "Re-Scan &Queue", 66, 308, 55, 15, bottom,
              &CKestrunMFCView::onRescanQueue);
    addButton(queuePane, "&Add Scene", 125, 308, 45, 15, bottom, &CKestrunMFCView::onAddScene);
    addButton(queuePane, "&Boost to Top", 185, 308, 50, 15, bottom, &CKestrunMFCView::onBoostToTop);
    addButton(queuePane, "Move &Up", 239, 308, 50, 15, bottom, &CKestrunMFCView::onMoveUp);
    addButton(queuePane, "Mar&k As Done", 345, 308, 55, 15, bottom, &CKestrunMFCView::onMarkAsDone);
    addButton(queuePane, "&Edit Scene", 403, 308, 46, 15, bottom, &CKestrunMFCView::onEditScene);
    addButton(queuePane, "Remo&ve", 453, 308, 55, 15, bottom, &CKestrunMFCView::onRemove);
    queueList_ = addList(&queueModel_, QueueListModel::kWidths);
    queuePane->add(queueList_, 10, 150, 560, 155, kGrow);
    tabChain_.push_back(queueList_);
    queueList_->setObjectName("queueStatusList");
    queueList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The ETA beside the progress, where a narrow window still shows it; the save path, long
    // and last, takes what room is left.
    queueList_->header()->moveSection(kEtaColumn, kImageSizeColumn);
    queueList_->header()->setStretchLastSection(true);
    addButton(logPane, "C&lear Log", 335, 115, 52, 13, bottom, &CKestrunMFCView::onClearLog);
    logPane_ = new QPlainTextEdit;
    logPane_->setObjectName("logPane");
    logPane_->setReadOnly(true);
    logPane_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    logPane_->setFocusPolicy(Qt::StrongFocus);
    logPane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    logPane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logPane_->installEventFilter(this);
    logPane->add(logPane_, 335, 15, 235, 95, kGrow);
    tabChain_.push_back(logPane_);
    addButton(queuePane, "&Move Down", 292, 308, 50, 15, bottom, &CKestrunMFCView::onMoveDown);
    addButton(queuePane, "Sca&n Scene", 11, 308, 51, 15, bottom, &CKestrunMFCView::onScanScene);
    lastFrame_ = new LastFramePane;
    framePane->add(lastFrame_, 585, 17, kFrameWidth - 10, 113, kGrow);

    topRow_ = new QSplitter(Qt::Horizontal);
    halves_ = new QSplitter(Qt::Vertical);
    for (QSplitter* splitter : {topRow_, halves_}) {
        splitter->setChildrenCollapsible(false);
        splitter->setHandleWidth(splitter == topRow_ ? du.x(5) : du.y(5));
    }
    topRow_->setObjectName("topRow");
    halves_->setObjectName("halves");
    topRow_->addWidget(farmPane);
    topRow_->addWidget(logPane);
    topRow_->addWidget(framePane);
    halves_->addWidget(topRow_);
    halves_->addWidget(queuePane);
    // Once the operator has moved a splitter, the queue takes what the window gains or loses.
    halves_->setStretchFactor(0, 0);
    halves_->setStretchFactor(1, 1);
    farmPane_ = farmPane;
    for (QSplitter* splitter : {topRow_, halves_}) {
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this,
                [this, splitter] { (splitter == topRow_ ? autoWidths_ : autoHeights_) = false; });
    }

    form_ = new QWidget;
    auto* margins = new QVBoxLayout(form_);
    margins->setContentsMargins(du.x(3), du.y(7), du.x(kFormWidth - 575), du.y(kFormHeight - 330));
    margins->addWidget(halves_);
    setWidget(form_);
    chainTabOrder();
    connect(queueList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CKestrunMFCView::showLastFrame);
    addMoveShortcuts();
    addQueueMenu();
}

void CKestrunMFCView::addMoveShortcuts() {
    struct Move {
        QKeySequence keys;
        void (CKestrunMFCView::*command)();
        const char* button;
    };
    const Move moves[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Home), &CKestrunMFCView::onBoostToTop, "&Boost to Top"},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), &CKestrunMFCView::onMoveUp, "Move &Up"},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), &CKestrunMFCView::onMoveDown, "&Move Down"}};
    for (const Move& m : moves) {
        auto* shortcut =
            new QShortcut(m.keys, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, m.command);
        for (QPushButton* button : commandButtons_) {
            if (button->text() == m.button) {
                button->setToolTip(m.keys.toString(QKeySequence::NativeText));
            }
        }
    }
}

void CKestrunMFCView::chainTabOrder() {
    for (size_t i = 1; i < tabChain_.size(); ++i) {
        QWidget::setTabOrder(tabChain_[i - 1], tabChain_[i]);
    }
}

QPushButton* CKestrunMFCView::addButton(AnchoredPane* pane, const char* text, int l, int t, int w,
                                        int h, unsigned anchors,
                                        void (CKestrunMFCView::*command)()) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(true);
    pane->add(button, l, t, w, h, anchors);
    connect(button, &QPushButton::clicked, this, command);
    tabChain_.push_back(button);
    if (command != &CKestrunMFCView::onGo) {
        commandButtons_.push_back(button);
    }
    return button;
}

QTreeView* CKestrunMFCView::addList(TextTableModel* model, const int* widths) {
    DialogUnits du(QApplication::font());
    auto* list = new QTreeView;
    list->setModel(model);
    list->setItemDelegate(new ListCellDelegate(list));
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
    return list;
}

void CKestrunMFCView::syncCommands() {
    bool halted = farm_.state.halted;
    for (QPushButton* button : commandButtons_) {
        button->setEnabled(!halted);
    }
    goButton_->setEnabled(!halted && farm_.state.waitingForGo);
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

void CKestrunMFCView::refreshFarmList() {
    int rows = farmModel_.rowCount();
    farmModel_.update(farm_, farm_.clock.tickMs());
    if (fitFarmColumns() || rows != farmModel_.rowCount()) {
        fitWidths();
        fitHeights();
    }
    showLastFrame();
    showFarmSummary();
}

void CKestrunMFCView::refreshQueueList() {
    queueModel_.update(farm_);
    showLastFrame();
    showFarmSummary();
}

void CKestrunMFCView::showFarmSummary() {
    emit farmSummaryChanged(qtext(farmSummaryText(farm_)));
}

void CKestrunMFCView::showLastFrame() {
    FarmController::LastFrame shown = controller_.lastFrame(selectedQueueRow() + 1);
    lastFrame_->showFrame(qtext(shown.image), shown.frame);
}

bool CKestrunMFCView::fitFarmColumns() {
    bool widened = false;
    std::vector<int> needs = columnNeeds(farmList_, FarmListModel::sampleTexts());
    fittedNeeds_.resize(needs.size(), -1);
    for (size_t c = 0; c < needs.size(); ++c) {
        if (needs[c] == fittedNeeds_[c]) {
            continue;  // the operator's width stays until the column needs more
        }
        fittedNeeds_[c] = needs[c];
        int column = static_cast<int>(c);
        if (farmList_->columnWidth(column) < needs[c]) {
            farmList_->setColumnWidth(column, needs[c]);
            widened = true;
        }
    }
    return widened;
}

int CKestrunMFCView::farmWidthNeed() const {
    return farmChrome_.width() + farmList_->header()->length() + 2 * farmList_->frameWidth() +
           style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, farmList_);
}

int CKestrunMFCView::farmWidthShare() const {
    if (!autoWidths_) {
        return farmPane_->width();
    }
    // The top row is as wide as the halves, also while the halves pass a new size on to it.
    int room = halves_->width() - 2 * topRow_->handleWidth();
    return shareTopRow(room, farmWidthNeed(), farmPane_->minimumWidth(),
                       topRow_->widget(1)->minimumWidth(), topRow_->widget(2)->minimumWidth())[0];
}

void CKestrunMFCView::fitWidths() {
    if (autoWidths_) {
        int room = topRow_->width() - 2 * topRow_->handleWidth();
        topRow_->setSizes(shareTopRow(room, farmWidthNeed(), farmPane_->minimumWidth(),
                                      topRow_->widget(1)->minimumWidth(),
                                      topRow_->widget(2)->minimumWidth()));
    }
}

void CKestrunMFCView::fitHeights() {
    if (!autoHeights_) {
        return;
    }
    int rows = farmModel_.rowCount();
    int rowHeight = rows > 0 ? farmList_->sizeHintForRow(0) : 0;
    // A list narrower than its columns shows a scroll bar under its rows.
    bool cut = farmWidthNeed() > farmWidthShare();
    int scrollBar = cut ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, farmList_) : 0;
    int need = farmChrome_.height() + farmList_->header()->sizeHint().height() + rows * rowHeight +
               2 * farmList_->frameWidth() + scrollBar;
    int room = halves_->height() - halves_->handleWidth();
    halves_->setSizes(shareHalves(room, need, topRow_->minimumSizeHint().height(),
                                  halves_->widget(1)->minimumHeight()));
}

void CKestrunMFCView::saveLayout(WindowMemory& memory) const {
    memory.halves = halves_->saveState();
    memory.topRow = topRow_->saveState();
    memory.farmColumns = farmList_->header()->saveState();
    memory.queueColumns = queueList_->header()->saveState();
}

void CKestrunMFCView::restoreLayout(const WindowMemory& memory) {
    // A split the operator chose stays; without one the panes follow the farm's needs.
    autoHeights_ = !halves_->restoreState(memory.halves);
    autoWidths_ = !topRow_->restoreState(memory.topRow);
    farmList_->header()->restoreState(memory.farmColumns);
    queueList_->header()->restoreState(memory.queueColumns);
}

void CKestrunMFCView::refreshLogPane() {
    logPane_->setPlainText(controller_.takeLogText());
    logPane_->verticalScrollBar()->setValue(logPane_->verticalScrollBar()->maximum());
}

bool CKestrunMFCView::eventFilter(QObject* watched, QEvent* event) {
    // A splitter's new size is known before it shares it out, so the fit comes first.
    if (watched == halves_ && event->type() == QEvent::Resize) {
        fitHeights();
    } else if (watched == topRow_ && event->type() == QEvent::Resize &&
               static_cast<QResizeEvent*>(event)->oldSize().width() != topRow_->width()) {
        fitWidths();  // not when only the handle between the halves moved
    }
    if (watched == logPane_ && event->type() == QEvent::FocusIn) {
        controller_.setLogFrozen(true);
    } else if (watched == logPane_ && event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // The pane's own context menu (Copy) keeps it frozen.
        controller_.setLogFrozen(false);
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

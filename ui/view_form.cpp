// The building of the farm view's form: its panes at their places on the template in dialog
// units, the buttons and lists in the template's tab order, the splitters between the panes, the
// queue moves' shortcuts. The rest of the view is in kestrun_view.cpp, its commands in
// view_commands.cpp.
#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/anchored_pane.h"
#include "ui/dialog_units.h"
#include "ui/form_controls.h"
#include "ui/kestrun_view.h"
#include "ui/last_frame_pane.h"
#include "ui/list_cell_delegate.h"

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

}  // namespace

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

#include "ui/kestrun_view.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>

#include "engine/farm_stats.h"
#include "ui/column_fit.h"
#include "ui/farm_controller.h"
#include "ui/last_frame_pane.h"
#include "ui/pane_share.h"
#include "ui/qt_text.h"
#include "ui/window_memory.h"

namespace {

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

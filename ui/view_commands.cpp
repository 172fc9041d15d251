// The operator's commands of the farm view: the buttons and the view's menu items. Each turns
// the selected row into a node or entry number, runs the engine's table entry of the command
// (engine/operator_commands.h, the one the web monitor runs too) and puts the selection back
// where the operator expects it. Edit Scene (opens the scene file in its program) and Clear Log
// (empties the log) are the window's own, not the table's.
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include "engine/operator_commands.h"
#include "engine/render_again.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "report/farm_log.h"
#include "ui/farm_controller.h"
#include "ui/kestrun_view.h"
#include "ui/message_boxes.h"
#include "ui/qt_text.h"
#include "ui/render_again_dlg.h"

CommandResult CKestrunMFCView::runOn(CommandId id, int target) {
    CommandArgs args;
    args.target = target;
    return runOperatorCommand(farm_, id, args);
}

void CKestrunMFCView::runOnFarm(CommandId id) {
    controller_.runCommand([=, this] { runOperatorCommand(farm_, id); });
}

void CKestrunMFCView::runOnNode(CommandId id) {
    controller_.runCommand([=, this] {
        int row = selectedNodeRow();
        if (row >= 0) {
            runOn(id, row + 1);
            selectNodeRow(row);
        }
    });
}

void CKestrunMFCView::onGo() {
    controller_.runCommand([this] {
        runOperatorCommand(farm_, CommandId::Go);
        goButton_->setEnabled(false);
    });
}

void CKestrunMFCView::onMakeOffline() {
    runOnNode(CommandId::MakeOffline);
}

void CKestrunMFCView::onRetire() {
    runOnNode(CommandId::Retire);
}

void CKestrunMFCView::onRescanQueue() {
    runOnFarm(CommandId::Rescan);
}

void CKestrunMFCView::onAddScene() {
    if (!controller_.ready()) {
        return;
    }
    QFileDialog dialog(window(), "Add Scene to Queue", qtext(farm_.settings.Scene_Queue_Dir),
                       "Scene Files (*.lws *.LWS)");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        addSceneFile(dialog.selectedFiles().first());
    }
}

void CKestrunMFCView::addSceneFile(const QString& path) {
    CommandArgs args;
    args.file = path.toStdString();
    runOperatorCommand(farm_, CommandId::AddScene, args);
}

void CKestrunMFCView::moveScene(CommandId move) {
    controller_.runCommand([&] {
        int row = selectedQueueRow();
        selectQueueRow(row >= 0 ? runOn(move, row + 1).entry - 1 : -1);
    });
}

void CKestrunMFCView::onBoostToTop() {
    moveScene(CommandId::Boost);
}

void CKestrunMFCView::onMoveUp() {
    moveScene(CommandId::MoveUp);
}

void CKestrunMFCView::onMoveDown() {
    moveScene(CommandId::MoveDown);
}

void CKestrunMFCView::onMarkAsDone() {
    moveScene(CommandId::MarkDone);
}

void CKestrunMFCView::onEditScene() {
    controller_.runCommand([this] {
        int row = selectedQueueRow();
        if (row < 0) {
            return;
        }
        std::string path =
            joinPath(farm_.settings.Scene_Queue_Dir, textOf(farm_.state.scenes[row + 1].fileName));
        openOrSay(window(), qtext(path));
        selectQueueRow(row);
    });
}

void CKestrunMFCView::onRemove() {
    controller_.runCommand([this] {
        int row = selectedQueueRow();
        if (row >= 0) {
            runOn(CommandId::Remove, row + 1);
        }
    });
}

void CKestrunMFCView::onClearLog() {
    controller_.runCommand([this] { clearLog(farm_); });
}

void CKestrunMFCView::onScanScene() {
    controller_.runCommand([this] {
        int row = selectedQueueRow();
        if (row >= 0) {
            runOn(CommandId::Scan, row + 1);
        }
        selectQueueRow(row);
    });
}

void CKestrunMFCView::onRenderAgain() {
    int row = selectedQueueRow();
    if (!controller_.ready() || row < 0) {
        return;
    }
    const SceneEntry& e = farm_.state.scenes[row + 1];
    QString name = qtext(textOf(e.fileName));
    std::string refusal = renderAgainRefusal(farm_, row + 1, e.firstFrame, e.lastFrame);
    if (refusal.empty()) {
        int32_t id = e.sceneId;
        RenderAgainDlg dialog(window(), name, e.firstFrame, e.lastFrame, e.frameStep);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        // Ticks went on while the dialog was open: the scene is found again by its id.
        controller_.runCommand([&] {
            CommandArgs args;
            args.target = findScene(farm_.state, id);
            args.first = dialog.firstFrame();
            args.last = dialog.lastFrame();
            CommandResult result = runOperatorCommand(farm_, CommandId::RenderAgain, args);
            refusal = result.refusal;
            selectQueueRow(result.entry - 1);
        });
    }
    if (!refusal.empty()) {
        stopBox(window(), "Render Again", name + ": " + qtext(refusal), QMessageBox::Ok,
                QMessageBox::Ok);
    }
}

void CKestrunMFCView::addQueueMenu() {
    queueList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(queueList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QModelIndex index = queueList_->indexAt(at);
        if (!index.isValid()) {
            return;
        }
        selectQueueRow(index.row());
        QMenu menu(this);
        menu.addAction("&Render Again...", this, &CKestrunMFCView::onRenderAgain)
            ->setEnabled(controller_.ready());
        menu.addSeparator();
        menu.addAction("Sca&n Scene", this, &CKestrunMFCView::onScanScene);
        menu.addAction("Mar&k As Done", this, &CKestrunMFCView::onMarkAsDone);
        menu.exec(queueList_->viewport()->mapToGlobal(at));
    });
}

void CKestrunMFCView::onRemoveAllAndRestart() {
    if (!controller_.ready()) {
        return;
    }
    QMessageBox box(QMessageBox::Warning, "Remove All Scene Files",
                    "WARNING: This function will remove all scene files from the scene file "
                    "queue-directory. Do you really want to do this?",
                    QMessageBox::Ok | QMessageBox::Cancel, window());
    box.setInformativeText(
        "(The files will not be deleted but copied to the HasBeenRendered directory)");
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok) {
        runOnFarm(CommandId::RemoveAllAndRestart);
    }
}

void CKestrunMFCView::onConsiderAllOffline() {
    runOnFarm(CommandId::AllOffline);
}

void CKestrunMFCView::onTidyAwayAll() {
    runOnFarm(CommandId::TidyAwayAll);
}

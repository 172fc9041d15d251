// CKestrunMFCView, the farm view that fills the main window: the form with the Farm Status list
// (the nodes), the Queue Status list (the scenes), the log pane, the last frame and the
// operator's buttons, laid out in dialog units (the Farm Status group as wide and tall as its
// columns and node rows need, the queue taking the rest) and scrolled when the window is smaller
// than the form. It draws the farm of a FarmController when the controller says what changed,
// and turns the operator's buttons and selected rows into the controller's commands. The view
// keeps no farm state of its own and writes none; its list models hold the texts last shown.
//
// Its code by job: kestrun_view.cpp draws and shares the room, view_form.cpp builds the form,
// view_commands.cpp runs the operator's commands.
//
// Lifetime: created by CMainFrame over the application's controller, which outlives it.
// Everything runs on the GUI thread.
#pragma once

#include <QScrollArea>
#include <cstdint>
#include <vector>

#include "engine/operator_commands.h"
#include "ui/farm_list_models.h"

class AnchoredPane;
class FarmController;
struct Farm;
class LastFramePane;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;
struct WindowMemory;

class CKestrunMFCView : public QScrollArea {
    Q_OBJECT

  public:
    explicit CKestrunMFCView(FarmController& controller);

    // The splitters and column widths, for the window's own file.
    void saveLayout(WindowMemory& memory) const;
    void restoreLayout(const WindowMemory& memory);

    // Rows are 0-based: row r shows node r + 1 or scene entry r + 1. The selected row is the one
    // both selected and current; -1 when there is none.
    int selectedQueueRow() const;
    int selectedNodeRow() const;
    // Selects and focuses the row (a row that does not exist changes none), gives the list the
    // keyboard focus and redraws the queue list.
    void selectQueueRow(int row);
    void selectNodeRow(int row);
    // Copies a chosen scene file into the queue folder, unless it already lies there.
    void addSceneFile(const QString& path);

  signals:
    // The status bar's farm pane: frames done of all, nodes rendering and the queue's ETA.
    void farmSummaryChanged(const QString& text);

  public slots:
    // The redraws the controller asks for.
    void refreshFarmList();
    void refreshQueueList();
    void refreshLogPane();
    // Enables the commands unless the farm is halted, GO while the farm waits for it.
    void syncCommands();
    // Shows the newest finished frame of the selected scene, or of the scene rendering now.
    void showLastFrame();
    // Frames done of all, nodes rendering and the queue's ETA, in the status bar's farm pane.
    void showFarmSummary();
    // The buttons of the form.
    void onGo();
    void onMakeOffline();
    void onRetire();
    void onRescanQueue();
    void onAddScene();
    void onBoostToTop();
    void onMoveUp();
    void onMoveDown();
    void onMarkAsDone();
    void onEditScene();
    void onRemove();
    void onClearLog();
    void onScanScene();
    // Render Again of the selected scene: asks which of its frames, then marks them.
    void onRenderAgain();
    // The view's menu commands.
    void onRemoveAllAndRestart();
    void onConsiderAllOffline();
    void onTidyAwayAll();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildForm();
    void chainTabOrder();
    // Ctrl+Home, Ctrl+Up and Ctrl+Down: Boost to Top, Move Up and Move Down.
    void addMoveShortcuts();
    // The Queue Status list's context menu: the scene commands for the row under the pointer.
    void addQueueMenu();
    QPushButton* addButton(AnchoredPane* pane, const char* text, int l, int t, int w, int h,
                           unsigned anchors, void (CKestrunMFCView::*)());
    QTreeView* addList(TextTableModel* model, const int* widths);
    // The table's command on a node or scene entry.
    CommandResult runOn(CommandId id, int target);
    // Runs the table's command through the controller (refused while halted or while another
    // one waits in a box): on the farm, or on the selected node, which stays selected.
    void runOnFarm(CommandId id);
    void runOnNode(CommandId id);
    // Moves the selected scene with one of the queue moves or Mark As Done; the selection
    // follows it.
    void moveScene(CommandId move);
    // Widens each Farm Status column whose contents' need changed to that need; true when one
    // was widened.
    bool fitFarmColumns();
    // Share the room between the panes by the Farm Status list's needs, each unless the
    // operator has moved that splitter: the top row's width, and the halves' height.
    void fitWidths();
    void fitHeights();
    // The Farm Status group's width for all its columns, and the width it gets.
    int farmWidthNeed() const;
    int farmWidthShare() const;

    FarmController& controller_;
    Farm& farm_;

    FarmListModel farmModel_;
    QueueListModel queueModel_;
    QWidget* form_ = nullptr;
    QTreeView* farmList_ = nullptr;
    QTreeView* queueList_ = nullptr;
    QPlainTextEdit* logPane_ = nullptr;
    QPushButton* goButton_ = nullptr;
    std::vector<QPushButton*> commandButtons_;
    std::vector<QWidget*> tabChain_;  // the controls in the template's tab order
    QSplitter* halves_ = nullptr;
    QSplitter* topRow_ = nullptr;
    QWidget* farmPane_ = nullptr;
    QSize farmChrome_;              // the Farm Status group's size beyond its list's
    std::vector<int> fittedNeeds_;  // each Farm Status column's need when last fitted
    bool autoWidths_ = true;        // the top row's split follows the farm list's need
    bool autoHeights_ = true;       // and so does the split between the halves
    LastFramePane* lastFrame_ = nullptr;
};

// CKestrunMFCView, the farm view that fills the main window: the form with the Farm Status list
// (the nodes), the Queue Status list (the scenes), the log pane and the operator's buttons, laid
// out in dialog units and scrolled when the window is smaller. It owns the Farm and the farm
// timer and is the farm's front end (FarmHost): it shows the status texts, redraws the lists and
// the log pane when a tick asks, and asks the operator the farm's questions in message boxes.
// The view keeps no farm state of its own; its list models hold the texts last shown.
//
// Lifetime: created by CMainFrame, which shows its status texts; initialUpdate() starts the farm
// and its timer; the application runs quitFarm on the way out. Everything runs on the GUI thread.
#pragma once

#include <QScrollArea>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "ui/farm_list_models.h"
#include "ui/last_frame_watch.h"
#include "web/web_monitor.h"

class AnchoredPane;
class LastFramePane;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;
struct WindowMemory;

class CKestrunMFCView : public QScrollArea, public FarmHost {
    Q_OBJECT

  public:
    CKestrunMFCView(FileSystem& fs, Clock& clock, std::string settingsFile);
    ~CKestrunMFCView() override;

    Farm& farm() { return farm_; }
    QTimer& farmTimer() { return timer_; }
    // Timer period in milliseconds instead of Cycle_time seconds (for scripted runs and tests);
    // takes effect at initialUpdate.
    void setCycleMs(int ms) { cycleMs_ = ms; }
    // Web monitor port instead of [Web_Monitor] Port (0: none); takes effect at initialUpdate.
    void setWebPort(int port) { webPort_ = port; }
    WebMonitor& webMonitor() { return web_; }
    // Starts the farm (settings, queue, first tick) and, unless it asked to quit, the timer.
    void initialUpdate();
    bool quitWasRequested() const { return quitRequested_; }

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
    // Enables the commands unless the farm is halted; tells the frame when that changed.
    void syncHalted();

    // FarmHost
    void showStatus(const std::string& text) override;
    void refreshFarmList() override;
    void refreshQueueList() override;
    void refreshLogPane() override;
    bool askAlreadyRunning(const std::string& text) override;
    bool askFreeSpaceRetry(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotConfigured() override;
    void postQuit() override;
    void alertOperator(const std::string& event, const std::string& text) override;

  signals:
    void quitRequested();
    // The status bar's two texts: the farm's progress text and the farm summary.
    void statusChanged(const QString& text);
    void farmSummaryChanged(const QString& text);
    void haltedChanged(bool halted);

  public slots:
    void tick();
    // Carries out the web monitor's waiting commands, as the buttons would; refused while a
    // box holds the farm.
    void serveWebCommands();
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
    QPushButton* addButton(AnchoredPane* pane, const char* text, int l, int t, int w, int h,
                           unsigned anchors, void (CKestrunMFCView::*)());
    QTreeView* addList(TextTableModel* model, const int* widths);
    // Runs a farm operation of a command: not while halted or while another one waits in a box.
    // Both lists are redrawn at once after it, so the rows under the selection show what the
    // next command will act on.
    template <typename F>
    void runCommand(F&& operation);
    void redrawLists();
    // Moves the selected scene with one of the queue moves; the selection follows it.
    void moveScene(int (*move)(Farm&, int));

    Farm farm_;
    WebMonitor web_;
    QTimer timer_;
    int cycleMs_ = 0;
    int webPort_ = -1;
    bool busy_ = false;  // a tick or a command is inside the farm (maybe in a modal box)
    bool quitRequested_ = false;
    bool haltedShown_ = false;

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
    LastFramePane* lastFrame_ = nullptr;
    LastFrameWatch watch_;
    int32_t lastRenderedScene_ = -1;  // sceneId of the scene a node held a frame of last
};

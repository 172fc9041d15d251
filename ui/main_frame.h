// CMainFrame, the main window: caption "Kestrun", the menu, the status bar (message pane, the farm
// summary, the CAP, NUM and SCRL indicators) and the farm view as its central widget, both over
// the application's FarmController, whose boxes stand over this window. It shows the farm's
// status texts and each menu item's prompt while the item is highlighted, and handles the
// Configure, Help and Quit commands; the view handles the farm's commands, the application About.
// Quit and the close box ask the operator first while nodes load or render; a stop signal's
// close (closeWithoutAsking) does not ask.
// Its size and place, and the view's splitters and column widths, are remembered in a file of
// the window's own beside the settings file.
#pragma once

#include <QMainWindow>

class CKestrunMFCView;
class FarmController;
class QAction;
class QLabel;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    explicit CMainFrame(FarmController& controller);

    CKestrunMFCView* view() const { return view_; }
    QAction* aboutAction() const { return aboutAction_; }
    // The message pane's text; the last text written stays until another replaces it.
    void showStatus(const QString& text);
    QString statusText() const;
    // The farm pane of the status bar, beside the message pane.
    void showFarmSummary(const QString& text);
    QString farmSummary() const;

  public slots:
    void onConfigure();
    void onHelp();
    // Closes the window as Quit does, without asking: for a stop signal, with no one to ask.
    void closeWithoutAsking();

    // The file of the window's own that keeps its size, place, splitters and column widths.
    QString memoryPath() const { return memoryPath_; }

  protected:
    bool event(QEvent* event) override;
    // Remembers the window's size, place, splitters and column widths for the next start.
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenu();
    void buildStatusBar();
    void placeOnScreen();
    QAction* addCommand(QMenu* menu, const char* text, const char* prompt);
    void setFarmCommandsEnabled(bool enabled);
    void showLockKeys();
    // True when no node loads or renders, or the operator answers Yes to quitting anyway.
    bool quitAgreed();

    FarmController& controller_;
    CKestrunMFCView* view_;
    QString memoryPath_;
    QLabel* messagePane_ = nullptr;
    QLabel* farmPane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QList<QAction*> farmActions_;  // disabled while the farm is halted
    bool agreed_ = false;          // the close under way needs no question
};

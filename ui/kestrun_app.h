// The application shell: CKestrunMFCApp starts the program (document, the farm's controller, the
// main window over it; then the farm starts), runs the event loop and, on the way out, the
// farm's Quit steps unless the operator declined to take over a farm that still runs elsewhere.
// CKestrunMFCDoc is the document the window framework asks for; it holds nothing.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

class Clock;
class CMainFrame;
class FarmController;
class FileSystem;
class QApplication;
class QuitSignalWatcher;

class CKestrunMFCDoc {
  public:
    void onNewDocument() { title_ = "Idle"; }
    const QString& title() const { return title_; }

  private:
    QString title_;
};

class CKestrunMFCApp : public QObject {
    Q_OBJECT

  public:
    CKestrunMFCApp(QApplication& app, FileSystem& fs, Clock& clock, std::string settingsFile);
    ~CKestrunMFCApp() override;

    // Web monitor port instead of [Web_Monitor] Port (0: none), from --web-port.
    void setWebPort(int port) { webPort_ = port; }
    // Creates the document, the controller and the main window, starts the farm and shows the
    // window unless the farm asked to quit at once.
    void initInstance();
    // The exit step: quitFarm unless alreadyRunning. Gives the process's exit code.
    int exitInstance();
    // initInstance, the event loop, exitInstance.
    int run();

    CMainFrame* mainFrame() const { return frame_.get(); }
    FarmController* controller() const { return controller_.get(); }
    const CKestrunMFCDoc& document() const { return document_; }

  public slots:
    void onAppAbout();

  private:
    QApplication& app_;
    FileSystem& fs_;
    Clock& clock_;
    std::string settingsFile_;
    int webPort_ = -1;
    CKestrunMFCDoc document_;
    std::unique_ptr<FarmController> controller_;  // outlives the window that shows it
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QuitSignalWatcher> quitSignals_;
};

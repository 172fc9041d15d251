// Turns SIGTERM and SIGINT into a Qt signal, so that the end of the desktop session or Ctrl+C in
// the starting terminal closes the main window as its close box does and the Quit steps run.
// The signal handler only writes one byte into a pipe (a self-pipe); a QSocketNotifier reads it
// on the GUI thread. One watcher at a time; the previous handlers come back when it goes.
#pragma once

#include <QObject>
#include <csignal>
#include <memory>

class QSocketNotifier;

class QuitSignalWatcher : public QObject {
    Q_OBJECT

  public:
    explicit QuitSignalWatcher(QObject* parent = nullptr);
    ~QuitSignalWatcher() override;

  signals:
    void quitSignalled(int signal);

  private:
    void readSignal();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
};

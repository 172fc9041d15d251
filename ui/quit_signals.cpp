#include "ui/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {

int gWriteEnd = -1;

void onQuitSignal(int signal) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(signal);
    if (gWriteEnd >= 0) {
        [[maybe_unused]] ssize_t written = write(gWriteEnd, &byte, 1);
    }
    errno = saved;
}

void install(int signal, struct sigaction& previous) {
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, &previous);
}

}  // namespace

QuitSignalWatcher::QuitSignalWatcher(QObject* parent) : QObject(parent) {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    gWriteEnd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignalWatcher::readSignal);
    install(SIGTERM, previousTerm_);
    install(SIGINT, previousInt_);
}

QuitSignalWatcher::~QuitSignalWatcher() {
    if (pipe_[0] < 0) {
        return;
    }
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGINT, &previousInt_, nullptr);
    gWriteEnd = -1;
    notifier_.reset();
    close(pipe_[0]);
    close(pipe_[1]);
}

void QuitSignalWatcher::readSignal() {
    unsigned char byte = 0;
    while (read(pipe_[0], &byte, 1) == 1) {
        emit quitSignalled(byte);
    }
}

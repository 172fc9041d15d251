#include "app/headless_host.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <thread>

#include "farm/farm.h"

HeadlessHost::HeadlessHost(bool answerYes, bool verbose, std::chrono::milliseconds cycle,
                           const volatile std::sig_atomic_t& stopRequested)
    : answerYes_(answerYes), verbose_(verbose), cycle_(cycle), stopRequested_(stopRequested) {}

// The log lies in the shared queue folder, so it is read through the farm's file system: a
// FIFO or a link planted there is not read. Only the end of the file is read, at most as much
// as a burst of lines between two redraws takes.
void HeadlessHost::printNewLogLines() {
    constexpr size_t kMostNewBytes = 65536;
    if (!farm_) {
        return;
    }
    std::string tail;
    uint64_t size = 0;
    if (!farm_->fs.readFileTail(farm_->state.logFilePath, kMostNewBytes, tail, size)) {
        return;
    }
    if (size < logOffset_) {
        logOffset_ = 0;  // the log was cleared
    }
    size_t fresh = static_cast<size_t>(std::min<uint64_t>(size - logOffset_, tail.size()));
    logOffset_ = size;
    for (char c : std::string_view(tail).substr(tail.size() - fresh)) {
        if (c != '\r') {
            std::cout << c;
        }
    }
    std::cout << std::flush;
}

void HeadlessHost::skipLogUpTo(const std::string& path) {
    std::string tail;
    uint64_t size = 0;
    logOffset_ = farm_ && farm_->fs.readFileTail(path, 0, tail, size) ? size : 0;
}

void HeadlessHost::showStatus(const std::string& text) {
    if (verbose_) {
        std::cout << "status: " << text << '\n';
    }
}

bool HeadlessHost::askAlreadyRunning(const std::string& text) {
    std::cout << "KestrunMFC: " << text << (answerYes_ ? " Yes\n" : " No\n");
    if (!answerYes_) {
        std::cout << "kestrun-headless: not carrying on with a farm that the queue file says is "
                     "still running; if no other farm runs this queue, start again with --yes\n";
    }
    std::cout << std::flush;
    answeredNo_ = !answerYes_;
    return answerYes_;
}

bool HeadlessHost::askFreeSpaceRetry(const std::string& text) {
    std::cout << "Kestrun HALTED!: " << text << '\n' << std::flush;
    auto deadline = std::chrono::steady_clock::now() + cycle_;
    while (stopRequested_ == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (whileHeld_) {
            whileHeld_();
        }
    }
    return stopRequested_ == 0;
}

void HeadlessHost::showError(const std::string& text) {
    std::cout << "KestrunMFC: " << text << '\n' << std::flush;
}

void HeadlessHost::showNotConfigured() {
    notConfigured_ = true;
    std::cout << "Kestrun - is not configured: Kestrun could not find a correctly configured "
                 "Kestrun.ini"
              << (farm_ ? " (" + farm_->settingsFile + ")" : std::string())
              << ". It needs a scene file queue folder, the ScreamerNet command folder and the "
                 "folder of your lw.cfg file; edit the settings file by hand.\n"
              << std::flush;
}

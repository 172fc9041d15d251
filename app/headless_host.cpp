#include "app/headless_host.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

#include "engine/farm.h"

HeadlessHost::HeadlessHost(bool answerYes, std::chrono::milliseconds cycle,
                           const volatile std::sig_atomic_t& stopRequested)
    : answerYes_(answerYes), cycle_(cycle), stopRequested_(stopRequested) {}

void HeadlessHost::printNewLogLines() {
    if (!farm_) {
        return;
    }
    std::ifstream in(farm_->state.logFilePath, std::ios::binary | std::ios::ate);
    if (!in) {
        return;
    }
    long long size = static_cast<long long>(in.tellg());
    if (size < logOffset_) {
        logOffset_ = 0;  // the log was cleared
    }
    in.seekg(logOffset_);
    std::string text(static_cast<size_t>(size - logOffset_), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    logOffset_ = size;
    for (char c : text) {
        if (c != '\r') {
            std::cout << c;
        }
    }
    std::cout << std::flush;
}

void HeadlessHost::showStatus(const std::string& text) {
    std::cout << "status: " << text << '\n';
}

bool HeadlessHost::askAlreadyRunning(const std::string& text) {
    std::cout << "KestrunMFC: " << text << (answerYes_ ? " Yes\n" : " No\n") << std::flush;
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

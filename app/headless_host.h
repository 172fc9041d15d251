// The front end of kestrun-headless: a FarmHost on standard output. Every new log line is
// printed, the status texts only when asked to be verbose (a service's journal would otherwise
// be mostly "status: Checking nodes"); the already-running question is answered from the --yes
// option, a No naming that option; the free-space halt is answered Retry after waiting one cycle
// (Cancel once a stop was asked for).
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>

#include "farm/farm_host.h"

struct Farm;

class HeadlessHost : public FarmHost {
  public:
    HeadlessHost(bool answerYes, bool verbose, std::chrono::milliseconds cycle,
                 const volatile std::sig_atomic_t& stopRequested);

    void attach(Farm& farm) { farm_ = &farm; }
    void setCycle(std::chrono::milliseconds cycle) { cycle_ = cycle; }
    // Run every 10 ms while the free-space halt waits for its answer.
    void setWhileHeld(std::function<void()> whileHeld) { whileHeld_ = std::move(whileHeld); }
    bool quitPosted() const { return quitPosted_; }
    bool notConfigured() const { return notConfigured_; }
    bool answeredNo() const { return answeredNo_; }
    // Prints the log lines written since the last call.
    void printNewLogLines();
    // Takes what the log file at path holds now as already printed, so that a run prints only
    // the lines it writes itself.
    void skipLogUpTo(const std::string& path);

    void showStatus(const std::string& text) override;
    void refreshFarmList() override {}
    void refreshQueueList() override {}
    void refreshLogPane() override { printNewLogLines(); }
    bool askAlreadyRunning(const std::string& text) override;
    bool askFreeSpaceRetry(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotConfigured() override;
    void postQuit() override { quitPosted_ = true; }

  private:
    bool answerYes_;
    bool verbose_;
    std::chrono::milliseconds cycle_;
    const volatile std::sig_atomic_t& stopRequested_;
    std::function<void()> whileHeld_;
    Farm* farm_ = nullptr;
    uint64_t logOffset_ = 0;
    bool quitPosted_ = false;
    bool notConfigured_ = false;
    bool answeredNo_ = false;
};

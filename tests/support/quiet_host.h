// A FarmHost that shows nothing, keeps nothing and answers every question so the farm goes on:
// Yes to the already-running question, Cancel at a free-space halt. For benchmarks and fuzz runs,
// where a recording host would only grow.
#pragma once

#include <string>

#include "farm/farm_host.h"

class QuietHost : public FarmHost {
  public:
    void showStatus(const std::string&) override {}
    void refreshFarmList() override {}
    void refreshQueueList() override {}
    void refreshLogPane() override {}
    bool askAlreadyRunning(const std::string&) override { return true; }
    bool askFreeSpaceRetry(const std::string&) override { return false; }
    void showError(const std::string&) override {}
    void showNotConfigured() override {}
    void postQuit() override {}
};

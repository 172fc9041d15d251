// A FarmHost for tests: records every call in order, answers the modal questions from queues of
// scripted answers (a question with no scripted answer gets the given default).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "farm/farm_host.h"

class RecordingHost : public FarmHost {
  public:
    std::vector<std::string> calls;      // "status:TEXT", "farmList", "queueList", "logPane", ...
    std::vector<std::string> statuses;   // every showStatus text
    std::vector<std::string> errors;     // every showError text
    std::vector<std::string> questions;  // every question text asked
    std::vector<std::string> alerts;     // every alertOperator call, "EVENT TEXT"
    std::deque<bool> alreadyRunningAnswers;
    std::deque<bool> freeSpaceAnswers;
    bool defaultAlreadyRunning = false;
    bool defaultFreeSpaceRetry = false;
    int quitPosts = 0;
    int notConfigured = 0;

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

    int count(const std::string& call) const;
};

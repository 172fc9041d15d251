#include "recording_host.h"

#include <algorithm>

namespace {
bool takeAnswer(std::deque<bool>& answers, bool fallback) {
    if (answers.empty()) {
        return fallback;
    }
    bool answer = answers.front();
    answers.pop_front();
    return answer;
}
}  // namespace

void RecordingHost::showStatus(const std::string& text) {
    statuses.push_back(text);
    calls.push_back("status:" + text);
}
void RecordingHost::refreshFarmList() {
    calls.push_back("farmList");
}
void RecordingHost::refreshQueueList() {
    calls.push_back("queueList");
}
void RecordingHost::refreshLogPane() {
    calls.push_back("logPane");
}

bool RecordingHost::askAlreadyRunning(const std::string& text) {
    questions.push_back(text);
    calls.push_back("alreadyRunning");
    return takeAnswer(alreadyRunningAnswers, defaultAlreadyRunning);
}

bool RecordingHost::askFreeSpaceRetry(const std::string& text) {
    questions.push_back(text);
    calls.push_back("freeSpace");
    return takeAnswer(freeSpaceAnswers, defaultFreeSpaceRetry);
}

void RecordingHost::showError(const std::string& text) {
    errors.push_back(text);
    calls.push_back("error:" + text);
}

void RecordingHost::showNotConfigured() {
    ++notConfigured;
    calls.push_back("notConfigured");
}

void RecordingHost::postQuit() {
    ++quitPosts;
    calls.push_back("postQuit");
}

int RecordingHost::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

void RecordingHost::alertOperator(const std::string& event, const std::string& text) {
    alerts.push_back(event + " " + text);
}

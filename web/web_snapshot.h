// What one tick of the farm publishes for the web monitor's HTTP threads (the status, the log
// lines, and the status's JSON text made once), and what an event stream sent last.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "web/farm_status.h"

// What an event stream sent last: the snapshot's version and its status text.
struct SentStatus {
    uint64_t version = 0;
    std::string text;
};

// What one tick published: the status, the log lines, and the status's JSON text, made once on
// the first HTTP thread that asks for it.
struct WebSnapshot {
    uint64_t version = 0;
    FarmStatus status;
    std::shared_ptr<const std::vector<std::string>> log;
    uint64_t logVersion = 0;

    const std::string& statusText() const {
        std::call_once(made_, [this] { text_ = statusJson(status, logVersion); });
        return text_;
    }

  private:
    mutable std::once_flag made_;
    mutable std::string text_;
};

#include "web/web_monitor.h"

#include "farm/farm.h"
#include "report/farm_log.h"
#include "web/web_snapshot.h"

WebMonitor::WebMonitor(HttpLimits limits, std::chrono::milliseconds commandWait)
    : server_(limits), commandWait_(commandWait) {
    server_.set_default_headers({{"Cache-Control", "no-store"},
                                 {"X-Content-Type-Options", "nosniff"},
                                 {"Referrer-Policy", "no-referrer"}});
    addRoutes();
}

WebMonitor::~WebMonitor() {
    stop();
}

bool WebMonitor::start(Farm& farm, int portOverride) {
    int port = portOverride >= 0 ? portOverride : farm.settings.Port;
    if (port <= 0 || port > 65535 || serving()) {
        return false;
    }
    address_ = farm.settings.Address.empty() ? "127.0.0.1" : farm.settings.Address;
    token_ = farm.settings.Token;
    std::string error;
    if (!server_.bindTo(address_, port, token_.empty(), error)) {
        logLine(farm,
                "Web monitor not started on " + address_ + " port " + std::to_string(port) + ":",
                error);
        return false;
    }
    publish(farm);
    server_.startServing();
    logLine(farm, "Web monitor at " + url(),
            token_.empty() ? "(commands are off: no Token is set)" : "(commands need the Token)");
    return true;
}

void WebMonitor::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    published_.notify_all();
    commands_.close();
    server_.stopServing();
}

std::string WebMonitor::url() const {
    bool v6 = address_.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + address_ + "]" : address_) + ":" +
           std::to_string(server_.port()) + "/";
}

void WebMonitor::publish(const Farm& farm, bool held) {
    if (!logRead_ || farm.state.logWrites != logWritesSeen_) {
        logRead_ = true;
        logWritesSeen_ = farm.state.logWrites;
        if (logTail_.refresh(farm.fs, farm.state.logFilePath)) {
            ++logVersion_;
        }
    }
    auto next = std::make_shared<WebSnapshot>();
    next->status = captureStatus(farm, held);
    next->log = logTail_.lines();
    next->logVersion = logVersion_;
    {
        std::lock_guard lock(mutex_);
        next->version = snapshot_ ? snapshot_->version + 1 : 1;
        snapshot_ = std::move(next);
    }
    published_.notify_all();
}

void WebMonitor::serveCommands(Farm& farm, bool held) {
    commands_.serve([&](const WebCommand& command) -> CommandReply {
        if (held || farm.state.halted) {
            return {409, "a box holds the farm; try again once it is answered"};
        }
        return runWebCommand(farm, command);
    });
}

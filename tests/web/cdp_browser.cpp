#include "cdp_browser.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kAnswerMs = 30000;

}  // namespace

CdpBrowser::CdpBrowser(const std::string& chromium, const std::string& profileDir) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        // The browser reads its commands from descriptor 3 and writes to 4.
        dup2(toChild[0], 3);
        dup2(fromChild[1], 4);
        int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        for (int fd = 5; fd < 1024; ++fd) {
            close(fd);
        }
        std::string profile = "--user-data-dir=" + profileDir;
        execl(chromium.c_str(), chromium.c_str(), "--headless", "--no-sandbox", "--disable-gpu",
              "--no-first-run", "--remote-debugging-pipe", profile.c_str(), "about:blank",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    toBrowser_ = toChild[1];
    fromBrowser_ = fromChild[0];
    if (pid_ < 0) {
        return;
    }
    json target = call("Target.createTarget", {{"url", "about:blank"}}, false);
    if (!target.contains("targetId")) {
        return;
    }
    json attached =
        call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
    if (attached.contains("sessionId")) {
        session_ = attached["sessionId"].get<std::string>();
        call("Page.enable", json::object());
    }
}

CdpBrowser::~CdpBrowser() {
    if (toBrowser_ >= 0) {
        close(toBrowser_);
    }
    if (fromBrowser_ >= 0) {
        close(fromBrowser_);
    }
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool CdpBrowser::open(const std::string& url) {
    events_.clear();
    if (call("Page.navigate", {{"url", url}}).is_null()) {
        return false;
    }
    return !await(0, "Page.loadEventFired").is_null();
}

void CdpBrowser::setWidth(int width, int height) {
    call("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", true}});
}

json CdpBrowser::eval(const std::string& expression) {
    json result =
        call("Runtime.evaluate",
             {{"expression", expression}, {"awaitPromise", true}, {"returnByValue", true}});
    if (result.is_null() || result.contains("exceptionDetails")) {
        return nullptr;
    }
    return result["result"].value("value", json());
}

json CdpBrowser::call(const std::string& method, const json& params, bool inPage) {
    int id = nextId_++;
    json message = {{"id", id}, {"method", method}, {"params", params}};
    if (inPage) {
        message["sessionId"] = session_;
    }
    std::string text = message.dump();
    text.push_back('\0');
    for (size_t sent = 0; sent < text.size();) {
        ssize_t n = write(toBrowser_, text.data() + sent, text.size() - sent);
        if (n <= 0) {
            return nullptr;
        }
        sent += static_cast<size_t>(n);
    }
    return await(id, {});
}

json CdpBrowser::await(int id, const std::string& event) {
    for (auto it = events_.begin(); id == 0 && it != events_.end(); ++it) {
        if ((*it)["method"] == event) {
            json found = *it;
            events_.erase(it);
            return found;
        }
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerMs);
    json message;
    while (Clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!readMessage(message, static_cast<int>(left.count()))) {
            return nullptr;
        }
        if (id != 0 && message.value("id", 0) == id) {
            return message.contains("result") ? message["result"] : json();
        }
        if (id == 0 && message.value("method", "") == event) {
            return message;
        }
        handle(message);
    }
    return nullptr;
}

// Events that are not awaited: a confirm box is answered at once, the rest kept for await.
void CdpBrowser::handle(const json& message) {
    if (message.value("method", "") == "Page.javascriptDialogOpening") {
        confirms_.push_back(message["params"].value("message", ""));
        json answer = {{"id", nextId_++},
                       {"sessionId", session_},
                       {"method", "Page.handleJavaScriptDialog"},
                       {"params", {{"accept", confirmYes_}}}};
        std::string text = answer.dump();
        text.push_back('\0');
        if (write(toBrowser_, text.data(), text.size()) < 0) {
            return;
        }
    } else if (message.contains("method")) {
        events_.push_back(message);
    }
}

bool CdpBrowser::readMessage(json& message, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t end;
    while ((end = buffer_.find('\0')) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fromBrowser_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[65536];
        ssize_t n = read(fromBrowser_, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
    message = json::parse(buffer_.substr(0, end), nullptr, false);
    buffer_.erase(0, end + 1);
    return true;
}

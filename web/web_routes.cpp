// The web monitor's routes: the screen every request passes first, one handler per route, and
// the reading of the snapshot the farm's thread published.
#include <nlohmann/json.hpp>

#include "web/request_screen.h"
#include "web/web_monitor.h"
#include "web/web_page.h"
#include "web/web_snapshot.h"

namespace {

using nlohmann::json;

// An event stream with nothing new sends a comment this often, so a dead client is noticed.
constexpr auto kEventKeepAlive = std::chrono::seconds(15);
// Event streams hold a connection each; the rest stay free for requests.
constexpr int kMaxEventStreams = 32;
constexpr int kDefaultLogLines = 100;

void answerJson(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void answerError(httplib::Response& res, int status, const std::string& message) {
    answerJson(res, status, {{"error", message}});
}

// The body of an answer cpp-httplib gives on its own (no route, a request too large).
std::string refusalText(int status) {
    switch (status) {
        case 400:
            return "bad request";
        case 404:
            return "no such page";
        case 413:
            return "request too large";
        case 414:
            return "request line too long";
        default:
            return "request refused (" + std::to_string(status) + ")";
    }
}

// The error handler: an answer cpp-httplib gives on its own gets a JSON body saying why; one a
// route already wrote is left as it is.
httplib::Server::HandlerResponse answerRefusal(const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) {
        return httplib::Server::HandlerResponse::Unhandled;
    }
    answerError(res, res.status, refusalText(res.status));
    return httplib::Server::HandlerResponse::Handled;
}

// The page with the snapshot's status and last log lines in its place for them.
std::string pageWithStatus(const std::shared_ptr<const WebSnapshot>& snapshot) {
    static constexpr std::string_view kMarker = "%INITIAL%";
    static constexpr size_t kPageLogLines = 60;
    std::string_view page = monitorPage();
    size_t at = page.find(kMarker);
    std::string data = "{}";
    if (snapshot) {
        const std::vector<std::string>& all = *snapshot->log;
        size_t from = all.size() > kPageLogLines ? all.size() - kPageLogLines : 0;
        json initial = {{"status", json::parse(snapshot->statusText())},
                        {"log", std::vector<std::string>(all.begin() + from, all.end())}};
        data = initial.dump(-1, ' ', false, json::error_handler_t::replace);
    }
    // Inside a script element no "<" may stand, or a name holding "</script>" would end it.
    std::string safe;
    for (char c : data) {
        safe += c == '<' ? std::string("\\u003c") : std::string(1, c);
    }
    std::string out(page.substr(0, at));
    return out.append(safe).append(page.substr(at + kMarker.size()));
}

// The ?lines= value: a whole number from 0 to kLogTailLines; -1 when it is not one.
int logLineCount(const httplib::Request& req) {
    if (!req.has_param("lines")) {
        return kDefaultLogLines;
    }
    std::string text = req.get_param_value("lines");
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    int n = std::stoi(text);
    return n <= static_cast<int>(kLogTailLines) ? n : -1;
}

// Equal texts, compared in a time that does not tell how much of a guess was right.
bool sameSecret(const std::string& a, const std::string& b) {
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    }
    return differ == 0;
}

}  // namespace

std::shared_ptr<const WebSnapshot> WebMonitor::current() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

std::shared_ptr<const WebSnapshot> WebMonitor::waitNewer(uint64_t version) {
    std::unique_lock lock(mutex_);
    published_.wait_for(lock, kEventKeepAlive,
                        [&] { return stopping_ || (snapshot_ && snapshot_->version > version); });
    return !stopping_ && snapshot_ && snapshot_->version > version ? snapshot_ : nullptr;
}

bool WebMonitor::authorised(const std::string& header) const {
    static constexpr std::string_view kScheme = "bearer ";
    if (header.size() <= kScheme.size()) {
        return false;
    }
    for (size_t i = 0; i < kScheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(header[i])) != kScheme[i]) {
            return false;
        }
    }
    return sameSecret(header.substr(kScheme.size()), token_);
}

void WebMonitor::addRoutes() {
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        return screenHost(req, res);
    });
    server_.set_error_handler(httplib::Server::HandlerWithResponse(&answerRefusal));
    auto route = [this](void (WebMonitor::*handler)(const httplib::Request&, httplib::Response&)) {
        return [this, handler](const httplib::Request& req, httplib::Response& res) {
            (this->*handler)(req, res);
        };
    };
    server_.Get("/", route(&WebMonitor::servePage));
    server_.Get("/api/status", route(&WebMonitor::serveStatus));
    server_.Get("/api/log", route(&WebMonitor::serveLog));
    server_.Get("/api/events", route(&WebMonitor::serveEvents));
    server_.Post("/api/commands", route(&WebMonitor::serveCommand));
}

// On a loopback address only pages of this machine may ask: a Host header naming another
// machine means a page elsewhere had its name point here.
httplib::Server::HandlerResponse WebMonitor::screenHost(const httplib::Request& req,
                                                        httplib::Response& res) const {
    if (server_.loopback() && !isLoopbackHost(req.get_header_value("Host"))) {
        answerError(res, 403, "this monitor answers only pages of its own machine");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

void WebMonitor::servePage(const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                   "connect-src 'self'; img-src data:; frame-ancestors 'none'");
    res.set_content(pageWithStatus(current()), "text/html; charset=utf-8");
}

void WebMonitor::serveStatus(const httplib::Request&, httplib::Response& res) {
    auto snapshot = current();
    res.set_content(snapshot ? snapshot->statusText() : std::string("{}"), "application/json");
}

void WebMonitor::serveLog(const httplib::Request& req, httplib::Response& res) {
    int count = logLineCount(req);
    if (count < 0) {
        answerError(res, 400,
                    "lines must be a whole number from 0 to " + std::to_string(kLogTailLines));
        return;
    }
    auto snapshot = current();
    json lines = json::array();
    if (snapshot && snapshot->log) {
        const std::vector<std::string>& all = *snapshot->log;
        size_t from = all.size() > static_cast<size_t>(count) ? all.size() - count : 0;
        for (size_t i = from; i < all.size(); ++i) {
            lines.push_back(all[i]);
        }
    }
    answerJson(res, 200, {{"lines", lines}});
}

void WebMonitor::serveEvents(const httplib::Request&, httplib::Response& res) {
    {
        std::lock_guard lock(mutex_);
        if (eventStreams_ >= kMaxEventStreams) {
            answerError(res, 503, "too many event streams");
            return;
        }
        ++eventStreams_;
    }
    auto sent = std::make_shared<SentStatus>();
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, sent](size_t, httplib::DataSink& sink) { return sendNextEvent(*sent, sink); },
        [this](bool) {
            std::lock_guard lock(mutex_);
            --eventStreams_;
        });
}

// One turn of an event stream: the next status that differs from the one sent, or a comment
// when none came in a while. False ends the stream.
bool WebMonitor::sendNextEvent(SentStatus& sent, httplib::DataSink& sink) {
    auto snapshot = waitNewer(sent.version);
    if (!sink.is_writable() || !server_.serving()) {
        return false;
    }
    if (!snapshot) {
        static constexpr std::string_view kComment = ": still here\n\n";
        return sink.write(kComment.data(), kComment.size());
    }
    sent.version = snapshot->version;
    if (snapshot->statusText() == sent.text) {
        return true;
    }
    sent.text = snapshot->statusText();
    std::string event = "event: status\ndata: " + sent.text + "\n\n";
    return sink.write(event.data(), event.size());
}

void WebMonitor::serveCommand(const httplib::Request& req, httplib::Response& res) {
    if (token_.empty()) {
        answerError(res, 403, "commands are off: no Token is set in [Web_Monitor]");
        return;
    }
    if (!authorised(req.get_header_value("Authorization"))) {
        res.set_header("WWW-Authenticate", "Bearer realm=\"Kestrun\"");
        answerError(res, 401, "a command needs Authorization: Bearer <Token>");
        return;
    }
    WebCommand command;
    if (std::optional<std::string> reason = parseWebCommand(req.body, command)) {
        answerError(res, 400, *reason);
        return;
    }
    auto snapshot = current();
    if (snapshot && snapshot->status.halted) {
        answerError(res, 409, "a box holds the farm; try again once it is answered");
        return;
    }
    CommandReply reply = commands_.submit(command, commandWait_);
    if (reply.status != 200) {
        answerError(res, reply.status, reply.message);
        return;
    }
    answerJson(res, 200, {{"ok", true}, {"message", reply.message}});
}

// The web monitor: a page and a JSON interface to the farm over HTTP, for a browser on another
// machine or a phone, and for scripts.
//   GET  /             the page (compiled into the program; it fetches nothing from elsewhere)
//   GET  /api/status   the farm, its nodes and its scenes as JSON
//   GET  /api/log      {"lines": [...]}: the last lines of the farm log (?lines=N, N <= 1000)
//   GET  /api/events   server-sent events: the status each time it changes, at most once a tick
//   POST /api/commands an operator command (see web_command.h), with "Authorization: Bearer
//                      <Token>"; refused without a Token (403), with a wrong one (401), with a
//                      body that is not a command (400) and while a box holds the farm (409)
// The HTTP threads read only the snapshot the farm's thread publishes at the end of each tick;
// commands wait in a queue that the farm's thread serves between ticks. The server listens on
// a loopback address unless a Token is set, and never reads or writes a file a client names.
// web_monitor.cpp starts, stops and feeds the monitor from the farm's thread; web_routes.cpp
// holds the routes that the HTTP threads run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "web/command_queue.h"
#include "web/http_server.h"
#include "web/log_tail.h"

struct Farm;
struct SentStatus;
struct WebSnapshot;

class WebMonitor {
  public:
    // commandWait: how long a client waits for the farm's thread to take its command.
    explicit WebMonitor(HttpLimits limits = {},
                        std::chrono::milliseconds commandWait = std::chrono::seconds(10));
    ~WebMonitor();
    WebMonitor(const WebMonitor&) = delete;
    WebMonitor& operator=(const WebMonitor&) = delete;

    // Farm thread, once the settings are loaded. Port is portOverride when that is 0 or more,
    // else the setting; 0 serves nothing. Logs where it listens, or why it does not. True when
    // serving.
    bool start(Farm& farm, int portOverride = -1);
    void stop();
    bool serving() const { return server_.serving(); }
    int port() const { return server_.port(); }
    // Connections being served at the moment, up to the end of their close.
    int openConnections() const { return server_.openConnections(); }
    std::string url() const;

    // Farm thread, at the end of each tick; held: a box of the front end holds the farm.
    void publish(const Farm& farm, bool held = false);
    // Farm thread, between ticks: carries out the commands that wait, or refuses them (409)
    // while the farm is held or halted.
    void serveCommands(Farm& farm, bool held = false);
    // Called on an HTTP thread when a command waits, so the front end can serve it soon.
    void setWake(std::function<void()> wake) { commands_.setWake(std::move(wake)); }

  private:
    void addRoutes();
    // The routes' handlers, one each, and the screen every request passes first.
    httplib::Server::HandlerResponse screenHost(const httplib::Request& req,
                                                httplib::Response& res) const;
    void servePage(const httplib::Request& req, httplib::Response& res);
    void serveStatus(const httplib::Request& req, httplib::Response& res);
    void serveLog(const httplib::Request& req, httplib::Response& res);
    void serveEvents(const httplib::Request& req, httplib::Response& res);
    bool sendNextEvent(SentStatus& sent, httplib::DataSink& sink);
    void serveCommand(const httplib::Request& req, httplib::Response& res);
    std::shared_ptr<const WebSnapshot> current() const;
    // The first snapshot newer than version, waiting up to a few seconds; null when none came.
    std::shared_ptr<const WebSnapshot> waitNewer(uint64_t version);
    bool authorised(const std::string& header) const;

    HttpServer server_;
    std::chrono::milliseconds commandWait_;
    CommandQueue commands_;
    std::string address_;
    std::string token_;
    LogTail logTail_;
    uint32_t logWritesSeen_ = 0;
    uint64_t logVersion_ = 0;
    bool logRead_ = false;

    mutable std::mutex mutex_;
    std::condition_variable published_;
    std::shared_ptr<const WebSnapshot> snapshot_;
    bool stopping_ = false;
    int eventStreams_ = 0;
};

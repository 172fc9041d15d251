// Helpers for the web monitor's tests: a free port, HTTP requests with a time limit, raw sockets
// for the bounds, and a client that waits for its command while the test thread serves it as
// the farm's thread does.
#pragma once

#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "web/web_monitor.h"

// A port nothing listens on at the moment.
int freePort();

struct Answer {
    int status = -1;  // -1: no answer
    std::string body;
    nlohmann::json json() const { return nlohmann::json::parse(body, nullptr, false); }
};

Answer get(int port, const std::string& path, const httplib::Headers& headers = {});
Answer post(int port, const std::string& path, const std::string& body,
            const httplib::Headers& headers = {});
// Posts a command with the token and serves the monitor's commands on this thread until the
// answer comes, as the farm's thread does between ticks.
Answer command(WebMonitor& monitor, Farm& farm, const std::string& body, const std::string& token);

// A connected TCP socket to the port on 127.0.0.1, from the loopback address `from` when one is
// given (another address of 127.0.0.0/8 stands for another client); -1 when it cannot connect.
int connectTo(int port, const char* from = nullptr);
// What the server sends on the socket until it closes it or timeoutMs pass, or, with `until`,
// until what it sent holds that text.
std::string readUntilClosed(int fd, int timeoutMs, std::string_view until = {});

// A raw exchange on a connection of its own: what the server sent for the bytes, and whether it
// closed the connection before timeoutMs passed.
struct Exchange {
    std::string answer;
    bool closed = false;
};
Exchange exchange(int port, const std::string& bytes, int timeoutMs, const char* from = nullptr);

// The web monitor's HTTP server. cpp-httplib reads each request, routes it to the handlers and
// writes the answer; this class owns the sockets so that a client can take only so much: a
// bounded number of connections (one thread each), in all and from one address, a bounded
// request head and body, a time limit for the head and for the whole request to arrive and for
// an answer to be taken, and a bounded idle time and number of requests on a kept-alive
// connection. Connections over the bound are answered 503. A request whose body could take more
// than its bound once read (an encoded body, a size given twice or in two ways) is refused
// before its body is read, and its connection closed; ranges are ignored.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "web/http_limits.h"

class HttpServer : public httplib::Server {
  public:
    explicit HttpServer(HttpLimits limits = {});
    ~HttpServer() override;

    // Binds address:port (port 0: any free one); with loopbackOnly, only when the address is a
    // loopback one. False with the reason in error.
    bool bindTo(const std::string& address, int port, bool loopbackOnly, std::string& error);
    int port() const { return port_; }
    // True when the bound address is a loopback one (127.0.0.0/8 or ::1).
    bool loopback() const { return loopback_; }
    // Starts accepting connections on a thread of its own.
    void startServing();
    // Stops accepting, ends every connection and waits for their threads.
    void stopServing();
    bool serving() const { return serving_; }
    int openConnections() const;

  private:
    void acceptLoop();
    void serveConnection(int fd);
    void closeListener();
    // Why a new connection from the client's address is refused, or null; under mutex_.
    const char* refusalOf(const std::string& client) const;

    HttpLimits limits_;
    int listenFd_ = -1;
    int port_ = 0;
    bool loopback_ = false;
    std::atomic<bool> serving_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::condition_variable allClosed_;
    std::map<int, std::string> open_;  // sockets of the connections being served: their clients
};

// One client connection's socket as the web monitor's HTTP server uses it: the stream that
// cpp-httplib reads each request from and writes its answer to, with the server's bounds
// applied, and the socket operations around it (waiting on it, its addresses as text, and the
// gentle close that ends it).
#pragma once

#include <httplib.h>
#include <sys/socket.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <string>

#include "web/http_limits.h"

// Waits up to timeoutMs for the events on fd; true when one came or the socket hung up.
bool waitFor(int fd, short events, int timeoutMs);
// The numeric address and the port of a socket address.
void addressText(const sockaddr_storage& a, std::string& ip, int& port);
// Ends the connection: tells the client no more comes, reads what it still sends for a moment
// (bounded), then closes. Closing with unread bytes would reset the connection, and a reset can
// take the answer with it before the client reads it.
void closeGently(int fd);

// One connection as cpp-httplib reads and writes it, with the bounds applied: a read past the
// head or body bound, or after the request's time is up, fails, and so ends the request.
class BoundedStream : public httplib::Stream {
  public:
    static constexpr size_t kReadChunk = 4096;

    BoundedStream(int fd, const HttpLimits& limits) : fd_(fd), limits_(limits) {}

    // Waits up to the idle time for the next request; false when none comes.
    bool awaitRequest();
    void beginRequest();

    // Sends the answer and ends the request: nothing more is read or written on the connection,
    // so whatever the request goes on to do, its body stays unread.
    void refuse(const std::string& answer);
    bool refused() const { return refused_; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return fd_; }

  private:
    using Clock = std::chrono::steady_clock;

    size_t buffered() const { return end_ - start_; }
    // The request line and headers have a shorter time to arrive than the whole request.
    Clock::time_point readDeadline() const { return inHead_ ? headDeadline_ : deadline_; }

    bool fill();
    // Counts bytes handed on against the head bound until the blank line, then the body bound.
    bool account(const char* data, size_t n);
    // True once the client has ended its side of the connection and every byte it sent is in
    // hand, even when some are still unread: an event stream with a request after it ends.
    bool peerClosed() const;

    int fd_;
    const HttpLimits& limits_;
    std::array<char, kReadChunk> buffer_{};
    size_t start_ = 0;
    size_t end_ = 0;
    Clock::time_point deadline_ = Clock::now();
    Clock::time_point headDeadline_ = Clock::now();
    bool refused_ = false;
    size_t headBytes_ = 0;
    size_t bodyBytes_ = 0;
    bool inHead_ = true;
    int blankLineMatch_ = 0;
};

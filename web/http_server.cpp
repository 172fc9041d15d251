#include "web/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "web/request_screen.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadChunk = 4096;
// What a closing connection still reads of what the client sent, so that the close does not
// reset the connection before the client has read the answer.
constexpr size_t kLingerBytes = 65536;
constexpr int kLingerMs = 1000;

const char* reasonPhrase(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 415:
            return "Unsupported Media Type";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        default:
            return "Refused";
    }
}

// An answer the server gives on its own before closing the connection.
std::string closingAnswer(int status, const std::string& message) {
    std::string body = "{\"error\": \"" + message + "\"}";
    return "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

void addressText(const sockaddr_storage& a, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    } else {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    }
    ip = text;
}

// Ends the connection: tells the client no more comes, reads what it still sends for a moment
// (bounded), then closes. Closing with unread bytes would reset the connection, and a reset can
// take the answer with it before the client reads it.
void closeGently(int fd) {
    ::shutdown(fd, SHUT_WR);
    auto deadline = Clock::now() + std::chrono::milliseconds(kLingerMs);
    std::array<char, kReadChunk> scratch;
    for (size_t drained = 0; drained < kLingerBytes;) {
        if (!waitFor(fd, POLLIN, millisecondsUntil(deadline))) {
            break;
        }
        ssize_t n = ::recv(fd, scratch.data(), scratch.size(), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            break;
        }
        drained += n > 0 ? static_cast<size_t>(n) : 0;
    }
    ::close(fd);
}

bool isLoopback(const sockaddr* a) {
    if (a->sa_family == AF_INET) {
        return (ntohl(reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr) >> 24) == 127;
    }
    return a->sa_family == AF_INET6 &&
           IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr);
}

// One connection as cpp-httplib reads and writes it, with the bounds applied: a read past the
// head or body bound, or after the request's time is up, fails, and so ends the request.
class BoundedStream : public httplib::Stream {
  public:
    BoundedStream(int fd, const HttpLimits& limits) : fd_(fd), limits_(limits) {}

    // Waits up to the idle time for the next request; false when none comes.
    bool awaitRequest() {
        return buffered() > 0 || waitFor(fd_, POLLIN, static_cast<int>(limits_.idleTime.count()));
    }
    void beginRequest() {
        Clock::time_point now = Clock::now();
        deadline_ = now + limits_.requestTime;
        headDeadline_ = std::min(deadline_, now + limits_.headTime);
        headBytes_ = 0;
        bodyBytes_ = 0;
        inHead_ = true;
        blankLineMatch_ = 0;
    }

    // Sends the answer and ends the request: nothing more is read or written on the connection,
    // so whatever the request goes on to do, its body stays unread.
    void refuse(const std::string& answer) {
        write(answer.data(), answer.size());
        refused_ = true;
    }
    bool refused() const { return refused_; }

    bool is_readable() const override {
        return !refused_ &&
               (buffered() > 0 || waitFor(fd_, POLLIN, millisecondsUntil(readDeadline())));
    }
    bool is_writable() const override {
        return !refused_ && !peerClosed() &&
               waitFor(fd_, POLLOUT, static_cast<int>(limits_.writeTime.count()));
    }
    ssize_t read(char* ptr, size_t size) override {
        if (refused_ || (buffered() == 0 && !fill()) || size == 0) {
            return -1;
        }
        size_t n = std::min(size, buffered());
        if (!account(buffer_.data() + start_, n)) {
            return -1;
        }
        std::memcpy(ptr, buffer_.data() + start_, n);
        start_ += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (refused_) {
            return -1;
        }
        size_t sent = 0;
        while (sent < size) {
            if (!waitFor(fd_, POLLOUT, static_cast<int>(limits_.writeTime.count()))) {
                return -1;
            }
            ssize_t n = ::send(fd_, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n <= 0) {
                return -1;
            }
            sent += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(size);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t length = sizeof a;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
            addressText(a, ip, port);
        }
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t length = sizeof a;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
            addressText(a, ip, port);
        }
    }
    socket_t socket() const override { return fd_; }

  private:
    size_t buffered() const { return end_ - start_; }
    // The request line and headers have a shorter time to arrive than the whole request.
    Clock::time_point readDeadline() const { return inHead_ ? headDeadline_ : deadline_; }

    bool fill() {
        if (!waitFor(fd_, POLLIN, millisecondsUntil(readDeadline()))) {
            return false;
        }
        ssize_t n;
        do {
            n = ::recv(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            return false;
        }
        start_ = 0;
        end_ = static_cast<size_t>(n);
        return true;
    }

    // Counts bytes handed on against the head bound until the blank line, then the body bound.
    bool account(const char* data, size_t n) {
        static constexpr char kBlankLine[] = "\r\n\r\n";
        size_t i = 0;
        for (; i < n && inHead_; ++i) {
            ++headBytes_;
            blankLineMatch_ = data[i] == kBlankLine[blankLineMatch_] ? blankLineMatch_ + 1
                              : data[i] == '\r'                      ? 1
                                                                     : 0;
            inHead_ = blankLineMatch_ < 4;
        }
        if (inHead_) {
            return headBytes_ <= limits_.maxHeadBytes;
        }
        bodyBytes_ += n - i;
        return bodyBytes_ <= limits_.maxBodyBytes + kReadChunk;
    }

    // True once the client has ended its side of the connection and every byte it sent is in
    // hand, even when some are still unread: an event stream with a request after it ends.
    bool peerClosed() const {
        char byte;
        ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }

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

}  // namespace

HttpServer::HttpServer(HttpLimits limits) : limits_(limits) {
    set_payload_max_length(limits_.maxBodyBytes);
    set_keep_alive_max_count(static_cast<size_t>(limits_.requestsPerConnection));
    set_keep_alive_timeout(
        std::chrono::duration_cast<std::chrono::seconds>(limits_.idleTime).count());
}

HttpServer::~HttpServer() {
    stopServing();
    closeListener();
}

bool HttpServer::bindTo(const std::string& address, int port, bool loopbackOnly,
                        std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    int r = ::getaddrinfo(address.c_str(), service.c_str(), &hints, &found);
    if (r != 0 || found == nullptr) {
        error = std::string("no such address: ") + ::gai_strerror(r);
        return false;
    }
    loopback_ = isLoopback(found->ai_addr);
    if (loopbackOnly && !loopback_) {
        ::freeaddrinfo(found);
        error =
            "it is not a loopback address and [Web_Monitor] Token is empty, so nothing is "
            "served";
        return false;
    }
    // The kernel's queue of connections not yet accepted is as long as it allows, so that a
    // burst of connections from one client waits there to be refused instead of crowding others'
    // out of it.
    int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    bool ok = fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
              ::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0;
    ::freeaddrinfo(found);
    if (!ok) {
        error = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    std::string ip;
    addressText(bound, ip, port_);
    listenFd_ = fd;
    return true;
}

void HttpServer::startServing() {
    if (listenFd_ < 0 || serving_) {
        return;
    }
    // cpp-httplib ends a streamed answer once this holds no socket.
    svr_sock_ = listenFd_;
    serving_ = true;
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void HttpServer::stopServing() {
    if (!serving_.exchange(false)) {
        return;
    }
    svr_sock_ = INVALID_SOCKET;
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    std::unique_lock lock(mutex_);
    for (const auto& [fd, client] : open_) {
        ::shutdown(fd, SHUT_RDWR);
    }
    allClosed_.wait(lock, [this] { return open_.empty(); });
}

int HttpServer::openConnections() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(open_.size());
}

void HttpServer::closeListener() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

void HttpServer::acceptLoop() {
    while (serving_) {
        if (!waitFor(listenFd_, POLLIN, 200)) {
            continue;
        }
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        std::string client;
        int port = 0;
        addressText(peer, client, port);
        std::lock_guard lock(mutex_);
        if (const char* busy = refusalOf(client)) {
            std::string answer = closingAnswer(503, busy);
            [[maybe_unused]] ssize_t n =
                ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            continue;
        }
        open_.emplace(fd, client);
        std::thread([this, fd] { serveConnection(fd); }).detach();
    }
}

const char* HttpServer::refusalOf(const std::string& client) const {
    if (!serving_ || static_cast<int>(open_.size()) >= limits_.maxConnections) {
        return "too many connections";
    }
    int fromClient = 0;
    for (const auto& [fd, address] : open_) {
        fromClient += address == client ? 1 : 0;
    }
    return fromClient >= limits_.maxConnectionsPerClient ? "too many connections from your address"
                                                         : nullptr;
}

void HttpServer::serveConnection(int fd) {
    {
        BoundedStream stream(fd, limits_);
        auto setup = [&stream](httplib::Request& request) {
            if (std::optional<Refusal> refusal = screenRequest(request)) {
                stream.refuse(closingAnswer(refusal->status, refusal->message));
            }
            // cpp-httplib compresses when asked to; the monitor's answers are small and an event
            // stream must not wait in a compressor, so every answer goes out as it is.
            request.headers.erase("Accept-Encoding");
            // Overlapping ranges would build an answer many times the resource: every answer
            // is whole.
            request.ranges.clear();
        };
        for (int n = 0; n < limits_.requestsPerConnection && serving_; ++n) {
            if (!stream.awaitRequest()) {
                break;
            }
            stream.beginRequest();
            bool closed = false;
            bool last = n + 1 == limits_.requestsPerConnection;
            if (!process_request(stream, last, closed, setup) || closed || stream.refused()) {
                break;
            }
        }
    }
    closeGently(fd);
    std::lock_guard lock(mutex_);
    open_.erase(fd);
    allClosed_.notify_all();
}

#include "web/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "web/request_screen.h"
#include "web/socket_stream.h"

namespace {

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

bool isLoopback(const sockaddr* a) {
    if (a->sa_family == AF_INET) {
        return (ntohl(reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr) >> 24) == 127;
    }
    return a->sa_family == AF_INET6 &&
           IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr);
}

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

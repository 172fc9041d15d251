#include "web_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>

namespace {

httplib::Client client(int port) {
    httplib::Client c("127.0.0.1", port);
    c.set_connection_timeout(5);
    c.set_read_timeout(15);
    return c;
}

Answer answerOf(const httplib::Result& r) {
    return r ? Answer{r->status, r->body} : Answer{};
}

sockaddr_in loopbackAddress(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

int freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopbackAddress(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

Answer get(int port, const std::string& path, const httplib::Headers& headers) {
    return answerOf(client(port).Get(path.c_str(), headers));
}

Answer post(int port, const std::string& path, const std::string& body,
            const httplib::Headers& headers) {
    return answerOf(client(port).Post(path.c_str(), headers, body, "application/json"));
}

Answer command(WebMonitor& monitor, Farm& farm, const std::string& body, const std::string& token) {
    auto answer = std::async(std::launch::async, [&] {
        return post(monitor.port(), "/api/commands", body, {{"Authorization", "Bearer " + token}});
    });
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        monitor.serveCommands(farm);
    }
    return answer.get();
}

int connectTo(int port, const char* from) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local = loopbackAddress(0);
    if (from != nullptr) {
        ::inet_pton(AF_INET, from, &local.sin_addr);
    }
    sockaddr_in a = loopbackAddress(port);
    if ((from != nullptr && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string readUntilClosed(int fd, int timeoutMs, std::string_view until) {
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline &&
           (until.empty() || text.find(until) == std::string::npos)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

Exchange exchange(int port, const std::string& bytes, int timeoutMs, const char* from) {
    int fd = connectTo(port, from);
    if (fd < 0) {
        return {};
    }
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    auto started = std::chrono::steady_clock::now();
    Exchange e;
    e.answer = readUntilClosed(fd, timeoutMs);
    e.closed = std::chrono::steady_clock::now() - started < std::chrono::milliseconds(timeoutMs);
    ::close(fd);
    return e;
}

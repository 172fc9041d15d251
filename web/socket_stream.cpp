#include "web/socket_stream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// What a closing connection still reads of what the client sent, so that the close does not
// reset the connection before the client has read the answer.
constexpr size_t kLingerBytes = 65536;
constexpr int kLingerMs = 1000;

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

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

void closeGently(int fd) {
    ::shutdown(fd, SHUT_WR);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
    std::array<char, BoundedStream::kReadChunk> scratch;
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

bool BoundedStream::awaitRequest() {
    return buffered() > 0 || waitFor(fd_, POLLIN, static_cast<int>(limits_.idleTime.count()));
}

void BoundedStream::beginRequest() {
    Clock::time_point now = Clock::now();
    deadline_ = now + limits_.requestTime;
    headDeadline_ = std::min(deadline_, now + limits_.headTime);
    headBytes_ = 0;
    bodyBytes_ = 0;
    inHead_ = true;
    blankLineMatch_ = 0;
}

void BoundedStream::refuse(const std::string& answer) {
    write(answer.data(), answer.size());
    refused_ = true;
}

bool BoundedStream::is_readable() const {
    return !refused_ && (buffered() > 0 || waitFor(fd_, POLLIN, millisecondsUntil(readDeadline())));
}

bool BoundedStream::is_writable() const {
    return !refused_ && !peerClosed() &&
           waitFor(fd_, POLLOUT, static_cast<int>(limits_.writeTime.count()));
}

ssize_t BoundedStream::read(char* ptr, size_t size) {
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

ssize_t BoundedStream::write(const char* ptr, size_t size) {
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

void BoundedStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        addressText(a, ip, port);
    }
}

void BoundedStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        addressText(a, ip, port);
    }
}

bool BoundedStream::fill() {
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

bool BoundedStream::account(const char* data, size_t n) {
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

bool BoundedStream::peerClosed() const {
    char byte;
    ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

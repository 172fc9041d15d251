// Fuzz target: arbitrary bytes sent on one connection to the web monitor of a farm with a Token
// set, as a client on this machine would send them; the farm's thread publishes while the client
// waits, and leaves commands untaken. Whatever the bytes, the monitor ends the connection soon
// after the client stops sending, and answers each line with at most its largest answer: no
// request makes it build more than one whole resource, and none keeps it from closing.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_farm.h"
#include "platform/path.h"
#include "queue/queue_dir.h"
#include "web/web_monitor.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCloseWithin = std::chrono::seconds(3);

HttpLimits fuzzLimits() {
    HttpLimits l;
    l.idleTime = std::chrono::milliseconds(200);
    l.headTime = std::chrono::milliseconds(300);
    l.requestTime = std::chrono::milliseconds(600);
    l.writeTime = std::chrono::milliseconds(600);
    return l;
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The fuzzer's timer signal can interrupt any call of the client; each goes on where it stopped.
bool connectTo(int fd, int port) {
    sockaddr_in a = loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        return true;
    }
    if (errno != EINTR) {
        return false;
    }
    pollfd p{fd, POLLOUT, 0};
    while (::poll(&p, 1, 1000) < 0 && errno == EINTR) {
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

void sendAll(int fd, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR) {
            return;
        }
        sent += n > 0 ? static_cast<size_t>(n) : 0;
    }
}

int freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

struct Monitored {
    FuzzFarm fx{"http"};
    WebMonitor monitor{fuzzLimits(), std::chrono::milliseconds(1)};
    size_t largestAnswer = 0;

    Monitored() {
        fx.writeFile(joinPath(fx.queueDir, "shot.lws"),
                     "LWSC\n3\n\nFirstFrame 1\nLastFrame 10\nFrameStep 1\n"
                     "SaveRGBImagesPrefix Renders/shot\nRGBImageFormat 2\n");
        checkSceneQueue(fx.farm);
        fx.farm.settings.Token = "fuzz-token";
        fuzzCheck(monitor.start(fx.farm, freePort()), "the monitor did not start");
    }

    // Sends the bytes, ends the sending side and reads until the monitor closes, publishing as
    // the farm's thread does; false when it did not close in time.
    bool exchange(const std::string& bytes, std::string& answer) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        fuzzCheck(connectTo(fd, monitor.port()), "no connection");
        // A reset at the close keeps thousands of runs from using up the ports.
        linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        sendAll(fd, bytes);
        ::shutdown(fd, SHUT_WR);
        auto deadline = Clock::now() + kCloseWithin;
        bool closed = false;
        char buffer[16384];
        while (!closed && Clock::now() < deadline) {
            monitor.publish(fx.farm);
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) {
                continue;
            }
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            closed = n == 0 || (n < 0 && errno != EINTR);
            answer.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        }
        ::close(fd);
        return closed;
    }
};

Monitored& monitored() {
    static Monitored m;
    if (m.largestAnswer == 0) {
        for (const char* path : {"/", "/api/status", "/api/log?lines=1000"}) {
            std::string answer;
            m.exchange(std::string("GET ") + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n", answer);
            m.largestAnswer = std::max(m.largestAnswer, answer.size());
        }
    }
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Monitored& m = monitored();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string answer;
    fuzzCheck(m.exchange(bytes, answer), "a connection kept open after the client ended it");
    fuzzCheck(answer.empty() || answer.starts_with("HTTP/1.1 "), "an answer that is not HTTP");
    // Each request takes at least one line; the interim 100 Continue and a refusal are small.
    size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    fuzzCheck(answer.size() <= lines * (m.largestAnswer + 1024), "an answer larger than its page");
    return 0;
}

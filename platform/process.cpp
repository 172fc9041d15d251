#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The file execvp would run, found before forking: after fork only async-signal-safe calls
// are made, so the search along PATH cannot happen there.
std::string resolveProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        std::string candidate = dir + "/" + program;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

// In the grandchild: stdin from /dev/null, then the program; on failure its errno goes up the
// pipe, which closes by itself when the exec succeeds.
[[noreturn]] void runProgram(const char* file, char* const* argv, int reportFd) {
    int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    ::execve(file, argv, ::environ);
    int code = errno;
    ssize_t ignored = ::write(reportFd, &code, sizeof code);
    (void)ignored;
    ::_exit(127);
}

// What the grandchild reported: 0 once the program runs, else its errno.
int readReport(int fd) {
    int code = 0;
    for (;;) {
        ssize_t n = ::read(fd, &code, sizeof code);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n == static_cast<ssize_t>(sizeof code) ? code : 0;
    }
}

}  // namespace

bool startDetached(const std::string& program, const std::vector<std::string>& args,
                   std::string& error) {
    std::string file = resolveProgram(program);
    if (program.empty() || file.empty()) {
        error = std::strerror(ENOENT);
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // The child forks the program's process and ends at once, so the program is handed to the
    // system's reaper and this process collects only the short-lived child.
    pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        pid_t grandchild = ::fork();
        if (grandchild == 0) {
            runProgram(file.c_str(), argv.data(), fds[1]);
        }
        if (grandchild < 0) {
            int code = errno;
            ssize_t ignored = ::write(fds[1], &code, sizeof code);
            (void)ignored;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    int code = child < 0 ? errno : 0;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        code = readReport(fds[0]);
    }
    ::close(fds[0]);
    if (code != 0) {
        error = std::strerror(code);
        return false;
    }
    return true;
}

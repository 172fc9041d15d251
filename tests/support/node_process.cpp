#include "node_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& outputFile, const std::vector<std::string>& env,
                           const std::string& workDir) {
    pid_ = ::fork();
    if (pid_ != 0) {
        return;
    }
    if (!outputFile.empty()) {
        int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
    }
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
        ::_exit(126);
    }
    int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, 0);
    for (const std::string& e : env) {
        ::putenv(const_cast<char*>(e.c_str()));
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(SIGKILL);
        wait(5000);
    }
}

int ChildProcess::wait(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reaped_) {
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status_)) {
        return WEXITSTATUS(status_);
    }
    return 128 + WTERMSIG(status_);
}

bool ChildProcess::running() {
    if (reaped_ || pid_ <= 0) {
        return false;
    }
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
        reaped_ = true;
        return false;
    }
    return true;
}

void ChildProcess::kill(int signal) {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, signal);
    }
}

std::string binaryPath(const std::string& name) {
    return std::string(KESTRUN_BIN_DIR) + "/" + name;
}

// Real processes of the programs under test, for scenario tests: start kestrun-node-sim or
// kestrun-headless with arguments, wait for them with a time limit, kill them.
#pragma once

#include <string>
#include <vector>

class ChildProcess {
  public:
    // Starts program (a path) with args; standard output and error go to outputFile when given;
    // env adds NAME=VALUE variables; workDir, when given, is its current folder.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& outputFile = {}, const std::vector<std::string>& env = {},
                 const std::string& workDir = {});
    ~ChildProcess();  // kills the process if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    // Waits up to timeoutMs; gives the exit status, or -1 on time-out (the process keeps running).
    int wait(int timeoutMs);
    bool running();
    void kill(int signal);

  private:
    int pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// KESTRUN_BIN_DIR + "/" + name
std::string binaryPath(const std::string& name);

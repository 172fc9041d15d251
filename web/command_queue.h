// Commands on their way from the HTTP threads to the farm's thread. An HTTP thread submits one
// and waits for its reply; the farm's thread carries out the waiting ones between two ticks, so
// a command never runs beside a tick. A command the farm does not take in time is withdrawn
// and answered 503, so it cannot run later behind the client's back.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "web/web_command.h"

class CommandQueue {
  public:
    using Runner = std::function<CommandReply(const WebCommand&)>;

    // Called after each submission, on the HTTP thread, to tell the farm's thread (may be empty).
    void setWake(std::function<void()> wake);
    // HTTP thread: queues the command and waits up to timeout for its reply.
    CommandReply submit(const WebCommand& command, std::chrono::milliseconds timeout);
    // Farm thread: carries out every waiting command with run, in the order they came.
    void serve(const Runner& run);
    // From now on every submission, and every command still waiting, is answered 503.
    void close();

  private:
    enum class Stage { Waiting, Running, Done };
    struct Pending {
        WebCommand command;
        Stage stage = Stage::Waiting;
        CommandReply reply;
    };

    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::shared_ptr<Pending>> waiting_;
    std::function<void()> wake_;
    bool closed_ = false;
};

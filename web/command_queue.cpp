#include "web/command_queue.h"

#include <algorithm>

namespace {

// More waiting commands than this and the client is asked to come back.
constexpr size_t kMaxWaiting = 16;

}  // namespace

void CommandQueue::setWake(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

CommandReply CommandQueue::submit(const WebCommand& command, std::chrono::milliseconds timeout) {
    auto pending = std::make_shared<Pending>();
    pending->command = command;
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return {503, "the farm is stopping"};
        }
        if (waiting_.size() >= kMaxWaiting) {
            return {503, "too many commands are waiting; try again"};
        }
        waiting_.push_back(pending);
        wake = wake_;
    }
    if (wake) {
        wake();
    }
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, timeout, [&] { return pending->stage == Stage::Done; });
    if (pending->stage == Stage::Waiting) {
        waiting_.erase(std::find(waiting_.begin(), waiting_.end(), pending));
        return {503, "the farm did not take the command in time; it was not carried out"};
    }
    // Once the farm has taken it, the command runs to its end.
    done_.wait(lock, [&] { return pending->stage == Stage::Done; });
    return pending->reply;
}

void CommandQueue::serve(const Runner& run) {
    std::deque<std::shared_ptr<Pending>> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(waiting_);
        for (auto& pending : taken) {
            pending->stage = Stage::Running;
        }
    }
    for (auto& pending : taken) {
        CommandReply reply = run(pending->command);
        std::lock_guard lock(mutex_);
        pending->reply = std::move(reply);
        pending->stage = Stage::Done;
        done_.notify_all();
    }
}

void CommandQueue::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& pending : waiting_) {
        pending->reply = {503, "the farm is stopping"};
        pending->stage = Stage::Done;
    }
    waiting_.clear();
    done_.notify_all();
}

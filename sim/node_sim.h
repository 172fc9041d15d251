// A simulated ScreamerNet render node. It watches its job file DIR/jobN and answers in its
// acknowledgement file DIR/ackN the way a node does, so a farm can be tried out on one machine:
//
//   job file            acknowledgement, in order                  then
//   "init"              "Initializing" (init-ms), "Ready"
//   "load PATH"         "Loading scene PATH" (load-ms), "Ready"    scene read for its image names
//   "render F L S"      "Rendering frame F" (render-ms), ...       image of each frame written
//                       "Ready" once frame L is done
//   "quit"              "Offline"                                  the node ends (Quit)
//   "wait"              nothing
//
// A command counts as new when the job file's text or last-write time changed since the last
// look; while a step of work is under way the job file is not read. Frames listed in failFrames
// are answered without an image the first time each comes; once dieAfterFrames frames were
// answered the node ends (Died) at the next command, writing nothing.
//
// Tests drive a NodeSim in-process with step(); the program runs it with run() until it ends.
// The clock is a parameter so tests can set time.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <stop_token>
#include <string>

#include "sim/node_files.h"
#include "sim/node_options.h"
#include "sim/scene_output.h"

namespace sim {

class NodeSim {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    enum class Status { Running, Quit, Died };

    // log, when given, gets one line per command and per finished piece of work; problems
    // (an unreadable scene, an unwritable file) always go to standard error.
    explicit NodeSim(NodeOptions options, Clock clock = {}, std::ostream* log = nullptr);

    // Looks once: finishes the work under way when its time has come, otherwise acts on a new
    // command in the job file. Gives the status after the step.
    Status step();
    // Steps every pollMs until the node ends or stop is requested (then Running).
    Status run(std::stop_token stop);

    Status status() const { return status_; }
    int framesAnswered() const { return framesAnswered_; }
    const std::string& jobPath() const { return jobPath_; }
    const std::string& ackPath() const { return ackPath_; }

  private:
    enum class Work { None, Initializing, Loading, Rendering };

    void actOn(const std::string& command);
    void startLoad(const std::string& nodePath);
    void startRender(const std::string& arguments);
    void finishWork();
    void finishFrame();
    void beginWork(Work work, int ms, const std::string& ack);
    void answer(const std::string& ack);
    void note(const std::string& line);
    void problem(const std::string& line);

    NodeOptions options_;
    Clock clock_;
    std::ostream* log_;
    std::string jobPath_;
    std::string ackPath_;

    Status status_ = Status::Running;
    JobSnapshot lastJob_;
    Work work_ = Work::None;
    TimePoint workDone_{};
    std::optional<SceneOutput> scene_;
    int frame_ = 0;
    int lastFrame_ = 0;
    int frameStep_ = 1;
    int framesAnswered_ = 0;
    std::set<int> failedOnce_;
};

}  // namespace sim

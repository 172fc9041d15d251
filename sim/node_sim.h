// A simulated ScreamerNet render node in its "-2" mode. It behaves as the node's own command
// notes describe the real one: it reads the first line of its job file DIR/jobN again and again
// and answers in its acknowledgement file DIR/ackN:
//
//   job file        acknowledgement                            then
//   "wait [S]"      "Ready", at every reading                  pause waitPauseMs + S seconds
//   "init"          "Initializing", at every reading           scene cleared; busy initMs
//   "load PATH"     "Loading scene PATH" when loading begins   busy loadMs; nothing at the end
//   "render F L S"  "Rendering frame F" as each frame begins   busy renderMs a frame; its image
//                                                              written at its end, nothing else
//   "quit"          "Offline"                                  the node ends (Quit)
//
// A command found again unchanged (the same text as the last one read) is ignored, except
// "wait" and "init"; a "render" with another range is new. While busy or pausing the node does
// not read its job file, so a controller learns that a load or a render ended only from the
// "Ready" of the "wait" it writes once the command was acknowledged.
//
// Faults: listed frames finish without an image, with an empty one or with half of one (the
// first time each comes); after dieAfterFrames frames the node dies in the middle of the next
// (Died), after hangAfterFrames it stops there and stays alive writing nothing (Hung).
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
    enum class Status { Running, Hung, Quit, Died };

    // log, when given, gets one line per new command and per finished frame; problems (an
    // unreadable scene, an unwritable file) always go to standard error.
    explicit NodeSim(NodeOptions options, Clock clock = {}, std::ostream* log = nullptr);

    // One moment of the node: ends the work or pause under way when its time has come, and
    // when it is free reads its job file once. Gives the status after the step.
    Status step();
    // Steps until the node quits or dies, or stop is requested; a hung node only sleeps.
    Status run(std::stop_token stop);

    Status status() const { return status_; }
    int framesRendered() const { return framesRendered_; }
    const std::string& jobPath() const { return jobPath_; }
    const std::string& ackPath() const { return ackPath_; }

  private:
    enum class Work { None, Pausing, Initializing, Loading, Rendering };
    enum class Fate { Finish, Die, Hang };

    void readCommand();
    void actOn(const std::string& command, bool repeated);
    void startWait(const std::string& arguments);
    void startLoad(const std::string& nodePath);
    void startRender(const std::string& arguments);
    void startFrame(int frame);
    void finishWork();
    void finishFrame();
    void busyFor(Work work, int ms);
    void answer(const std::string& ack);
    void note(const std::string& line);
    void problem(const std::string& line);

    NodeOptions options_;
    Clock clock_;
    std::ostream* log_;
    std::string jobPath_;
    std::string ackPath_;

    Status status_ = Status::Running;
    std::string lastCommand_;
    Work work_ = Work::None;
    TimePoint workDone_{};
    std::optional<SceneOutput> scene_;
    int frame_ = 0;
    int lastFrame_ = 0;
    int frameStep_ = 1;
    Fate fate_ = Fate::Finish;
    int framesRendered_ = 0;
    std::set<int> misbehavedOnce_;
};

}  // namespace sim

#include "sim/node_sim.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <thread>

#include "farm/command_words.h"

namespace sim {
namespace {

constexpr std::string_view kWaitWithDelay = "wait ";

// The node reads only the first line of its job file.
std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

bool isWait(const std::string& command) {
    return command == words::kWait || command.starts_with(kWaitWithDelay);
}

std::string joined(const std::string& dir, const std::string& name) {
    return dir.ends_with('/') ? dir + name : dir + "/" + name;
}

}  // namespace

NodeSim::NodeSim(NodeOptions options, Clock clock, std::ostream* log)
    : options_(std::move(options)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)),
      log_(log),
      jobPath_(joined(options_.commandDir, words::jobFileName(options_.node))),
      ackPath_(joined(options_.commandDir, words::ackFileName(options_.node))) {}

NodeSim::Status NodeSim::step() {
    if (status_ != Status::Running) {
        return status_;
    }
    if (work_ != Work::None) {
        if (clock_() < workDone_) {
            return status_;
        }
        finishWork();
        if (status_ != Status::Running || work_ != Work::None) {
            return status_;
        }
    }
    readCommand();
    return status_;
}

NodeSim::Status NodeSim::run(std::stop_token stop) {
    const auto poll = std::chrono::milliseconds(std::max(1, options_.pollMs));
    while (!stop.stop_requested()) {
        Status now = step();
        if (now == Status::Quit || now == Status::Died) {
            break;
        }
        bool busy = now == Status::Running && work_ != Work::None;
        TimePoint wake = busy ? workDone_ : clock_() + poll;
        std::this_thread::sleep_for(std::max(wake - clock_(), TimePoint::duration::zero()));
    }
    return status_;
}

void NodeSim::readCommand() {
    std::string text;
    if (!readJobFile(jobPath_, text)) {
        return;
    }
    // An empty file is one the farm has just cut and not yet written: look again next time.
    std::string command = firstLine(text);
    if (command.empty()) {
        return;
    }
    bool repeated = command == lastCommand_;
    lastCommand_ = command;
    if (repeated && !isWait(command) && command != words::kInit) {
        return;
    }
    actOn(command, repeated);
}

void NodeSim::actOn(const std::string& command, bool repeated) {
    if (!repeated && !isWait(command)) {
        note(command);
    }
    if (isWait(command)) {
        startWait(command.substr(words::kWait.size()));
    } else if (command == words::kInit) {
        answer(std::string(words::kInitializing));
        scene_.reset();
        busyFor(Work::Initializing, options_.initMs);
    } else if (command.starts_with(words::kLoadPrefix)) {
        startLoad(command.substr(words::kLoadPrefix.size()));
    } else if (command.starts_with(words::kRenderPrefix)) {
        startRender(command.substr(words::kRenderPrefix.size()));
    } else if (command == words::kQuit) {
        answer(std::string(words::kOffline));
        status_ = Status::Quit;
    } else {
        problem("unknown command \"" + command + "\" ignored");
    }
}

// "wait" or "wait S": "Ready", then one pause plus S seconds.
void NodeSim::startWait(const std::string& arguments) {
    int extraSeconds = 0;
    std::istringstream(arguments) >> extraSeconds;
    answer(std::string(words::kReady));
    busyFor(Work::Pausing, options_.waitPauseMs + std::max(0, extraSeconds) * 1000);
}

void NodeSim::startLoad(const std::string& nodePath) {
    answer("Loading scene " + nodePath);
    busyFor(Work::Loading, options_.loadMs);
    scene_.reset();
    std::string localPath = toLocalPath(options_.pathMap, nodePath);
    std::string text;
    std::string error;
    SceneOutput output;
    if (!readWholeFile(localPath, text)) {
        problem("cannot read scene " + localPath);
    } else if (!readSceneOutput(text, options_.pathMap, options_.contentDir, output, error)) {
        problem("scene " + localPath + ": " + error);
    } else {
        scene_ = output;
    }
}

void NodeSim::startRender(const std::string& arguments) {
    std::istringstream in(arguments);
    int first = 0;
    int last = 0;
    int stepBy = 1;
    if (!(in >> first >> last)) {
        problem("render command without frames ignored: " + arguments);
        return;
    }
    in >> stepBy;
    lastFrame_ = last;
    frameStep_ = std::max(1, stepBy);
    startFrame(first);
}

// A node doomed to die or hang in this frame does so halfway through it.
void NodeSim::startFrame(int frame) {
    frame_ = frame;
    answer("Rendering frame " + std::to_string(frame));
    auto doomed = [this](int after) { return after >= 0 && framesRendered_ >= after; };
    fate_ = doomed(options_.dieAfterFrames)    ? Fate::Die
            : doomed(options_.hangAfterFrames) ? Fate::Hang
                                               : Fate::Finish;
    busyFor(Work::Rendering, fate_ == Fate::Finish ? options_.renderMs : options_.renderMs / 2);
}

void NodeSim::finishWork() {
    Work done = work_;
    work_ = Work::None;
    if (done != Work::Rendering) {
        return;  // a load, an init or a pause ends without a word
    }
    if (fate_ == Fate::Die) {
        note("dies in the middle of frame " + std::to_string(frame_));
        status_ = Status::Died;
    } else if (fate_ == Fate::Hang) {
        note("hangs in the middle of frame " + std::to_string(frame_));
        status_ = Status::Hung;
    } else {
        finishFrame();
    }
}

void NodeSim::finishFrame() {
    auto listed = [this](const std::set<int>& frames) {
        return frames.contains(frame_) && !misbehavedOnce_.contains(frame_);
    };
    bool fail = listed(options_.failFrames);
    ImageCut cut = listed(options_.emptyFrames) ? ImageCut::Empty
                   : listed(options_.cutFrames) ? ImageCut::FirstHalf
                                                : ImageCut::Whole;
    if (fail || cut != ImageCut::Whole) {
        misbehavedOnce_.insert(frame_);
    }
    std::string frame = std::to_string(frame_);
    if (!scene_) {
        problem("frame " + frame + " has no loaded scene: no image");
    } else if (fail) {
        note("frame " + frame + " fails: no image");
    } else {
        std::string path = imagePath(*scene_, frame_);
        long bytes = writeFrameImage(path, frame_, cut);
        if (bytes < 0) {
            problem("cannot write image " + path);
        } else if (cut == ImageCut::Whole) {
            note("wrote " + path);
        } else {
            note("wrote " + std::to_string(bytes) + " bytes only of " + path);
        }
    }
    ++framesRendered_;
    if (frame_ + frameStep_ <= lastFrame_) {
        startFrame(frame_ + frameStep_);
    }
}

void NodeSim::busyFor(Work work, int ms) {
    work_ = work;
    workDone_ = clock_() + std::chrono::milliseconds(ms);
}

void NodeSim::answer(const std::string& ack) {
    if (!writeFileAtomically(ackPath_, ack)) {
        problem("cannot write " + ackPath_);
    }
}

void NodeSim::note(const std::string& line) {
    if (log_) {
        *log_ << "node " << options_.node << ": " << line << std::endl;
    }
}

void NodeSim::problem(const std::string& line) {
    std::cerr << "kestrun-node-sim node " << options_.node << ": " << line << std::endl;
}

}  // namespace sim

#include "sim/node_sim.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <thread>

#include "farm/command_words.h"

namespace sim {
namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
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
        if (clock_() >= workDone_) {
            finishWork();
        }
        return status_;
    }
    JobSnapshot job = readJobFile(jobPath_);
    // An empty file is one the farm has just cut and not yet written: look again next time.
    if (!job.present || job.text.empty() || job == lastJob_) {
        return status_;
    }
    lastJob_ = job;
    actOn(trimmed(job.text));
    return status_;
}

NodeSim::Status NodeSim::run(std::stop_token stop) {
    const auto pause = std::chrono::milliseconds(std::max(1, options_.pollMs));
    while (step() == Status::Running && !stop.stop_requested()) {
        auto wake = clock_() + pause;
        if (work_ != Work::None) {
            wake = std::min(wake, workDone_);
        }
        std::this_thread::sleep_for(std::max(wake - clock_(), TimePoint::duration::zero()));
    }
    return status_;
}

void NodeSim::actOn(const std::string& command) {
    if (command == words::kWait) {
        return;
    }
    note(command);
    if (options_.dieAfterFrames >= 0 && framesAnswered_ >= options_.dieAfterFrames) {
        note("dies without answering");
        status_ = Status::Died;
    } else if (command == words::kInit) {
        beginWork(Work::Initializing, options_.initMs, std::string(words::kInitializing));
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

void NodeSim::startLoad(const std::string& nodePath) {
    beginWork(Work::Loading, options_.loadMs, "Loading scene " + nodePath);
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
    frame_ = first;
    lastFrame_ = last;
    frameStep_ = std::max(1, stepBy);
    beginWork(Work::Rendering, options_.renderMs, "Rendering frame " + std::to_string(frame_));
}

void NodeSim::finishWork() {
    if (work_ == Work::Rendering) {
        finishFrame();
        return;
    }
    work_ = Work::None;
    answer(std::string(words::kReady));
}

void NodeSim::finishFrame() {
    bool failNow = options_.failFrames.contains(frame_) && failedOnce_.insert(frame_).second;
    if (!scene_) {
        problem("frame " + std::to_string(frame_) + " has no loaded scene: no image");
    } else if (failNow) {
        note("frame " + std::to_string(frame_) + " fails: no image");
    } else {
        std::string path = imagePath(*scene_, frame_);
        if (writeFrameImage(path, frame_)) {
            note("wrote " + path);
        } else {
            problem("cannot write image " + path);
        }
    }
    ++framesAnswered_;
    bool moreFrames = frame_ + frameStep_ <= lastFrame_;
    if (moreFrames && options_.dieAfterFrames >= 0 && framesAnswered_ >= options_.dieAfterFrames) {
        note("dies without answering");
        status_ = Status::Died;
        return;
    }
    if (moreFrames) {
        frame_ += frameStep_;
        beginWork(Work::Rendering, options_.renderMs, "Rendering frame " + std::to_string(frame_));
        return;
    }
    work_ = Work::None;
    answer(std::string(words::kReady));
}

void NodeSim::beginWork(Work work, int ms, const std::string& ack) {
    answer(ack);
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

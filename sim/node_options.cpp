#include "sim/node_options.h"

#include <charconv>
#include <filesystem>
#include <string_view>

namespace sim {
namespace {

bool parseNumber(std::string_view text, int low, int& value) {
    const char* end = text.data() + text.size();
    auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end && !text.empty() && value >= low;
}

// "3,7,12": frame numbers of 0 or more, separated by commas.
bool parseFrameList(std::string_view text, std::set<int>& frames) {
    while (true) {
        size_t comma = text.find(',');
        int frame = 0;
        if (!parseNumber(text.substr(0, comma), 0, frame)) {
            return false;
        }
        frames.insert(frame);
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

// "NODE=LOCAL", both sides non-empty; the first "=" divides them.
bool parsePathPair(std::string_view text, PathMap& map) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) {
        return false;
    }
    map.push_back({std::string(text.substr(0, eq)), std::string(text.substr(eq + 1))});
    return true;
}

// The frame list an option names, or nullptr.
std::set<int>* frameListOption(std::string_view name, NodeOptions& o) {
    if (name == "--fail-frames") {
        return &o.failFrames;
    }
    if (name == "--empty-frames") {
        return &o.emptyFrames;
    }
    return name == "--cut-frames" ? &o.cutFrames : nullptr;
}

// Takes the value of one option; false with error set when it is unusable.
bool takeValue(std::string_view name, std::string_view value, NodeOptions& o, std::string& error) {
    struct NumberOption {
        std::string_view name;
        int* field;
        int low;
    };
    const NumberOption numbers[] = {
        {"--node", &o.node, 1},
        {"--init-ms", &o.initMs, 0},
        {"--load-ms", &o.loadMs, 0},
        {"--render-ms", &o.renderMs, 0},
        {"--poll-ms", &o.pollMs, 1},
        {"--wait-pause-ms", &o.waitPauseMs, 1},
        {"--die-after-frames", &o.dieAfterFrames, 0},
        {"--hang-after-frames", &o.hangAfterFrames, 0},
    };
    for (const NumberOption& n : numbers) {
        if (name == n.name) {
            if (parseNumber(value, n.low, *n.field)) {
                return true;
            }
            error = std::string(name) + " needs a whole number of at least " +
                    std::to_string(n.low) + ", not \"" + std::string(value) + "\"";
            return false;
        }
    }
    if (name == "--command-dir") {
        o.commandDir = value;
    } else if (name == "--content-dir") {
        o.contentDir = value;
    } else if (std::set<int>* frames = frameListOption(name, o)) {
        if (!parseFrameList(value, *frames)) {
            error = std::string(name) + " needs frame numbers separated by commas, not \"" +
                    std::string(value) + "\"";
            return false;
        }
    } else if (name == "--path-map") {
        if (!parsePathPair(value, o.pathMap)) {
            error = "--path-map needs NODE=LOCAL, not \"" + std::string(value) + "\"";
            return false;
        }
    } else {
        error = "unknown option " + std::string(name);
        return false;
    }
    return true;
}

bool checkRequired(const NodeOptions& o, std::string& error) {
    if (o.commandDir.empty()) {
        error = "--command-dir is required";
    } else if (o.node == 0) {
        error = "--node is required";
    } else if (!std::filesystem::is_directory(o.commandDir)) {
        error = "command folder " + o.commandDir + " does not exist";
    } else {
        return true;
    }
    return false;
}

}  // namespace

ParseOutcome parseNodeOptions(int argc, const char* const* argv, NodeOptions& options,
                              std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            return ParseOutcome::Help;
        }
        if (name == "--version") {
            return ParseOutcome::Version;
        }
        if (i + 1 >= argc) {
            error = name.starts_with("--") ? std::string(name) + " needs a value"
                                           : "unknown argument " + std::string(name);
            return ParseOutcome::Error;
        }
        if (!takeValue(name, argv[++i], options, error)) {
            return ParseOutcome::Error;
        }
    }
    return checkRequired(options, error) ? ParseOutcome::Run : ParseOutcome::Error;
}

std::string usageText() {
    return R"(Usage: kestrun-node-sim --command-dir DIR --node N [options]

A simulated ScreamerNet render node in its "-2" mode. It behaves as the node's own command
notes describe the real one: it reads the first line of its job file DIR/jobN again and
again and answers in DIR/ackN.

  "wait [S]"      "Ready" at every reading, then a pause (--wait-pause-ms, one second as a
                  real node, plus S seconds) before it reads the job file again
  "init"          "Initializing" at every reading (the scene is cleared)
  "load PATH"     "Loading scene PATH" when loading begins; nothing when it ends
  "render F L S"  "Rendering frame F" when each frame begins, its image written when it
                  ends; nothing else is written
  "quit"          "Offline", and the node ends

A command found again unchanged is ignored, except "wait" and "init"; a "render" with
another frame range is new. While it loads or renders the node does not read its job file,
so the end of a load or a render shows only as the "Ready" of the "wait" a controller writes
once it has seen the command acknowledged.

  --command-dir DIR        the ScreamerNet command folder (must exist)
  --node N                 node number, 1 or more
  --content-dir D          base of scene save prefixes that are not absolute
  --init-ms M              how long an "init" takes (default 100)
  --load-ms M              how long a scene takes to load (default 300)
  --render-ms M            how long a frame takes to render (default 300)
  --poll-ms M              pause between looks at a job file that says no "wait" (default 20)
  --wait-pause-ms M        the pause after each "Ready" of a "wait" (default 1000)
  --path-map NODE=LOCAL    a node path prefix (e.g. Q:\) and the local folder it names;
                           repeatable, the first matching pair wins

Faults of a real night (frame lists are comma-separated, e.g. 3,7; each listed frame
misbehaves the first time it is rendered):
  --fail-frames LIST       finish the frame without writing its image
  --empty-frames LIST      write the frame's image with no bytes
  --cut-frames LIST        write only the first half of the image's bytes
  --die-after-frames K     after K frames, die in the middle of the next one: nothing more
                           is written and the node ends with status 1
  --hang-after-frames K    after K frames, hang in the middle of the next one: nothing more
                           is written and the node stays alive until it is killed
  -h, --help               this text
  --version                the program's name and version

Exit status: 0 after "quit", 1 when it died as --die-after-frames asked, 2 for bad options.
)";
}

}  // namespace sim

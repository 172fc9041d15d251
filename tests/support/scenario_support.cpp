#include "scenario_support.h"

#include <signal.h>

#include <cstdio>

#include "farm/scene_record.h"
#include "platform/little_endian.h"

QueueFile readQueueFile(const std::string& path) {
    QueueFile q;
    if (!fileExists(path)) {
        return q;
    }
    std::string bytes = readText(path);
    q.read = true;
    q.size = bytes.size();
    if (bytes.size() >= 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
        q.runningFlag = getLeI32(b);
        for (size_t at = 4; at + scene_record::kSize <= bytes.size(); at += scene_record::kSize) {
            q.entries.push_back(decodeSceneEntry(b + at));
        }
    }
    return q;
}

ScenarioFarm::ScenarioFarm(FarmFixtureOptions options)
    : fixture(std::move(options)), outputFile(fixture.dir.file("headless.out")) {}

ScenarioFarm::~ScenarioFarm() {
    for (auto& n : nodes_) {
        n->kill(SIGKILL);
    }
}

std::unique_ptr<ChildProcess> ScenarioFarm::startHeadless(const std::vector<std::string>& args) {
    return std::make_unique<ChildProcess>(
        binaryPath("kestrun-headless"), args, outputFile,
        std::vector<std::string>{"XDG_CONFIG_HOME=" + fixture.dir.path()}, fixture.dir.path());
}

int ScenarioFarm::runHeadless(const std::vector<std::string>& args, int timeoutMs) {
    auto p = startHeadless(args);
    return p->wait(timeoutMs);
}

void ScenarioFarm::startNode(int n, const std::vector<std::string>& extra) {
    nodes_.push_back(
        std::make_unique<ChildProcess>(binaryPath("kestrun-node-sim"), quickNodeArgs(n, extra),
                                       fixture.dir.file("node" + std::to_string(n) + ".out")));
}

std::vector<std::string> ScenarioFarm::quickNodeArgs(int n,
                                                     const std::vector<std::string>& extra) const {
    std::vector<std::string> args = fixture.nodeArgs(n, kQuickNode);
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

void ScenarioFarm::startNodes(int count) {
    for (int n = 1; n <= count; ++n) {
        startNode(n);
    }
}

std::string ScenarioFarm::log() const {
    return fixture.log();
}
std::string ScenarioFarm::output() const {
    return readText(outputFile);
}
QueueFile ScenarioFarm::queue() const {
    return readQueueFile(fixture.queueDir + "/Kestrun.que");
}
std::string ScenarioFarm::job(int node) const {
    return fixture.job(node);
}

std::string renderedImage(const ScenarioFarm& f, const std::string& prefix, int frame) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", frame);
    return f.fixture.contentDir + "/Renders/" + prefix + digits + ".TGA";
}

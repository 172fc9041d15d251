// The crash-and-restart soak: six simulated nodes render five scenes while kestrun-headless is
// killed with SIGKILL at random moments and started again with --yes each time. After every kill
// the queue file must hold a whole number of records that loads; at the end every scene must be
// complete, every image there, no frame in hand and the images that existed before untouched.
// Prints one line of figures; exit status 0 when every check held.
//
//   kestrun_soak [--kills N] [--seed S]     (defaults: 20 kills, a random seed)
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "tests/soak/soak_scenes.h"
#include "tests/support/scenario_support.h"

namespace {

struct Figures {
    int kills = 0;
    int restarts = 0;
    int framesRendered = 0;
    int framesTwice = 0;
    int corruptQueueFiles = 0;
    int scenesLost = 0;
};

struct Options {
    int kills = 20;
    unsigned seed = std::random_device{}();
};

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--kills") {
            o.kills = std::atoi(argv[i + 1]);
        } else if (name == "--seed") {
            o.seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && o.kills >= 0;
}

void problem(const std::string& text) {
    std::fprintf(stderr, "soak: %s\n", text.c_str());
}

// The queue file as a killed farm left it: a whole number of records, each naming one of the
// soak's scenes once, that the farm's own loader takes in whole. Scenes seen once must be there at
// every later look.
void checkQueueAfterKill(ScenarioFarm& f, std::set<std::string>& seen, Figures& fig) {
    QueueFile q = f.queue();
    if (!q.read) {
        return;
    }
    bool whole = q.size >= 4 && (q.size - 4) % scene_record::kSize == 0;
    std::set<std::string> names;
    for (const SceneEntry& e : q.entries) {
        std::string name(textOf(e.fileName));
        whole = whole && isSoakScene(name) && names.insert(name).second;
    }
    Farm& reader = *f.fixture.farm;
    loadQueueFile(reader);
    whole = whole && reader.state.sceneCount == static_cast<int32_t>(q.entries.size());
    if (!whole) {
        ++fig.corruptQueueFiles;
        problem("kill " + std::to_string(fig.kills) + ": queue file of " + std::to_string(q.size) +
                " bytes is not a whole queue");
    }
    for (const std::string& name : seen) {
        if (!names.contains(name)) {
            ++fig.scenesLost;
            problem("kill " + std::to_string(fig.kills) + ": " + name + " left the queue file");
        }
    }
    seen.insert(names.begin(), names.end());
}

// Counts the nodes' "wrote PATH" lines: frames rendered, and writes of a path already written.
void countRenders(const ScenarioFarm& f, Figures& fig) {
    std::map<std::string, int> writes;
    for (int n = 1; n <= kSoakNodes; ++n) {
        std::string out = readText(f.fixture.dir.file("node" + std::to_string(n) + ".out"));
        for (size_t at = out.find(": wrote "); at != std::string::npos;
             at = out.find(": wrote ", at + 1)) {
            size_t begin = at + 8;
            writes[out.substr(begin, out.find('\n', begin) - begin)] += 1;
        }
    }
    for (const auto& [path, count] : writes) {
        fig.framesRendered += count;
        fig.framesTwice += count - 1;
    }
}

// The finished farm: every scene in the queue file, complete, no frame in hand; every image.
bool checkFinished(const ScenarioFarm& f, Figures& fig) {
    QueueFile q = f.queue();
    bool ok = q.read && q.runningFlag == 0;
    for (const SoakScene& scene : soakScenes()) {
        const SceneEntry* entry = nullptr;
        for (const SceneEntry& e : q.entries) {
            entry = textOf(e.fileName) == scene.name ? &e : entry;
        }
        bool complete =
            entry && entry->position == 0 && entry->problemCount < 33 &&
            std::count(std::begin(entry->frameMap), std::end(entry->frameMap), kFrameInHand) == 0;
        if (!complete) {
            ++fig.scenesLost;
            problem(std::string(scene.name) + " did not finish complete");
        }
        ok = allImagesThere(f, scene) && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: kestrun_soak [--kills N] [--seed S]\n");
        return 2;
    }
    auto began = std::chrono::steady_clock::now();
    std::mt19937 random(o.seed);
    std::uniform_int_distribution<int> killAfterMs(20, 2500);

    FarmFixtureOptions farmOptions;
    farmOptions.nodes = kSoakNodes;
    ScenarioFarm f(farmOptions);
    queueSoakScenes(f);
    startSoakNodes(f);

    Figures fig;
    std::set<std::string> seen;
    const std::vector<std::string> run{"--go", "--yes", "--cycle-ms", "50"};
    for (int kill = 0; kill < o.kills; ++kill) {
        auto farm = f.startHeadless(run);
        fig.restarts += kill > 0 ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs(random)));
        farm->kill(SIGKILL);
        farm->wait(10000);
        ++fig.kills;
        checkQueueAfterKill(f, seen, fig);
    }
    std::vector<std::string> last = run;
    last.push_back("--until-done");
    fig.restarts += o.kills > 0 ? 1 : 0;
    int status = f.runHeadless(last, 600000);
    if (status != 0) {
        problem("the last farm ended with status " + std::to_string(status));
    }
    bool finished = checkFinished(f, fig);
    bool kept = oldImagesKept(f);
    if (!kept) {
        problem("an image that existed before the soak was written again");
    }
    countRenders(f, fig);

    long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began)
            .count();
    std::printf(
        "soak: kills %d, restarts %d, frames rendered %d, frames rendered twice %d, corrupt "
        "queue files seen %d, scenes lost %d (seed %u, %ld s)\n",
        fig.kills, fig.restarts, fig.framesRendered, fig.framesTwice, fig.corruptQueueFiles,
        fig.scenesLost, o.seed, seconds);
    bool ok = status == 0 && finished && kept && fig.corruptQueueFiles == 0 && fig.scenesLost == 0;
    if (!ok) {
        problem("failed; set KESTRUN_KEEP_TEMP=1 to keep the farm's folder");
    }
    return ok ? 0 : 1;
}

// Two farms on one queue folder or one command folder, as two real kestrun-headless processes:
// started at the same moment, exactly one runs and the other names it and stops with status 3,
// --yes or not. The locks lie in the operator's private folder, so nothing a scene author does in
// the queue folder lets a second farm in or keeps the first one out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "fault_support.h"

namespace {

const std::string kRefusal = "Another Kestrun farm is running this scene queue: process ";

struct Outcome {
    int status;
    std::string output;
};

// A farm as its own process, with extra options after the usual ones (later ones win).
std::unique_ptr<ChildProcess> startFarm(ScenarioFarm& f, const std::string& out,
                                        const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"--yes", "--go", "--max-ticks", "30", "--cycle-ms", "50"};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<ChildProcess>(
        binaryPath("kestrun-headless"), args, out,
        std::vector<std::string>{"XDG_CONFIG_HOME=" + f.fixture.dir.path()}, f.fixture.dir.path());
}

// Exactly one farm ran (status 0) and the other stopped with status 3, naming the one that ran.
void expectOneRanAndOneWasRefused(const Outcome& a, const Outcome& b, int pidA, int pidB) {
    bool aRan = a.status == 0;
    const Outcome& refused = aRan ? b : a;
    EXPECT_EQ((aRan ? a : b).status, 0) << a.output << "\n----\n" << b.output;
    EXPECT_EQ(refused.status, 3) << refused.output;
    std::string ranPid = std::to_string(aRan ? pidA : pidB);
    EXPECT_NE(refused.output.find(kRefusal + ranPid + " on host "), std::string::npos)
        << refused.output;
    EXPECT_EQ(refused.output.find("Started Kestrun!"), std::string::npos) << refused.output;
}

}  // namespace

TEST(OneFarm, TwoFarmsStartedAtOnceOneRunsTheOtherStops) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ScenarioFarm f;
        std::string out1 = f.fixture.dir.file("farm1.out");
        std::string out2 = f.fixture.dir.file("farm2.out");
        auto one = startFarm(f, out1);
        auto two = startFarm(f, out2);
        int pid1 = one->pid();
        int pid2 = two->pid();
        Outcome a{one->wait(60000), ""};
        Outcome b{two->wait(60000), ""};
        a.output = readText(out1);
        b.output = readText(out2);
        expectOneRanAndOneWasRefused(a, b, pid1, pid2);
        EXPECT_EQ(countOf(f.log(), "Started Kestrun!"), 1) << f.log();
        EXPECT_EQ(f.queue().runningFlag, 0);
    }
}

// While a farm runs, a second one is refused (status 3, naming the first) however the queue
// folder's writers meddle: its old lock file there deleted, or a FIFO or a held lock planted
// in its place; and a second farm on another queue folder but the same command folder too.
TEST(OneFarm, ASecondFarmIsRefusedWhateverIsPlantedInTheQueueFolder) {
    const std::string lockFile = "/Kestrun.lock";
    struct Case {
        const char* what;
        std::function<void(ScenarioFarm&)> plant;
        bool otherQueue;
        std::string refusal;
    };
    const std::string commandRefusal =
        "Another Kestrun farm is using this ScreamerNet command directory: process ";
    const Case cases[] = {
        {"lock file deleted",
         [&](ScenarioFarm& f) { ::unlink((f.fixture.queueDir + lockFile).c_str()); }, false,
         kRefusal},
        {"a FIFO",
         [&](ScenarioFarm& f) { ::mkfifo((f.fixture.queueDir + lockFile).c_str(), 0666); }, false,
         kRefusal},
        {"another queue, one command folder", [](ScenarioFarm&) {}, true, commandRefusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScenarioFarm f;
        auto first = startFarm(f, f.fixture.dir.file("first.out"), {"--max-ticks", "400"});
        ASSERT_TRUE(waitFor([&] { return f.queue().runningFlag == -1; }, 20000))
            << readText(f.fixture.dir.file("first.out"));
        c.plant(f);
        ScenarioFarm g;
        ScenarioFarm& second = c.otherQueue ? g : f;
        if (c.otherQueue) {
            std::string ini = readText(g.fixture.settingsFile);
            ini.replace(ini.find(g.fixture.commandDir), g.fixture.commandDir.size(),
                        f.fixture.commandDir);
            writeText(g.fixture.settingsFile, ini);
        }
        std::string out = second.fixture.dir.file("second.out");
        auto refused = startFarm(second, out);
        EXPECT_EQ(refused->wait(30000), 3) << readText(out);
        EXPECT_NE(readText(out).find(c.refusal + std::to_string(first->pid()) + " on host "),
                  std::string::npos)
            << readText(out);
        first->kill(SIGTERM);
        EXPECT_EQ(first->wait(30000), 0);
    }
}

// A lock on the queue folder's "Kestrun.lock" held by anyone (a scene author's flock, naming a
// process long gone) does not keep the farm from starting.
TEST(OneFarm, ALockHeldInTheQueueFolderDoesNotStopTheFarm) {
    ScenarioFarm f;
    std::string planted = f.fixture.queueDir + "/Kestrun.lock";
    writeText(planted, "process 99999999 on host gone\n");
    int fd = ::open(planted.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    std::string out = f.fixture.dir.file("farm.out");
    auto farm = startFarm(f, out);
    EXPECT_EQ(farm->wait(60000), 0) << readText(out);
    EXPECT_EQ(readText(out).find("Another Kestrun farm"), std::string::npos) << readText(out);
    ::close(fd);
}

// Two farms on one queue folder, as two real kestrun-headless processes: started at the same
// moment, exactly one runs and the other names it and stops with status 3, --yes or not; the same
// when the farms run as different users (a farm run as nobody beside one run as root).
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "fault_support.h"

namespace {

const std::string kRefusal = "Another Kestrun farm is running this scene queue: process ";

struct Outcome {
    int status;
    std::string output;
};

// A farm as its own process; runner (setpriv) and args as asNobody gives them, or the farm alone.
std::unique_ptr<ChildProcess> startFarm(ScenarioFarm& f, const std::string& out, bool nobody) {
    std::vector<std::string> args{"--yes", "--go", "--max-ticks", "30", "--cycle-ms", "50"};
    std::string program = binaryPath("kestrun-headless");
    if (nobody) {
        args = asNobody(program, args);
        program = kSetpriv;
    }
    return std::make_unique<ChildProcess>(
        program, args, out, std::vector<std::string>{"XDG_CONFIG_HOME=" + f.fixture.dir.path()},
        f.fixture.dir.path());
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
        auto one = startFarm(f, out1, false);
        auto two = startFarm(f, out2, false);
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

TEST(OneFarm, AFarmOfAnotherUserIsRefusedToo) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "running a farm as nobody needs root";
    }
    ScenarioFarm f;
    openToEveryone(f.fixture.dir.path());
    for (const std::string& dir : {f.fixture.queueDir, f.fixture.commandDir}) {
        ASSERT_TRUE(giveToNobody(dir)) << dir;
    }
    // The root farm holds the queue; the lock file it made is root's and read-only for nobody.
    std::string rootOut = f.fixture.dir.file("root.out");
    auto holder = startFarm(f, rootOut, false);
    ASSERT_TRUE(waitFor([&] { return f.queue().runningFlag == -1; }, 20000)) << readText(rootOut);
    std::string nobodyOut = f.fixture.dir.file("nobody.out");
    auto refused = startFarm(f, nobodyOut, true);
    EXPECT_EQ(refused->wait(30000), 3) << readText(nobodyOut);
    EXPECT_NE(readText(nobodyOut).find(kRefusal + std::to_string(holder->pid()) + " on host "),
              std::string::npos)
        << readText(nobodyOut);
    EXPECT_EQ(holder->wait(60000), 0) << readText(rootOut);

    // Once the root farm has quit, nobody's farm takes the queue.
    std::string nextOut = f.fixture.dir.file("next.out");
    auto next = startFarm(f, nextOut, true);
    EXPECT_EQ(next->wait(60000), 0) << readText(nextOut);
    EXPECT_EQ(readText(nextOut).find(kRefusal), std::string::npos) << readText(nextOut);
}

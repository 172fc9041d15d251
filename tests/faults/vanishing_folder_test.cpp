// Shared folders that drop out and come back while a farm renders on simulated nodes: the
// ScreamerNet command folder, the queue folder, and an image folder the nodes cannot make again.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "fault_support.h"
#include "platform/fixed_text.h"

namespace {

namespace fs = std::filesystem;

FarmFixtureOptions nodes(int n) {
    FarmFixtureOptions o;
    o.nodes = n;
    return o;
}

int imagesIn(const std::string& folder) {
    std::error_code ec;
    int n = 0;
    for (auto it = fs::directory_iterator(folder, ec); it != fs::directory_iterator(); ++it) {
        n += it->path().extension() == ".TGA" ? 1 : 0;
    }
    return n;
}

// How the folder comes back: as it was (a share mounted again), or made again, empty.
struct ComingBack {
    const char* name;
    bool empty;
};

class CommandFolder : public testing::TestWithParam<ComingBack> {};

}  // namespace

// Away for longer than a frame takes, so the nodes' answers written meanwhile are lost: without
// a fresh start of the conversation every node would wait for a word that never comes.
TEST_P(CommandFolder, NodesAreDrivenAgainOnceTheCommandFolderIsBack) {
    ScenarioFarm f(nodes(2));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 16, 1, "Renders/shot"));
    // Node 1's frames take long enough that its "Rendering frame" is seen while it renders.
    f.startNode(1, {"--render-ms", "2000"});
    f.startNode(2);
    auto farm = f.startHeadless({"--go", "--until-done", "--cycle-ms", "50"});
    const std::string renders = f.fixture.contentDir + "/Renders";
    const std::string command = f.fixture.commandDir;
    ASSERT_TRUE(waitFor([&] { return imagesIn(renders) >= 2; }, 60000)) << f.output();
    ASSERT_TRUE(
        waitFor([&] { return readText(command + "/ack1").starts_with("Rendering"); }, 30000));
    // Away until the farm has missed the folder and a node has finished a frame meanwhile,
    // whose answer then had nowhere to go.
    const int before = imagesIn(renders);
    fs::rename(command, command + ".away");
    ASSERT_TRUE(waitFor(
        [&] { return countOf(f.log(), "ScreamerNet command directory cannot be found") > 0; },
        30000))
        << f.log();
    ASSERT_TRUE(waitFor([&] { return imagesIn(renders) > before; }, 30000)) << f.output();
    if (GetParam().empty) {
        fs::create_directory(command);
    } else {
        fs::rename(command + ".away", command);
    }
    EXPECT_EQ(farm->wait(90000), 0) << f.output();
    EXPECT_TRUE(allRendered(f, "shot", 1, 16)) << imagesIn(renders) << " images\n" << f.log();
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "ScreamerNet command directory cannot be found"), 1) << log;
    EXPECT_EQ(countOf(log, "ScreamerNet command directory is back"), 1) << log;
}

INSTANTIATE_TEST_SUITE_P(Faults, CommandFolder,
                         testing::Values(ComingBack{"AsItWas", false},
                                         ComingBack{"MadeAgainEmpty", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Nodes keep the one scene loaded, so they need no scene file while the folder is away; the
// farm must not take the scene's absence from the listing for its removal.
TEST(QueueFolder, TheQueueIsKeptWhileTheQueueFolderIsAwayAndTheSceneCarriesOn) {
    ScenarioFarm f(nodes(2));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 20, 1, "Renders/shot"));
    for (int n = 1; n <= 2; ++n) {
        f.startNode(n, {"--render-ms", "300"});  // still rendering when the folder is back
    }
    auto farm = f.startHeadless({"--go", "--until-done", "--cycle-ms", "50"});
    const std::string renders = f.fixture.contentDir + "/Renders";
    ASSERT_TRUE(waitFor([&] { return imagesIn(renders) >= 3; }, 60000)) << f.output();

    // Away while each node finishes the frame it holds and renders at least one more, which the
    // farm hands out while it finds no scene file in the queue folder.
    const std::string queue = f.fixture.queueDir;
    const int before = imagesIn(renders);
    fs::rename(queue, queue + ".away");
    ASSERT_TRUE(waitFor([&] { return imagesIn(renders) >= before + 3; }, 30000)) << f.output();
    fs::rename(queue + ".away", queue);
    EXPECT_EQ(farm->wait(90000), 0) << f.output();
    EXPECT_TRUE(allRendered(f, "shot", 1, 20));
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "Added Newer scene file with name shot.lws"), 1) << log;
    EXPECT_EQ(countOf(log, "Scene file removed from queue"), 0) << log;
    EXPECT_EQ(countOf(log, "********* Scene Completed !***********"), 1) << log;
    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 1u);
    EXPECT_EQ(q.runningFlag, 0);
    EXPECT_EQ(q.entries[0].position, 0);
}

// The nodes run as nobody in a content folder they may not write to, so they cannot make the
// image folder again as a node could not on a share; each frame they finish then has no image.
TEST(ImageFolder, AnImageFolderThatVanishesMidRenderGivesProblemFramesAndTheFarmRunsOn) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "running the nodes as nobody needs root";
    }
    ScenarioFarm f(nodes(2));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 30, 1, "Renders/shot"));
    const std::string renders = f.fixture.dir.makeDir("content/Renders");
    openToEveryone(f.fixture.dir.path());
    ASSERT_TRUE(giveToNobody(renders) && giveToNobody(f.fixture.commandDir));
    std::vector<std::unique_ptr<ChildProcess>> nodeProcesses;
    for (int n = 1; n <= 2; ++n) {
        nodeProcesses.push_back(std::make_unique<ChildProcess>(
            kSetpriv, asNobody(binaryPath("kestrun-node-sim"), f.quickNodeArgs(n)),
            f.fixture.dir.file("node" + std::to_string(n) + ".out")));
    }
    auto farm = f.startHeadless({"--go", "--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return imagesIn(renders) >= 2; }, 60000)) << f.output();

    fs::remove_all(renders);
    ASSERT_TRUE(
        waitFor([&] { return countOf(f.log(), "********* Problem Frame***********") > 0; }, 60000))
        << f.log();
    // The farm runs on after the first problem frame: the other node's problem frame is found and
    // that node taken out of work too.
    ASSERT_TRUE(waitFor(
        [&] { return countOf(f.log(), "taken out of work for a problem frame") >= 2; }, 60000))
        << f.log();
    EXPECT_TRUE(farm->running());
    farm->kill(SIGTERM);
    EXPECT_EQ(farm->wait(30000), 0) << f.output();
    EXPECT_EQ(countOf(f.log(), "********* Quitted Kestrun!***********"), 1);
    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 1u);
    EXPECT_EQ(q.runningFlag, 0);
    EXPECT_GT(q.entries[0].position, 0) << "frames without images count as not done";
}

#include "sim/node_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;

std::string sceneText(const std::string& prefix, const std::string& format = "2",
                      const std::string& imageFormat = "RGBImageFormat 2") {
    return "LWSC\r\n3\r\n\r\nFirstFrame 1\r\nLastFrame 20\r\nFrameStep 1\r\n\r\n"
           "OutputFilenameFormat " +
           format + "\r\nSaveRGBImagesPrefix " + prefix + "\r\n" + imageFormat + "\r\n";
}

// One simulated node in a temporary farm folder, on a clock the test moves.
class SimNode {
  public:
    explicit SimNode(sim::NodeOptions extra = {}) {
        sim::NodeOptions o = std::move(extra);
        o.commandDir = dir.makeDir("command");
        o.node = 2;
        if (o.contentDir.empty()) {
            o.contentDir = dir.makeDir("content");
        }
        node = std::make_unique<sim::NodeSim>(o, [this] { return now; });
    }

    // Writes the job file with a last-write time later than any before, as a farm writing its
    // next command would.
    void command(const std::string& text) {
        writeText(node->jobPath(), text);
        setModifiedTime(node->jobPath(), ++jobSeconds);
    }
    std::string ack() const { return fileExists(node->ackPath()) ? readText(node->ackPath()) : ""; }
    sim::NodeSim::Status step() { return node->step(); }
    void pass(std::chrono::milliseconds ms) { now += ms; }
    // Steps until the node has nothing under way, moving the clock a second at a time.
    void settle() {
        for (int i = 0; i < 20; ++i) {
            step();
            pass(1000ms);
        }
    }
    std::string addScene(const std::string& name, const std::string& text) {
        std::string path = dir.file(name);
        writeText(path, text);
        return path;
    }
    // init, load and render one frame, each answered to its end.
    void renderFrame(const std::string& scenePath, int frame) {
        command("init");
        settle();
        command("load " + scenePath);
        settle();
        command("render " + std::to_string(frame) + " " + std::to_string(frame) + " 1");
        settle();
        command("wait");
        step();
    }

    TempDir dir;
    sim::NodeSim::TimePoint now{};
    long jobSeconds = 1000000;
    std::unique_ptr<sim::NodeSim> node;
};

TEST(NodeSim, InitAnswersInitializingThenReady) {
    sim::NodeOptions o;
    o.initMs = 100;
    SimNode n(o);
    n.step();
    EXPECT_FALSE(fileExists(n.node->ackPath())) << "no job file: nothing to answer";
    n.command("init");
    n.step();
    EXPECT_EQ(n.ack(), "Initializing");
    n.pass(99ms);
    n.step();
    EXPECT_EQ(n.ack(), "Initializing");
    n.pass(1ms);
    n.step();
    EXPECT_EQ(n.ack(), "Ready");
}

TEST(NodeSim, LoadStandsForLoadMsThenReady) {
    sim::NodeOptions o;
    o.loadMs = 300;
    SimNode n(o);
    std::string scene = n.addScene("shot.lws", sceneText("/tmp/none/shot"));
    n.command("load " + scene);
    n.step();
    EXPECT_EQ(n.ack(), "Loading scene " + scene);
    n.pass(299ms);
    n.step();
    EXPECT_EQ(n.ack(), "Loading scene " + scene);
    n.pass(1ms);
    n.step();
    EXPECT_EQ(n.ack(), "Ready");
}

TEST(NodeSim, RenderStandsForRenderMsThenWritesTheImageAndReady) {
    sim::NodeOptions o;
    o.renderMs = 300;
    SimNode n(o);
    std::string prefix = n.dir.file("out/deeper/shot");
    n.command("load " + n.addScene("shot.lws", sceneText(prefix)));
    n.settle();
    n.command("render 7 7 1");
    n.step();
    EXPECT_EQ(n.ack(), "Rendering frame 7");
    n.pass(299ms);
    n.step();
    EXPECT_EQ(n.ack(), "Rendering frame 7");
    EXPECT_FALSE(fileExists(prefix + "0007.TGA"));
    n.pass(1ms);
    n.step();
    EXPECT_EQ(n.ack(), "Ready");
    std::string image = readText(prefix + "0007.TGA");
    ASSERT_EQ(image.size(), 18u + 4 * 4 * 3) << "TGA header and 4 x 4 pixels of 3 bytes";
    EXPECT_EQ(image[2], 2) << "uncompressed true-colour";
    EXPECT_EQ(image[12], 4);
    EXPECT_EQ(image[16], 24);
    EXPECT_EQ(n.node->framesAnswered(), 1);
}

struct ImageCase {
    const char* name;
    std::string format;
    std::string imageLine;
    int frame;
    const char* file;
};

TEST(NodeSim, ImagesAreNamedAfterTheScene) {
    const ImageCase cases[] = {
        {"3 digits, RGBImageFormat 2", "0", "RGBImageFormat 2", 5, "shot005.TGA"},
        {"4 digits, RGBImageFormat 0", "3", "RGBImageFormat 0", 5, "shot0005.IFF"},
        {"3 digits, saver extension", "1", "RGBImageSaver LW_TGA32(.tga)", 42, "shot042.tga"},
        {"4 digits, saver extension", "2", "RGBImageSaver LW_TIFF24(.tif)", 1234, "shot1234.tif"},
    };
    for (const ImageCase& c : cases) {
        SimNode n;
        std::string scene = n.addScene("s.lws", sceneText("Renders\\shot", c.format, c.imageLine));
        n.renderFrame(scene, c.frame);
        EXPECT_EQ(n.ack(), "Ready") << c.name;
        EXPECT_TRUE(fileExists(n.dir.file("content/Renders/") + c.file)) << c.name;
    }
}

TEST(NodeSim, ListedFrameFailsOnlyTheFirstTime) {
    sim::NodeOptions o;
    o.failFrames = {5};
    SimNode n(o);
    std::string prefix = n.dir.file("out/shot");
    std::string scene = n.addScene("s.lws", sceneText(prefix));
    n.renderFrame(scene, 5);
    EXPECT_EQ(n.ack(), "Ready") << "a failed frame is still answered";
    EXPECT_FALSE(fileExists(prefix + "0005.TGA"));
    n.renderFrame(scene, 6);
    EXPECT_TRUE(fileExists(prefix + "0006.TGA"));
    n.renderFrame(scene, 5);
    EXPECT_TRUE(fileExists(prefix + "0005.TGA")) << "the second time frame 5 is rendered";
}

TEST(NodeSim, DiesAtTheFirstCommandAfterItsFrames) {
    sim::NodeOptions o;
    o.dieAfterFrames = 1;
    SimNode n(o);
    std::string prefix = n.dir.file("out/shot");
    std::string scene = n.addScene("s.lws", sceneText(prefix));
    n.renderFrame(scene, 1);
    EXPECT_EQ(n.ack(), "Ready");
    EXPECT_EQ(n.node->status(), sim::NodeSim::Status::Running);
    n.command("render 2 2 1");
    EXPECT_EQ(n.step(), sim::NodeSim::Status::Died);
    n.settle();
    EXPECT_EQ(n.ack(), "Ready") << "nothing more is written";
    EXPECT_FALSE(fileExists(prefix + "0002.TGA"));
}

TEST(NodeSim, NodeThatDiesAfterNoFramesNeverAnswers) {
    sim::NodeOptions o;
    o.dieAfterFrames = 0;
    SimNode n(o);
    n.command("init");
    EXPECT_EQ(n.step(), sim::NodeSim::Status::Died);
    EXPECT_FALSE(fileExists(n.node->ackPath()));
}

TEST(NodeSim, QuitAnswersOfflineAndEnds) {
    SimNode n;
    n.command("init");
    n.settle();
    n.command("quit");
    EXPECT_EQ(n.step(), sim::NodeSim::Status::Quit);
    EXPECT_EQ(n.ack(), "Offline");
    n.command("init");
    n.settle();
    EXPECT_EQ(n.ack(), "Offline") << "a node that quit reads no more commands";
}

TEST(NodeSim, SameCommandWrittenAgainIsAnsweredAgain) {
    SimNode n;
    n.command("init");
    n.settle();
    std::filesystem::remove(n.node->ackPath());  // the farm resets its channel
    n.command("init");
    n.step();
    EXPECT_EQ(n.ack(), "Initializing");
}

TEST(NodeSim, UnchangedJobFileIsNotActedOnTwice) {
    SimNode n;
    std::string prefix = n.dir.file("out/shot");
    n.command("load " + n.addScene("s.lws", sceneText(prefix)));
    n.settle();
    n.command("render 3 3 1");
    n.settle();
    std::filesystem::remove(prefix + "0003.TGA");
    n.settle();
    EXPECT_FALSE(fileExists(prefix + "0003.TGA"));
    EXPECT_EQ(n.node->framesAnswered(), 1);
}

TEST(NodeSim, RangeRendersEveryStepThenReady) {
    SimNode n;
    std::string prefix = n.dir.file("out/shot");
    n.command("load " + n.addScene("s.lws", sceneText(prefix)));
    n.settle();
    n.command("render 1 7 3");
    n.step();
    EXPECT_EQ(n.ack(), "Rendering frame 1");
    n.pass(1000ms);
    n.step();
    EXPECT_EQ(n.ack(), "Rendering frame 4");
    n.settle();
    EXPECT_EQ(n.ack(), "Ready");
    for (const char* f : {"0001", "0004", "0007"}) {
        EXPECT_TRUE(fileExists(prefix + f + ".TGA")) << f;
    }
    EXPECT_FALSE(fileExists(prefix + "0002.TGA"));
}

TEST(NodeSim, UnreadableSceneStillAnswersButWritesNoImage) {
    SimNode n;
    n.command("load " + n.dir.file("missing.lws"));
    n.step();
    EXPECT_EQ(n.ack(), "Loading scene " + n.dir.file("missing.lws"));
    n.settle();
    EXPECT_EQ(n.ack(), "Ready");
    n.command("render 1 1 1");
    n.settle();
    EXPECT_EQ(n.ack(), "Ready");
    EXPECT_EQ(n.node->framesAnswered(), 1);
}

TEST(NodeSim, NodePathsAreMappedToLocalFolders) {
    TempDir share;
    sim::NodeOptions o;
    o.pathMap = {{"Q:\\", share.path() + "/"}};
    o.contentDir = "Q:\\content";
    SimNode n(o);
    share.makeDir("queue");
    writeText(share.file("queue/abs.lws"), sceneText("Q:\\renders\\abs"));
    writeText(share.file("queue/rel.lws"), sceneText("Renders\\rel", "1"));
    n.renderFrame("q:\\queue\\abs.lws", 4);
    EXPECT_TRUE(fileExists(share.file("renders/abs0004.TGA")));
    n.renderFrame("Q:\\queue\\rel.lws", 4);
    EXPECT_EQ(n.ack(), "Ready");
    EXPECT_TRUE(fileExists(share.file("content/Renders/rel004.TGA")));
}

TEST(NodeSim, RunsOnAThreadUntilQuit) {
    TempDir dir;
    sim::NodeOptions o;
    o.commandDir = dir.path();
    o.node = 1;
    o.initMs = 0;
    o.pollMs = 2;
    sim::NodeSim node(o);
    sim::NodeSim::Status ended = sim::NodeSim::Status::Running;
    std::jthread runner([&](std::stop_token stop) { ended = node.run(stop); });
    auto waitForAck = [&](const std::string& word) {
        for (int i = 0;
             i < 500 && !(fileExists(node.ackPath()) && readText(node.ackPath()) == word); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return readText(node.ackPath());
    };
    writeText(node.jobPath(), "init");
    EXPECT_EQ(waitForAck("Ready"), "Ready");
    writeText(node.jobPath(), "quit");
    EXPECT_EQ(waitForAck("Offline"), "Offline");
    runner.join();
    EXPECT_EQ(ended, sim::NodeSim::Status::Quit);
}

}  // namespace

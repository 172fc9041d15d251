#include "sim/node_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "temp_dir.h"
#include "wait_for.h"

namespace {

using namespace std::chrono_literals;

// The bytes of one whole image: an 18-byte TGA header and 4 x 4 pixels of 3 bytes.
constexpr size_t kWholeImage = 18 + 4 * 4 * 3;

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

// One row of a conversation: the job file is written (unless job is null), the acknowledgement
// file is removed when asked (to see whether the node writes again), the clock moves on, the node
// takes one step, and its acknowledgement file must then hold ack ("" for no file).
struct Turn {
    const char* job;
    bool clearAck;
    int advanceMs;
    const char* ack;
    const char* what;
};

void playTurns(SimNode& n, const std::vector<Turn>& turns, const std::string& scene) {
    for (const Turn& t : turns) {
        if (t.job) {
            std::string text = t.job;
            if (size_t at = text.find("SCENE"); at != std::string::npos) {
                text.replace(at, 5, scene);
            }
            n.command(text);
        }
        if (t.clearAck) {
            std::filesystem::remove(n.node->ackPath());
        }
        n.pass(std::chrono::milliseconds(t.advanceMs));
        n.step();
        std::string expected = t.ack;
        if (size_t at = expected.find("SCENE"); at != std::string::npos) {
            expected.replace(at, 5, scene);
        }
        EXPECT_EQ(n.ack(), expected) << t.what;
    }
}

// The node's documented behaviour, command by command: "wait" is answered at every reading
// after its pause, "init" at every reading, "load" and "render" only when they begin, and an
// unchanged load or render is not acted on again.
TEST(NodeSim, AnswersAsTheNodesNotesSay) {
    sim::NodeOptions o;
    o.initMs = 100;
    o.loadMs = 300;
    o.renderMs = 300;
    o.waitPauseMs = 1000;
    SimNode n(o);
    std::string prefix = n.dir.file("out/shot");
    std::string scene = n.addScene("shot.lws", sceneText(prefix));
    playTurns(n,
              {
                  {nullptr, false, 0, "", "no job file: nothing to answer"},
                  {"wait", false, 0, "Ready", "wait is answered at once"},
                  {nullptr, true, 999, "", "then a pause of a second"},
                  {nullptr, false, 1, "Ready", "and Ready again at the next reading"},
                  {"wait 2", true, 1000, "Ready", "wait 2 is answered"},
                  {nullptr, true, 2999, "", "then a pause of three seconds"},
                  {"load SCENE", false, 1, "Loading scene SCENE", "load when it begins"},
                  {nullptr, true, 300, "", "nothing when the load ends"},
                  {nullptr, false, 1000, "", "the same load is not acted on again"},
                  {"render 3 3 1", false, 0, "Rendering frame 3", "render when it begins"},
                  {nullptr, true, 300, "", "nothing when the frame ends"},
                  {nullptr, false, 1000, "", "the same render is not acted on again"},
                  {"render 4 4 1", false, 0, "Rendering frame 4", "another range is new"},
                  {"wait", false, 150, "Rendering frame 4", "no reading while rendering"},
                  {nullptr, false, 150, "Ready", "the wait read once the frame is done"},
                  {"init", true, 1000, "Initializing", "init is answered"},
                  {nullptr, true, 99, "", "no reading while initialising"},
                  {nullptr, false, 1, "Initializing", "the same init is answered again"},
                  {"quit", false, 100, "Offline", "quit"},
                  {"init", false, 1000, "Offline", "a node that quit reads no more"},
              },
              scene);
    EXPECT_EQ(n.node->status(), sim::NodeSim::Status::Quit);
    EXPECT_TRUE(fileExists(prefix + "0003.TGA"));
    EXPECT_TRUE(fileExists(prefix + "0004.TGA"));
    EXPECT_EQ(n.node->framesRendered(), 2);
}

TEST(NodeSim, TheImageIsWrittenWhenTheFrameEnds) {
    sim::NodeOptions o;
    o.renderMs = 300;
    SimNode n(o);
    std::string prefix = n.dir.file("out/deeper/shot");
    n.command("load " + n.addScene("shot.lws", sceneText(prefix)));
    n.settle();
    n.command("render 7 7 1");
    n.step();
    n.pass(299ms);
    n.step();
    EXPECT_FALSE(fileExists(prefix + "0007.TGA"));
    n.pass(1ms);
    n.step();
    std::string image = readText(prefix + "0007.TGA");
    ASSERT_EQ(image.size(), kWholeImage) << "TGA header and 4 x 4 pixels of 3 bytes";
    EXPECT_EQ(image[2], 2) << "uncompressed true-colour";
    EXPECT_EQ(image[12], 4);
    EXPECT_EQ(image[16], 24);
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

struct FaultCase {
    const char* name;
    sim::NodeOptions options;
    sim::NodeSim::Status status;  // after the frame's time
    long imageBytes;              // -1: no image
    const char* ackAfterWait;     // what "wait" brings afterwards
};

// Each fault of a real night, on frame 5 after one good frame: what is left on disk, whether
// the node answers afterwards, and that a listed frame misbehaves only the first time.
TEST(NodeSim, FaultsLeaveWhatARealNightLeaves) {
    auto with = [](auto set) {
        sim::NodeOptions o;
        o.renderMs = 200;
        set(o);
        return o;
    };
    using S = sim::NodeSim::Status;
    const FaultCase cases[] = {
        {"no image", with([](auto& o) { o.failFrames = {5}; }), S::Running, -1, "Ready"},
        {"zero bytes", with([](auto& o) { o.emptyFrames = {5}; }), S::Running, 0, "Ready"},
        {"cut in half", with([](auto& o) { o.cutFrames = {5}; }), S::Running, kWholeImage / 2,
         "Ready"},
        {"dies", with([](auto& o) { o.dieAfterFrames = 1; }), S::Died, -1, "Rendering frame 5"},
        {"hangs", with([](auto& o) { o.hangAfterFrames = 1; }), S::Hung, -1, "Rendering frame 5"},
    };
    for (const FaultCase& c : cases) {
        SimNode n(c.options);
        std::string prefix = n.dir.file("out/shot");
        std::string scene = n.addScene("s.lws", sceneText(prefix));
        n.renderFrame(scene, 4);
        ASSERT_TRUE(fileExists(prefix + "0004.TGA")) << c.name;
        n.command("render 5 5 1");
        n.pass(1000ms);  // the pause of the last "wait"
        n.step();
        EXPECT_EQ(n.ack(), "Rendering frame 5") << c.name;
        n.pass(100ms);
        EXPECT_EQ(n.step(), c.status) << c.name << ": dies or hangs halfway through";
        n.pass(100ms);
        n.step();
        std::string image = prefix + "0005.TGA";
        long bytes = fileExists(image) ? static_cast<long>(readText(image).size()) : -1;
        EXPECT_EQ(bytes, c.imageBytes) << c.name;
        n.command("wait");
        n.settle();
        EXPECT_EQ(n.ack(), c.ackAfterWait) << c.name;
        if (c.status == S::Running) {
            n.renderFrame(scene, 5);
            EXPECT_EQ(readText(image).size(), kWholeImage) << c.name << ": the second time";
        }
    }
}

TEST(NodeSim, ARangeRendersEveryStepAndSaysOnlyWhereItBegins) {
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
    EXPECT_EQ(n.ack(), "Rendering frame 7");
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
    n.command("render 1 1 1");
    n.settle();
    EXPECT_EQ(n.ack(), "Rendering frame 1");
    EXPECT_EQ(n.node->framesRendered(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(n.dir.path() + "/content"));
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
    o.waitPauseMs = 5;
    sim::NodeSim node(o);
    sim::NodeSim::Status ended = sim::NodeSim::Status::Running;
    std::jthread runner([&](std::stop_token stop) { ended = node.run(stop); });
    auto waitForAck = [&](const std::string& word) {
        waitFor([&] { return fileExists(node.ackPath()) && readText(node.ackPath()) == word; },
                5000);
        return readText(node.ackPath());
    };
    writeText(node.jobPath(), "init");
    EXPECT_EQ(waitForAck("Initializing"), "Initializing");
    writeText(node.jobPath(), "wait");
    EXPECT_EQ(waitForAck("Ready"), "Ready");
    writeText(node.jobPath(), "quit");
    EXPECT_EQ(waitForAck("Offline"), "Offline");
    runner.join();
    EXPECT_EQ(ended, sim::NodeSim::Status::Quit);
}

}  // namespace

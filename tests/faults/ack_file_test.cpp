// Acknowledgement files that no well-behaved node writes: binary garbage, ten megabytes of
// text, a word cut short, and a file rewritten in place while the farm reads it. A node moves
// only on a whole word at the start of its file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/channel.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "tests/support/farm_fixture.h"

namespace {

// A farm after GO with one scene of five frames queued, and node 1 in the given state; a node
// that holds a frame holds frame 3, in hand.
struct AckFarm {
    explicit AckFarm(int32_t state) {
        f.addSceneFile("shot.lws", sceneText(1, 5, 1, "Renders/shot"));
        pressGo(farm);
        checkSceneQueue(farm);
        NodeSlot& node = farm.state.nodes[1];
        node.state = state;
        if (nodeHoldsFrame(state)) {
            node.sceneId = farm.state.scenes[1].sceneId;
            node.frame = 3;
            setFrameCode(farm.state.scenes[1], 3, kFrameInHand);
        }
        writeText(jobFile(), "before");
    }
    std::string ackFile() const { return ackFilePath(farm, 1); }
    std::string jobFile() const { return jobFilePath(farm, 1); }

    FarmFixture f;
    Farm& farm = *f.farm;
};

struct AckCase {
    const char* name;
    int32_t state;
    std::string ack;
    int32_t next;
};

const std::string kTenMegabytes(10 << 20, 'x');

const AckCase kCases[] = {
    {"binary garbage still shows an offline node alive", Offline,
     std::string("\0\xff\x80garbage\x01", 12), Ready},
    {"binary garbage before the word is no Ready", Ready, std::string("\0Ready", 6), Ready},
    {"a NUL inside the word is no Ready", LoadFirst, std::string("Rea\0dy", 6), LoadFirst},
    {"binary garbage after the word still counts", LoadFirst, std::string("Ready\0\xff\xfe", 8),
     WtoRender},
    {"ten megabytes after Ready finish the frame", Rendering, "Ready" + kTenMegabytes, Loaded},
    {"ten megabytes without a word", WtoRender, kTenMegabytes, WtoRender},
    {"Rea is no Ready", Rendering, "Rea", Rendering},
    {"Rende is no Render", WtoRender, "Rende", WtoRender},
    {"Loa is no Load", Loading, "Loa", Loading},
    {"Offlin is no Offline", Retired, "Offlin", Retired},
    {"Initializin is no Initializing", Ready, "Initializin", Ready},
    {"an empty file is no word", Rendering, "", Rendering},
};

}  // namespace

TEST(AckFile, ANodeMovesOnlyOnAWholeWordAtTheStartOfItsFile) {
    for (const AckCase& c : kCases) {
        SCOPED_TRACE(c.name);
        AckFarm t(c.state);
        writeText(t.ackFile(), c.ack);
        stepNode(t.farm, 1);
        EXPECT_EQ(t.farm.state.nodes[1].state, c.next);
        if (c.next == c.state) {
            EXPECT_EQ(readText(t.jobFile()), "before") << "a command sent on no word";
        }
    }
}

// The writer truncates the file and writes the status in two pieces, so the farm's reads meet
// empty files and half lines; none of them may pass for "Ready".
TEST(AckFile, AFileRewrittenWhileItIsReadIsNeverTakenForAnotherWord) {
    AckFarm t(Rendering);
    std::atomic<bool> stop{false};
    std::atomic<int> rewrites{0};
    std::thread writer([&] {
        const std::string path = t.ackFile();
        while (!stop) {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            bool ok = fd >= 0 && ::write(fd, "Re", 2) == 2;
            std::this_thread::yield();
            ok = ok && ::write(fd, "ndering frame 3", 15) == 15;
            ::close(fd);
            rewrites += ok ? 1 : 0;
        }
    });
    // At least 20000 reads and 1000 rewrites, for a minute at the most; the writer is stopped
    // before anything is checked, so a failure ends the test cleanly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int32_t seen = Rendering;
    for (int i = 0; (i < 20000 || rewrites < 1000) && seen == Rendering; ++i) {
        if (std::chrono::steady_clock::now() > deadline) {
            break;
        }
        stepNode(t.farm, 1);
        seen = t.farm.state.nodes[1].state;
    }
    stop = true;
    writer.join();
    ASSERT_EQ(seen, Rendering) << "after " << rewrites << " rewrites";
    ASSERT_GE(rewrites, 1000) << "the file was rewritten only " << rewrites << " times in a minute";

    writeText(t.ackFile(), "Ready");
    stepNode(t.farm, 1);
    EXPECT_EQ(t.farm.state.nodes[1].state, Loaded);
    EXPECT_EQ(frameCode(t.farm.state.scenes[1], 3), kFrameFinished);
}

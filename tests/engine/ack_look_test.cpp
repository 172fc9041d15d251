// The look at the command folder through real files: what one look costs, which changes it sees
// (a rewrite that keeps size and time included), which entries count as answers, and that the
// looks between ticks step only the nodes that answered.
#include "engine/ack_look.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/supervisor.h"
#include "engine_test.h"

namespace {

using AckLook = EngineTest;

std::string ackPath(const FarmFixture& fx, const std::string& name) {
    return fx.commandDir + "/" + name;
}

// Sets the file's last write, so a test can make it old or give a rewrite its old time back.
void setModified(const std::string& path, const timespec& when) {
    timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

timespec modifiedOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

// Writes text over the file in place (same inode), as a node rewriting its answer does.
void rewriteInPlace(const std::string& path, std::string_view text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

TEST_F(AckLook, ALookWithNothingChangedIsOneListingAndNoRead) {
    farm.settings.No_Of_Nodes = kMaxNodes;
    for (int n = 1; n <= kMaxNodes; ++n) {
        writeAck(n, "Rendering frame 1");
        makeAckOld(n);
    }
    fx.fs.resetCounters();
    EXPECT_EQ(lookAtAcks(farm).count(), static_cast<size_t>(kMaxNodes));
    EXPECT_EQ(fx.fs.counters.opens, static_cast<uint64_t>(kMaxNodes));
    fx.fs.resetCounters();
    EXPECT_TRUE(lookAtAcks(farm).none());
    EXPECT_EQ(fx.fs.counters.listings, 1u);
    EXPECT_EQ(fx.fs.counters.total(), 1u);
    writeAck(7, "Ready");
    fx.fs.resetCounters();
    NodeSet changed = lookAtAcks(farm);
    EXPECT_EQ(changed.count(), 1u);
    EXPECT_TRUE(changed.test(7));
    EXPECT_EQ(fx.fs.counters.opens, 1u);
    EXPECT_TRUE(farm.acks.nodes[7].reading.says("Ready"));
}

// Each case starts from node 1's file saying "Rendering frame 5", looked at once, then changes
// the folder; the next look must see the reading the case names.
struct ChangeCase {
    const char* name;
    std::function<void(const FarmFixture&)> change;
    bool present;
    const char* head;
};

const ChangeCase kChanges[] = {
    // Same size, and the write's time put back: only the racy rule sees it (a share's
    // two-second clock gives a rewrite the same time by itself).
    {"same size and time, rewritten in place",
     [](const FarmFixture& fx) {
         timespec before = modifiedOf(ackPath(fx, "ack1"));
         rewriteInPlace(ackPath(fx, "ack1"), "Ready frame 5 end");
         setModified(ackPath(fx, "ack1"), before);
     },
     true, "Ready frame "},
    {"deleted and made anew with the same size and time",
     [](const FarmFixture& fx) {
         timespec before = modifiedOf(ackPath(fx, "ack1"));
         ::unlink(ackPath(fx, "ack1").c_str());
         writeText(ackPath(fx, "ack1"), "Ready frame 5 end");
         setModified(ackPath(fx, "ack1"), before);
     },
     true, "Ready frame "},
    {"deleted", [](const FarmFixture& fx) { ::unlink(ackPath(fx, "ack1").c_str()); }, false, ""},
    {"replaced by a link to an answer",
     [](const FarmFixture& fx) {
         writeText(ackPath(fx, "elsewhere"), "Ready");
         ::unlink(ackPath(fx, "ack1").c_str());
         ::symlink("elsewhere", ackPath(fx, "ack1").c_str());
     },
     false, ""},
    {"replaced by a FIFO",
     [](const FarmFixture& fx) {
         ::unlink(ackPath(fx, "ack1").c_str());
         ::mkfifo(ackPath(fx, "ack1").c_str(), 0644);
     },
     false, ""},
    {"written by a Windows node as ACK1",
     [](const FarmFixture& fx) {
         ::unlink(ackPath(fx, "ack1").c_str());
         writeText(ackPath(fx, "ACK1"), "Ready");
     },
     true, "Ready"},
};

TEST_F(AckLook, EveryChangeOfTheFileIsSeen) {
    for (const ChangeCase& c : kChanges) {
        SCOPED_TRACE(c.name);
        FarmFixture f;
        writeText(ackPath(f, "ack1"), "Rendering frame 5");
        lookAtAcks(*f.farm);
        c.change(f);
        NodeSet changed = lookAtAcks(*f.farm);
        const AckReading& reading = f.farm->acks.nodes[1].reading;
        EXPECT_EQ(reading.present, c.present);
        EXPECT_EQ(reading.head, c.head);
        EXPECT_TRUE(changed.test(1));
    }
}

// The rule that finds a same-size rewrite costs reads only while the write is recent.
TEST_F(AckLook, ARecentFileIsReadAgainUntilItsWriteIsSafelyOld) {
    writeAck(1, "Ready");
    lookAtAcks(farm);
    fx.fs.resetCounters();
    EXPECT_TRUE(lookAtAcks(farm).none()) << "the same bytes again are no new answer";
    EXPECT_EQ(fx.fs.counters.opens, 1u);
    makeAckOld(1);  // a new time: read once more, then no longer
    lookAtAcks(farm);
    fx.fs.resetCounters();
    lookAtAcks(farm);
    EXPECT_EQ(fx.fs.counters.opens, 0u);
}

TEST_F(AckLook, OnlyAckAndTheNodeNumberNameAnAnswer) {
    for (std::string_view name : {"ack1", "ACK1", "Ack30"}) {
        EXPECT_NE(ackNodeOf(name), 0) << name;
    }
    for (std::string_view name : {"ack", "ack0", "ack01", "ack31", "ack1.old", "ack1 ", "job1"}) {
        EXPECT_EQ(ackNodeOf(name), 0) << name;
    }
    writeText(ackPath(fx, "ACK2"), "Load");  // the farm's own name wins over another case
    writeAck(2, "Ready");
    lookAtAcks(farm);
    EXPECT_TRUE(farm.acks.nodes[2].reading.says("Ready"));
}

// A node the farm deleted the file of is not tested against the old reading in a later pass,
// and a node on the ACK2 name loses that file too.
TEST_F(AckLook, TheFarmsOwnDeleteEmptiesTheReading) {
    writeText(ackPath(fx, "ACK2"), "Ready");
    lookAtAcks(farm);
    ASSERT_TRUE(farm.acks.nodes[2].reading.present);
    sendAnswered(farm, 2, "init");
    EXPECT_FALSE(farm.acks.nodes[2].reading.present);
    EXPECT_FALSE(fileExists(ackPath(fx, "ACK2")));
}

// Between ticks only a node whose file changed is stepped: the others' job files stay as they
// are, even a Ready node whose standing "Ready" a poll would answer with "wait".
TEST_F(AckLook, ALookBetweenTicksStepsOnlyTheNodesThatAnswered) {
    farm.opened = true;
    int e = queueScene(7, 1, 3);
    node(1).state = Ready;
    writeAck(1, "Ready");
    for (int n = 2; n <= 3; ++n) {
        node(n).state = Rendering;
        node(n).sceneId = 7;
        node(n).frame = n;
        s.scenes[e].frameMap[n] = kFrameInHand;
        writeAck(n, "Rendering frame");
        writeText(fx.commandDir + "/job" + std::to_string(n), "wait");
    }
    lookAtAcks(farm);
    writeText(fx.commandDir + "/job1", "untouched");
    writeAck(3, "Ready");
    s.pollAgain = false;
    EXPECT_TRUE(lookBetweenTicks(farm));
    EXPECT_EQ(job(1), "untouched");
    EXPECT_EQ(node(2).state, Rendering);
    EXPECT_EQ(code(e, 3), kFrameFinished);
    EXPECT_NE(node(3).state, Rendering);
    EXPECT_TRUE(s.pollAgain) << "a look's progress asks for the next tick's poll";

    writeAck(2, "Ready");
    s.halted = true;
    fx.fs.resetCounters();
    EXPECT_FALSE(lookBetweenTicks(farm));
    EXPECT_EQ(fx.fs.counters.total(), 0u) << "nothing is looked at while halted";
    EXPECT_EQ(node(2).state, Rendering);
}

}  // namespace

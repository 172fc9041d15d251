// Entries at the names the farm opens that are no regular files (FIFOs, a link to a device) and
// files far larger than any real one: each counts as unreadable or unwritable, the farm neither
// blocks in an open nor runs out of memory, and a farm run on them ends as it should.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "engine/channel.h"
#include "farm/command_words.h"
#include "fault_support.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "queue/scene_reader.h"
#include "report/farm_log.h"
#include "settings/settings_file.h"

namespace {

void makeFifo(const std::string& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0) << path;
}

// Runs work on a thread of its own; when it has not finished in time, every FIFO is opened at its
// other end so that a blocked open returns and the test can end, and false is given.
bool finishesInTime(const std::function<void()>& work, const std::vector<std::string>& fifos) {
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
        return true;
    }
    std::vector<int> ends;
    for (const std::string& fifo : fifos) {
        ends.push_back(::open(fifo.c_str(), O_RDWR | O_NONBLOCK));
    }
    done.wait();
    for (int fd : ends) {
        ::close(fd);
    }
    return false;
}

long peakMemoryKb() {
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class BlockingFiles : public ::testing::Test {
  protected:
    FarmFixture f;
    FarmState& s = f.farm->state;

    void SetUp() override { ASSERT_TRUE(loadSettings(*f.farm)); }
};

TEST_F(BlockingFiles, FifosAtTheCommandFilesAreNoAnswerAndTakeNoCommand) {
    std::vector<std::string> fifos{f.commandDir + "/ack1", f.commandDir + "/job1"};
    for (const std::string& fifo : fifos) {
        makeFifo(fifo);
    }
    AckReading reading;
    EXPECT_TRUE(finishesInTime(
        [&] {
            reading = readAck(*f.farm, 1);
            sendCommand(*f.farm, 1, words::kWait);
        },
        fifos));
    EXPECT_FALSE(reading.present);
    EXPECT_EQ(s.nodes[1].commandTick, 0u) << "a command counted as sent into a FIFO";
}

TEST_F(BlockingFiles, FifosInTheQueueFolderAreSkippedAndNeverWaitedOn) {
    std::vector<std::string> fifos{f.queueDir + "/Logfile.txt", f.queueDir + "/fifo.lws"};
    for (const std::string& fifo : fifos) {
        makeFifo(fifo);
    }
    f.addSceneFile("real.lws", sceneText(1, 3, 1, "Renders/real"));
    std::optional<std::string> tail = "";
    EXPECT_TRUE(finishesInTime(
        [&] {
            logLine(*f.farm, "a line");
            clearLog(*f.farm);
            tail = readLogTail(*f.farm);
            checkSceneQueue(*f.farm);
            // The reader, asked for the FIFO directly (it may replace a scene after the listing).
            s.sceneCount += 1;
            s.scenes[s.sceneCount] = SceneEntry{};
            copyText(s.scenes[s.sceneCount].fileName, "fifo.lws");
            readSceneFile(*f.farm, s.sceneCount);
        },
        fifos));
    EXPECT_EQ(tail, std::nullopt);
    ASSERT_EQ(s.sceneCount, 2);
    EXPECT_EQ(textOf(s.scenes[1].fileName), "real.lws");
    EXPECT_EQ(s.scenes[1].problemCount, 0);
    EXPECT_EQ(textOf(s.scenes[2].outputPath), "Unable to read scene file!");
}

TEST_F(BlockingFiles, AQueueFileFifoIsReplacedAndALwCfgDeviceIsNotConfigured) {
    std::string queueFile = f.queueDir + "/Kestrun.que";
    makeFifo(queueFile);
    bool saved = false;
    bool configured = true;
    std::string lwCfg = f.configDir + "/lw.cfg";
    ASSERT_EQ(::unlink(lwCfg.c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", lwCfg.c_str()), 0);
    EXPECT_TRUE(finishesInTime(
        [&] {
            saved = saveQueueFile(*f.farm);
            configured = loadSettings(*f.farm);
        },
        {queueFile}));
    EXPECT_TRUE(saved);
    EXPECT_EQ(readQueueFile(queueFile).size, 4u);
    EXPECT_FALSE(configured);
}

TEST_F(BlockingFiles, AOneGigabyteSparseSceneFailsAtOnceInLittleMemory) {
    std::string huge = f.queueDir + "/huge.lws";
    writeText(huge, sceneText(1, 3, 1, "Renders/huge"));
    ASSERT_EQ(::truncate(huge.c_str(), 1L << 30), 0);
    f.addSceneFile("small.lws", sceneText(1, 3, 1, "Renders/small"));
    long before = peakMemoryKb();
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_LT(peakMemoryKb() - before, 100 * 1024) << "the scene was read into memory";
    ASSERT_EQ(s.sceneCount, 2);
    EXPECT_EQ(textOf(s.scenes[1].fileName), "huge.lws");
    EXPECT_EQ(textOf(s.scenes[1].outputPath), "Scene file too large");
    EXPECT_EQ(s.scenes[1].position, 0);
    EXPECT_EQ(s.scenes[2].problemCount, 0);
}

// The whole program on every kind of trap at once: it must run its ticks and quit, and a farm
// started again on the queue file it left must do the same.
TEST(BlockingFarm, AHeadlessFarmOnFifosAndATwoGigabyteSceneRunsAndQuitsTwice) {
    ScenarioFarm f;
    for (const std::string& name : {f.fixture.commandDir + "/ack1", f.fixture.commandDir + "/ack2",
                                    f.fixture.queueDir + "/Logfile.txt"}) {
        makeFifo(name);
    }
    std::string huge = f.fixture.addSceneFile("huge.lws", sceneText(1, 3, 1, "Renders/huge"));
    ASSERT_EQ(::truncate(huge.c_str(), 2L << 30), 0);
    for (int run = 1; run <= 2; ++run) {
        EXPECT_EQ(f.runHeadless({"--max-ticks", "12", "--cycle-ms", "20"}, 60000), 0)
            << "run " << run << ":\n"
            << f.output();
        QueueFile q = f.queue();
        ASSERT_EQ(q.entries.size(), 1u) << "run " << run;
        EXPECT_GT(q.entries[0].problemCount, 32);
        EXPECT_EQ(q.entries[0].position, 0);
        EXPECT_EQ(q.runningFlag, 0);
        if (run == 1) {
            EXPECT_EQ(textOf(q.entries[0].outputPath), "Scene file too large");
        }
    }
}

}  // namespace

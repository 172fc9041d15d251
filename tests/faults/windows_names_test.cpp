// Scene file names that a Windows node would read as another path, or could not open: the
// queue check refuses each, logs the names refused anew in one line per check (never again while
// they stay in the folder), and queues the others.
#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "tests/support/scenario_support.h"

TEST(WindowsNames, NamesANodeReadsAsAnotherPathAreRefusedAndLoggedOnce) {
    FarmFixture f;
    const std::vector<std::string> refused{
        "..\\other\\victim.lws", "back\\slash.lws", "c:drive.lws", "star*.lws", "what?.lws",
        "quote\".lws",           "angle<.lws",      "angle>.lws",  "pipe|.lws"};
    for (const std::string& name : refused) {
        f.addSceneFile(name, sceneText(1, 2, 1, "Renders/r"));
    }
    f.dir.makeDir("queue/other");
    f.addSceneFile("other/victim.lws", sceneText(1, 2, 1, "Renders/victim"));
    f.addSceneFile("plain name (v2).lws", sceneText(1, 2, 1, "Renders/plain"));
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_TRUE(checkSceneQueue(*f.farm));

    const FarmState& s = f.farm->state;
    ASSERT_EQ(s.sceneCount, 1);
    EXPECT_EQ(textOf(s.scenes[1].fileName), "plain name (v2).lws");
    // One line for the nine, over both checks, naming each.
    std::string log = readText(s.logFilePath);
    EXPECT_EQ(countOf(log, "cannot be queued"), 1) << log;
    EXPECT_EQ(countOf(log, "Scene file names cannot be queued (9): "), 1) << log;
    for (const std::string& name : refused) {
        EXPECT_EQ(countOf(log, name), 1) << name;
    }
}

// Thousands of refused names cost one line, naming the first ten and how many there are; a
// name refused later gets a line of its own.
TEST(WindowsNames, ThousandsOfRefusedNamesAreOneLine) {
    FarmFixture f;
    constexpr int kRefused = 3000;
    for (int i = 0; i < kRefused; ++i) {
        writeText(f.queueDir + "/" + std::to_string(1000 + i) + "?.lws", "");
    }
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::vector<std::string> lines = linesOf(readText(f.farm->state.logFilePath));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Scene file names cannot be queued (3000): 1000?.lws, 1001?.lws, "),
              std::string::npos)
        << lines[0];
    EXPECT_TRUE(lines[0].ends_with("1009?.lws, ...\r")) << lines[0];
    writeText(f.queueDir + "/late|.lws", "");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(countOf(readText(f.farm->state.logFilePath),
                      "Scene file name cannot be queued: "
                      "late|.lws\r\n"),
              1);
}

// Scene file names that a Windows node would read as another path, or could not open: the
// queue check refuses each, logs it once while it stays in the folder, and queues the others.
#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "tests/scenario/scenario_support.h"

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
    std::string log = readText(s.logFilePath);
    for (const std::string& name : refused) {
        EXPECT_EQ(countOf(log, "Scene file name cannot be queued: " + name + "\r\n"), 1) << name;
    }
}

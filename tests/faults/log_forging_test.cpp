// A scene file whose name holds CR LF and a line of its own: the queue check refuses the name
// and logs it with each control byte as "?", so the log keeps one line per event.
#include <gtest/gtest.h>

#include "queue/queue_dir.h"
#include "tests/support/farm_fixture.h"

TEST(LogForging, ASceneFileNameWithCrLfCannotAddALineToTheLog) {
    FarmFixture f;
    const std::string forged = "********* Scene Completed !***********";
    f.addSceneFile("x.lws\r\nSUN-00:00.00 - " + forged + "\r\n.lws", "LWSC\n");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::string log = readText(f.farm->state.logFilePath);
    EXPECT_EQ(log, "SUN-00:00.00 - Scene file name cannot be queued: x.lws??SUN-00:00.00 - " +
                       forged + "??.lws\r\n");
    EXPECT_EQ(f.farm->state.sceneCount, 0);
}

// The steps both front ends run through FarmDriver, on a started farm with its web monitor.
#include <gtest/gtest.h>

#include <future>

#include "engine/farm_cycle.h"
#include "farm_fixture.h"
#include "web/farm_driver.h"
#include "web_support.h"

namespace {

// While one step is inside the farm (a box of the front end waits in it), a tick must not run
// inside it and a look is skipped; the web's commands are refused and the status says held.
TEST(FarmDriver, WhileAStepIsInsideNothingElseRunsAndTheWebIsToldTheFarmIsHeld) {
    FarmFixtureOptions options;
    options.iniExtra = "[Web_Monitor]\r\nToken=t0ken\r\n";
    FarmFixture fx(options);
    Farm& farm = *fx.farm;
    ASSERT_TRUE(startFarm(farm));
    WebMonitor monitor({}, std::chrono::milliseconds(2000));
    ASSERT_TRUE(monitor.start(farm, freePort()));
    FarmDriver driver(farm, monitor);
    auto go = [&] {
        return std::async(std::launch::async, [&] {
            return post(monitor.port(), "/api/commands", R"({"command": "go"})",
                        {{"Authorization", "Bearer t0ken"}});
        });
    };
    auto served = [&](std::future<Answer>& answer) {
        while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
            driver.serveCommands();
        }
        return answer.get().status;
    };
    int32_t ticks = farm.state.tickCount;

    driver.runInside([&] {
        auto answer = go();
        EXPECT_EQ(served(answer), 409);
        EXPECT_FALSE(driver.tick());
        EXPECT_EQ(farm.state.tickCount, ticks);
        EXPECT_FALSE(driver.look());
        EXPECT_EQ(get(monitor.port(), "/api/status").json()["farm"]["halted"], true);
    });
    EXPECT_TRUE(farm.state.waitingForGo);

    EXPECT_TRUE(driver.tick());
    EXPECT_EQ(farm.state.tickCount, ticks + 1);
    EXPECT_EQ(get(monitor.port(), "/api/status").json()["farm"]["halted"], false);
    auto answer = go();
    EXPECT_EQ(served(answer), 200);
    EXPECT_FALSE(farm.state.waitingForGo);
    monitor.stop();
}

}  // namespace

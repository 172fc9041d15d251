// The web monitor of kestrun-headless on a farm of simulated nodes: the status while frames
// render, a command changing the queue, and Debian's chromium loading the page.
#include <gtest/gtest.h>
#include <signal.h>

#include "../scenario/scenario_support.h"
#include "web_support.h"

namespace {

using nlohmann::json;

constexpr const char* kToken = "farm-token";

class WebFarm : public ::testing::Test {
  protected:
    static FarmFixtureOptions options() {
        FarmFixtureOptions o;
        o.nodes = 2;
        o.iniExtra = std::string("[Web_Monitor]\r\nToken=") + kToken + "\r\n";
        return o;
    }

    void SetUp() override {
        std::string images = f.fixture.dir.makeDir("images");
        f.fixture.addSceneFile("orbit.lws", sceneText(1, 6, 1, images + "/orbit_"));
        f.fixture.addSceneFile("titles.lws", sceneText(1, 4, 1, images + "/titles_"));
        f.startNodes(2);
        farm = f.startHeadless({"--go", "--cycle-ms", "50", "--web-port", std::to_string(port)});
    }
    void TearDown() override {
        if (!farm) {
            return;
        }
        farm->kill(SIGTERM);
        EXPECT_EQ(farm->wait(30000), 0) << f.output();
    }

    json status() const { return get(port, "/api/status").json(); }
    // Waits until the status satisfies the predicate; gives the last status seen.
    json waitForStatus(const std::function<bool(const json&)>& predicate) const {
        json last;
        waitFor(
            [&] {
                last = status();
                return last.is_object() && !last.empty() && predicate(last);
            },
            60000);
        return last;
    }

    ScenarioFarm f{options()};
    int port = freePort();
    std::unique_ptr<ChildProcess> farm;
};

TEST_F(WebFarm, StatusFollowsTheRenderAndCommandsReorderTheQueue) {
    json s = waitForStatus([](const json& s) { return s["farm"]["framesDone"] >= 1; });
    ASSERT_GE(s["farm"]["framesDone"], 1) << s.dump() << f.output();
    EXPECT_EQ(s["farm"]["waitingForGo"], false);
    EXPECT_EQ(s["farm"]["framesTotal"], 10);
    ASSERT_EQ(s["nodes"].size(), 2u);
    EXPECT_EQ(s["nodes"][0]["name"], "PC_1");
    EXPECT_EQ(s["nodes"][1]["name"], "PC_2");
    ASSERT_EQ(s["scenes"].size(), 2u);
    EXPECT_EQ(s["scenes"][0]["file"], "orbit.lws");

    // A frame time known, the farm gives an estimate.
    s = waitForStatus([](const json& s) { return !s["farm"]["etaSeconds"].is_null(); });
    EXPECT_TRUE(s["farm"]["etaSeconds"].is_number()) << s.dump();

    Answer a = post(port, "/api/commands", R"({"command": "boost", "scene": "titles.lws"})",
                    {{"Authorization", std::string("Bearer ") + kToken}});
    ASSERT_EQ(a.status, 200) << a.body;
    s = waitForStatus([](const json& s) {
        for (const json& e : s["scenes"]) {
            if (e["file"] == "titles.lws") {
                return e["position"] == 1;
            }
        }
        return false;
    });
    EXPECT_NE(f.log().find("Queue item titles.lws preprioritized to 1"), std::string::npos);
    json log = get(port, "/api/log?lines=1000").json();
    EXPECT_NE(log.dump().find("preprioritized to 1"), std::string::npos);
}

// Skips before the farm starts when there is no browser: a farm stopped at once may be stopped
// before it can take the stop signal.
class WebFarmInBrowser : public WebFarm {
  protected:
    void SetUp() override {
        if (!fileExists(chromium)) {
            GTEST_SKIP()
                << "chromium is not installed (scripts/install-deps.sh chromium installs it)";
        }
        WebFarm::SetUp();
    }
    const std::string chromium = "/usr/bin/chromium";
};

TEST_F(WebFarmInBrowser, ChromiumShowsTheNodesAndScenesOfTheLiveFarm) {
    waitForStatus([](const json& s) { return s["farm"]["framesDone"] >= 1; });
    std::string dom = f.fixture.dir.file("dom.html");
    ChildProcess browser(chromium,
                         {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                          "--user-data-dir=" + f.fixture.dir.makeDir("chromium"), "--timeout=5000",
                          "--dump-dom", "http://127.0.0.1:" + std::to_string(port) + "/"},
                         dom, {"HOME=" + f.fixture.dir.path()});
    ASSERT_EQ(browser.wait(60000), 0) << readText(dom);
    std::string page = readText(dom);
    // The script has run: the tables hold rows made from the status.
    EXPECT_NE(page.find("<td>1  PC_1</td>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td>2  PC_2</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>orbit.lws"), std::string::npos);
    EXPECT_NE(page.find("<td>titles.lws"), std::string::npos);
    EXPECT_NE(page.find("class=\"bar"), std::string::npos);
    EXPECT_NE(page.find("Started Kestrun"), std::string::npos);  // the log pane
}

}  // namespace

// The web monitor of kestrun-headless on a farm of simulated nodes: the status while frames
// render, a command changing the queue, and Debian's chromium loading the page and, given the
// Token, sending the operator's commands from it.
#include <gtest/gtest.h>
#include <signal.h>

#include "cdp_browser.h"
#include "scenario_support.h"
#include "web_support.h"

namespace {

using nlohmann::json;

constexpr const char* kToken = "farm-token";
constexpr const char* kLongName = "harbour_night_flyover_final_comp_v12.lws";

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
        // A name as long as real ones are, which a phone's width must still leave room beside.
        f.fixture.addSceneFile(kLongName,
                               sceneText(1, 24, 2, f.fixture.dir.makeDir("long") + "/h_"));
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
    EXPECT_NE(page.find("<td class=\"name\">orbit.lws"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"name\">titles.lws"), std::string::npos);
    EXPECT_NE(page.find("class=\"bar"), std::string::npos);
    EXPECT_NE(page.find("<pre id=\"log\">"), std::string::npos);
    EXPECT_EQ(page.find("<pre id=\"log\"></pre>"), std::string::npos);  // the log pane shows lines
}

// The page stays read-only until the Token is entered; then it keeps the Token for the tab only,
// asks before a command that takes work away (a "no" sends nothing), and its commands reach the
// farm with the operator's log lines. At a phone's width progress and ETA are on screen.
TEST_F(WebFarmInBrowser, WithTheTokenThePageSendsCommandsAndAsksFirst) {
    waitForStatus([](const json& s) { return s["farm"]["framesDone"] >= 1; });
    CdpBrowser browser(chromium, f.fixture.dir.makeDir("chromium"));
    ASSERT_TRUE(browser.ok());
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    ASSERT_TRUE(browser.open(url));
    auto shown = [&](const std::string& id) {
        return browser.eval("!document.getElementById('" + id + "').hidden") == true;
    };
    auto click = [&](const std::string& selector) {
        return browser.eval("(() => { const e = document.querySelector('" + selector +
                            "'); if (!e) return false; e.click(); return true; })()") == true;
    };
    const std::string orbitRow = "#scenes tr[data-key=\\'orbit.lws\\']";

    EXPECT_TRUE(shown("unlock"));
    EXPECT_FALSE(shown("farm-commands"));
    ASSERT_TRUE(click(orbitRow));
    EXPECT_FALSE(shown("scene-actions"));  // read-only: choosing a row offers nothing

    ASSERT_TRUE(click("#unlock"));
    browser.eval(std::string("document.getElementById('token').value = '") + kToken +
                 "'; document.getElementById('token-form').requestSubmit()");
    EXPECT_EQ(browser.eval("sessionStorage.getItem('kestrun-token')"), kToken);
    EXPECT_EQ(browser.eval("document.cookie + location.href"), url);
    EXPECT_TRUE(shown("farm-commands"));

    ASSERT_TRUE(click(orbitRow));
    ASSERT_TRUE(shown("scene-actions"));
    browser.answerConfirm(false);
    ASSERT_TRUE(click("#mark-done"));
    ASSERT_EQ(browser.confirmsAsked().size(), 1u);
    EXPECT_NE(browser.confirmsAsked()[0].find("Mark orbit.lws as done?"), std::string::npos);
    EXPECT_EQ(browser.eval("document.getElementById('command-result').textContent"), "");

    browser.answerConfirm(true);
    browser.eval(
        "document.getElementById('again-first').value = 2;"
        "document.getElementById('again-last').value = 3");
    ASSERT_TRUE(click("#render-again"));
    EXPECT_EQ(browser.confirmsAsked().size(), 2u);
    ASSERT_TRUE(click("#nodes tr[data-key=\\'1\\']"));
    ASSERT_TRUE(click("#retire"));
    ASSERT_TRUE(click("#rescan"));  // takes nothing away: not asked
    EXPECT_EQ(browser.confirmsAsked().size(), 3u);
    for (const char* line : {"Operator: Render Again orbit.lws frames 2-3", "Operator: Retire N1",
                             "Operator: Re-Scan Queue"}) {
        EXPECT_TRUE(waitFor([&] { return f.log().find(line) != std::string::npos; }, 20000))
            << line << f.log();
    }
    EXPECT_EQ(f.log().find("Operator: Mark As Done"), std::string::npos);

    browser.setWidth(390, 844);
    ASSERT_TRUE(browser.open(url));  // the tab keeps the Token
    EXPECT_TRUE(shown("farm-commands"));
    json fits = browser.eval(R"JS((() => {
        const width = document.documentElement.clientWidth;
        const cells = Array.from(document.querySelectorAll("#scenes td.progress, #scenes td.eta"));
        return {width, page: document.documentElement.scrollWidth, cells: cells.length,
                outside: cells.filter((c) => c.getBoundingClientRect().right > width).length};
    })())JS");
    EXPECT_EQ(fits["width"], 390) << fits.dump();
    EXPECT_LE(fits["page"], 390) << fits.dump();
    EXPECT_EQ(fits["cells"], 6) << fits.dump();
    EXPECT_EQ(fits["outside"], 0) << fits.dump();
}

}  // namespace

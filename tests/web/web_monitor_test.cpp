// The web monitor on a farm in a temporary folder: the status and log JSON, the refusals, the
// bounds of the server, the event stream, and commands changing the queue as the buttons do.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "app/headless_runner.h"
#include "engine/farm_cycle.h"
#include "engine/operator_commands.h"
#include "farm_fixture.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "report/farm_log.h"
#include "wait_for.h"
#include "web_support.h"

namespace {

using nlohmann::json;

constexpr const char* kToken = "s3cret-token";

FarmFixtureOptions withToken(const std::string& token) {
    FarmFixtureOptions o;
    o.iniExtra = "[Web_Monitor]\r\nToken=" + token + "\r\n";
    return o;
}

// A started farm with scenes a.lws (1-10), b.lws (1-4) and c.lws (2-8 step 2) queued, and its
// web monitor on a free port.
class WebMonitorTest : public ::testing::Test {
  protected:
    explicit WebMonitorTest(const std::string& token = kToken, HttpLimits limits = {})
        : fx(withToken(token)), monitor(limits, std::chrono::milliseconds(500)) {}

    void SetUp() override {
        std::string images = fx.dir.makeDir("images");
        fx.addSceneFile("a.lws", sceneText(1, 10, 1, images + "/a_"));
        fx.addSceneFile("b.lws", sceneText(1, 4, 1, images + "/b_"));
        fx.addSceneFile("c.lws", sceneText(2, 8, 2, images + "/c_"));
        ASSERT_TRUE(startFarm(farm));
        ASSERT_EQ(farm.state.sceneCount, 3);
        ASSERT_TRUE(monitor.start(farm, freePort()));
    }
    void TearDown() override { monitor.stop(); }

    json status() {
        monitor.publish(farm);
        Answer a = get(monitor.port(), "/api/status");
        EXPECT_EQ(a.status, 200);
        return a.json();
    }
    std::vector<std::string> queueOrder() {
        std::vector<std::string> names;
        for (int k = 1; k <= farm.state.sceneCount; ++k) {
            names.emplace_back(textOf(farm.state.scenes[k].fileName));
        }
        return names;
    }
    std::string log() const { return readText(farm.state.logFilePath); }

    FarmFixture fx;
    Farm& farm = *fx.farm;
    WebMonitor monitor;
};

TEST_F(WebMonitorTest, StatusShowsTheNodesAndScenesWithNumbersAsNumbersAndUnknownAsNull) {
    json s = status();
    EXPECT_EQ(s["farm"]["waitingForGo"], true);
    EXPECT_EQ(s["farm"]["halted"], false);
    EXPECT_EQ(s["farm"]["nodesRendering"], 0);
    ASSERT_EQ(s["nodes"].size(), 3u);
    EXPECT_EQ(s["nodes"][0]["number"], 1);
    EXPECT_EQ(s["nodes"][0]["state"], "Offline");
    EXPECT_TRUE(s["nodes"][0]["scene"].is_null());
    EXPECT_TRUE(s["nodes"][0]["frame"].is_null());
    EXPECT_TRUE(s["nodes"][0]["lastFrameSeconds"].is_null());
    EXPECT_EQ(s["nodes"][0]["stuck"], false);
    ASSERT_EQ(s["scenes"].size(), 3u);
    const json& c = s["scenes"][2];
    EXPECT_EQ(c["file"], "c.lws");
    EXPECT_EQ(c["position"], 3);
    EXPECT_EQ(c["first"], 2);
    EXPECT_EQ(c["last"], 8);
    EXPECT_EQ(c["step"], 2);
    EXPECT_EQ(c["framesTotal"], 4);
    EXPECT_TRUE(c["framesDone"].is_number_integer());
    EXPECT_EQ(c["failed"], false);
    EXPECT_TRUE(c["failure"].is_null());
    EXPECT_EQ(c["savePath"], textOf(farm.state.scenes[3].outputPath));
    EXPECT_TRUE(c["averageFrameSeconds"].is_null());

    // A node at work shows its scene and frame, as the farm list does.
    NodeSlot& n = farm.state.nodes[2];
    n.state = Rendering;
    n.sceneId = farm.state.scenes[1].sceneId;
    n.frame = 7;
    n.commandTick = fx.clock.tick;
    fx.clock.tick += 65000;
    s = status();
    EXPECT_EQ(s["nodes"][1]["state"], "Rendering");
    EXPECT_EQ(s["nodes"][1]["scene"], "a.lws");
    EXPECT_EQ(s["nodes"][1]["frame"], 7);
    EXPECT_EQ(s["nodes"][1]["elapsedSeconds"], 65);
    EXPECT_EQ(s["farm"]["nodesRendering"], 1);
    // Between its load and its render the node still holds the frame, and still shows it; an
    // idle node shows none, as in the farm list.
    n.state = WtoRender;
    EXPECT_EQ(status()["nodes"][1]["scene"], "a.lws");
    n.state = Ready;
    EXPECT_TRUE(status()["nodes"][1]["scene"].is_null());
}

TEST_F(WebMonitorTest, NamesThatAreNoUtf8AreReadAsLatin1AndAFailedSceneGivesItsFailure) {
    fx.addSceneFile("caf\xe9.lws", "not a scene file");
    checkSceneQueue(farm);
    json s = status();
    ASSERT_EQ(s["scenes"].size(), 4u);
    bool found = false;
    for (const json& e : s["scenes"]) {
        if (e["file"] == "caf\xc3\xa9.lws") {
            found = true;
            EXPECT_EQ(e["failed"], true);
            EXPECT_TRUE(e["failure"].is_string());
            EXPECT_TRUE(e["savePath"].is_null());
        }
    }
    EXPECT_TRUE(found) << s.dump();
}

TEST_F(WebMonitorTest, LogGivesTheLastLinesAsWrittenAndRefusesABadCount) {
    logLine(farm, "first caf\xe9", "x");
    logLine(farm, "second \xe2\x82\xac", "y");
    monitor.publish(farm);
    json lines = get(monitor.port(), "/api/log?lines=2").json()["lines"];
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].get<std::string>().find("first caf\xc3\xa9 x"), std::string::npos);
    EXPECT_NE(lines[1].get<std::string>().find("second \xe2\x82\xac y"), std::string::npos);
    EXPECT_EQ(lines[1].get<std::string>().back(), 'y');  // no CR LF
    for (const char* bad : {"1001", "-1", "ten", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(get(monitor.port(), std::string("/api/log?lines=") + bad).status, 400);
    }
    clearLog(farm);
    monitor.publish(farm);
    lines = get(monitor.port(), "/api/log?lines=1000").json()["lines"];
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].get<std::string>().find("Log Was Cleared"), std::string::npos);
}

TEST_F(WebMonitorTest, CommandsNeedTheTokenAndAWellFormedBody) {
    struct Case {
        const char* name;
        httplib::Headers headers;
        std::string body;
        int status;
    };
    const httplib::Headers good{{"Authorization", std::string("Bearer ") + kToken}};
    const Case cases[] = {
        {"no token", {}, R"({"command": "go"})", 401},
        {"wrong token", {{"Authorization", "Bearer s3cret-tokeN"}}, R"({"command": "go"})", 401},
        {"token as a prefix", {{"Authorization", "Bearer s3cret"}}, R"({"command": "go"})", 401},
        {"not JSON", good, "go", 400},
        {"not an object", good, R"(["go"])", 400},
        {"unknown command", good, R"({"command": "fly"})", 400},
        {"scene missing", good, R"({"command": "boost"})", 400},
        {"scene not a text", good, R"({"command": "boost", "scene": 1})", 400},
        {"node not a number", good, R"({"command": "retire", "node": "1"})", 400},
        {"node out of range", good, R"({"command": "retire", "node": 31})", 400},
        {"a member too many", good, R"({"command": "go", "scene": "a.lws"})", 400},
        {"frame not a number", good,
         R"({"command": "render-again", "scene": "a.lws", "first": "1"})", 400},
        {"frames on another command", good, R"({"command": "scan", "scene": "a.lws", "first": 1})",
         400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Answer a = post(monitor.port(), "/api/commands", c.body, c.headers);
        EXPECT_EQ(a.status, c.status) << a.body;
        EXPECT_TRUE(a.json()["error"].is_string()) << a.body;
    }
    EXPECT_TRUE(farm.state.waitingForGo);  // nothing was carried out

    EXPECT_EQ(command(monitor, farm, R"({"command": "boost", "scene": "zz.lws"})", kToken).status,
              404);
    EXPECT_EQ(command(monitor, farm, R"({"command": "retire", "node": 4})", kToken).status, 404);

    farm.state.halted = true;  // a box holds the farm
    monitor.publish(farm);
    EXPECT_EQ(post(monitor.port(), "/api/commands", R"({"command": "go"})", good).status, 409);
    farm.state.halted = false;
    monitor.publish(farm);
    EXPECT_EQ(command(monitor, farm, R"({"command": "go"})", kToken).status, 200);
    EXPECT_FALSE(farm.state.waitingForGo);
}

TEST_F(WebMonitorTest, QueueCommandsMoveScenesAsTheButtonsDo) {
    auto run = [&](const std::string& body) {
        Answer a = command(monitor, farm, body, kToken);
        EXPECT_EQ(a.status, 200) << body << a.body;
    };
    using Names = std::vector<std::string>;
    run(R"({"command": "move-down", "scene": "a.lws"})");
    EXPECT_EQ(queueOrder(), (Names{"b.lws", "a.lws", "c.lws"}));
    EXPECT_NE(log().find("Queue item a.lws preprioritized to 2"), std::string::npos) << log();
    run(R"({"command": "boost", "scene": "c.lws"})");
    EXPECT_EQ(queueOrder(), (Names{"c.lws", "b.lws", "a.lws"}));
    run(R"({"command": "move-up", "scene": "c.lws"})");    // the first scene stays first
    run(R"({"command": "move-down", "scene": "a.lws"})");  // the last one stays last
    EXPECT_EQ(queueOrder(), (Names{"c.lws", "b.lws", "a.lws"}));

    run(R"({"command": "mark-done", "scene": "b.lws"})");
    EXPECT_EQ(queueOrder(), (Names{"b.lws", "c.lws", "a.lws"}));
    EXPECT_EQ(farm.state.scenes[1].position, 0);
    std::string queueFile = readText(farm.state.queueFilePath);
    run(R"({"command": "move-up", "scene": "b.lws"})");  // out of the running: nothing moves
    EXPECT_EQ(readText(farm.state.queueFilePath), queueFile);

    run(R"({"command": "rescan"})");
    EXPECT_EQ(farm.state.scenes[findScene(farm.state, farm.state.scenes[3].sceneId)].position, 3);
    run(R"({"command": "remove", "scene": "a.lws"})");
    EXPECT_TRUE(fileExists(fx.queueDir + "/HasBeenRendered/a.lws"));
    EXPECT_FALSE(fileExists(fx.queueDir + "/a.lws"));
    EXPECT_EQ(queueOrder().size(), 2u);
}

TEST_F(WebMonitorTest, NodeCommandsRetireAndTakeNodesOffline) {
    farm.state.nodes[2].state = Ready;
    Answer a = command(monitor, farm, R"({"command": "retire", "node": 2})", kToken);
    EXPECT_EQ(a.status, 200) << a.body;
    EXPECT_EQ(farm.state.nodes[2].state, Retired);
    EXPECT_EQ(readText(fx.commandDir + "/job2"), "wait");
    farm.state.nodes[3].state = Ready;
    EXPECT_EQ(command(monitor, farm, R"({"command": "make-offline", "node": 3})", kToken).status,
              200);
    EXPECT_EQ(farm.state.nodes[3].state, Offline);
    EXPECT_EQ(command(monitor, farm, R"({"command": "all-offline"})", kToken).status, 200);
    EXPECT_EQ(farm.state.nodes[2].state, Offline);
    EXPECT_EQ(readText(fx.commandDir + "/job1"), "init");
}

// Each command run from the web leaves the line the window's button leaves, in order.
TEST_F(WebMonitorTest, EveryCommandLogsTheOperatorLineOfItsButton) {
    struct Case {
        const char* body;
        const char* line;  // as logged, after the time stamp
    };
    const Case cases[] = {
        {R"({"command": "go"})", "Operator: GO ! \r\n"},
        {R"({"command": "boost", "scene": "b.lws"})", "Operator: Boost to Top b.lws"},
        {R"({"command": "move-up", "scene": "c.lws"})", "Operator: Move Up c.lws"},
        {R"({"command": "move-down", "scene": "b.lws"})", "Operator: Move Down b.lws"},
        {R"({"command": "scan", "scene": "a.lws"})", "Operator: Scan Scene a.lws"},
        {R"({"command": "render-again", "scene": "a.lws", "first": 3, "last": 4})",
         "Operator: Render Again a.lws frames 3-4"},
        {R"({"command": "render-again", "scene": "c.lws"})",
         "Operator: Render Again c.lws frames 2-8"},
        {R"({"command": "rescan"})", "Operator: Re-Scan Queue"},
        {R"({"command": "retire", "node": 2})", "Operator: Retire N2"},
        {R"({"command": "make-offline", "node": 3})", "Operator: Make Offline N3"},
        {R"({"command": "all-offline"})", "Operator: Consider all nodes Offline"},
        {R"({"command": "mark-done", "scene": "a.lws"})", "Operator: Mark As Done a.lws"},
        {R"({"command": "remove", "scene": "c.lws"})", "Operator: Remove c.lws"},
    };
    size_t from = 0;
    std::set<std::string> tried;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        Answer a = command(monitor, farm, c.body, kToken);
        EXPECT_EQ(a.status, 200) << a.body;
        size_t at = log().find(c.line, from);
        ASSERT_NE(at, std::string::npos) << log().substr(from);
        from = at + 1;
        tried.insert(json::parse(c.body)["command"].get<std::string>());
    }
    for (const OperatorCommand& c : operatorCommands()) {
        EXPECT_EQ(tried.contains(std::string(c.name)), c.fromWeb) << c.name;
    }
    // A range the scene does not have is refused with the reason, and nothing is logged.
    Answer a =
        command(monitor, farm,
                R"({"command": "render-again", "scene": "b.lws", "first": 7, "last": 9})", kToken);
    EXPECT_EQ(a.status, 409);
    EXPECT_EQ(a.json()["error"], "no frame of the scene's range 1-4 lies in 7-9");
    EXPECT_EQ(log().find("Render Again b.lws"), std::string::npos);
}

TEST_F(WebMonitorTest, ACommandTheFarmDoesNotTakeIsWithdrawnAndNeverRuns) {
    // Nobody serves the commands: after its wait the client hears 503, and a later serve
    // carries nothing out.
    auto answer = std::async(std::launch::async, [&] {
        return post(monitor.port(), "/api/commands", R"({"command": "go"})",
                    {{"Authorization", std::string("Bearer ") + kToken}});
    });
    EXPECT_EQ(answer.get().status, 503);
    monitor.serveCommands(farm);
    EXPECT_TRUE(farm.state.waitingForGo);
}

TEST_F(WebMonitorTest, OnlyPagesOfThisMachineMayAskALoopbackMonitor) {
    // A name a page elsewhere can point here is refused, however much it looks like loopback.
    const std::pair<const char*, int> hosts[] = {
        {"localhost", 200},
        {"LocalHost:8080", 200},
        {"127.0.0.1", 200},
        {"127.0.0.1:8080", 200},
        {"127.12.0.255:1", 200},
        {"[::1]", 200},
        {"[::1]:8080", 200},
        {"evil.example:80", 403},
        {"127.evil.example", 403},
        {"127.0.0.1.evil.example", 403},
        {"localhost.evil.example", 403},
        {"127.0.0.256", 403},
        {"127.0.0", 403},
        {"127.0.0.01", 403},
        {"127.0.0.1:", 403},
        {"127.0.0.1:80x", 403},
        {"127.0.0.1:123456", 403},
        {"[::1].evil.example", 403},
        {"[::2]", 403},
        {"128.0.0.1", 403},
        {"", 403},
    };
    for (const auto& [host, status] : hosts) {
        SCOPED_TRACE(host);
        EXPECT_EQ(get(monitor.port(), "/api/status", {{"Host", host}}).status, status);
    }
    logLine(farm, "</script><b>forged", "");
    monitor.publish(farm);
    Answer page = get(monitor.port(), "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<title>Kestrun</title>"), std::string::npos);
    // The page comes with the status; a log line cannot end its script element.
    EXPECT_NE(page.body.find("\"file\":\"a.lws\""), std::string::npos);
    EXPECT_EQ(page.body.find("</script><b>forged"), std::string::npos);
    EXPECT_NE(page.body.find("\\u003c/script>\\u003cb>forged"), std::string::npos);
    EXPECT_EQ(get(monitor.port(), "/etc/passwd").status, 404);
    EXPECT_EQ(get(monitor.port(), "/../Kestrun.que").status, 404);
}

TEST_F(WebMonitorTest, BodiesThatCouldHideTheirSizeAreRefusedUnreadAndTheConnectionClosed) {
    // Each request is followed on its connection by a second one, which a server misreading
    // where the first body ends would answer as well.
    const std::string next =
        "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const std::string post =
        "POST /api/commands HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Authorization: Bearer " +
        std::string(kToken) + "\r\n";
    struct Case {
        const char* name;
        std::string headers;
        std::string body;
        int status;
    };
    const Case cases[] = {
        {"deflate", "Content-Encoding: deflate\r\nContent-Length: 8\r\n", "x\x9c\x03\0\0\0\0\x01",
         415},
        {"brotli", "Content-Encoding: br\r\nContent-Length: 4\r\n", "\x8b\x02\x80\x00", 415},
        {"two lengths",
         "Content-Length: 0\r\nContent-Length: " + std::to_string(next.size()) + "\r\n", next, 400},
        {"length and chunks", "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n", "0\r\n\r\n",
         400},
        {"a list as length", "Content-Length: 2, 2\r\n", "{}", 400},
        {"an unknown transfer coding", "Transfer-Encoding: gzip, chunked\r\n", "0\r\n\r\n", 501},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exchange e = exchange(monitor.port(), post + c.headers + "\r\n" + c.body + next, 3000);
        EXPECT_EQ(e.answer.rfind("HTTP/1.1 " + std::to_string(c.status) + " ", 0), 0u) << e.answer;
        EXPECT_EQ(countOf(e.answer, "HTTP/1.1"), 1) << e.answer;
        EXPECT_TRUE(e.closed);
    }
    // A body framed plainly is still read, and the next request on the connection answered.
    Exchange plain = exchange(monitor.port(), post + "Content-Length: 2\r\n\r\n{}" + next, 3000);
    EXPECT_EQ(plain.answer.rfind("HTTP/1.1 400 ", 0), 0u) << plain.answer;
    EXPECT_EQ(countOf(plain.answer, "HTTP/1.1 200 "), 1) << plain.answer;
}

TEST_F(WebMonitorTest, RangesAreIgnoredSoAnAnswerIsNeverLargerThanItsResource) {
    std::string ranges = "bytes=0-";
    for (int i = 0; i < 2500; ++i) {
        ranges += ",0-";
    }
    for (const char* path : {"/", "/api/status"}) {
        SCOPED_TRACE(path);
        Answer whole = get(monitor.port(), path);
        for (const std::string& range : {ranges, std::string("bytes=1-2")}) {
            Answer a = get(monitor.port(), path, {{"Range", range}});
            EXPECT_EQ(a.status, 200);
            EXPECT_EQ(a.body.size(), whole.body.size());
        }
    }
}

TEST_F(WebMonitorTest, OneClientCannotTakeEveryConnection) {
    // Slow requests that never end, as many as the whole server takes, from one address.
    const std::string unfinished = "GET /api/events HTTP/1.1\r\n";
    std::vector<int> held;
    for (int i = 0; i < HttpLimits{}.maxConnections; ++i) {
        held.push_back(connectTo(monitor.port()));
        ::send(held.back(), unfinished.data(), unfinished.size(), MSG_NOSIGNAL);
    }
    Exchange other = exchange(monitor.port(),
                              "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Connection: close\r\n\r\n",
                              3000, "127.0.0.2");
    EXPECT_EQ(other.answer.rfind("HTTP/1.1 200 ", 0), 0u) << other.answer;
    Exchange same = exchange(monitor.port(), "", 3000);
    EXPECT_EQ(same.answer.rfind("HTTP/1.1 503 ", 0), 0u) << same.answer;
    for (int fd : held) {
        ::close(fd);
    }
}

TEST_F(WebMonitorTest, EventsCarryTheStatusEachTimeItChanges) {
    monitor.publish(farm);
    httplib::Client c("127.0.0.1", monitor.port());
    c.set_read_timeout(20);
    std::mutex mutex;
    std::string stream;
    auto events = [&] {
        std::lock_guard lock(mutex);
        return static_cast<size_t>(countOf(stream, "event: status"));
    };
    auto reader = std::async(std::launch::async, [&] {
        c.Get("/api/events", [&](const char* data, size_t length) {
            std::lock_guard lock(mutex);
            stream.append(data, length);
            return stream.find("\"waitingForGo\":false") == std::string::npos;
        });
    });
    EXPECT_TRUE(waitFor([&] { return events() >= 1; }, 5000));
    EXPECT_EQ(events(), 1u);
    for (int i = 0; i < 3; ++i) {
        monitor.publish(farm);  // nothing changed: nothing sent
    }
    // A pause on purpose: the stream sends nothing for these publishes, so no condition marks
    // that it has taken them. Without the pause the change below could overtake them and a
    // stream that sends every publish would pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(events(), 1u);
    farm.state.waitingForGo = false;
    monitor.publish(farm);
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(events(), 2u);
}

TEST(WebMonitorStart, AnAddressBeyondLoopbackWithoutATokenServesNothing) {
    FarmFixtureOptions o;
    o.iniExtra = "[Web_Monitor]\r\nAddress=0.0.0.0\r\n";
    FarmFixture fx(o);
    ASSERT_TRUE(startFarm(*fx.farm));
    WebMonitor monitor;
    int port = freePort();
    EXPECT_FALSE(monitor.start(*fx.farm, port));
    EXPECT_EQ(connectTo(port), -1);
    EXPECT_NE(readText(fx.farm->state.logFilePath).find("not a loopback address"),
              std::string::npos);
    EXPECT_FALSE(monitor.start(*fx.farm, 0));  // port 0: off, whatever the settings say

    fx.farm->settings.Token = kToken;
    EXPECT_TRUE(monitor.start(*fx.farm, port));
    EXPECT_EQ(get(port, "/api/status").status, 200);
}

class BoundedMonitor : public WebMonitorTest {
  protected:
    static HttpLimits limits() {
        HttpLimits l;
        l.maxConnections = 3;
        l.idleTime = std::chrono::milliseconds(300);
        l.headTime = std::chrono::milliseconds(1000);
        l.requestTime = std::chrono::milliseconds(5000);
        return l;
    }
    BoundedMonitor() : WebMonitorTest(kToken, limits()) {}

    bool connectionsBecome(int n) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (monitor.openConnections() != n && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        return monitor.openConnections() == n;
    }
};

TEST_F(BoundedMonitor, RequestSizeConnectionsAndIdleTimeAreBounded) {
    Answer big = post(monitor.port(), "/api/commands", std::string(20000, ' '),
                      {{"Authorization", std::string("Bearer ") + kToken}});
    EXPECT_EQ(big.status, 413);
    Answer head = get(monitor.port(), "/api/status", {{"X-Filler", std::string(9000, 'x')}});
    EXPECT_NE(head.status, 200);

    // A connection that says nothing is closed after the idle time; one that trickles its
    // request head is closed when the head time is up, long before the request time.
    Exchange idle = exchange(monitor.port(), "", 4000);
    EXPECT_EQ(idle.answer, "");
    EXPECT_TRUE(idle.closed);
    Exchange slow = exchange(monitor.port(), "GET /api/status HTTP/1.1\r\n", 3000);
    EXPECT_EQ(slow.answer.find("200"), std::string::npos) << slow.answer;
    EXPECT_TRUE(slow.closed);

    // Requests never finished hold every connection; the connections above have ended first.
    EXPECT_TRUE(connectionsBecome(0));
    int held[3];
    for (int& fd : held) {
        fd = connectTo(monitor.port());
        ::send(fd, "GET /api/status HTTP/1.1\r\n", 26, 0);
    }
    EXPECT_TRUE(connectionsBecome(3));
    int over = connectTo(monitor.port());
    EXPECT_NE(readUntilClosed(over, 3000).find("503"), std::string::npos);
    ::close(over);
    for (int fd : held) {
        ::close(fd);
    }
}

TEST_F(BoundedMonitor, AnEventStreamWhoseClientLeftFreesItsConnectionAtTheNextTick) {
    // Each client sends a request after its event stream, which stays unread, and leaves.
    for (int i = 0; i < limits().maxConnections; ++i) {
        int fd = connectTo(monitor.port());
        std::string bytes = "GET /api/events HTTP/1.1\r\nHost: localhost\r\n\r\nGET / HTTP/1.1\r\n";
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        EXPECT_NE(readUntilClosed(fd, 3000, "event: status").find("event: status"),
                  std::string::npos);
        ::close(fd);
    }
    monitor.publish(farm);
    int status = 503;
    for (int i = 0; i < 100 && status == 503; ++i) {
        status = get(monitor.port(), "/api/status").status;
    }
    EXPECT_EQ(status, 200);
}

}  // namespace

namespace {

TEST(WebPortOption, TakesAPortFrom0To65535) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        long port;
    };
    const Case cases[] = {{{"--web-port", "8080"}, true, 8080},
                          {{"--web-port", "0"}, true, 0},
                          {{}, true, -1},
                          {{"--web-port", "65536"}, false, -1},
                          {{"--web-port", "http"}, false, -1},
                          {{"--web-port"}, false, -1}};
    for (const Case& c : cases) {
        HeadlessOptions o;
        std::string error;
        EXPECT_EQ(parseHeadlessOptions(c.args, o, error), c.ok) << error;
        if (c.ok) {
            EXPECT_EQ(o.webPort, c.port);
        }
    }
}

}  // namespace

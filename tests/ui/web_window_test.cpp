// The window's web monitor: commands from a browser or a script are carried out on the window's
// thread as its buttons do them, and refused while a box holds the farm.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <future>

#include "ui_support.h"
#include "web_support.h"

namespace {

constexpr const char* kToken = "window-token";

class WebWindow : public testing::Test {
  protected:
    static FarmFixtureOptions options() {
        FarmFixtureOptions o;
        o.iniExtra = std::string("[Web_Monitor]\r\nToken=") + kToken + "\r\n";
        return o;
    }
    void SetUp() override {
        for (const char* name : {"a.lws", "b.lws"}) {
            w.fx.addSceneFile(name, sceneText(1, 10, 1, std::string("Renders/") + name));
        }
        w.controller->setWebPort(port);
        w.start();
        ASSERT_TRUE(w.controller->webMonitor().serving());
    }
    // Posts the command and runs the window's event loop until the answer comes.
    Answer command(const std::string& body) {
        auto answer = std::async(std::launch::async, [&] {
            return post(port, "/api/commands", body,
                        {{"Authorization", std::string("Bearer ") + kToken}});
        });
        while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
            QApplication::processEvents();
        }
        return answer.get();
    }
    QStringList order() const { return w.column(queueModel(*w.view), 0); }

    int port = freePort();
    WindowFixture w{options()};
};

TEST_F(WebWindow, CommandsRunOnTheWindowsThreadAsItsButtonsDo) {
    Answer a = command(R"({"command": "move-down", "scene": "a.lws"})");
    EXPECT_EQ(a.status, 200) << a.body;
    w.controller->tick();
    EXPECT_EQ(order(), (QStringList{"b.lws", "a.lws"}));

    QPushButton* go = findButton(w.view, "GO !");
    ASSERT_TRUE(go->isEnabled());
    EXPECT_EQ(command(R"({"command": "go"})").status, 200);
    EXPECT_FALSE(w.farm().state.waitingForGo);
    EXPECT_FALSE(go->isEnabled());  // as after a click on it
}

TEST_F(WebWindow, ABoxHoldingTheFarmRefusesCommands) {
    w.farm().state.halted = true;  // as while the Configure dialog is open
    w.controller->tick();
    EXPECT_EQ(command(R"({"command": "go"})").status, 409);
    EXPECT_TRUE(w.farm().state.waitingForGo);
    w.farm().state.halted = false;
    w.controller->tick();
    EXPECT_EQ(command(R"({"command": "go"})").status, 200);
}

}  // namespace

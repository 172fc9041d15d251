// The window as the operator uses it on a farm of simulated ScreamerNet nodes (real
// kestrun-node-sim processes): nothing is handed out before GO, and after a click on "GO !"
// the queue renders to completion, shown in the Queue Status list. The nodes take longer to load
// and render than the farm's four-tick poll period, as real nodes do, so every acknowledgement
// is seen.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "engine/farm_cycle.h"
#include "node_process.h"
#include "screenshots.h"
#include "ui_support.h"

namespace {

struct Scene {
    const char* file;
    const char* prefix;
    int first, last, step;
};

const Scene kScenes[] = {{"city_flyover.lws", "flyover", 1, 24, 1},
                         {"logo_sting.lws", "sting", 1, 12, 1},
                         {"turntable.lws", "turn", 1, 30, 2}};

std::string imagePath(const FarmFixture& fx, const Scene& s, int frame) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", frame);
    return fx.contentDir + "/Renders/" + s.prefix + digits + ".TGA";
}

bool everyRowSays(const TextTableModel& model, int column, const QString& text) {
    if (model.rowCount() == 0) {
        return false;
    }
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.cell(row, column) != text) {
            return false;
        }
    }
    return true;
}

// Some scene complete, another part done and a node rendering: a picture of a farm at work.
bool midRender(const TextTableModel& farm, const TextTableModel& queue) {
    bool rendering = false;
    for (int row = 0; row < farm.rowCount(); ++row) {
        rendering = rendering || farm.cell(row, 1) == "Rendering";
    }
    bool complete = false;
    bool partial = false;
    for (int row = 0; row < queue.rowCount(); ++row) {
        QString progress = queue.cell(row, 4);
        complete = complete || progress == "Complete";
        partial = partial || (progress.startsWith('(') && !progress.startsWith("(0%)") &&
                              !progress.startsWith("(100%)"));
    }
    return rendering && complete && partial;
}

TEST(RenderWindow, GoRendersTheQueueToCompletion) {
    ensureApp();
    FarmFixtureOptions options;
    options.nodes = 3;
    FarmFixture fx(options);
    for (const Scene& s : kScenes) {
        fx.addSceneFile(s.file,
                        sceneText(s.first, s.last, s.step, std::string("Renders/") + s.prefix));
    }
    std::vector<std::unique_ptr<ChildProcess>> nodes;
    for (int n = 1; n <= options.nodes; ++n) {
        nodes.push_back(std::make_unique<ChildProcess>(
            binaryPath("kestrun-node-sim"),
            fx.nodeArgs(n, {"--render-ms", "400", "--load-ms", "1000", "--wait-pause-ms", "10"}),
            fx.dir.file("node" + std::to_string(n) + ".out")));
    }
    Clock clock;
    FarmController controller(fx.fs, clock, fx.settingsFile);
    CMainFrame frame(controller);
    CKestrunMFCView* view = frame.view();
    controller.setCycleMs(40);
    frame.show();
    controller.start();
    ASSERT_TRUE(controller.farmTimer().isActive());

    // Before GO the nodes come online but get no scene.
    ASSERT_TRUE(QTest::qWaitFor([&] { return everyRowSays(farmModel(*view), 1, "Ready"); }, 30000));
    // Two more polls of every node (each fourth tick polls).
    const int ready = controller.farm().state.tickCount;
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.farm().state.tickCount >= ready + 8; }));
    EXPECT_TRUE(everyRowSays(farmModel(*view), 3, " "));
    EXPECT_FALSE(fileExists(imagePath(fx, kScenes[0], 1)));

    findButton(view, "GO !")->click();
    bool shot = false;
    bool done = QTest::qWaitFor(
        [&] {
            if (!shot && midRender(farmModel(*view), queueModel(*view))) {
                shot = true;
                saveScreenshot(&frame, "window-rendering.png");
            }
            return everyRowSays(queueModel(*view), 4, "Complete");
        },
        120000);
    ASSERT_TRUE(done) << queueModel(*view).cell(0, 4).toStdString() << " | "
                      << queueModel(*view).cell(1, 4).toStdString() << " | "
                      << queueModel(*view).cell(2, 4).toStdString() << "\n"
                      << readText(fx.queueDir + "/Logfile.txt")
                      << "job1: " << readText(fx.commandDir + "/job1")
                      << " ack1: " << readText(fx.commandDir + "/ack1")
                      << " node1: " << readText(fx.dir.file("node1.out")) << " state "
                      << controller.farm().state.nodes[1].state << " ticks "
                      << controller.farm().state.tickCount;
    for (const Scene& s : kScenes) {
        for (int f = s.first; f <= s.last; f += s.step) {
            EXPECT_TRUE(fileExists(imagePath(fx, s, f))) << s.file << " " << f;
        }
    }
    std::string log = readText(fx.queueDir + "/Logfile.txt");
    EXPECT_EQ(countOf(log, "Scene Completed"), static_cast<int>(std::size(kScenes)));
    quitFarm(controller.farm());
}

}  // namespace

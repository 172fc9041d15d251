// The window as the README shows it, on farms set up by hand: four nodes at work on a queue
// with a finished, a rendering and a failed scene, in a light and a dark palette, and a farm of
// thirty nodes. The pictures are saved only when KESTRUN_SCREENSHOT_DIR is set
// (tests/ui/take_screenshots.sh); the checks run every time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "engine/frame_queue.h"
#include "engine/operator_commands.h"
#include "platform/fixed_text.h"
#include "screenshots.h"
#include "sim/node_files.h"
#include "ui/last_frame_pane.h"
#include "ui/palette_colours.h"
#include "ui_support.h"

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::Button, QColor(55, 55, 60));
    p.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    p.setColor(QPalette::Highlight, QColor(60, 120, 200));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(80, 80, 85));
    p.setColor(QPalette::Mid, QColor(25, 25, 28));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return p;
}

// A farm at work: scene 1 finished, scene 2 part rendered with nodes on it, scene 3 failed.
struct BusyFarm : WindowFixture {
    explicit BusyFarm(int nodes) : WindowFixture(options(nodes)) {
        fx.addSceneFile("city_flyover.lws", sceneText(1, 24, 1, "Renders/flyover"));
        fx.addSceneFile("logo_sting.lws", sceneText(1, 60, 1, "Renders/sting"));
        fx.addSceneFile("broken_save.lws", sceneText(1, 30, 1, "Renders/broken"));
        start();
        pressGo(farm());
        FarmState& s = farm().state;
        SceneEntry& city = s.scenes[entryNamed("city_flyover.lws")];
        SceneEntry& sting = s.scenes[entryNamed("logo_sting.lws")];
        int32_t stingId = sting.sceneId;
        city.position = 0;
        for (int f = 1; f <= 60; ++f) {
            bool done = f <= 21 || f == 24 || f == 27;
            setFrameCode(sting, f, done ? kFramePresent : kFrameMissing);
            setFrameCode(city, f, kFramePresent);
        }
        EXPECT_TRUE(sim::writeFrameImage(imageName(sting, 27), 27));
        int broken = entryNamed("broken_save.lws");
        failScene(s, "\nUnable to find SaveRGBBImagesPrefix!", broken);
        s.scenes[broken].position = 0;
        reorderQueue(s);
        for (int n = 1; n <= nodes; ++n) {
            NodeSlot& slot = s.nodes[n];
            slot.state = n % 4 == 0 ? Ready : (n % 4 == 3 ? WtoRender : Rendering);
            slot.sceneId = s.scenes[findScene(s, stingId)].sceneId;
            slot.frame = 27 + n;
            slot.commandTick = fx.clock.tickMs() - 1000u * static_cast<uint32_t>(20 + 7 * n);
        }
        view->refreshFarmList();
        view->refreshQueueList();
        view->refreshLogPane();
    }
    int entryNamed(const char* name) {
        const FarmState& s = farm().state;
        for (int k = 1; k <= s.sceneCount; ++k) {
            if (textOf(s.scenes[k].fileName) == name) {
                return k;
            }
        }
        ADD_FAILURE() << name;
        return 1;
    }
    static FarmFixtureOptions options(int nodes) {
        FarmFixtureOptions o;
        o.nodes = nodes;
        return o;
    }
    bool previewShown() {
        return QTest::qWaitFor([&] { return lastFrame(*view)->hasPicture(); }, 5000);
    }
};

TEST(Screenshots, FourNodesInALightAndADarkPalette) {
    BusyFarm w(4);
    w.frame->show();
    w.frame->resize(1400, 800);
    QApplication::processEvents();
    ASSERT_TRUE(w.previewShown()) << lastFrame(*w.view)->shownPath().toStdString() << " | "
                                  << lastFrame(*w.view)->caption().toStdString();
    EXPECT_EQ(lastFrame(*w.view)->caption(), "Frame 27");
    EXPECT_EQ(queueModel(*w.view).cell(0, 4), "Failed");
    saveScreenshot(w.frame.get(), "window-4-nodes-light.png");

    QPalette light = QApplication::palette();
    QString style = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(darkPalette());
    w.view->refreshQueueList();
    QApplication::processEvents();
    EXPECT_TRUE(::darkPalette(QApplication::palette()));
    QColor failed = queueModel(*w.view)
                        .data(queueModel(*w.view).index(0, 4), Qt::ForegroundRole)
                        .value<QBrush>()
                        .color();
    EXPECT_GT(failed.lightness(), 128);  // readable on the dark list
    saveScreenshot(w.frame.get(), "window-4-nodes-dark.png");
    QApplication::setPalette(light);
    QApplication::setStyle(QStyleFactory::create(style));
}

TEST(Screenshots, ThirtyNodes) {
    BusyFarm w(30);
    w.frame->show();
    w.frame->resize(1920 * 7 / 8, 1080 * 4 / 5);
    QApplication::processEvents();
    ASSERT_TRUE(w.previewShown());
    EXPECT_EQ(farmModel(*w.view).rowCount(), 30);
    saveScreenshot(w.frame.get(), "window-30-nodes.png");
}

}  // namespace

// The window as the README shows it, on farms set up by hand: four nodes at work on a queue
// with a finished, a rendering and a failed scene, in a light and a dark palette, and a farm of
// thirty nodes in a large and a small window, whose geometry is checked. The pictures are saved
// only when KESTRUN_SCREENSHOT_DIR is set (tests/ui/take_screenshots.sh); the checks run every
// time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTreeView>

#include "engine/image_scan.h"
#include "engine/operator_commands.h"
#include "platform/fixed_text.h"
#include "screenshots.h"
#include "sim/node_files.h"
#include "ui/last_frame_pane.h"
#include "ui/list_cell_delegate.h"
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

// Where a cell of a list lies beyond what its viewport shows.
std::vector<std::string> cellsOutOfView(const QTreeView* list) {
    std::vector<std::string> out;
    const QAbstractItemModel* m = list->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        for (int c = 0; c < m->columnCount(); ++c) {
            if (!list->viewport()->rect().contains(list->visualRect(m->index(r, c)))) {
                out.push_back(std::to_string(r) + "," + std::to_string(c));
            }
        }
    }
    return out;
}

// True when the widget lies wholly inside what the view's viewport shows now.
bool inView(CKestrunMFCView* view, const QWidget* w) {
    QRect at(w->mapTo(view->viewport(), QPoint(0, 0)), w->size());
    return w->isVisible() && !at.isEmpty() && view->viewport()->rect().contains(at);
}

// Thirty nodes with eight-letter names, one of them stuck, in the window at a large and at a
// small size: at the large one every node row and every column are in view and whole, and the
// queue has the rest of the height; at the small one the Last Frame group and the queue's ETA
// still show and the window itself does not scroll.
TEST(Screenshots, ThirtyNodesInALargeAndASmallWindow) {
    struct Case {
        QSize window;
        bool everyRow;
        const char* picture;
    };
    for (Case c : {Case{QSize(1600, 1000), true, "window-30-nodes.png"},
                   Case{QSize(1024, 680), false, "window-30-nodes-1024x680.png"}}) {
        SCOPED_TRACE(std::to_string(c.window.width()) + "x" + std::to_string(c.window.height()));
        BusyFarm w(30);
        for (int n = 1; n <= 30; ++n) {
            copyText(w.farm().state.nodes[n].name,
                     "render" + std::string(n < 10 ? "0" : "") + std::to_string(n));
        }
        w.farm().stats.nodes[5].stuck = true;
        w.view->refreshFarmList();
        w.frame->show();
        w.frame->resize(c.window);
        QApplication::processEvents();
        ASSERT_EQ(w.frame->size(), c.window);
        ASSERT_TRUE(w.previewShown());
        CKestrunMFCView* view = w.view;
        QTreeView* nodes = farmList(*view);
        const TextTableModel& m = farmModel(*view);
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(m.cell(4, 1), "Rendering (stuck)");
        for (int r = 0; r < m.rowCount(); ++r) {
            for (int col : {0, 1}) {  // the node's name and its stuck mark are never cut
                EXPECT_FALSE(ListCellDelegate::textIsCut(nodes, m.index(r, col)))
                    << m.cell(r, col).toStdString();
            }
        }
        EXPECT_TRUE(inView(view, lastFrame(*view)));
        EXPECT_GT(lastFrame(*view)->width(), 100);
        QTreeView* queue = queueList(*view);
        QHeaderView* header = queue->header();
        int eta = queueModel(*view).columnCount() - 1;
        EXPECT_LE(header->sectionViewportPosition(eta) + header->sectionSize(eta),
                  queue->viewport()->width());
        if (c.everyRow) {
            EXPECT_EQ(nodes->horizontalScrollBar()->maximum(), 0);
            EXPECT_EQ(nodes->verticalScrollBar()->maximum(), 0);
            EXPECT_EQ(cellsOutOfView(nodes), std::vector<std::string>());
            // The node list is no taller than its rows: the queue has what is left.
            int rowHeight = nodes->sizeHintForRow(0);
            EXPECT_LE(nodes->viewport()->height(), 31 * rowHeight);
            EXPECT_GT(queue->viewport()->height(), 4 * rowHeight);
        }
        saveScreenshot(w.frame.get(), c.picture);
    }
}

}  // namespace

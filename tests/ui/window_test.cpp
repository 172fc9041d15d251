// The window an operator lives in: what it remembers between starts, how the lists mark a
// failed scene, draw progress and show cut cells, how a node keeps its scene and frame while it
// holds one, the buttons' mnemonics and the queue-move keys, and the Last Frame pane on real
// image files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QHeaderView>
#include <QHelpEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <set>

#include "engine/farm_stats.h"
#include "engine/image_scan.h"
#include "platform/fixed_text.h"
#include "sim/node_files.h"
#include "ui/last_frame_pane.h"
#include "ui/list_cell_delegate.h"
#include "ui/palette_colours.h"
#include "ui/window_memory.h"
#include "ui_support.h"

namespace {

// A window on a queue of scenes a.lws, b.lws, ... of frames 1..10 whose images are TGAs.
struct QueuedWindow : WindowFixture {
    explicit QueuedWindow(int scenes = 2) {
        for (int i = 0; i < scenes; ++i) {
            std::string name = std::string(1, static_cast<char>('a' + i)) + ".lws";
            fx.addSceneFile(name, sceneText(1, 10, 1, "Renders/" + name.substr(0, 1)));
        }
        start();
    }
    SceneEntry& scene(int k) { return farm().state.scenes[k]; }
    std::string image(int k, int frame) { return imageName(scene(k), frame); }
};

TEST(WindowMemory, SizeSplittersAndColumnsComeBackFromTheWindowsOwnFile) {
    QueuedWindow w;
    std::string ini = readText(w.fx.settingsFile);
    w.frame->show();
    w.frame->resize(1500, 900);
    QApplication::processEvents();
    dragHandle(halves(*w.view), 1, QPoint(0, 80));
    queueList(*w.view)->setColumnWidth(0, 333);
    QApplication::processEvents();
    QList<int> moved = halves(*w.view)->sizes();
    w.frame->close();
    QString file = w.frame->memoryPath();
    EXPECT_EQ(QFileInfo(file).dir().filePath("Kestrun.ini"),
              QString::fromStdString(w.fx.settingsFile));
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(readText(w.fx.settingsFile), ini);  // the operator's file is not touched

    CMainFrame again(*w.controller);
    again.show();
    QApplication::processEvents();
    EXPECT_EQ(again.size(), QSize(1500, 900));
    EXPECT_EQ(halves(*again.view())->sizes(), moved);
    EXPECT_EQ(queueList(*again.view())->columnWidth(0), 333);
}

TEST(WindowMemory, ADamagedFileGivesAFirstRunsWindow) {
    QueuedWindow w;
    QString file = w.frame->memoryPath();
    writeText(file.toStdString(), "[Window]\nGeometry=@ByteArray(rubbish)\nHalves=3\n");
    EXPECT_TRUE(loadWindowMemory(file).topRow.isEmpty());
    CMainFrame again(*w.controller);
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(again.size(), QSize(screen.width() * 7 / 8, screen.height() * 4 / 5));
}

TEST(QueueList, AFailedSceneSaysFailedInTheErrorColourWithItsReasonOnOneLine) {
    QueuedWindow w;
    failScene(w.farm().state, "\nUnable to find SaveRGBBImagesPrefix!", 2);
    w.scene(2).position = 0;
    w.view->refreshQueueList();
    const TextTableModel& m = queueModel(*w.view);
    EXPECT_EQ(m.cell(1, 4), "Failed");
    EXPECT_EQ(m.cell(1, 10), "Unable to find SaveRGBBImagesPrefix!");
    QVariant colour = m.data(m.index(1, 4), Qt::ForegroundRole);
    EXPECT_EQ(colour.value<QBrush>().color(), errorColour(QGuiApplication::palette()));
    EXPECT_FALSE(m.data(m.index(1, 4), TextTableModel::kShareRole).isValid());
    // A live scene keeps the palette's own text colour: readable on a dark theme too.
    EXPECT_FALSE(m.data(m.index(0, 4), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(m.data(m.index(0, 0), Qt::ForegroundRole).isValid());
    // Every row keeps one line's height.
    QTreeView* list = queueList(*w.view);
    EXPECT_EQ(list->sizeHintForIndex(m.index(1, 10)).height(),
              list->sizeHintForIndex(m.index(0, 10)).height());
}

// The bar is as tall as the row, not a line under the text: its done part shows in the bar's
// colour near the top and the foot of the cell, past the text, and the rest does not.
TEST(QueueList, TheProgressCellDrawsItsDoneShareAsABar) {
    QueuedWindow w;
    for (int f = 1; f <= 10; ++f) {
        setFrameCode(w.scene(1), f, f <= 9 ? kFramePresent : kFrameMissing);
    }
    w.view->refreshQueueList();
    const TextTableModel& m = queueModel(*w.view);
    EXPECT_DOUBLE_EQ(m.data(m.index(0, 4), TextTableModel::kShareRole).toDouble(), 0.9);
    EXPECT_FALSE(m.data(m.index(1, 4), TextTableModel::kShareRole).isValid());  // not scanned

    w.frame->show();
    w.frame->resize(1400, 900);
    QTreeView* list = queueList(*w.view);
    list->setColumnWidth(4, 3 * list->fontMetrics().horizontalAdvance(m.cell(0, 4)));
    QApplication::processEvents();
    QRect cell = list->visualRect(m.index(0, 4));
    QImage picture = list->viewport()->grab().toImage();
    QRect bar = ListCellDelegate::barRect(cell, 0.9);
    QColor done = ListCellDelegate::barColour(list->palette(), false);
    auto at = [&](int x, int y) {
        return picture.pixelColor(QPoint(x, y) * picture.devicePixelRatio()).rgb();
    };
    EXPECT_GE(bar.height(), cell.height() * 2 / 3);
    int pastText = cell.left() + cell.width() * 3 / 4;  // the text takes the first third
    for (int y : {bar.top() + 1, bar.center().y(), bar.bottom() - 1}) {
        EXPECT_EQ(at(pastText, y), done.rgb()) << y;
        EXPECT_NE(at(bar.right() + 3, y), done.rgb()) << y;
    }
    EXPECT_NE(done.rgb(), list->palette().color(QPalette::Base).rgb());
}

TEST(QueueList, ACutCellShowsItsWholeTextAsATooltip) {
    QueuedWindow w;
    failScene(w.farm().state, "Frame range outside 0 to 2999, as the scene file says", 1);
    w.view->refreshQueueList();
    w.frame->show();
    QTreeView* list = queueList(*w.view);
    list->header()->setStretchLastSection(false);  // the save path, last, would fill the row
    list->setColumnWidth(10, 40);
    list->setColumnWidth(1, 80);
    QApplication::processEvents();
    const TextTableModel& m = queueModel(*w.view);
    EXPECT_TRUE(ListCellDelegate::textIsCut(list, m.index(0, 10)));
    EXPECT_FALSE(ListCellDelegate::textIsCut(list, m.index(0, 1)));

    QRect cut = list->visualRect(m.index(0, 10));
    QHelpEvent tip(QEvent::ToolTip, cut.center(), list->viewport()->mapToGlobal(cut.center()));
    QApplication::sendEvent(list->viewport(), &tip);
    EXPECT_EQ(QToolTip::text(), "Frame range outside 0 to 2999, as the scene file says");
    QToolTip::hideText();
}

TEST(FarmList, ANodeKeepsItsSceneAndFrameWhileItHoldsTheFrame) {
    QueuedWindow w;
    NodeSlot& n = w.farm().state.nodes[1];
    n.sceneId = w.scene(2).sceneId;
    n.frame = 7;
    for (int32_t state : {Loading, WLoadFirst, LoadFirst, WtoRender, Rendering}) {
        n.state = state;
        w.view->refreshFarmList();
        EXPECT_EQ(farmModel(*w.view).cell(0, 3), "b.lws") << state;
        EXPECT_EQ(farmModel(*w.view).cell(0, 4), "7") << state;
    }
    for (int32_t state : {Loaded, Ready, Offline, Retired}) {
        n.state = state;
        w.view->refreshFarmList();
        EXPECT_EQ(farmModel(*w.view).cell(0, 3), " ") << state;
    }
}

TEST(FarmList, FrameTimesFramesRenderedAStuckMarkAndTheFarmSummary) {
    QueuedWindow w;
    Farm& farm = w.farm();
    for (int f = 1; f <= 10; ++f) {
        setFrameCode(w.scene(1), f, f <= 4 ? kFramePresent : kFrameMissing);
    }
    NodeSlot& n = farm.state.nodes[1];
    n.state = Rendering;
    n.sceneId = w.scene(1).sceneId;
    n.frame = 5;
    recordFrameTime(farm, 1, 61000);
    recordFrameTime(farm, 1, 59000);
    farm.stats.nodes[2].stuck = true;
    w.view->refreshFarmList();
    w.view->refreshQueueList();
    const TextTableModel& m = farmModel(*w.view);
    EXPECT_EQ(m.cell(0, 5), QString::fromStdString(durationText(59000)));
    EXPECT_EQ(m.cell(0, 6), "2");
    EXPECT_EQ(m.cell(1, 5), "");
    EXPECT_EQ(m.cell(1, 1), "Offline (stuck)");
    EXPECT_TRUE(m.cellError(1, 1));
    EXPECT_FALSE(m.cellError(0, 1));
    // Six frames to do at a minute each on one node.
    EXPECT_EQ(queueModel(*w.view).cell(0, 11), QString::fromStdString(durationText(360000)));
    EXPECT_EQ(w.frame->farmSummary(), QString::fromStdString(farmSummaryText(farm)));
    EXPECT_TRUE(w.frame->farmSummary().startsWith("Frames 4/"))
        << w.frame->farmSummary().toStdString();
}

TEST(Buttons, EveryButtonHasAMnemonicOfItsOwn) {
    QueuedWindow w;
    std::set<QChar> keys = {'F', 'C', 'H'};  // the menu bar's
    QList<QPushButton*> buttons = w.view->findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 13);
    for (QPushButton* b : buttons) {
        int at = b->text().indexOf('&');
        ASSERT_GE(at, 0) << b->text().toStdString();
        QChar key = b->text().at(at + 1).toUpper();
        EXPECT_TRUE(keys.insert(key).second) << b->text().toStdString();
    }
}

TEST(Buttons, AltAndTheMnemonicPressesTheButton) {
    QueuedWindow w;
    w.showAndActivate();
    farmList(*w.view)->setFocus();
    QTest::keyClick(farmList(*w.view), Qt::Key_G, Qt::AltModifier);
    // A mnemonic clicks the button the way a mouse does, with its short press shown first.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.farm().state.waitingForGo; }, 2000));
    EXPECT_NE(readText(w.fx.queueDir + "/Logfile.txt").find("Operator: GO !"), std::string::npos);
}

TEST(Buttons, CtrlArrowsAndCtrlHomeMoveTheSelectedScene) {
    QueuedWindow w(3);
    w.showAndActivate();
    w.view->selectQueueRow(0);
    QTest::keyClick(queueList(*w.view), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.column(queueModel(*w.view), 0), QStringList({"b.lws", "a.lws", "c.lws"}));
    EXPECT_EQ(w.view->selectedQueueRow(), 1);
    w.view->selectQueueRow(2);
    QTest::keyClick(queueList(*w.view), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w.column(queueModel(*w.view), 0), QStringList({"c.lws", "b.lws", "a.lws"}));
    QTest::keyClick(queueList(*w.view), Qt::Key_Up, Qt::ControlModifier);  // at the top already
    EXPECT_EQ(w.column(queueModel(*w.view), 0), QStringList({"c.lws", "b.lws", "a.lws"}));
    EXPECT_EQ(w.view->selectedQueueRow(), 0);
}

bool waitForCaption(LastFramePane* pane, const QString& text) {
    return QTest::qWaitFor([&] { return pane->caption() == text; }, 5000);
}

TEST(LastFrame, ShowsTheNewestFinishedImageOfTheSelectedSceneOrTheOneRendering) {
    QueuedWindow w;
    w.frame->show();
    w.frame->resize(1500, 900);
    LastFramePane* pane = lastFrame(*w.view);
    for (int f : {2, 5}) {
        ASSERT_TRUE(sim::writeFrameImage(w.image(2, f), f));
        setFrameCode(w.scene(2), f, kFramePresent);
    }
    w.view->selectQueueRow(1);
    ASSERT_TRUE(waitForCaption(pane, "Frame 5"));
    EXPECT_TRUE(pane->hasPicture());

    // A node finishes frame 3 of scene a: with no row selected, a's newest frame shows.
    queueList(*w.view)->selectionModel()->clear();
    NodeSlot& n = w.farm().state.nodes[1];
    n.state = Rendering;
    n.sceneId = w.scene(1).sceneId;
    n.frame = 3;
    w.controller->refreshFarmList();
    ASSERT_TRUE(sim::writeFrameImage(w.image(1, 3), 3));
    setFrameCode(w.scene(1), 3, kFrameFinished);
    n.state = Ready;
    w.controller->refreshFarmList();
    EXPECT_EQ(pane->shownPath(), QString::fromStdString(w.image(1, 3)));
    ASSERT_TRUE(waitForCaption(pane, "Frame 3"));
}

TEST(LastFrame, AFormatQtCannotReadSaysSoAndAFifoNeverHoldsTheReader) {
    QueuedWindow w;
    LastFramePane* pane = lastFrame(*w.view);
    std::string iff = w.fx.contentDir + "/Renders/a0001.IFF";
    writeText(iff, "FORM....ILBM");
    pane->showFrame(QString::fromStdString(iff), 1);
    ASSERT_TRUE(waitForCaption(pane, "Frame 1: no preview for .IFF"));
    EXPECT_FALSE(pane->hasPicture());

    std::string fifo = w.fx.contentDir + "/Renders/a0002.tga";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    pane->showFrame(QString::fromStdString(fifo), 2);
    ASSERT_TRUE(waitForCaption(pane, "Frame 2: no image"));
}

TEST(LastFrame, OnlyTheNewestOfManyRequestsIsShown) {
    QueuedWindow w;
    for (int f = 1; f <= 10; ++f) {
        ASSERT_TRUE(sim::writeFrameImage(w.image(1, f), f));
    }
    LastFrameLoader loader;
    QList<int> shown;
    QObject::connect(
        &loader, &LastFrameLoader::loaded,
        [&](const QString&, int frame, const QImage&, const QString&) { shown << frame; });
    for (int f = 1; f <= 10; ++f) {
        loader.request(QString::fromStdString(w.image(1, f)), f, QSize(100, 100));
    }
    // Once the newest is shown and the loader is idle, no read is left that could show more.
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.contains(10) && !loader.busy(); }, 5000));
    EXPECT_EQ(shown, QList<int>({10}));
}

}  // namespace

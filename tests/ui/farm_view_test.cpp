// The farm view's lists and log pane on a real farm: columns, rows following the tables, cells
// rewritten only when they change, label edits refused, the log pane frozen while focused.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "report/farm_log.h"
#include "settings/settings_file.h"
#include "ui_support.h"

namespace {

QStringList titles(const QTreeView* list) {
    QStringList t;
    for (int c = 0; c < list->model()->columnCount(); ++c) {
        t << list->model()->headerData(c, Qt::Horizontal).toString();
    }
    return t;
}

TEST(FarmView, ListsHaveTheirColumnsInOrderAndEveryTitleFits) {
    WindowFixture w;
    w.start();
    EXPECT_EQ(titles(farmList(*w.view)),
              QStringList({"Node", "Status", "Elapsed Time", "Scene File", "Frame No", "Last Frame",
                           "Rendered"}));
    EXPECT_EQ(titles(queueList(*w.view)),
              QStringList({"Scene File", "First", "Last", "Step", "Progress", "Image Size", "AA",
                           "Soft", "Seg Size", "Blur", "Save Path", "ETA"}));
    for (QTreeView* list : {farmList(*w.view), queueList(*w.view)}) {
        QHeaderView* header = list->header();
        for (int c = 0; c < header->count(); ++c) {
            EXPECT_LE(header->sectionSizeHint(c), header->sectionSize(c))
                << titles(list)[c].toStdString();
        }
    }
}

TEST(FarmView, FarmListShowsEveryNodeAndShrinksWithTheNodeCount) {
    WindowFixture w;
    w.start();
    EXPECT_EQ(w.column(farmModel(*w.view), 0), QStringList({"1  PC_1", "2  PC_2", "3  PC_3"}));
    EXPECT_EQ(w.column(farmModel(*w.view), 1), QStringList({"Offline", "Offline", "Offline"}));

    // The settings file edited meanwhile, then reloaded (as Cancel in Configure does).
    std::string ini = readText(w.fx.settingsFile);
    ini.replace(ini.find("No_Of_Nodes=3"), 13, "No_Of_Nodes=1");
    writeText(w.fx.settingsFile, ini);
    loadSettings(w.farm());
    w.view->refreshFarmList();
    EXPECT_EQ(w.column(farmModel(*w.view), 0), QStringList({"1  PC_1"}));

    w.farm().settings.No_Of_Nodes = 0;
    w.view->refreshFarmList();
    EXPECT_EQ(farmModel(*w.view).rowCount(), 0);
}

TEST(FarmView, QueueListShrinksWithTheQueueAndEmptiesWithIt) {
    WindowFixture w;
    for (const char* name : {"a.lws", "b.lws", "c.lws", "d.lws", "e.lws"}) {
        w.fx.addSceneFile(name, sceneText(1, 10, 1, std::string("Renders/") + name));
    }
    w.start();
    EXPECT_EQ(w.column(queueModel(*w.view), 0),
              QStringList({"a.lws", "b.lws", "c.lws", "d.lws", "e.lws"}));
    for (const char* name : {"a.lws", "c.lws", "e.lws"}) {
        std::filesystem::remove(w.fx.queueDir + "/" + name);
    }
    checkSceneQueue(w.farm());
    w.view->refreshQueueList();
    EXPECT_EQ(w.column(queueModel(*w.view), 0), QStringList({"b.lws", "d.lws"}));

    std::filesystem::remove(w.fx.queueDir + "/b.lws");
    std::filesystem::remove(w.fx.queueDir + "/d.lws");
    checkSceneQueue(w.farm());
    w.view->refreshQueueList();
    EXPECT_EQ(queueModel(*w.view).rowCount(), 0);
}

TEST(FarmView, QueueRowShowsTheSceneSettings) {
    WindowFixture w;
    std::string text = sceneText(3, 40, 2, "Renders/shot");
    text.replace(text.find("FilterType 0"), 12, "FilterType 1");
    text.replace(text.find("Antialiasing 1"), 14, "Antialiasing 7");
    w.fx.addSceneFile("shot.lws", text);
    w.fx.addSceneFile("wide.lws", sceneText(1, 5000, 1, "Renders/wide"));
    w.start();
    const TextTableModel& q = queueModel(*w.view);
    ASSERT_EQ(q.rowCount(), 2);
    // The scene whose range the frame map cannot hold failed and sorts first.
    EXPECT_EQ(q.cell(0, 0), "wide.lws");
    EXPECT_EQ(q.cell(0, 4), "Failed");
    EXPECT_EQ(q.cell(0, 10), "Frame range outside 0 to 2999");
    EXPECT_EQ(q.cell(1, 0), "shot.lws");
    QStringList row;
    for (int c = 1; c < q.columnCount(); ++c) {
        row << q.cell(1, c);
    }
    EXPECT_EQ(row,
              QStringList({"3", "40", "2", "Not Scanned", q.cell(1, 5), "", "On", "8 Meg", "50%",
                           QString::fromStdString(w.fx.contentDir + "/Renders/shot0000.TGA"),
                           "--"}));  // no frame timed yet: no ETA
    EXPECT_FALSE(q.cell(1, 5).isEmpty());
}

TEST(FarmView, NodeRowShowsElapsedTimeAndTheSceneOnlyWhileTheNodeHoldsOne) {
    WindowFixture w;
    w.fx.addSceneFile("a.lws", sceneText(1, 10, 1, "Renders/a"));
    w.start();
    Farm& farm = w.farm();
    NodeSlot& node = farm.state.nodes[1];
    w.fx.clock.tick = node.commandTick + (25 * 3600 + 3) * 1000u;
    node.state = Rendering;
    node.sceneId = farm.state.scenes[1].sceneId;
    node.frame = 7;
    w.view->refreshFarmList();
    const TextTableModel& m = farmModel(*w.view);
    EXPECT_EQ(m.cell(0, 1), "Rendering");
    EXPECT_EQ(m.cell(0, 2), "01:00:03");
    EXPECT_EQ(m.cell(0, 3), "a.lws");
    EXPECT_EQ(m.cell(0, 4), "7");

    // The scene left the queue: the row keeps what it showed.
    node.sceneId = 4242;
    node.frame = 8;
    w.view->refreshFarmList();
    EXPECT_EQ(m.cell(0, 3), "a.lws");
    EXPECT_EQ(m.cell(0, 4), "7");

    node.state = Offline;
    w.view->refreshFarmList();
    EXPECT_EQ(m.cell(0, 3), " ");
    EXPECT_EQ(m.cell(0, 4), " ");
}

TEST(FarmView, RedrawRewritesOnlyCellsWhoseTextChanged) {
    WindowFixture w;
    w.fx.addSceneFile("a.lws", sceneText(1, 10, 1, "Renders/a"));
    w.start();
    QSignalSpy farmChanges(&farmModel(*w.view), &QAbstractItemModel::dataChanged);
    QSignalSpy queueChanges(&queueModel(*w.view), &QAbstractItemModel::dataChanged);
    w.view->refreshFarmList();
    w.view->refreshQueueList();
    EXPECT_EQ(farmChanges.count(), 0);
    EXPECT_EQ(queueChanges.count(), 0);

    w.farm().state.nodes[2].state = Ready;
    w.view->refreshFarmList();
    ASSERT_EQ(farmChanges.count(), 1);
    auto changed = farmChanges.first().first().value<QModelIndex>();
    EXPECT_EQ(changed.row(), 1);
    EXPECT_EQ(changed.column(), 1);
}

TEST(FarmView, AnEditedNodeLabelFallsBackToItsText) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    QTreeView* list = farmList(*w.view);
    QModelIndex label = farmModel(*w.view).index(1, 0);
    list->setFocus();
    list->setCurrentIndex(label);
    list->edit(label);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "label editing did not start";
    editor->selectAll();
    QTest::keyClicks(editor, "RENAMED");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(farmModel(*w.view).cell(1, 0), "2  PC_2");
    EXPECT_EQ(list->model()->data(label).toString(), "2  PC_2");
    EXPECT_EQ(w.farm().state.nodes[2].name, std::string("PC_2"));
}

TEST(FarmView, LogPaneStandsStillWhileFocusedAndCatchesUpAfter) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    QPlainTextEdit* pane = logPane(*w.view);
    EXPECT_TRUE(pane->toPlainText().contains("********* Started Kestrun!***********"));

    pane->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(w.farm().state.logFrozen);
    QString before = pane->toPlainText();
    logLine(w.farm(), "Written while the operator reads");
    w.controller->tick();
    EXPECT_EQ(pane->toPlainText(), before);

    farmList(*w.view)->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(w.farm().state.logFrozen);
    w.controller->tick();
    EXPECT_TRUE(pane->toPlainText().endsWith("Written while the operator reads "));
}

TEST(FarmView, LogPaneShowsTheNewestLine) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    for (int i = 0; i < 200; ++i) {
        logLine(w.farm(), "Line " + std::to_string(i));
    }
    w.controller->tick();
    QScrollBar* bar = logPane(*w.view)->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_FALSE(logPane(*w.view)->toPlainText().contains('\r'));
}

// The log keeps names' bytes as they came: the pane shows UTF-8 names and Latin-1 names as
// written, and a character the pane's 10,000-byte window cuts in two is left out, not garbled.
TEST(FarmView, LogPaneDecodesTheLogAsItWasWritten) {
    WindowFixture w;
    w.start();
    logLine(w.farm(), "Added Newer scene file with name", "Caf\xc3\xa9.lws");
    logLine(w.farm(), "Added Newer scene file with name", "Sz\xe8ne.lws");
    w.view->refreshLogPane();
    QString text = logPane(*w.view)->toPlainText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("name Caf\xc3\xa9.lws"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("name Sz\xc3\xa8ne.lws"))) << text.toStdString();

    // The pane shows bytes n-10000..n-3 of an n-byte log: here the window begins on the second
    // byte of a euro sign.
    const std::string last(9996, 'b');
    writeText(w.farm().state.logFilePath, "first line\r\na\xe2\x82\xac" + last + "\r\n");
    w.view->refreshLogPane();
    EXPECT_EQ(logPane(*w.view)->toPlainText(), QString::fromStdString(last));
}

TEST(FarmView, SelectingARowThatDoesNotExistChangesNoRow) {
    WindowFixture w;
    w.fx.addSceneFile("a.lws", sceneText(1, 10, 1, "Renders/a"));
    w.fx.addSceneFile("b.lws", sceneText(1, 10, 1, "Renders/b"));
    w.start();
    w.showAndActivate();
    EXPECT_EQ(w.view->selectedQueueRow(), -1);
    w.view->selectQueueRow(1);
    EXPECT_EQ(w.view->selectedQueueRow(), 1);
    EXPECT_TRUE(queueList(*w.view)->hasFocus());
    w.view->selectQueueRow(2);
    EXPECT_EQ(w.view->selectedQueueRow(), 1);
    w.view->selectNodeRow(-1);
    EXPECT_EQ(w.view->selectedNodeRow(), -1);
    EXPECT_TRUE(farmList(*w.view)->hasFocus());
}

}  // namespace

// The operator's commands, clicked in the window on a real farm: the selection they act on and
// leave behind, their edge cases at the ends of the queue, and what they do to the folders.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "free_space_file_system.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "ui/render_again_dlg.h"
#include "ui_support.h"

namespace {

class QueueWindow : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a.lws", "b.lws", "c.lws"}) {
            // Each its own images: scenes writing the same ones are refused.
            w.fx.addSceneFile(name, sceneText(1, 10, 1, std::string("Renders/") + name));
        }
        w.start();
        w.showAndActivate();
    }
    QStringList order() const { return w.column(queueModel(*w.view), 0); }
    void click(const QString& button) { findButton(w.view, button)->click(); }

    WindowFixture w;
};

struct MoveCase {
    const char* name;
    const char* button;
    int row;
    QStringList order;
    int selectedAfter;
};

class MoveCommands : public QueueWindow, public testing::WithParamInterface<MoveCase> {};

TEST_P(MoveCommands, MoveTheSceneAndTheSelectionFollows) {
    const MoveCase& c = GetParam();
    w.view->selectQueueRow(c.row);
    click(c.button);
    EXPECT_EQ(order(), c.order);
    EXPECT_EQ(w.view->selectedQueueRow(), c.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveCommands,
    testing::Values(
        MoveCase{"MoveUpOnTheFirstChangesNothing", "Move Up", 0, {"a.lws", "b.lws", "c.lws"}, 0},
        MoveCase{
            "BoostOnTheFirstChangesNothing", "Boost to Top", 0, {"a.lws", "b.lws", "c.lws"}, 0},
        MoveCase{"MoveDownOnTheLastChangesNothing", "Move Down", 2, {"a.lws", "b.lws", "c.lws"}, 2},
        MoveCase{"MoveUpTradesWithThePrevious", "Move Up", 2, {"a.lws", "c.lws", "b.lws"}, 1},
        MoveCase{"MoveDownTradesWithTheNext", "Move Down", 0, {"b.lws", "a.lws", "c.lws"}, 1},
        MoveCase{"BoostMovesToTheHead", "Boost to Top", 2, {"c.lws", "a.lws", "b.lws"}, 0}),
    [](const testing::TestParamInfo<MoveCase>& info) { return info.param.name; });

TEST_F(QueueWindow, ScenesOutOfTheRunningDoNotMove) {
    w.fx.addSceneFile("0_broken.lws", "LWSC\n3\n\nFirstFrame 1\n");
    checkSceneQueue(w.farm());
    w.view->refreshQueueList();
    // The failed scene is out of the running and stands first.
    ASSERT_EQ(order(), QStringList({"0_broken.lws", "a.lws", "b.lws", "c.lws"}));
    for (const char* button : {"Move Up", "Move Down", "Boost to Top"}) {
        w.view->selectQueueRow(0);
        click(button);
        EXPECT_EQ(order(), QStringList({"0_broken.lws", "a.lws", "b.lws", "c.lws"})) << button;
        EXPECT_EQ(w.view->selectedQueueRow(), 0) << button;
    }
}

TEST_F(QueueWindow, MarkAsDoneShowsCompleteAboveTheLiveScenesAndKeepsItSelected) {
    w.view->selectQueueRow(2);
    click("Mark As Done");
    EXPECT_EQ(order(), QStringList({"c.lws", "a.lws", "b.lws"}));
    EXPECT_EQ(queueModel(*w.view).cell(0, 4), "Complete");
    EXPECT_EQ(w.view->selectedQueueRow(), 0);
}

// Render Again asks for the frames within the scene's range and marks those the operator chose;
// a failed scene gets its reason in a box instead of the dialog.
TEST_F(QueueWindow, RenderAgainAsksForTheFramesWithinTheSceneAndMarksThem) {
    w.view->selectQueueRow(1);
    onNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<RenderAgainDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        modal->findChild<QSpinBox*>("lastFrame")->setValue(20);  // beyond the scene: its last
        modal->findChild<QSpinBox*>("firstFrame")->setValue(4);
        EXPECT_EQ(dialog->lastFrame(), 10);
        dialog->accept();
    });
    w.view->onRenderAgain();
    EXPECT_NE(w.fx.log().find("Operator: Render Again b.lws frames 4-10"), std::string::npos);
    const FarmState& s = w.farm().state;
    EXPECT_EQ(w.farm().renderAgain.at(s.scenes[2].sceneId).size(), 7u);
    EXPECT_EQ(w.view->selectedQueueRow(), 1);

    w.fx.addSceneFile("0_broken.lws", "LWSC\n3\n\nFirstFrame 1\n");
    checkSceneQueue(w.farm());
    w.view->refreshQueueList();
    w.view->selectQueueRow(0);
    auto box = answerNextBox(QMessageBox::Ok);
    w.view->onRenderAgain();
    ASSERT_TRUE(box->shown);
    EXPECT_TRUE(box->text.startsWith("0_broken.lws: the scene has failed"))
        << box->text.toStdString();
}

TEST_F(QueueWindow, ScanSceneWithoutARowScansAndSavesNothing) {
    std::string queueFile = w.fx.queueDir + "/Kestrun.que";
    std::filesystem::remove(queueFile);
    click("Scan Scene");
    EXPECT_FALSE(fileExists(queueFile));
    EXPECT_EQ(queueModel(*w.view).cell(0, 4), "Not Scanned");

    w.view->selectQueueRow(1);
    click("Scan Scene");
    EXPECT_TRUE(fileExists(queueFile));
    EXPECT_EQ(queueModel(*w.view).cell(1, 4), "(0%)");
    EXPECT_EQ(w.view->selectedQueueRow(), 1);
}

TEST_F(QueueWindow, GoStartsHandingOutWorkAndDisablesItself) {
    QPushButton* go = findButton(w.view, "GO !");
    EXPECT_TRUE(go->isEnabled());
    EXPECT_TRUE(go->isDefault());
    go->click();
    EXPECT_FALSE(w.farm().state.waitingForGo);
    EXPECT_FALSE(go->isEnabled());
    w.controller->tick();
    EXPECT_FALSE(go->isEnabled());
}

TEST_F(QueueWindow, EnterInAListPressesGo) {
    w.view->selectQueueRow(0);
    QTest::keyClick(queueList(*w.view), Qt::Key_Return);
    EXPECT_FALSE(w.farm().state.waitingForGo);
    EXPECT_FALSE(findButton(w.view, "GO !")->isEnabled());
}

TEST_F(QueueWindow, NodeCommandsActOnTheSelectedNodeAndKeepItSelected) {
    Farm& farm = w.farm();
    for (int n = 1; n <= 3; ++n) {
        farm.state.nodes[n].state = Ready;
    }
    click("Retire");  // no row selected
    EXPECT_EQ(farm.state.nodes[1].state, Ready);

    w.view->selectNodeRow(1);
    click("Retire");
    EXPECT_EQ(farm.state.nodes[2].state, Retired);
    EXPECT_EQ(readText(w.fx.commandDir + "/job2"), "wait");
    EXPECT_EQ(w.view->selectedNodeRow(), 1);
    EXPECT_TRUE(farmList(*w.view)->hasFocus());

    writeText(w.fx.commandDir + "/ack3", "Ready");
    w.view->selectNodeRow(2);
    click("Make Offline");
    EXPECT_EQ(farm.state.nodes[3].state, Offline);
    EXPECT_FALSE(fileExists(w.fx.commandDir + "/ack3"));
    EXPECT_EQ(w.view->selectedNodeRow(), 2);
}

TEST_F(QueueWindow, ConsiderAllNodesOfflineResetsTheCommandFolder) {
    Farm& farm = w.farm();
    for (int n = 1; n <= 3; ++n) {
        farm.state.nodes[n].state = Ready;
        writeText(w.fx.commandDir + "/ack" + std::to_string(n), "Ready");
    }
    findAction(w.frame.get(), "&Consider all nodes Offline")->trigger();
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(farm.state.nodes[n].state, Offline) << n;
        EXPECT_FALSE(fileExists(w.fx.commandDir + "/ack" + std::to_string(n))) << n;
        EXPECT_EQ(readText(w.fx.commandDir + "/job" + std::to_string(n)), "init") << n;
    }
}

TEST_F(QueueWindow, AddSceneCopiesIntoTheQueueFolderButNeverOntoItself) {
    std::string outside = w.fx.dir.makeDir("elsewhere") + "/new shot.lws";
    writeText(outside, sceneText(1, 5, 1, "Renders/n"));
    w.view->addSceneFile(QString::fromStdString(outside));
    EXPECT_EQ(readText(w.fx.queueDir + "/new shot.lws"), sceneText(1, 5, 1, "Renders/n"));

    std::string queued = w.fx.queueDir + "/a.lws";
    w.view->addSceneFile(QString::fromStdString(queued));
    EXPECT_EQ(readText(queued), sceneText(1, 10, 1, "Renders/a.lws"));
}

TEST_F(QueueWindow, EditSceneOpensTheQueuedFileByItsFullPath) {
    w.fx.addSceneFile("a b.lws", sceneText(1, 10, 1, "Renders/ab"));
    checkSceneQueue(w.farm());
    w.view->refreshQueueList();
    ASSERT_EQ(order().indexOf("a b.lws"), 3);
    DesktopStandIn desktop;
    click("Edit Scene");  // no row selected
    w.view->selectQueueRow(3);
    click("Edit Scene");
    ASSERT_TRUE(desktop.waitOpened(1));
    EXPECT_EQ(desktop.opened(), QStringList{QString::fromStdString(w.fx.queueDir + "/a b.lws")});
    EXPECT_EQ(w.view->selectedQueueRow(), 3);
}

TEST_F(QueueWindow, EditSceneSaysSoWhenNoApplicationOpensTheFile) {
    w.showAndActivate();
    w.view->selectQueueRow(0);
    for (bool launcher : {false, true}) {
        SCOPED_TRACE(launcher);
        NoApplicationOpens nothingOpens(launcher);
        auto box = answerNextBox(QMessageBox::Ok);
        click("Edit Scene");
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->shown; }, 10000));
        EXPECT_EQ(box->title, "KestrunMFC");
        EXPECT_EQ(box->text,
                  QString::fromStdString("No application on this desktop opens " + w.fx.queueDir +
                                         "/" + order()[0].toStdString() + "."));
        EXPECT_TRUE(box->informativeText.contains("xdg-mime"));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the box has closed
        EXPECT_EQ(w.view->selectedQueueRow(), 0);
    }
}

TEST_F(QueueWindow, RemoveTidiesTheSceneFileAndTheSceneLeavesTheQueue) {
    w.view->selectQueueRow(1);
    click("Remove");
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/HasBeenRendered/b.lws"));
    EXPECT_FALSE(fileExists(w.fx.queueDir + "/b.lws"));
    w.controller->tick();
    EXPECT_EQ(order(), QStringList({"a.lws", "c.lws"}));
}

// With every scene out of the running, Remove puts the last entry into the freed row. The list
// shows that at once, so a second quick click removes the scene the operator sees selected.
TEST_F(QueueWindow, QuickRemovesEachTakeTheSceneShownUnderTheSelection) {
    FarmState& s = w.farm().state;
    for (int k = 1; k <= s.sceneCount; ++k) {
        s.scenes[k].position = 0;
    }
    w.controller->tick();
    w.view->selectQueueRow(0);
    for (const char* shown : {"a.lws", "c.lws"}) {
        ASSERT_EQ(queueModel(*w.view).cell(w.view->selectedQueueRow(), 0), shown);
        click("Remove");
        EXPECT_TRUE(fileExists(w.fx.queueDir + "/HasBeenRendered/" + shown)) << shown;
        QStringList table;
        for (int k = 1; k <= s.sceneCount; ++k) {
            table << QString::fromStdString(std::string(textOf(s.scenes[k].fileName)));
        }
        EXPECT_EQ(order(), table);
    }
    EXPECT_EQ(order(), QStringList({"b.lws"}));
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/b.lws"));
}

TEST_F(QueueWindow, RemoveAllFilesAsksFirstWithCancelAsTheDefault) {
    QAction* removeAll = findAction(w.frame.get(), "Remove &All Files and Restart");
    auto box = answerNextBox(QMessageBox::Cancel);
    removeAll->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "Remove All Scene Files");
    EXPECT_TRUE(box->text.startsWith("WARNING: This function will remove all scene files"));
    EXPECT_EQ(box->informativeText,
              "(The files will not be deleted but copied to the HasBeenRendered directory)");
    EXPECT_EQ(box->defaultButton, QMessageBox::Cancel);
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/a.lws"));

    answerNextBox(QMessageBox::Ok);
    removeAll->trigger();
    for (const char* name : {"a.lws", "b.lws", "c.lws"}) {
        EXPECT_TRUE(fileExists(w.fx.queueDir + "/HasBeenRendered/" + name)) << name;
        EXPECT_FALSE(fileExists(w.fx.queueDir + "/" + name)) << name;
    }
    w.controller->tick();
    EXPECT_EQ(queueModel(*w.view).rowCount(), 0);
}

TEST_F(QueueWindow, TidyAwayMovesOnlyScenesOutOfTheRunning) {
    w.view->selectQueueRow(1);
    click("Mark As Done");
    findAction(w.frame.get(), "&Tidy Away All Rendered Files")->trigger();
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/HasBeenRendered/b.lws"));
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/a.lws"));
    EXPECT_TRUE(fileExists(w.fx.queueDir + "/c.lws"));
}

TEST_F(QueueWindow, AFarmErrorIsAStopBoxUnderTheApplicationsTitle) {
    writeText(w.fx.queueDir + "/HasBeenRendered", "a file where the folder should be");
    w.view->selectQueueRow(0);
    click("Mark As Done");
    auto box = answerNextBox(QMessageBox::Ok);
    findAction(w.frame.get(), "&Tidy Away All Rendered Files")->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "KestrunMFC");
    EXPECT_EQ(box->icon, QMessageBox::Critical);
    EXPECT_EQ(box->text, "Couldn't tidy scene files");
}

FarmFixtureOptions lowDiskLimit() {
    FarmFixtureOptions options;
    options.freeSpaceMinimum = 10;
    return options;
}

TEST(Halted, CommandsAreDisabledWhileTheFreeSpaceBoxIsUp) {
    FreeSpaceFileSystem disk;
    disk.answers = {0};  // a full disk
    WindowFixture w(lowDiskLimit(), &disk);
    w.fx.addSceneFile("a.lws", sceneText(1, 10, 1, w.fx.contentDir + "/Renders/a"));
    std::vector<std::string> seen;
    onNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.push_back(box->windowTitle().toStdString());
        for (const char* button : {"GO !", "Re-Scan Queue", "Remove", "Clear Log"}) {
            if (findButton(w.view, button)->isEnabled()) {
                seen.push_back(std::string(button) + " enabled");
            }
        }
        for (const char* item : {"&Configure Kestrun", "Add &Scene File"}) {
            if (findAction(w.frame.get(), item)->isEnabled()) {
                seen.push_back(std::string(item) + " enabled");
            }
        }
        disk.answers.clear();
        box->button(QMessageBox::Retry)->click();
    });
    w.start();
    EXPECT_EQ(seen, std::vector<std::string>({"Kestrun HALTED!"}));
    EXPECT_FALSE(w.farm().state.halted);
    EXPECT_TRUE(findButton(w.view, "GO !")->isEnabled());
    EXPECT_TRUE(findButton(w.view, "Remove")->isEnabled());
    EXPECT_TRUE(findAction(w.frame.get(), "&Configure Kestrun")->isEnabled());
}

TEST(Halted, CancelAtTheFreeSpaceBoxAsksToQuit) {
    FreeSpaceFileSystem disk;
    disk.answers = {0};  // a full disk
    WindowFixture w(lowDiskLimit(), &disk);
    w.fx.addSceneFile("a.lws", sceneText(1, 10, 1, w.fx.contentDir + "/Renders/a"));
    auto box = answerNextBox(QMessageBox::Cancel);
    w.controller->start();
    EXPECT_TRUE(box->shown);
    EXPECT_TRUE(w.controller->quitWasRequested());
    EXPECT_FALSE(w.controller->farmTimer().isActive());
}

}  // namespace

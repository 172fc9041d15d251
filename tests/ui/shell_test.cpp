// The application shell on a real farm: start-up, the not-configured notice, the
// already-running question, the ways out (Quit, the stop signals) and the Quit steps, the
// caption, the status-bar prompts, the About box and Help.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <optional>

#include "engine/operator_commands.h"
#include "platform/little_endian.h"
#include "ui/kestrun_app.h"
#include "ui/resources.h"
#include "ui/shell_dialogs.h"
#include "ui_support.h"

namespace {

QApplication& qapp() {
    ensureApp();
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

// The running flag at the start of the queue file; nothing when there is no queue file.
std::optional<int32_t> runningFlag(const FarmFixture& fx) {
    std::string path = fx.queueDir + "/Kestrun.que";
    if (!fileExists(path)) {
        return std::nullopt;
    }
    std::string bytes = readText(path);
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    return getLeI32(reinterpret_cast<const unsigned char*>(bytes.data()));
}

bool logHas(const FarmFixture& fx, const std::string& text) {
    std::string path = fx.queueDir + "/Logfile.txt";
    return fileExists(path) && readText(path).find(text) != std::string::npos;
}

struct App {
    explicit App(FarmFixtureOptions options = {})
        : fx(std::move(options)), app(qapp(), fx.fs, fx.clock, fx.settingsFile) {}
    FarmFixture fx;
    CKestrunMFCApp app;
};

TEST(Shell, StartsTheFarmShowsTheWindowAndEndsWithTheQuitSteps) {
    App a;
    a.app.initInstance();
    CMainFrame* frame = a.app.mainFrame();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "Kestrun");
    EXPECT_EQ(a.app.document().title(), "Idle");
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frame->size(), QSize(screen.width() * 7 / 8, screen.height() * 4 / 5));
    EXPECT_EQ(a.app.controller()->farmTimer().interval(), 1000);
    EXPECT_TRUE(a.app.controller()->lookTimer().isActive());
    EXPECT_EQ(a.app.controller()->lookTimer().interval(), 100);
    EXPECT_EQ(runningFlag(a.fx), -1);

    EXPECT_EQ(a.app.exitInstance(), 0);
    EXPECT_EQ(runningFlag(a.fx), 0);
    EXPECT_TRUE(logHas(a.fx, "********* Quitted Kestrun!***********"));
    EXPECT_EQ(readText(a.fx.commandDir + "/job1"), "wait");
}

TEST(Shell, QuitFromTheMenuEndsTheEventLoopAndRunsTheQuitSteps) {
    App a;
    bool stuck = false;
    QTimer::singleShot(200, [&] { findAction(a.app.mainFrame(), "&Quit ")->trigger(); });
    QTimer::singleShot(20000, [&] {
        stuck = true;
        QApplication::quit();
    });
    EXPECT_EQ(a.app.run(), 0);
    EXPECT_FALSE(stuck);
    EXPECT_FALSE(a.app.mainFrame()->isVisible());
    EXPECT_EQ(runningFlag(a.fx), 0);
}

// Quit and the close box ask first while a node holds a frame; the close of a stop signal,
// with no one to ask, does not.
TEST(Shell, QuitWhileNodesRenderAsksTheOperatorFirst) {
    struct Case {
        const char* how;
        int32_t nodeState;
        QMessageBox::StandardButton answer;  // NoButton: no box expected
        bool closed;
    };
    const Case cases[] = {
        {"menu", Ready, QMessageBox::NoButton, true},
        {"menu", Rendering, QMessageBox::No, false},
        {"menu", Loading, QMessageBox::Yes, true},
        {"close box", Rendering, QMessageBox::No, false},
        {"close box", Rendering, QMessageBox::Yes, true},
        {"stop signal", Rendering, QMessageBox::NoButton, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.how) + " " + std::to_string(c.nodeState));
        WindowFixture w;
        w.start();
        w.showAndActivate();
        w.farm().state.nodes[2].state = c.nodeState;
        std::shared_ptr<BoxSeen> box;
        if (c.answer != QMessageBox::NoButton) {
            box = answerNextBox(c.answer);
        }
        if (std::string(c.how) == "menu") {
            findAction(w.frame.get(), "&Quit ")->trigger();
        } else if (std::string(c.how) == "close box") {
            w.frame->close();
        } else {
            w.frame->closeWithoutAsking();
        }
        if (box) {
            EXPECT_TRUE(box->shown);
            EXPECT_EQ(box->text, "1 node is loading or rendering. Quit Kestrun?");
            EXPECT_EQ(box->defaultButton, QMessageBox::No);
        }
        EXPECT_EQ(!w.frame->isVisible(), c.closed);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

class StopSignal : public testing::TestWithParam<int> {};

TEST_P(StopSignal, ClosesTheWindowAsItsCloseBoxDoes) {
    App a;
    a.app.initInstance();
    ASSERT_TRUE(a.app.mainFrame()->isVisible());
    ::kill(::getpid(), GetParam());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !a.app.mainFrame()->isVisible(); }, 10000));
    a.app.exitInstance();
    EXPECT_EQ(runningFlag(a.fx), 0);
    EXPECT_TRUE(logHas(a.fx, "Quitted Kestrun!"));
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == SIGTERM ? "Sigterm" : "Sigint";
                         });

TEST(Shell, WithoutLwCfgTheNoticeIsShownAndNothingOfAFarmIsWritten) {
    FarmFixtureOptions options;
    options.writeLwCfg = false;
    App a(options);
    QString title;
    onNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        EXPECT_NE(qobject_cast<CNotConfiguredDlg*>(modal), nullptr);
        findButton(modal, "OK")->click();
    });
    a.app.initInstance();
    EXPECT_EQ(title, "Kestrun - is not configured");
    EXPECT_TRUE(a.app.controller()->quitWasRequested());
    EXPECT_FALSE(a.app.mainFrame()->isVisible());
    EXPECT_FALSE(a.app.controller()->farmTimer().isActive());
    a.app.exitInstance();
    EXPECT_EQ(runningFlag(a.fx), std::nullopt);
    EXPECT_FALSE(fileExists(a.fx.queueDir + "/Logfile.txt"));
    EXPECT_FALSE(fileExists(a.fx.commandDir + "/job1"));
}

TEST(Shell, NoToTheAlreadyRunningQuestionLeavesTheFarmAsItWas) {
    App a;
    {
        // A run that never reached its Quit steps.
        CKestrunMFCApp crashed(qapp(), a.fx.fs, a.fx.clock, a.fx.settingsFile);
        crashed.initInstance();
    }
    ASSERT_EQ(runningFlag(a.fx), -1);
    auto box = answerNextBox(QMessageBox::No);
    a.app.initInstance();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "KestrunMFC");
    EXPECT_EQ(box->icon, QMessageBox::Critical);
    EXPECT_EQ(
        box->text,
        "The file KESTRUN.QUE shows that Kestrun is already Running. Do you want to proceed?");
    EXPECT_TRUE(a.app.controller()->quitWasRequested());
    EXPECT_FALSE(a.app.controller()->farmTimer().isActive());
    a.app.exitInstance();
    EXPECT_EQ(runningFlag(a.fx), -1);
    EXPECT_FALSE(logHas(a.fx, "Quitted Kestrun!"));

    answerNextBox(QMessageBox::Yes);
    CKestrunMFCApp yes(qapp(), a.fx.fs, a.fx.clock, a.fx.settingsFile);
    yes.initInstance();
    EXPECT_TRUE(yes.mainFrame()->isVisible());
    yes.exitInstance();
    EXPECT_EQ(runningFlag(a.fx), 0);
}

TEST(Shell, MenuPromptsShowInTheStatusBarUntilTheMenuCloses) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    QAction* quit = findAction(w.frame.get(), "&Quit ");
    quit->showStatusText(w.frame.get());
    EXPECT_EQ(w.frame->statusText(), "Quit Kestrun; ");
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(w.frame.get(), &leave);
    EXPECT_EQ(w.frame->statusText(), "Quit Kestrun; ");
    auto* file = qobject_cast<QMenu*>(quit->parent());
    ASSERT_NE(file, nullptr);
    file->popup(w.frame->mapToGlobal(QPoint(10, 10)));
    file->hide();
    EXPECT_EQ(w.frame->statusText(), "For Help, press F1");
    w.controller->showStatus("Building frame queue");
    EXPECT_EQ(w.frame->statusText(), "Building frame queue");
}

TEST(Shell, AboutBoxShowsTheVersionAndTheBitmap) {
    App a;
    a.app.initInstance();
    QStringList texts;
    bool bitmap = false;
    bool defaultButton = false;
    QString title;
    onNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>()) {
            if (label->pixmap().isNull()) {
                texts << label->text();
            } else {
                bitmap = label->pixmap().width() == 48;
            }
        }
        QPushButton* grateful = findButton(modal, "I am grateful");
        defaultButton = grateful->isDefault();
        grateful->click();
    });
    findAction(a.app.mainFrame(), "&About Kestrun")->trigger();
    EXPECT_EQ(title, "About Kestrun");
    EXPECT_TRUE(texts.contains("Kestrun Version  BETA 0.91"));
    EXPECT_TRUE(texts.contains("Lightwave is a trademark of NewTek inc."));
    EXPECT_TRUE(bitmap);
    EXPECT_TRUE(defaultButton);
    a.app.exitInstance();
}

TEST(Shell, HelpOpensTheManual) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    DesktopStandIn desktop;
    findAction(w.frame.get(), "&Help Topics")->trigger();
    QTest::keyClick(w.frame.get(), Qt::Key_F1);
    ASSERT_TRUE(desktop.waitOpened(2));
    QStringList opened = desktop.opened();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], opened[1]);
    std::string manual = opened[0].toStdString();
    EXPECT_TRUE(manual.ends_with("/MANUAL.md"));
    EXPECT_EQ(readText(manual).rfind("# Kestrun", 0), 0u);
}

// With no xdg-open, and with one that finds no application (it says why only on its error
// output), the operator is told in a box, by the menu and by F1 alike.
TEST(Shell, HelpSaysSoWhenNoApplicationOpensTheManual) {
    WindowFixture w;
    w.start();
    w.showAndActivate();
    for (bool launcher : {false, true}) {
        NoApplicationOpens nothingOpens(launcher);
        for (bool byKey : {false, true}) {
            SCOPED_TRACE(std::to_string(launcher) + std::to_string(byKey));
            auto box = answerNextBox(QMessageBox::Ok);
            w.showAndActivate();  // the window again, after the last box
            if (byKey) {
                QTest::keyClick(w.frame.get(), Qt::Key_F1);
            } else {
                findAction(w.frame.get(), "&Help Topics")->trigger();
            }
            ASSERT_TRUE(QTest::qWaitFor([&] { return box->shown; }, 10000));
            EXPECT_TRUE(box->text.startsWith("No application on this desktop opens /"))
                << box->text.toStdString();
            EXPECT_TRUE(box->text.endsWith("/MANUAL.md.")) << box->text.toStdString();
            EXPECT_EQ(box->informativeText.contains("no method available"), launcher)
                << box->informativeText.toStdString();
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        }
    }
}

TEST(Shell, TheBuiltInManualIsTheOneInDocs) {
    ensureApp();
    initResources();
    QFile builtIn(":/kestrun/MANUAL.md");
    ASSERT_TRUE(builtIn.open(QIODevice::ReadOnly));
    EXPECT_EQ(builtIn.readAll().toStdString(),
              readText(std::string(KESTRUN_SOURCE_DIR) + "/docs/MANUAL.md"));
}

// The farm belongs to the controller, not to the window: with the window gone first, a box the
// farm raises stands on its own and the Quit steps still run.
TEST(Shell, TheFarmOutlivesItsWindow) {
    WindowFixture w;
    w.fx.addSceneFile("a.lws", sceneText(1, 3, 1, "Renders/a"));
    w.start();
    w.frame.reset();
    writeText(w.fx.queueDir + "/HasBeenRendered", "a file where the folder should be");
    auto box = answerNextBox(QMessageBox::Ok);
    EXPECT_TRUE(w.controller->runCommand([&] {
        markAsDone(w.farm(), 1);
        tidyAwayAll(w.farm());
    }));
    EXPECT_TRUE(box->shown);
    EXPECT_EQ(box->text, "Couldn't tidy scene files");
    w.controller->finish();
    EXPECT_EQ(runningFlag(w.fx), 0);
    EXPECT_TRUE(logHas(w.fx, "Quitted Kestrun!"));
}

}  // namespace

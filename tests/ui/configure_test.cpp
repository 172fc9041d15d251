// The Configure and Name Node dialogs on a started farm: validation that keeps the dialog open
// and writes nothing, folders that cannot be written refused, Cancel undoing what the dialog
// changed in memory, OK saving it, and the stuck-node, notify and web monitor fields within the
// settings file's limits.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "platform/fixed_text.h"
#include "report/farm_log.h"
#include "settings/settings_file.h"
#include "ui/configure_dlg.h"
#include "ui/name_node_dlg.h"
#include "ui_support.h"

namespace {

class Configure : public testing::Test {
  protected:
    void SetUp() override {
        w.start();
        iniBefore = readText(w.fx.settingsFile);
        dialog = std::make_unique<CConfigureDlg>(w.farm(), w.frame.get());
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    void TearDown() override {
        if (dialog->isVisible()) {
            dialog->reject();
        }
    }
    void pressOk() { findButton(dialog.get(), "OK")->click(); }
    void pressCancel() { findButton(dialog.get(), "Cancel")->click(); }
    void renameNode(int row, const QString& name) {
        auto* nodes = named<QTreeWidget>(*dialog, "nodeList");
        nodes->setCurrentItem(nodes->topLevelItem(row));
        onNextModal([name](QWidget* modal) {
            auto* nameDialog = qobject_cast<CNameNodeDlg*>(modal);
            ASSERT_NE(nameDialog, nullptr);
            nameDialog->nameBox()->setText(name);
            findButton(nameDialog, "OK")->click();
        });
        findButton(dialog.get(), "Change Node Name")->click();
    }
    std::string ini() const { return readText(w.fx.settingsFile); }

    WindowFixture w;
    std::string iniBefore;
    std::unique_ptr<CConfigureDlg> dialog;
};

// A number box of the dialog given a value it refuses: the box's object name, what is typed,
// the message shown.
struct LimitCase {
    const char* field;
    const char* typed;
    const char* message;
};

class NumberLimit : public Configure, public testing::WithParamInterface<LimitCase> {};

TEST_P(NumberLimit, KeepsTheDialogOpenAndWritesNothing) {
    QLineEdit* box = named<QLineEdit>(*dialog, GetParam().field);
    box->setText(GetParam().typed);
    auto seen = answerNextBox(QMessageBox::Ok);
    pressOk();
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->text, GetParam().message);
    EXPECT_EQ(seen->title, "KestrunMFC");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->focusWidget(), box);
    EXPECT_TRUE(w.farm().state.halted);
    EXPECT_EQ(ini(), iniBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, NumberLimit,
    testing::Values(LimitCase{"nodeCount", "0", "Please enter an integer between 1 and 100."},
                    LimitCase{"nodeCount", "101", "Please enter an integer between 1 and 100."},
                    LimitCase{"nodeCount", "-4", "Please enter an integer between 1 and 100."},
                    LimitCase{"nodeCount", "abc", "Please enter an integer."},
                    LimitCase{"nodeCount", "5 nodes", "Please enter an integer."},
                    LimitCase{"nodeCount", "", "Please enter an integer."},
                    LimitCase{"stuckMinutes", "-1", "Please enter an integer between 0 and 9999."},
                    LimitCase{"stuckMinutes", "soon", "Please enter an integer."},
                    LimitCase{"webPort", "65536", "Please enter an integer between 0 and 65535."},
                    LimitCase{"webPort", "", "Please enter an integer."}),
    [](const testing::TestParamInfo<LimitCase>& info) {
        return std::string(info.param.field) + "_" + std::to_string(info.index);
    });

struct FolderCase {
    const char* name;
    std::string (*folder)(const FarmFixture&);
};

class UnwritableQueueFolder : public Configure, public testing::WithParamInterface<FolderCase> {};

TEST_P(UnwritableQueueFolder, IsRefusedAndNothingChanges) {
    std::string folder = GetParam().folder(w.fx);
    named<QLineEdit>(*dialog, "queueDir")->setText(QString::fromStdString(folder));
    auto box = answerNextBox(QMessageBox::Ok);
    pressOk();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, "Queue Directory does not exist");
    EXPECT_EQ(box->icon, QMessageBox::Critical);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(w.farm().settings.Scene_Queue_Dir, w.fx.queueDir);
    EXPECT_EQ(ini(), iniBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnwritableQueueFolder,
    testing::Values(
        FolderCase{"Missing", [](const FarmFixture& f) { return f.dir.file("no such folder"); }},
        FolderCase{"BelowARegularFile",
                   [](const FarmFixture& f) {
                       writeText(f.dir.file("plain"), "x");
                       return f.dir.file("plain/queue");
                   }},
        // An existing folder in which nobody, root included, can create a file.
        FolderCase{"ReadOnlyFileSystem", [](const FarmFixture&) { return std::string("/proc"); }}),
    [](const testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

TEST_F(Configure, BadCommandFolderLeavesTheNewQueueFolderInMemoryUntilCancel) {
    std::string newQueue = w.fx.dir.makeDir("queue2");
    named<QLineEdit>(*dialog, "queueDir")->setText(QString::fromStdString(newQueue));
    named<QLineEdit>(*dialog, "commandDir")->setText("/proc");
    auto box = answerNextBox(QMessageBox::Ok);
    pressOk();
    EXPECT_EQ(box->text, "Screamernet Directory does not exist");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(w.farm().settings.Scene_Queue_Dir, newQueue);
    pressCancel();
    EXPECT_EQ(w.farm().settings.Scene_Queue_Dir, w.fx.queueDir);
    EXPECT_FALSE(w.farm().state.halted);
    EXPECT_EQ(ini(), iniBefore);
}

TEST_F(Configure, CancelUndoesOptionsAndNamesAndTheMethodIsOnlyShown) {
    named<QRadioButton>(*dialog, "beepError")->click();
    EXPECT_EQ(w.farm().settings.Beep_error, 0);
    EXPECT_FALSE(named<QRadioButton>(*dialog, "beepError")->isChecked());
    // The farm renders the absent frames only: the dialog offers no method it does not follow.
    QComboBox* method = named<QComboBox>(*dialog, "method");
    EXPECT_EQ(method->count(), 1);
    EXPECT_EQ(method->currentText(), "Render All Absent Frames");
    EXPECT_FALSE(method->isEnabled());
    renameNode(1, "ALPHA");
    EXPECT_EQ(textOf(w.farm().state.nodes[2].name), "ALPHA");

    pressCancel();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(w.farm().settings.Beep_error, 1);
    EXPECT_EQ(w.farm().settings.Method, 2);
    EXPECT_EQ(textOf(w.farm().state.nodes[2].name), "PC_2");
    EXPECT_FALSE(w.farm().state.halted);
    EXPECT_EQ(ini(), iniBefore);
}

TEST_F(Configure, OptionFlippedTwiceSavesItsFormerValue) {
    named<QRadioButton>(*dialog, "autoFix")->click();
    named<QRadioButton>(*dialog, "autoFix")->click();
    named<QRadioButton>(*dialog, "beepCompletion")->click();
    pressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_NE(ini().find("Auto_fix=1"), std::string::npos);
    EXPECT_NE(ini().find("Beep_compl=0"), std::string::npos);
    EXPECT_FALSE(w.farm().state.halted);
}

TEST_F(Configure, RenamedNodeShowsAtOnceAndOkWritesIt) {
    renameNode(1, "ALPHA");
    EXPECT_EQ(named<QTreeWidget>(*dialog, "nodeList")->topLevelItem(1)->text(0), "2  ALPHA");
    pressOk();
    EXPECT_NE(ini().find("Node2=ALPHA\r\n"), std::string::npos) << ini();
    EXPECT_NE(ini().find("Node1=PC_1\r\n"), std::string::npos);
}

TEST_F(Configure, OkWithANewQueueFolderSendsTheLogThere) {
    std::string newQueue = w.fx.dir.makeDir("queue2");
    named<QLineEdit>(*dialog, "queueDir")->setText(QString::fromStdString(newQueue));
    pressOk();
    EXPECT_FALSE(dialog->isVisible());
    logLine(w.farm(), "After the move");
    EXPECT_NE(readText(newQueue + "/Logfile.txt").find("After the move"), std::string::npos);
    EXPECT_NE(ini().find("PATH=" + newQueue), std::string::npos);
}

TEST_F(Configure, FarmStandsStillWhileOpen) {
    int ticks = w.farm().state.tickCount;
    w.controller->tick();
    EXPECT_EQ(w.farm().state.tickCount, ticks);
    EXPECT_FALSE(findButton(w.view, "GO !")->isEnabled());
    dialog->close();  // the close box cancels
    EXPECT_FALSE(w.farm().state.halted);
    w.controller->tick();
    EXPECT_EQ(w.farm().state.tickCount, ticks + 1);
}

void setMapping(QTableWidget* table, int row, const QString& node, const QString& local) {
    table->item(row, 0)->setText(node);
    table->item(row, 1)->setText(local);
}

QStringList mappingRows(const QTableWidget* table) {
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        rows << table->item(row, 0)->text() + "=" + table->item(row, 1)->text();
    }
    return rows;
}

TEST_F(Configure, PathMappingsAreSavedOnOkAndShownAgain) {
    std::string local = w.fx.dir.makeDir("farm share");
    findButton(dialog.get(), "Add")->click();
    setMapping(named<QTableWidget>(*dialog, "pathMap"), 0, "Q:\\", QString::fromStdString(local));
    findButton(dialog.get(), "Add")->click();
    setMapping(named<QTableWidget>(*dialog, "pathMap"), 1, "", "");  // an empty row is no mapping
    pressOk();
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(w.farm().settings.pathMap.size(), 1u);
    EXPECT_NE(ini().find("Node_Path1=Q:\\\r\n"), std::string::npos) << ini();
    EXPECT_NE(ini().find("Local_Path1=" + local + "\r\n"), std::string::npos) << ini();

    CConfigureDlg again(w.farm(), w.frame.get());
    EXPECT_EQ(mappingRows(named<QTableWidget>(again, "pathMap")),
              QStringList({"Q:\\=" + QString::fromStdString(local)}));
    named<QTableWidget>(again, "pathMap")->setCurrentCell(0, 0);
    findButton(&again, "Remove")->click();
    again.accept();
    EXPECT_TRUE(w.farm().settings.pathMap.empty());
    loadSettings(w.farm());
    EXPECT_TRUE(w.farm().settings.pathMap.empty()) << ini();
}

struct MappingCase {
    const char* name;
    const char* node;
    const char* local;  // relative to the fixture's folder
    const char* message;
};

class PathMappingValidation : public Configure, public testing::WithParamInterface<MappingCase> {};

TEST_P(PathMappingValidation, KeepsTheDialogOpenAndWritesNothing) {
    w.fx.dir.makeDir("share");
    findButton(dialog.get(), "Add")->click();
    setMapping(named<QTableWidget>(*dialog, "pathMap"), 0, GetParam().node,
               QString::fromStdString(w.fx.dir.file(GetParam().local)));
    auto box = answerNextBox(QMessageBox::Ok);
    pressOk();
    ASSERT_TRUE(box->shown);
    EXPECT_TRUE(box->text.startsWith(GetParam().message)) << box->text.toStdString();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(w.farm().settings.pathMap.empty());
    EXPECT_EQ(ini(), iniBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathMappingValidation,
    testing::Values(MappingCase{"NoNodePath", "", "share", "Path mapping 1 has no node path."},
                    MappingCase{"LocalPathMissing", "Q:\\", "missing",
                                "Path mapping 1: the local path"},
                    MappingCase{"LocalPathNotAFolder", "Q:\\", "Kestrun.ini",
                                "Path mapping 1: the local path"}),
    [](const testing::TestParamInfo<MappingCase>& info) { return info.param.name; });

TEST_F(Configure, AFailedOkAppliesNoMapping) {
    findButton(dialog.get(), "Add")->click();
    setMapping(named<QTableWidget>(*dialog, "pathMap"), 0, "Q:\\",
               QString::fromStdString(w.fx.dir.path()));
    named<QLineEdit>(*dialog, "queueDir")->setText("/proc");
    answerNextBox(QMessageBox::Ok);
    pressOk();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(w.farm().settings.pathMap.empty());
}

struct FieldCase {
    const char* name;  // the box's object name
    const char* typed;
    const char* saved;  // the line OK writes into Kestrun.ini
};

class NewSettingsField : public Configure, public testing::WithParamInterface<FieldCase> {};

TEST_P(NewSettingsField, ShowsTheSettingAndOkSavesWhatWasTyped) {
    QLineEdit* box = named<QLineEdit>(*dialog, GetParam().name);
    ASSERT_NE(box, nullptr);
    box->setText(GetParam().typed);
    pressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_NE(ini().find(std::string("\r\n") + GetParam().saved + "\r\n"), std::string::npos)
        << ini();
    CConfigureDlg again(w.farm(), w.frame.get());
    EXPECT_EQ(named<QLineEdit>(again, GetParam().name)->text().toStdString(),
              std::string(GetParam().saved).substr(std::string(GetParam().saved).find('=') + 1));
    again.reject();
}

INSTANTIATE_TEST_SUITE_P(Fields, NewSettingsField,
                         testing::Values(FieldCase{"stuckMinutes", "45", "Stuck_Minutes=45"},
                                         FieldCase{"stuckMinutes", " 0 ", "Stuck_Minutes=0"},
                                         FieldCase{"notifyCommand", "/usr/local/bin/farm notify",
                                                   "Notify_Command=/usr/local/bin/farm notify"},
                                         FieldCase{"webPort", "8080", "Port=8080"},
                                         FieldCase{"webAddress", "0.0.0.0", "Address=0.0.0.0"},
                                         FieldCase{"webToken", "s3cret", "Token=s3cret"}),
                         [](const testing::TestParamInfo<FieldCase>& info) {
                             return std::string(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST_F(Configure, NewFieldsKeepToWhatTheSettingsFileHolds) {
    EXPECT_EQ(named<QLineEdit>(*dialog, "stuckMinutes")->text(), "30");
    EXPECT_EQ(named<QLineEdit>(*dialog, "webAddress")->text(), "127.0.0.1");
    // Longer text would be cut when read back: the boxes take no more than the file keeps.
    EXPECT_EQ(named<QLineEdit>(*dialog, "stuckMinutes")->maxLength(), 4);
    EXPECT_EQ(named<QLineEdit>(*dialog, "notifyCommand")->maxLength(), 259);
    EXPECT_EQ(named<QLineEdit>(*dialog, "webPort")->maxLength(), 5);
    EXPECT_EQ(named<QLineEdit>(*dialog, "webToken")->maxLength(), 128);
    // Each caption's mnemonic puts the cursor in its box.
    QLineEdit* command = named<QLineEdit>(*dialog, "notifyCommand");
    QTest::keyClick(dialog.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(dialog->focusWidget(), command);
    named<QLineEdit>(*dialog, "stuckMinutes")->setText("7");
    pressCancel();
    EXPECT_EQ(w.farm().settings.Stuck_Minutes, 30);
    EXPECT_EQ(ini(), iniBefore);
}

TEST(ConfigureNodeList, ShowsEachNodesState) {
    WindowFixture w;
    w.start();
    NodeSlot* nodes = w.farm().state.nodes;
    nodes[1].state = Rendering;
    nodes[2].state = WtoRender;
    nodes[3].state = WLoadFirst;
    CConfigureDlg dialog(w.farm());
    QStringList rows;
    for (int i = 0; i < named<QTreeWidget>(dialog, "nodeList")->topLevelItemCount(); ++i) {
        rows << named<QTreeWidget>(dialog, "nodeList")->topLevelItem(i)->text(0) + "|" +
                    named<QTreeWidget>(dialog, "nodeList")->topLevelItem(i)->text(1);
    }
    EXPECT_EQ(rows, QStringList({"1  PC_1|Rendering", "2  PC_2|Wait Render", "3  PC_3|Wait Load"}));
    dialog.reject();
}

TEST(ConfigureNodeCount, ArrowKeysStepTheNumberWithinItsRange) {
    WindowFixture w;
    w.start();
    CConfigureDlg dialog(w.farm());
    QLineEdit* count = named<QLineEdit>(dialog, "nodeCount");
    EXPECT_EQ(count->text(), "3");
    QTest::keyClick(count, Qt::Key_Up);
    EXPECT_EQ(count->text(), "4");
    count->setText("1");
    QTest::keyClick(count, Qt::Key_Down);
    EXPECT_EQ(count->text(), "1");
    dialog.reject();
}

TEST(NameNode, KeepsWhatANodesNameHolds) {
    ensureApp();
    CNameNodeDlg dialog("PC_1");
    QTest::keyClicks(dialog.nameBox(), QString(30, 'x'));
    EXPECT_EQ(dialog.name().size(), 23);
    // Characters of two bytes each: 11 fit in 23 bytes.
    dialog.nameBox()->setText(QString(12, QChar(0xE9)));
    EXPECT_EQ(dialog.name(), QString(11, QChar(0xE9)));
}

}  // namespace

// The settings file: defaults of a new file, read limits and bounds, saving into a hand-edited
// file, the path map, and where the file lives.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/fixed_text.h"
#include "platform/profile.h"
#include "settings/settings_table.h"
#include "tests/support/test_farm.h"

namespace {

const char kDefaultFile[] =
    "[Scene_Queue_Dir]\r\nPATH=\\\r\n\r\n"
    "[Screamer_Command_Dir]\r\nPATH=\\\r\n\r\n"
    "[Config_Dir]\r\nPATH=\\\r\n\r\n"
    "[Free_Space_Minimum]\r\nMegs=0\r\n\r\n"
    "[Installed_Nodes]\r\nNo_Of_Nodes=5\r\n\r\n"
    "[Node_Names]\r\nNode1=PC_1\r\nNode2=PC_2\r\nNode3=PC_3\r\nNode4=PC_4\r\nNode5=PC_5\r\n\r\n"
    "[Render_Method]\r\nMethod=2\r\nScenes_At_Once=1\r\n\r\n"
    "[Options]\r\nBeep_error=1\r\nBeep_compl=1\r\nAuto_fix=1\r\nCycle_time=1\r\n"
    "Ack_Look_ms=100\r\nStuck_Minutes=30\r\nStuck_Hand_Back=1\r\nNotify_Command=\r\n\r\n"
    "[Web_Monitor]\r\nPort=0\r\nAddress=127.0.0.1\r\nToken=\r\n";

TEST(SettingsFile, FirstStartWritesEveryDefaultInOrderAndIsNotConfigured) {
    TestFarm t;
    t.farm.settingsFile = t.dir.file("home/.config/Kestrun.ini");  // folders not there yet
    EXPECT_FALSE(initSettings(t.farm));
    EXPECT_EQ(t.settingsText(), kDefaultFile);
    struct stat st {};
    ASSERT_EQ(::stat(t.farm.settingsFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "others could read the web monitor's token";
    EXPECT_EQ(t.host.statuses, std::vector<std::string>{"Initialising"});
    EXPECT_EQ(t.farm.settings.No_Of_Nodes, 5);
    EXPECT_EQ(textOf(t.farm.state.nodes[5].name), "PC_5");
    EXPECT_EQ(t.farm.settings.Config_Dir, "\\");
}

TEST(SettingsFile, AnExistingFileIsNotRewrittenAtStart) {
    TestFarm t;
    t.writeSettings("[Options]\nCycle_time=4\n");
    initSettings(t.farm);
    EXPECT_EQ(t.settingsText(), "[Options]\nCycle_time=4\n");
    EXPECT_EQ(t.farm.settings.Cycle_time, 4);
    EXPECT_EQ(t.farm.settings.No_Of_Nodes, 5);  // missing key: its default
}

struct NumberCase {
    const char* name;
    const char* file;
    int32_t FarmSettings::*field;
    int32_t expected;
};

const NumberCase kNumbers[] = {
    {"Cycle_time keeps 2 characters", "[Options]\nCycle_time=120\n", &FarmSettings::Cycle_time, 12},
    {"Megs keeps 3 characters", "[Free_Space_Minimum]\nMegs=1000\n",
     &FarmSettings::Free_Space_Minimum, 100},
    {"negative Megs counts as no check", "[Free_Space_Minimum]\nMegs=-5\n",
     &FarmSettings::Free_Space_Minimum, 0},
    {"No_Of_Nodes above 30 is 30", "[Installed_Nodes]\nNo_Of_Nodes=45\n",
     &FarmSettings::No_Of_Nodes, 30},
    {"No_Of_Nodes below 0 is no nodes", "[Installed_Nodes]\nNo_Of_Nodes=-3\n",
     &FarmSettings::No_Of_Nodes, 0},
    {"text that is no number is 0", "[Render_Method]\nMethod=x1\n", &FarmSettings::Method, 0},
    {"sign and digits", "[Options]\nBeep_compl=-1\n", &FarmSettings::Beep_compl, -1},
    {"missing Method is 2", "", &FarmSettings::Method, 2},
    {"missing Scenes_At_Once is 1", "", &FarmSettings::Scenes_At_Once, 1},
    {"missing Auto_fix is 1", "[Options]\n", &FarmSettings::Auto_fix, 1},
    {"missing Stuck_Minutes is 30", "", &FarmSettings::Stuck_Minutes, 30},
    {"Stuck_Minutes keeps 4 characters", "[Options]\nStuck_Minutes=123456\n",
     &FarmSettings::Stuck_Minutes, 1234},
    {"negative Stuck_Minutes is off", "[Options]\nStuck_Minutes=-5\n", &FarmSettings::Stuck_Minutes,
     0},
    {"missing Stuck_Hand_Back hands stuck work back", "", &FarmSettings::Stuck_Hand_Back, 1},
    {"Stuck_Hand_Back 0 only reports", "[Options]\nStuck_Hand_Back=0\n",
     &FarmSettings::Stuck_Hand_Back, 0},
    {"missing Ack_Look_ms is 100", "", &FarmSettings::Ack_Look_ms, 100},
    {"Ack_Look_ms above a minute is a minute", "[Options]\nAck_Look_ms=99999\n",
     &FarmSettings::Ack_Look_ms, 60000},
    {"negative Ack_Look_ms is no look", "[Options]\nAck_Look_ms=-1\n", &FarmSettings::Ack_Look_ms,
     0},
    {"missing Port is off", "", &FarmSettings::Port, 0},
    {"Port keeps 5 characters", "[Web_Monitor]\nPort=808080\n", &FarmSettings::Port, 65535},
    {"negative Port is off", "[Web_Monitor]\nPort=-80\n", &FarmSettings::Port, 0},
};

TEST(SettingsFile, NumbersAreCutToTheirReadLimitAndBounded) {
    for (const NumberCase& c : kNumbers) {
        SCOPED_TRACE(c.name);
        TestFarm t;
        t.writeSettings(c.file);
        loadSettings(t.farm);
        EXPECT_EQ(t.farm.settings.*c.field, c.expected);
    }
}

TEST(SettingsFile, NodeNamesAreCutToEightAndDefaultToTheirNumber) {
    TestFarm t;
    copyText(t.farm.state.nodes[4].name, "kept");
    t.writeSettings(
        "[Installed_Nodes]\r\nNo_Of_Nodes=3\r\n[Node_Names]\r\nnode1=TwelveChars!\r\n"
        "Node2=PC_2\r\nNode4=Other\r\n");
    loadSettings(t.farm);
    EXPECT_EQ(textOf(t.farm.state.nodes[1].name), "TwelveCh");
    EXPECT_EQ(textOf(t.farm.state.nodes[2].name), "PC_2");
    EXPECT_EQ(textOf(t.farm.state.nodes[3].name), "3");
    EXPECT_EQ(textOf(t.farm.state.nodes[4].name), "kept");  // above No_Of_Nodes: not touched
}

TEST(SettingsFile, ThirtyNodesAreSavedForFortyFive) {
    TestFarm t;
    t.writeSettings("[Installed_Nodes]\r\nNo_Of_Nodes=45\r\n");
    loadSettings(t.farm);
    t.farm.settings.No_Of_Nodes = 45;  // as if set in memory beyond the table
    saveSettings(t.farm, false);
    EXPECT_EQ(t.farm.settings.No_Of_Nodes, 30);
    EXPECT_EQ(profileLookup(t.settingsText(), "Installed_Nodes", "No_Of_Nodes"), "30");
    EXPECT_EQ(profileLookup(t.settingsText(), "Node_Names", "Node30"), "30");
    EXPECT_EQ(profileLookup(t.settingsText(), "Node_Names", "Node31"), std::nullopt);
}

TEST(SettingsFile, ASaveKeepsCommentsBlankLinesAndUnknownKeys) {
    const std::string before =
        "; Kestrun settings, edited by hand\r\n"
        "[Scene_Queue_Dir]\r\nPATH=/farm/queue\r\n\r\n"
        "[Screamer_Command_Dir]\r\nPATH=/farm/command\r\n"
        "[Config_Dir]\r\nPATH=/farm/config\r\n"
        "[Free_Space_Minimum]\r\nMegs=50\r\n"
        "[Installed_Nodes]\r\nNo_Of_Nodes=2\r\n"
        "[node_names]\r\n; the two render boxes\r\nNode1=alpha\r\nnode2=beta\r\n\r\n"
        "[Render_Method]\r\nMethod=0\r\nScenes_At_Once=1\r\nFuture_Key=yes\r\n"
        "[Options]\r\nBeep_error=0\r\nBeep_compl=0\r\nAuto_fix=0\r\nCycle_time = 5\r\n"
        "[My_Notes]\r\nwho=render team\r\n";
    TestFarm t;
    t.writeSettings(before);
    loadSettings(t.farm);
    t.farm.settings.Cycle_time = 3;
    copyText(t.farm.state.nodes[2].name, "gamma");
    saveSettings(t.farm, false);

    std::string expected = before;
    expected.replace(expected.find("node2=beta"), 10, "node2=gamma");
    // Keys the file lacked are added at the end of their section.
    expected.replace(expected.find("Cycle_time = 5"), 14,
                     "Cycle_time =3\r\nAck_Look_ms=100\r\nStuck_Minutes=30\r\nStuck_Hand_Back=1\r\n"
                     "Notify_Command=");
    // A section the file lacked is added at its end.
    expected += "\r\n[Web_Monitor]\r\nPort=0\r\nAddress=127.0.0.1\r\nToken=\r\n";
    EXPECT_EQ(t.settingsText(), expected);
    EXPECT_EQ(t.farm.state.logFilePath, "/farm/queue/Logfile.txt");
    EXPECT_EQ(t.farm.state.queueFilePath, "/farm/queue/Kestrun.que");
    EXPECT_EQ(t.farm.settings.lwCfgPath, "/farm/config/lw.cfg");
}

TEST(SettingsFile, MissingKeysAreAddedInTheFilesOwnLineEnds) {
    TestFarm t;
    t.writeSettings("[Installed_Nodes]\nNo_Of_Nodes=1\n[Options]\nCycle_time=2\n");
    loadSettings(t.farm);
    saveSettings(t.farm, false);
    std::string text = t.settingsText();
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("[Options]\nCycle_time=2\nBeep_error=1\n"), std::string::npos);
    EXPECT_NE(text.find("[Node_Names]\nNode1=1\n"), std::string::npos);
}

TEST(SettingsFile, SavingMovesTheLogButNotLwCfgUntilTheNextLoad) {
    TestFarm t;
    t.writeSettings("[Config_Dir]\nPATH=/old/config\n");
    loadSettings(t.farm);
    t.farm.settings.Scene_Queue_Dir = "/new/queue";
    t.farm.settings.Config_Dir = "/new/config";
    saveSettings(t.farm, false);
    EXPECT_EQ(t.farm.state.logFilePath, "/new/queue/Logfile.txt");
    EXPECT_EQ(t.farm.settings.lwCfgPath, "/old/config/lw.cfg");
    loadSettings(t.farm);
    EXPECT_EQ(t.farm.settings.lwCfgPath, "/new/config/lw.cfg");
}

TEST(SettingsFile, AFileThatCannotBeReadIsNotOverwritten) {
    TestFarm t;
    t.dir.makeDir("Kestrun.ini");
    saveSettings(t.farm, true);
    EXPECT_TRUE(t.fs.isDirectory(t.farm.settingsFile));
}

TEST(SettingsFile, PathMapAndOutputRootsRoundTrip) {
    TestFarm t;
    t.writeSettings(
        "[Path_Map]\r\nNode_Path1=Q:\\\r\nLocal_Path1=/srv/farm\r\n"
        "Node_Path3=R:\\renders\r\nLocal_Path3=/srv/renders\r\n"
        "[Output_Roots]\r\nRoot2=/srv/out\r\nRoot4=/mnt/renders\r\n");
    loadSettings(t.farm);
    ASSERT_EQ(t.farm.settings.pathMap.size(), 2u);
    EXPECT_EQ(t.farm.settings.pathMap[0].nodePath, "Q:\\");
    EXPECT_EQ(t.farm.settings.pathMap[0].localPath, "/srv/farm");
    EXPECT_EQ(t.farm.settings.pathMap[1].nodePath, "R:\\renders");

    t.farm.settings.pathMap.erase(t.farm.settings.pathMap.begin());
    saveSettings(t.farm, false);
    std::string text = t.settingsText();
    EXPECT_EQ(profileLookup(text, "Path_Map", "Node_Path1"), "R:\\renders");
    EXPECT_EQ(profileLookup(text, "Path_Map", "Local_Path1"), "/srv/renders");
    EXPECT_EQ(profileLookup(text, "Path_Map", "Node_Path2"), std::nullopt);
    EXPECT_EQ(profileLookup(text, "Path_Map", "Node_Path3"), "");
    EXPECT_EQ(profileLookup(text, "Path_Map", "Local_Path3"), "");

    loadSettings(t.farm);
    ASSERT_EQ(t.farm.settings.pathMap.size(), 1u);
    EXPECT_EQ(t.farm.settings.pathMap[0].localPath, "/srv/renders");

    // Output roots are kept in file order, written again as Root1..n, a stale key emptied.
    EXPECT_EQ(t.farm.settings.outputRoots, (std::vector<std::string>{"/srv/out", "/mnt/renders"}));
    t.farm.settings.outputRoots.pop_back();
    saveSettings(t.farm, false);
    text = t.settingsText();
    EXPECT_EQ(profileLookup(text, "Output_Roots", "Root1"), "/srv/out");
    EXPECT_EQ(profileLookup(text, "Output_Roots", "Root2"), "");
    EXPECT_EQ(profileLookup(text, "Output_Roots", "Root4"), "");
    loadSettings(t.farm);
    EXPECT_EQ(t.farm.settings.outputRoots, std::vector<std::string>{"/srv/out"});
}

TEST(SettingsFile, NoPathMapMeansNoMappingAndNoSection) {
    TestFarm t;
    t.farm.settings.pathMap.push_back({"stale", "stale"});
    t.writeSettings("[Options]\r\nCycle_time=1\r\n");
    loadSettings(t.farm);
    EXPECT_TRUE(t.farm.settings.pathMap.empty());
    saveSettings(t.farm, false);
    EXPECT_EQ(t.settingsText().find("Path_Map"), std::string::npos);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = old ? old : "";
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    bool had_;
    std::string old_;
};

TEST(SettingsFile, TheFileLivesInTheUsersConfigFolderAndIsCreatedThere) {
    TestFarm t;
    ScopedEnv home("HOME", "/home/op");
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        ScopedEnv config("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(defaultSettingsPath(), "/home/op/.config/Kestrun.ini");
    }
    ScopedEnv config("XDG_CONFIG_HOME", t.dir.file("xdg").c_str());
    EXPECT_EQ(defaultSettingsPath(), t.dir.file("xdg/Kestrun.ini"));
    t.farm.settingsFile = defaultSettingsPath();
    initSettings(t.farm);
    EXPECT_EQ(readText(t.dir.file("xdg/Kestrun.ini")), kDefaultFile);
}

TEST(SettingsFile, AFolderIsWritableOnlyWhenAFileCanBeMadeThere) {
    TestFarm t;
    const std::string dir = t.dir.makeDir("probed");
    EXPECT_TRUE(directoryWritable(t.fs, dir));
    std::vector<DirEntry> left;
    ASSERT_TRUE(t.fs.listDirectory(dir, left));
    EXPECT_TRUE(left.empty()) << "the probe file stayed";
    EXPECT_FALSE(directoryWritable(t.fs, t.dir.file("missing")));
}

// The shipped sample must hold every key that loading reads, each within its read limit, so an
// operator copying it gets what it says.
TEST(SettingsFile, TheSampleFileHoldsEveryKeyWithinItsLimit) {
    TestFarm t;
    const std::string sample = readText(KESTRUN_SOURCE_DIR "/docs/Kestrun.ini");
    ASSERT_FALSE(sample.empty());
    for (const SettingKey& row : allSettingKeys()) {
        SCOPED_TRACE(std::string(row.section) + "/" + std::string(row.key));
        std::optional<std::string> value = profileLookup(sample, row.section, row.key);
        ASSERT_TRUE(value.has_value());
        EXPECT_LE(value->size(), row.limit);
    }
    t.writeSettings(sample);
    loadSettings(t.farm);
    for (int i = 1; i <= t.farm.settings.No_Of_Nodes; ++i) {
        EXPECT_TRUE(profileLookup(sample, kNodeNamesSection, nodeNameKey(i)).has_value()) << i;
    }
    ASSERT_EQ(t.farm.settings.pathMap.size(), 1u);
    EXPECT_EQ(t.farm.settings.pathMap[0].nodePath, "Q:\\");
    EXPECT_EQ(t.farm.settings.pathMap[0].localPath, "/srv/farm");
}

}  // namespace

// A mixed farm on one machine: scenes made on Windows (save prefixes on Q:\ and a share, a
// content folder Q:\content in lw.cfg) rendered by simulated nodes that see the farm's folders
// through the reverse mapping, the way Windows nodes see a Linux controller's share.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "platform/fixed_text.h"
#include "scenario_support.h"

namespace {

constexpr const char* kShare = "\\\\server\\share";

struct MappedFarm : ScenarioFarm {
    MappedFarm() : ScenarioFarm(options()) {
        root = fixture.dir.path();
        share = fixture.dir.makeDir("share");
        // The mapped folders are where the nodes save, so they are output roots too.
        writeText(fixture.settingsFile,
                  fixture.iniText() + "[Path_Map]\r\nNode_Path1=" + kShare + "\r\nLocal_Path1=" +
                      share + "\r\nNode_Path2=Q:\\" + "\r\nLocal_Path2=" + root +
                      "\r\n[Output_Roots]\r\nRoot1=" + share + "\r\nRoot2=" + root + "\r\n");
    }
    static FarmFixtureOptions options() {
        FarmFixtureOptions o;
        o.nodes = 2;
        o.contentDirectory = "Q:\\content";
        return o;
    }
    // A node that, like a Windows node, knows only Q:\ paths and the share.
    void startMappedNode(int n) {
        startNode(n, {"--content-dir", "Q:\\content", "--path-map",
                      std::string(kShare) + "=" + share, "--path-map", "Q:\\=" + root});
    }
    std::string image(const std::string& folder, int frame) const {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04d", frame);
        return folder + digits + ".TGA";
    }
    // Every "load" command node n was given, as it read it from its job file.
    std::vector<std::string> loads(int n) const {
        std::istringstream out(readText(fixture.dir.file("node" + std::to_string(n) + ".out")));
        std::string prefix = "node " + std::to_string(n) + ": load ";
        std::vector<std::string> found;
        for (std::string line; std::getline(out, line);) {
            if (line.starts_with(prefix)) {
                found.push_back(line.substr(prefix.size() - 5));
            }
        }
        return found;
    }

    std::string root;
    std::string share;
};

TEST(MappedFarm, WindowsScenesRenderToCompletionUnderTheLocalFolders) {
    MappedFarm f;
    f.fixture.addSceneFile("a_abs.lws", sceneText(1, 4, 1, "Q:\\renders\\abs"));
    f.fixture.addSceneFile("b_rel.lws", sceneText(1, 4, 1, "Renders\\rel", true));
    f.fixture.addSceneFile("c_unc.lws", sceneText(1, 3, 1, std::string(kShare) + "\\out\\unc"));
    f.fixture.addSceneFile("d_unmapped.lws", sceneText(1, 3, 1, "R:\\elsewhere\\shot"));
    f.startMappedNode(1);
    f.startMappedNode(2);

    // The job file of a loading node holds the scene as the node names it.
    std::set<std::string> jobsSeen;
    auto farm = f.startHeadless({"--go", "--until-done", "--cycle-ms", "50"});
    bool ended = waitFor(
        [&] {
            for (int n : {1, 2}) {
                std::string job =
                    fileExists(f.fixture.commandDir + "/job" + std::to_string(n)) ? f.job(n) : "";
                if (job.starts_with("load ")) {
                    jobsSeen.insert(job);
                }
            }
            return !farm->running();
        },
        90000);
    ASSERT_TRUE(ended) << f.log() << readText(f.fixture.dir.file("node1.out"));
    // d_unmapped.lws cannot be rendered: --until-done ends saying a scene failed.
    ASSERT_EQ(farm->wait(0), 4) << f.output();
    EXPECT_NE(f.output().find("Failed scenes: d_unmapped.lws\n"), std::string::npos) << f.output();

    for (int frame = 1; frame <= 4; ++frame) {
        EXPECT_TRUE(fileExists(f.image(f.root + "/renders/abs", frame))) << frame;
        EXPECT_TRUE(fileExists(f.image(f.fixture.contentDir + "/Renders/rel", frame))) << frame;
    }
    for (int frame = 1; frame <= 3; ++frame) {
        EXPECT_TRUE(fileExists(f.image(f.share + "/out/unc", frame))) << frame;
    }

    const std::set<std::string> expected = {
        "load Q:\\queue\\a_abs.lws", "load Q:\\queue\\b_rel.lws", "load Q:\\queue\\c_unc.lws"};
    std::set<std::string> given;
    for (int n : {1, 2}) {
        for (const std::string& load : f.loads(n)) {
            given.insert(load);
        }
    }
    EXPECT_EQ(given, expected);
    EXPECT_FALSE(jobsSeen.empty());
    for (const std::string& job : jobsSeen) {
        EXPECT_TRUE(expected.contains(job)) << job;
    }

    std::string log = f.log();
    EXPECT_EQ(countOf(log, "********* Scene Completed !***********"), 3) << log;
    EXPECT_EQ(countOf(log, "********* Problem Frame***********"), 0) << log;
    EXPECT_NE(log.find("Assigned file a_abs.lws to PC_"), std::string::npos) << log;

    QueueFile q = f.queue();
    std::map<std::string, std::string> outputPaths;
    for (const SceneEntry& e : q.entries) {
        outputPaths[std::string(textOf(e.fileName))] = textOf(e.outputPath);
        EXPECT_EQ(e.position, 0) << textOf(e.fileName);
    }
    const std::map<std::string, std::string> expectedPaths = {
        {"a_abs.lws", f.root + "/renders/abs0000.TGA"},
        {"b_rel.lws", f.fixture.contentDir + "/Renders/rel0000.TGA"},
        {"c_unc.lws", f.share + "/out/unc0000.TGA"},
        {"d_unmapped.lws", "No path mapping for R:\\"},
    };
    EXPECT_EQ(outputPaths, expectedPaths);
}

}  // namespace

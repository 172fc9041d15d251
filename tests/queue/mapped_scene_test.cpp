// Scenes made on Windows read on a farm with a path map: their save prefixes, absolute or
// relative to a Windows content folder, become folders of this machine, and a prefix no pair
// covers fails the scene with what the operator has to map.
#include <gtest/gtest.h>

#include <vector>

#include "platform/fixed_text.h"
#include "queue/scene_reader.h"
#include "tests/support/farm_fixture.h"

namespace {

struct MappedCase {
    const char* name;
    std::vector<PathMapping> map;  // local paths relative to the fixture's folder
    std::string content;           // ContentDirectory as lw.cfg gives it
    std::string prefix;            // SaveRGBImagesPrefix
    std::string outputPath;        // relative to the fixture's folder; empty when it fails
    std::string failure;
};

const std::vector<PathMapping> kDrive = {{"Q:\\", "farm"}};

const std::vector<MappedCase> kCases = {
    {"absolute drive prefix", kDrive, "Q:\\content", "Q:\\renders\\shot",
     "farm/renders/shot0000.TGA", ""},
    {"drive letter in another case", kDrive, "Q:\\content", "q:\\Renders\\shot",
     "farm/Renders/shot0000.TGA", ""},
    {"relative to a Windows content folder", kDrive, "Q:\\content", "Renders\\shot",
     "farm/content/Renders/shot0000.TGA", ""},
    {"leading backslash, content folder ending in one", kDrive, "Q:\\content\\", "\\Renders\\shot",
     "farm/content/Renders/shot0000.TGA", ""},
    // The prefix is joined to the content folder before mapping, so a pair for a folder inside
    // the content folder is seen.
    {"pair inside the content folder first",
     {{"Q:\\content\\Renders", "fast"}, {"Q:\\", "farm"}},
     "Q:\\content",
     "Renders\\shot",
     "fast/shot0000.TGA",
     ""},
    {"share",
     {{"\\\\server\\share\\", "share"}},
     "Q:\\content",
     "\\\\SERVER\\share\\out\\shot",
     "share/out/shot0000.TGA",
     ""},
    {"drive no pair covers", kDrive, "Q:\\content", "R:\\renders\\shot", "",
     "No path mapping for R:\\"},
    {"share no pair covers", kDrive, "Q:\\content", "\\\\other\\films\\shot", "",
     "No path mapping for \\\\other\\films"},
    {"content folder no pair covers",
     {{"\\\\server\\share", "share"}},
     "P:\\content",
     "Renders\\shot",
     "",
     "No path mapping for P:\\"},
    {"no map, Windows content folder",
     {},
     "Q:\\content",
     "Renders\\shot",
     "",
     "No path mapping for Q:\\"},
    {"no map, drive prefix",
     {},
     "Q:\\content",
     "Q:\\renders\\shot",
     "",
     "No path mapping for Q:\\"},
};

// Reads one scene with the case's map and content folder; the fixture's folder stands for the
// local side of every pair, and each is an output root, as the nodes' shares are.
SceneEntry readMapped(const MappedCase& c) {
    FarmFixture fx;
    Farm& farm = *fx.farm;
    for (const PathMapping& m : c.map) {
        farm.settings.pathMap.push_back({m.nodePath, fx.dir.makeDir(m.localPath)});
        farm.settings.outputRoots.push_back(fx.dir.file(m.localPath));
    }
    farm.settings.ContentDirectory = c.content;
    fx.addSceneFile("shot.lws", sceneText(1, 3, 1, c.prefix));
    SceneEntry& e = farm.state.scenes[1];
    copyText(e.fileName, "shot.lws");
    e.position = 1;
    farm.state.sceneCount = 1;
    readSceneFile(farm, 1);
    SceneEntry out = e;
    std::string local(textOf(out.outputPath));
    if (local.starts_with(fx.dir.path() + "/")) {
        copyText(out.outputPath, local.substr(fx.dir.path().size() + 1));
    }
    return out;
}

TEST(MappedScene, SavePrefixesBecomeLocalFoldersOrFailWithWhatToMap) {
    for (const MappedCase& c : kCases) {
        SCOPED_TRACE(c.name);
        SceneEntry e = readMapped(c);
        if (c.failure.empty()) {
            EXPECT_EQ(textOf(e.outputPath), c.outputPath);
            EXPECT_EQ(e.position, 1);
            EXPECT_EQ(e.problemCount, 0);
        } else {
            EXPECT_EQ(textOf(e.outputPath), c.failure);
            EXPECT_EQ(e.position, 0);
            EXPECT_EQ(e.problemCount, 33);
        }
    }
}

// The folder the mapped prefix names is made below its output root, as for any save prefix, so
// the nodes' first image has somewhere to go.
TEST(MappedScene, TheMappedSaveFolderIsCreated) {
    FarmFixture fx;
    Farm& farm = *fx.farm;
    std::string local = fx.dir.makeDir("farm");
    farm.settings.pathMap = {{"Q:\\", local}};
    farm.settings.outputRoots = {local};
    fx.addSceneFile("shot.lws", sceneText(1, 3, 1, "Q:\\renders\\new\\shot"));
    copyText(farm.state.scenes[1].fileName, "shot.lws");
    farm.state.sceneCount = 1;
    readSceneFile(farm, 1);
    EXPECT_EQ(textOf(farm.state.scenes[1].outputPath), local + "/renders/new/shot0000.TGA");
    EXPECT_TRUE(fx.fs.isDirectory(local + "/renders/new"));
}

}  // namespace

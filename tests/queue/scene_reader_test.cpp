#include "queue/scene_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/fixed_text.h"
#include "queue/save_path.h"
#include "tests/support/farm_fixture.h"

namespace {

// A LightWave 3 scene as LightWave writes one, with the lines the reader looks for.
const std::vector<std::string> kSceneLines = {"LWSC",
                                              "3",
                                              "",
                                              "FirstFrame 1",
                                              "LastFrame 60",
                                              "FrameStep 1",
                                              "PreviewFirstFrame 1",
                                              "PreviewLastFrame 60",
                                              "PreviewFrameStep 1",
                                              "FramesPerSecond 30",
                                              "",
                                              "LoadObjectLayer 1 Objects/box.lwo",
                                              "ShowObject 6 3",
                                              "ObjectMotion",
                                              "NumChannels 9",
                                              "Channel 0",
                                              "{ Envelope",
                                              "  1",
                                              "  Key 0 0 0 0 0 0 0 0 0",
                                              "  Behaviors 1 1",
                                              "}",
                                              "",
                                              "AmbientColor 1 1 1",
                                              "Resolution 1",
                                              "PixelAspectRatio 0",
                                              "Antialiasing 2",
                                              "AdaptiveSampling 1",
                                              "FilterType 1",
                                              "SegmentMemory 8000000",
                                              "MotionBlur 1",
                                              "BlurLength 0.5",
                                              "",
                                              "RenderMode 2",
                                              "RayTraceEffects 0",
                                              "OutputFilenameFormat 2",
                                              "SaveRGB 1",
                                              "SaveRGBImagesPrefix $P",
                                              "RGBImageFormat 2",
                                              "SaveAlpha 0",
                                              ""};

using Change = std::pair<std::string, std::optional<std::string>>;

// The scene with each change applied to the line of that key: a new value, or the line left
// out (nullopt). `head` goes right after the header lines.
std::string sceneWith(const std::vector<Change>& changes, const std::string& head = "",
                      const char* lineEnd = "\n") {
    std::string text;
    for (size_t i = 0; i < kSceneLines.size(); ++i) {
        std::string line = kSceneLines[i];
        std::string key = line.substr(0, line.find(' '));
        for (const auto& [changed, value] : changes) {
            if (changed == key) {
                line = value ? key + " " + *value : "\x01";
            }
        }
        if (line != "\x01") {
            text += line + lineEnd;
        }
        for (size_t at = 0; i == 2 && at < head.size(); ++at) {
            text += head[at] == '\n' ? std::string(lineEnd) : std::string(1, head[at]);
        }
    }
    return text;
}

class SceneReaderTest : public ::testing::Test {
  protected:
    FarmFixture f;
    std::string prefix = f.contentDir + "/renders/shot";

    // Writes the scene (with $P standing for `prefix`) and reads it as entry 1 at position 1.
    const SceneEntry& read(std::string text) {
        for (size_t at; (at = text.find("$P")) != std::string::npos;) {
            text.replace(at, 2, prefix);
        }
        f.addSceneFile("scene.lws", text);
        FarmState& s = f.farm->state;
        s.sceneCount = 1;
        copyText(s.scenes[1].fileName, "scene.lws");
        s.scenes[1].position = 1;
        readSceneFile(*f.farm, 1);
        return s.scenes[1];
    }
};

// One field of an entry as text, named as in the rows below.
std::string fieldOf(const SceneEntry& e, const std::string& field) {
    const std::map<std::string, std::string> fields = {
        {"last", std::to_string(e.lastFrame)},   {"size", std::string(textOf(e.imageSize))},
        {"aa", std::to_string(e.antialias)},     {"segment", std::to_string(e.segmentMemory)},
        {"blur", std::to_string(e.blurPercent)}, {"output", std::string(textOf(e.outputPath))}};
    return fields.at(field);
}

TEST_F(SceneReaderTest, PlainSceneReadsEveryField) {
    for (const char* lineEnd : {"\n", "\r\n"}) {
        const SceneEntry& e = read(sceneWith({}, "", lineEnd));
        EXPECT_EQ(e.problemCount, 0);
        EXPECT_EQ(e.position, 1);
        EXPECT_EQ(textOf(e.outputPath), prefix + "0000.TGA");
        EXPECT_EQ(e.firstFrame, 1);
        EXPECT_EQ(e.lastFrame, 60);
        EXPECT_EQ(e.frameStep, 1);
        EXPECT_EQ(textOf(e.imageSize), "640x480");
        EXPECT_EQ(e.antialias, 2);
        EXPECT_EQ(e.filterType, 1);
        EXPECT_EQ(e.segmentMemory, 8);
        EXPECT_EQ(e.blurPercent, 50);
    }
}

TEST_F(SceneReaderTest, FieldsComeFromTheirKeys) {
    struct Row {
        const char* name;
        std::vector<Change> changes;
        std::string head;          // lines put in after the header
        std::string field, value;  // $P in an output value stands for the save prefix
    };
    const std::vector<Row> rows = {
        {"resolution -1", {{"Resolution", "-1"}}, "", "size", "160x120"},
        {"custom size wins, blank kept",
         {{"Resolution", "3"}},
         "CustomSize 800 600\n",
         "size",
         " 800 600"},
        {"custom size cut to 11",
         {},
         "CustomSize " + std::string(20, '7') + "\n",
         "size",
         " 7777777777"},
        {"resolution outside the table", {{"Resolution", "4"}}, "", "size", ""},
        {"enhanced medium", {}, "EnhancedAA 1\n", "aa", "5"},
        {"enhanced without level", {{"Antialiasing", std::nullopt}}, "EnhancedAA 1\n", "aa", "3"},
        {"segment memory below a million", {{"SegmentMemory", "999999"}}, "", "segment", "0"},
        {"blur truncated", {{"BlurLength", "0.29"}}, "", "blur", "28"},
        {"three digits", {{"OutputFilenameFormat", "1"}}, "", "output", "$P000.TGA"},
        {"format from lw.cfg", {{"RGBImageFormat", "3"}}, "", "output", "$P0000.png"},
        {"saver named instead of numbered",
         {{"RGBImageFormat", std::nullopt}},
         "RGBImageSaver LW_TGA32(.tga)\n",
         "output",
         "$P0000.tga"},
        {"LastFrame as a plain substring", {}, "PreviewLastFrame 10\n", "last", "10"},
        {"range at the map's end",
         {{"FirstFrame", "0"}, {"LastFrame", "2999"}},
         "",
         "last",
         "2999"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const char* lineEnd : {"\n", "\r\n"}) {
            const SceneEntry& e = read(sceneWith(row.changes, row.head, lineEnd));
            std::string value = row.value;
            if (value.starts_with("$P")) {
                value.replace(0, 2, prefix);
            }
            EXPECT_EQ(e.problemCount, 0);
            EXPECT_EQ(fieldOf(e, row.field), value);
        }
    }
}

TEST_F(SceneReaderTest, FailedSceneKeepsTheLastFailureAndLeavesTheRunning) {
    struct Row {
        const char* name;
        std::vector<Change> changes;
        std::string failure;
    };
    const std::vector<Row> rows = {
        {"no save prefix",
         {{"SaveRGBImagesPrefix", std::nullopt}},
         "\nUnable to find SaveRGBBImagesPrefix!"},
        {"no first frame", {{"FirstFrame", std::nullopt}}, "Unable to find start frame!"},
        {"no last frame",
         {{"LastFrame", std::nullopt}, {"PreviewLastFrame", std::nullopt}},
         "Unable to find LastFrame!"},
        {"no step",
         {{"FrameStep", std::nullopt}, {"PreviewFrameStep", std::nullopt}},
         "Unable to find FStep!"},
        {"no size", {{"Resolution", std::nullopt}}, "Unable to find resolution!"},
        {"no filename format",
         {{"OutputFilenameFormat", std::nullopt}},
         "Unable to find filename format!"},
        {"no image format", {{"RGBImageFormat", std::nullopt}}, "Unable to find RGB format!"},
        {"format no lw.cfg line filled", {{"RGBImageFormat", "7"}}, "Unknown RGB format"},
        {"format beyond the list", {{"RGBImageFormat", "150"}}, "Unknown RGB format"},
        {"last frame past the map", {{"LastFrame", "3000"}}, "Frame range outside 0 to 2999"},
        {"negative first frame", {{"FirstFrame", "-1"}}, "Frame range outside 0 to 2999"},
        {"step zero", {{"FrameStep", "0"}}, "Frame step below 1"},
        {"first frame after last",
         {{"FirstFrame", "9"}, {"LastFrame", "3"}},
         "First frame after last frame"},
        {"later failure wins",
         {{"FirstFrame", std::nullopt}, {"RGBImageFormat", std::nullopt}},
         "Unable to find RGB format!"},
        {"size after step",
         {{"FrameStep", "0"}, {"Resolution", std::nullopt}},
         "Unable to find resolution!"},
        {"windows drive",
         {{"SaveRGBImagesPrefix", "E:\\Perso\\Praha\\rue"}},
         "No path mapping for E:\\"},
        {"windows share",
         {{"SaveRGBImagesPrefix", "\\\\render\\out\\shot\\a"}},
         "No path mapping for \\\\render\\out"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SceneEntry& e = read(sceneWith(row.changes));
        EXPECT_EQ(e.problemCount, 33);
        EXPECT_EQ(e.position, 0);
        EXPECT_EQ(textOf(e.outputPath), row.failure);
    }
}

TEST_F(SceneReaderTest, MissingKeyLeavesItsFieldEmpty) {
    const SceneEntry& e = read(sceneWith({{"FirstFrame", "5"},
                                          {"LastFrame", std::nullopt},
                                          {"PreviewLastFrame", std::nullopt},
                                          {"Resolution", std::nullopt}}));
    // Not the values the previous searches left behind (5, and FrameStep's 1).
    EXPECT_EQ(e.firstFrame, 5);
    EXPECT_EQ(e.lastFrame, 0);
    EXPECT_EQ(textOf(e.imageSize), "");
    EXPECT_EQ(textOf(e.outputPath), "Unable to find resolution!");
}

TEST_F(SceneReaderTest, SavePrefixOnTheFirstLineIsNotFound) {
    std::string text =
        "SaveRGBImagesPrefix $P\n" + sceneWith({{"SaveRGBImagesPrefix", std::nullopt}});
    EXPECT_EQ(textOf(read(text).outputPath), "\nUnable to find SaveRGBBImagesPrefix!");
}

TEST_F(SceneReaderTest, KeyOnAnUnendedLastLineEndsAtTheEndOfTheText) {
    std::string text = sceneWith({{"RGBImageFormat", std::nullopt}, {"SaveAlpha", std::nullopt}});
    text += "RGBImageFormat 0";
    EXPECT_EQ(textOf(read(text).outputPath), prefix + "0000.IFF");
}

TEST_F(SceneReaderTest, RelativePrefixWithBackslashesLandsInTheContentFolder) {
    const SceneEntry& e = read(sceneWith({{"SaveRGBImagesPrefix", "Renders\\deep\\shot"}}));
    EXPECT_EQ(textOf(e.outputPath), f.contentDir + "/Renders/deep/shot0000.TGA");
    EXPECT_TRUE(f.fs.isDirectory(f.contentDir + "/Renders/deep"));
}

// Missing levels of a save folder are made only below ContentDirectory or an output root, and
// there only through real folders; anywhere else the scene fails and nothing is created.
TEST_F(SceneReaderTest, MissingSaveFoldersAreMadeOnlyBelowTheContentFolderOrAnOutputRoot) {
    f.dir.makeDir("out");
    f.dir.makeDir("home/op");
    writeText(f.contentDir + "/blocked", "x");
    ASSERT_EQ(::symlink(f.dir.file("home/op").c_str(), (f.contentDir + "/planted").c_str()), 0);
    f.farm->settings.outputRoots = {f.dir.file("out") + "/", "relative/ignored"};
    struct Case {
        std::string folder;   // the save folder, below the test's folder
        std::string failure;  // "" when the scene reads
        std::string created;  // a folder that must exist afterwards, or not
    };
    const Case cases[] = {
        {"content/a/b/c", "", "content/a/b/c"},
        {"out/shots/one", "", "out/shots/one"},
        {"home/op/.ssh/x", kOutsideRootsText, "home/op/.ssh"},
        {"outer/x", kOutsideRootsText, "outer"},
        {"content/../escape/x", kOutsideRootsText, "escape"},
        {"content/blocked/x", "Could not validate save path", ""},
        {"content/planted/evil", "Could not validate save path", "home/op/evil"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        prefix = f.dir.file(c.folder) + "/shot";
        const SceneEntry& e = read(sceneWith({}));
        if (c.failure.empty()) {
            EXPECT_EQ(e.problemCount, 0) << textOf(e.outputPath);
            EXPECT_TRUE(f.fs.isDirectory(f.dir.file(c.created)));
            std::vector<DirEntry> left;
            ASSERT_TRUE(f.fs.listDirectory(f.dir.file(c.created), left));
            EXPECT_TRUE(left.empty()) << "the probe file stayed";
        } else {
            EXPECT_EQ(textOf(e.outputPath), c.failure);
            EXPECT_TRUE(c.created.empty() || !f.fs.exists(f.dir.file(c.created)));
        }
    }
}

TEST_F(SceneReaderTest, WindowsPrefixCreatesNothing) {
    prefix = "C:\\Out\\shot";
    read(sceneWith({}));
    std::vector<DirEntry> content;
    ASSERT_TRUE(f.fs.listDirectory(f.contentDir, content));
    EXPECT_TRUE(content.empty());
    EXPECT_FALSE(f.fs.exists("C:"));
    EXPECT_FALSE(f.fs.exists("C:\\Out"));
}

TEST_F(SceneReaderTest, PrefixTooLongForTheTemplateFails) {
    prefix = f.dir.path() + "/" + std::string(508 - f.dir.path().size(), 'x');
    ASSERT_EQ(prefix.size(), 509u);
    EXPECT_EQ(textOf(read(sceneWith({})).outputPath), "Save path too long");
}

TEST_F(SceneReaderTest, UnreadableSceneFileFailsOnlyThatScene) {
    FarmState& s = f.farm->state;
    s.sceneCount = 1;
    s.scenes[1].position = 1;
    s.scenes[1].firstFrame = 77;  // left over from the slot's last record
    copyText(s.scenes[1].fileName, "vanished.lws");
    readSceneFile(*f.farm, 1);
    EXPECT_EQ(textOf(s.scenes[1].outputPath), "Unable to read scene file!");
    EXPECT_EQ(s.scenes[1].problemCount, 33);
    EXPECT_EQ(s.scenes[1].position, 0);
    EXPECT_EQ(s.scenes[1].firstFrame, 0);
}

TEST(FindSceneKey, TakesTheRestOfTheLine) {
    struct Row {
        const char* name;
        std::string text, key;
        bool found;
        std::string value;
    };
    const std::vector<Row> rows = {
        {"blank kept", "A 1\nLastFrame 60\n", "LastFrame", true, " 60"},
        {"key with blank", "FrameStep 2\n", "FrameStep ", true, "2"},
        {"no line end", "A\nFilterType 3", "FilterType", true, " 3"},
        {"case matters", "lastframe 5\n", "LastFrame", false, "before"},
        {"needs its line feed", "FirstFrame 4\n", "\nFirstFrame ", false, "before"},
        {"cut to 599", "K " + std::string(700, 'v') + "\n", "K ", true, std::string(599, 'v')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string value = "before";
        EXPECT_EQ(findSceneKey(row.text, row.key, value), row.found);
        EXPECT_EQ(value, row.value);
    }
}

}  // namespace

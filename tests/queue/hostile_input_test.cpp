// Inputs the fuzz targets found, or that come from the same families: numbers at the 32-bit
// limit in a scene file, and queue records whose positions and ids no farm wrote. Each is read
// the way the farm reads it; the sanitizer build turns an overflow here into a failure.
#include <gtest/gtest.h>

#include <limits>

#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "queue/scene_listing.h"
#include "queue/scene_reader.h"
#include "tests/support/farm_fixture.h"

namespace {

constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();

SceneEntry readScene(FarmFixture& f, const std::string& text) {
    f.addSceneFile("s.lws", text);
    FarmState& s = f.farm->state;
    s.sceneCount = 1;
    s.scenes[1] = SceneEntry{};
    copyText(s.scenes[1].fileName, "s.lws");
    s.scenes[1].position = 1;
    readSceneFile(*f.farm, 1);
    return s.scenes[1];
}

// The fixture scene with another Resolution value.
std::string withResolution(const std::string& value) {
    std::string text = sceneText(1, 2, 1, "Renders/r");
    return text.replace(text.find("Resolution 1"), 12, "Resolution " + value);
}

// A queue file of the given records, encoded as the farm saves them.
void writeQueue(const FarmFixture& f, const std::vector<SceneEntry>& records) {
    std::string bytes(4, '\0');
    unsigned char record[scene_record::kSize];
    for (const SceneEntry& e : records) {
        encodeSceneEntry(e, record);
        bytes.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    writeText(f.farm->state.queueFilePath, bytes);
}

SceneEntry record(const char* name, int32_t position, int32_t id) {
    SceneEntry e;
    copyText(e.fileName, name);
    e.position = position;
    e.sceneId = id;
    e.firstFrame = e.lastFrame = e.frameStep = 1;
    return e;
}

}  // namespace

TEST(HostileInput, SceneNumbersAtTheLargestValueDoNotOverflow) {
    struct Case {
        const char* name;
        std::string text;
        std::string imageSize;
        int32_t antialias;
    };
    const Case cases[] = {
        // The fuzz find, as minimized: the save prefix is read as "Resolution4444444444".
        {"resolution found inside the save prefix", "\nSaveRGBImagesPrefix Resolution4444444444",
         "", 0},
        {"resolution of the largest number", withResolution("2147483647"), "", 1},
        {"resolution -1, the first label", withResolution("-1"), "160x120", 1},
        {"enhanced antialiasing on the largest level",
         "LWSC\n3\n\nFirstFrame 1\nLastFrame 2\nFrameStep 1\nResolution 9999999999\n"
         "Antialiasing 2147483647\nEnhancedAA 1\nOutputFilenameFormat 2\n"
         "SaveRGBImagesPrefix Renders/e\nRGBImageFormat 2\n",
         "", kLargest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FarmFixture f;
        SceneEntry e = readScene(f, c.text);
        EXPECT_EQ(textOf(e.imageSize), c.imageSize);
        EXPECT_EQ(e.antialias, c.antialias);
    }
}

TEST(HostileInput, AQueuedPositionBeyondTheTableGoesToTheBackAndANewSceneFollowsIt) {
    FarmFixture f;
    f.addSceneFile("a.lws", sceneText(1, 2, 1, "Renders/a"));
    ASSERT_TRUE(listQueueDirectory(*f.farm));
    SceneEntry a = record("a.lws", kLargest, 4);
    a.fileTime = f.farm->state.listing[1].fileTime;
    writeQueue(f, {a});
    f.addSceneFile("b.lws", sceneText(1, 2, 1, "Renders/b"));

    loadQueueFile(*f.farm);
    EXPECT_EQ(f.farm->state.scenes[1].position, 1);
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    const FarmState& s = f.farm->state;
    ASSERT_EQ(s.sceneCount, 2);
    EXPECT_EQ(textOf(s.scenes[1].fileName), "a.lws");
    EXPECT_EQ(s.scenes[1].position, 1);
    EXPECT_EQ(textOf(s.scenes[2].fileName), "b.lws");
    EXPECT_EQ(s.scenes[2].position, 2);
    EXPECT_EQ(s.scenes[2].sceneId, 5);
}

// Nodes and the frame queue find a scene by id: two entries with one id would have the frames
// of the second rendered from the first scene's file, for ever.
TEST(HostileInput, LoadedSceneIdsThatAreNotUsableOrTakenGetNewOnes) {
    FarmFixture f;
    writeQueue(f, {record("a.lws", 1, 7), record("b.lws", 2, 7), record("c.lws", 3, -1),
                   record("d.lws", 4, kLargest), record("e.lws", 5, 2)});
    loadQueueFile(*f.farm);
    const FarmState& s = f.farm->state;
    ASSERT_EQ(s.sceneCount, 5);
    std::vector<int32_t> ids;
    for (int k = 1; k <= 5; ++k) {
        ids.push_back(s.scenes[k].sceneId);
    }
    EXPECT_EQ(ids, (std::vector<int32_t>{7, 8, 9, 10, 2}));
    EXPECT_EQ(s.nextId, 11);
}

#include "queue/image_clash.h"

#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "tests/support/farm_fixture.h"

namespace {

// A second scene writing the images of a live one would be complete at once on the first one's
// images: it is refused with a text naming that scene, unless the two ranges share no frame or
// the first one is out of the running.
TEST(SharedImageNames, ASceneWritingTheImagesOfALiveOneIsRefused) {
    struct Case {
        const char* name;
        int first2, last2, step2;
        const char* prefix2;  // under the content folder; the first scene writes "out/shot"
        bool firstComplete;
        bool refused;
    };
    const Case cases[] = {
        {"same images, same range", 1, 10, 1, "out/shot", false, true},
        {"overlapping ranges", 8, 20, 1, "out/shot", false, true},
        {"ranges apart: a shot split in two", 11, 20, 1, "out/shot", false, false},
        {"steps that never meet", 2, 10, 2, "out/shot", false, false},
        {"another image name", 1, 10, 1, "out/other", false, false},
        {"the first one complete", 1, 10, 1, "out/shot", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FarmFixture f;
        FarmState& s = f.farm->state;
        f.addSceneFile("a.lws", sceneText(1, 9, 2, f.contentDir + "/out/shot"));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
        int32_t idA = s.scenes[1].sceneId;
        s.scenes[1].position = c.firstComplete ? 0 : 1;
        f.addSceneFile("b.lws",
                       sceneText(c.first2, c.last2, c.step2, f.contentDir + "/" + c.prefix2));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
        ASSERT_EQ(s.sceneCount, 2);
        const SceneEntry& b = s.scenes[s.scenes[1].sceneId == idA ? 2 : 1];
        EXPECT_EQ(sceneFailed(b), c.refused);
        EXPECT_EQ(textOf(b.outputPath) == "Same image names as a.lws, which is still queued",
                  c.refused)
            << textOf(b.outputPath);
        EXPECT_EQ(b.position == 0, c.refused);
    }
}

}  // namespace

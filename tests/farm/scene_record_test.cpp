// The queue file's record layout, byte by byte at every offset of its table.
#include "farm/scene_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/fixed_text.h"
#include "platform/little_endian.h"

namespace {

uint32_t le32(const std::vector<unsigned char>& b, size_t at) {
    return getLe32(b.data() + at);
}

SceneEntry sampleEntry() {
    SceneEntry e;
    e.position = -1;
    copyText(e.fileName, "shot 1.lws");
    e.sceneId = 0x01020304;
    e.firstFrame = 5;
    e.lastFrame = 2999;
    e.frameStep = 3;
    e.frameMap[0] = 'P';
    e.frameMap[2999] = 'Q';
    e.fileTime = 0x1122334455667788ULL;
    copyText(e.outputPath, "/srv/renders/shot0000.TGA");
    copyText(e.imageSize, " 800 600");
    e.antialias = 5;
    e.filterType = 1;
    e.segmentMemory = 8;
    e.blurPercent = 50;
    e.problemCount = 33;
    e.lastNode = 30;
    return e;
}

}  // namespace

TEST(SceneRecord, EveryFieldStandsAtItsOffsetLittleEndian) {
    using namespace scene_record;
    std::vector<unsigned char> b(kSize, 0xEE);
    encodeSceneEntry(sampleEntry(), b.data());

    EXPECT_EQ(le32(b, kPosition), 0xFFFFFFFFu);
    EXPECT_EQ(std::memcmp(&b[kFileName], "shot 1.lws\0", 11), 0);
    EXPECT_EQ(b[kSceneId], 0x04);
    EXPECT_EQ(b[kSceneId + 3], 0x01);
    EXPECT_EQ(le32(b, kFirstFrame), 5u);
    EXPECT_EQ(le32(b, kLastFrame), 2999u);
    EXPECT_EQ(le32(b, kFrameStep), 3u);
    EXPECT_EQ(b[kFrameMap], 'P');
    EXPECT_EQ(b[kFrameMap + 2999], 'Q');
    EXPECT_EQ(le32(b, kFileTime), 0x55667788u);
    EXPECT_EQ(le32(b, kFileTime + 4), 0x11223344u);
    EXPECT_EQ(std::memcmp(&b[kOutputPath], "/srv/renders/shot0000.TGA", 25), 0);
    EXPECT_EQ(std::memcmp(&b[kImageSize], " 800 600", 8), 0);
    EXPECT_EQ(le32(b, kAntialias), 5u);
    EXPECT_EQ(le32(b, kFilterType), 1u);
    EXPECT_EQ(le32(b, kSegmentMemory), 8u);
    EXPECT_EQ(le32(b, kBlurPercent), 50u);
    EXPECT_EQ(le32(b, kProblemCount), 33u);
    EXPECT_EQ(le32(b, kLastNode), 30u);
}

TEST(SceneRecord, TheFieldsTileTheRecordWithoutGaps) {
    using namespace scene_record;
    // Each field ends where the next begins; the last ends at the record's size.
    const size_t starts[] = {kPosition,      kFileName,    kSceneId,      kFirstFrame,
                             kLastFrame,     kFrameStep,   kFrameMap,     kFileTime,
                             kOutputPath,    kImageSize,   kAntialias,    kFilterType,
                             kSegmentMemory, kBlurPercent, kProblemCount, kLastNode};
    const size_t sizes[] = {4, 256, 4, 4, 4, 4, 3000, 8, 516, 12, 4, 4, 4, 4, 4, 4};
    for (size_t i = 0; i + 1 < std::size(starts); ++i) {
        EXPECT_EQ(starts[i] + sizes[i], starts[i + 1]) << "field " << i;
    }
    EXPECT_EQ(kLastNode + 4, kSize);
    EXPECT_EQ(kSize, 3836u);
}

TEST(SceneRecord, EveryByteWrittenComesBackUnchanged) {
    std::vector<unsigned char> original(scene_record::kSize);
    for (size_t i = 0; i < original.size(); ++i) {
        original[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    std::vector<unsigned char> again(scene_record::kSize);
    encodeSceneEntry(decodeSceneEntry(original.data()), again.data());
    EXPECT_EQ(original, again);
}

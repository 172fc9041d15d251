// Whole images and cut ones: every format the node simulator writes, whole, cut short by one
// byte, emptied, and with a damaged first byte; and the formats' own odd cases.
#include "engine/image_check.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/frame_image.h"

namespace {

bool whole(const std::string& extension, const std::string& bytes) {
    std::string_view all(bytes);
    std::string_view head = all.substr(0, std::min(all.size(), kImageHeadBytes));
    std::string_view tail = all.substr(all.size() - std::min(all.size(), kImageTailBytes));
    return imageWhole(extension, head, tail, bytes.size());
}

TEST(ImageCheck, WholeImagesPassAndCutOrEmptyOnesDoNot) {
    for (const char* extension : {".TGA", ".tga", ".png", ".PNG", ".jpg", ".bmp", ".IFF"}) {
        std::string image = sim::frameImageBytes(extension, 7);
        EXPECT_TRUE(whole(extension, image)) << extension;
        EXPECT_FALSE(whole(extension, image.substr(0, image.size() - 1))) << extension << " cut";
        EXPECT_FALSE(whole(extension, image.substr(0, image.size() / 2))) << extension << " half";
        EXPECT_FALSE(whole(extension, "")) << extension << " empty";
        std::string damaged = image;
        damaged[0] = static_cast<char>(damaged[0] ^ 0x55);
        // A TGA's first byte is the length of its id field: damaged, the pixels run past the end.
        EXPECT_FALSE(whole(extension, damaged)) << extension << " damaged header";
    }
}

TEST(ImageCheck, TheFormatsOwnOddCases) {
    struct Case {
        const char* name;
        const char* extension;
        std::string bytes;
        bool whole;
    };
    std::string tga = sim::frameImageBytes(".tga", 1);
    std::string rle = tga;
    rle[2] = 10;  // run-length coded: no length in the header, the header alone is checked
    std::string noSuchType = tga;
    noSuchType[2] = 4;
    std::string jpeg = sim::frameImageBytes(".jpg", 1);
    std::string dpx = "SDPX" + std::string(12, '\0') + std::string("\0\0\0\x30", 4);
    const Case cases[] = {
        {"TgaWithAFooterAfterItsPixels", ".tga", tga + std::string(26, 'F'), true},
        {"RunLengthTga", ".tga", rle.substr(0, 30), true},
        {"TgaOfAnUnknownType", ".tga", noSuchType, false},
        {"JpegPaddedAfterItsEnd", ".jpg", jpeg + std::string(5, '\0'), true},
        {"JpegWithoutItsEnd", ".jpg", jpeg.substr(0, jpeg.size() - 2) + std::string(5, '\0'),
         false},
        {"IffOfAnOddLengthWithItsPadByte", ".iff", std::string("FORM\0\0\0\x05RGBN!\0", 14), true},
        {"DpxAsLongAsItsHeaderSays", ".dpx", dpx + std::string(28, 'x'), true},
        {"DpxShorterThanItsHeaderSays", ".dpx", dpx + std::string(27, 'x'), false},
        {"TiffOfEitherByteOrder", ".tif", std::string("MM\0*", 4) + std::string(20, '\0'), true},
        {"NotATiff", ".tif", std::string(24, 'x'), false},
        {"AFormatWithoutACheckCountsWhenNotEmpty", ".RAW", "x", true},
        {"EmptyInAnyFormat", ".RAW", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(whole(c.extension, c.bytes), c.whole) << c.name;
    }
}

}  // namespace

#include "sim/scene_output.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A scene in LightWave's own layout (CR LF line ends), with the given output lines.
std::string sceneWith(const std::string& outputLines) {
    return "LWSC\r\n3\r\n\r\nFirstFrame 1\r\nLastFrame 10\r\nFrameStep 1\r\n\r\n"
           "RenderMode 2\r\n" +
           outputLines + "SaveAlpha 0\r\n";
}

struct NameCase {
    const char* name;
    std::string lines;
    int frame;
    const char* image;
};

TEST(SceneOutput, ImageNamesFollowFormatAndSaver) {
    const NameCase cases[] = {
        {"format 0 gives 3 digits, RGBImageFormat 2 .TGA",
         "OutputFilenameFormat 0\r\nSaveRGBImagesPrefix /out/shot\r\nRGBImageFormat 2\r\n", 7,
         "/out/shot007.TGA"},
        {"format 1 gives 3 digits, RGBImageFormat 0 .IFF",
         "OutputFilenameFormat 1\r\nSaveRGBImagesPrefix /out/shot\r\nRGBImageFormat 0\r\n", 12,
         "/out/shot012.IFF"},
        {"format 2 gives 4 digits, RGBImageFormat 1 .RAW",
         "OutputFilenameFormat 2\r\nSaveRGBImagesPrefix /out/shot\r\nRGBImageFormat 1\r\n", 5,
         "/out/shot0005.RAW"},
        {"saver extension in parentheses",
         "OutputFilenameFormat 3\r\nSaveRGB 1\r\nSaveRGBImagesPrefix /out/03.\r\n"
         "RGBImageSaver LW_TGA32(.tga)\r\n",
         60, "/out/03.0060.tga"},
        {"a frame wider than its digits keeps them all",
         "OutputFilenameFormat 0\r\nSaveRGBImagesPrefix /out/s\r\nRGBImageFormat 2\r\n", 1234,
         "/out/s1234.TGA"},
        {"relative prefix joins the content folder",
         "OutputFilenameFormat 2\r\nSaveRGBImagesPrefix Renders\\shot\r\nRGBImageFormat 2\r\n", 1,
         "/content/Renders/shot0001.TGA"},
        {"lines ending LF only",
         "OutputFilenameFormat 2\nSaveRGBImagesPrefix /lf/a\nRGBImageFormat 2\n", 3,
         "/lf/a0003.TGA"},
    };
    for (const NameCase& c : cases) {
        sim::SceneOutput out;
        std::string error;
        ASSERT_TRUE(sim::readSceneOutput(sceneWith(c.lines), {}, "/content", out, error))
            << c.name << ": " << error;
        EXPECT_EQ(sim::imagePath(out, c.frame), c.image) << c.name;
    }
}

struct FailCase {
    const char* name;
    std::string lines;
    const char* error;
};

TEST(SceneOutput, MissingOrUnusableKeysAreRefused) {
    const FailCase cases[] = {
        {"no save prefix", "OutputFilenameFormat 2\r\nRGBImageFormat 2\r\n",
         "no SaveRGBImagesPrefix"},
        {"no filename format", "SaveRGBImagesPrefix /o/a\r\nRGBImageFormat 2\r\n",
         "no OutputFilenameFormat"},
        {"no image format", "SaveRGBImagesPrefix /o/a\r\nOutputFilenameFormat 2\r\n",
         "no RGBImageFormat or RGBImageSaver"},
        {"image format beyond the built-in three",
         "SaveRGBImagesPrefix /o/a\r\nOutputFilenameFormat 2\r\nRGBImageFormat 7\r\n",
         "RGBImageFormat 7 has no known extension"},
        {"saver without an extension",
         "SaveRGBImagesPrefix /o/a\r\nOutputFilenameFormat 2\r\nRGBImageSaver LW_PNG\r\n",
         "RGBImageSaver names no extension: LW_PNG"},
    };
    for (const FailCase& c : cases) {
        sim::SceneOutput out;
        std::string error;
        EXPECT_FALSE(sim::readSceneOutput(sceneWith(c.lines), {}, "/content", out, error))
            << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
}

TEST(SceneOutput, KeysCountOnlyAtTheStartOfALine) {
    sim::SceneOutput out;
    std::string error;
    std::string text =
        "LWSC\r\nXSaveRGBImagesPrefix /wrong\r\nSaveRGBImagesPrefix /right \r\n"
        "OutputFilenameFormat 2\r\nRGBImageFormatX 2\r\nRGBImageFormat 1\r\n";
    ASSERT_TRUE(sim::readSceneOutput(text, {}, "/content", out, error)) << error;
    EXPECT_EQ(out.prefix, "/right ");
    EXPECT_EQ(out.extension, ".RAW");
    EXPECT_FALSE(
        sim::readSceneOutput("SaveRGBImagesPrefix /o/a\nOutputFilenameFormat 2\n"
                             "RGBImageFormatX 2\n",
                             {}, "/content", out, error));
    EXPECT_EQ(error, "no RGBImageFormat or RGBImageSaver");
}

}  // namespace

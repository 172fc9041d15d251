// LightWave's lw.cfg as loadSettings reads it from a real file: the content directory and the
// image-saver extensions.
#include "settings/lw_cfg.h"

#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "settings/settings_file.h"
#include "tests/support/test_farm.h"

namespace {

// A farm whose settings file names <tmp>/config, holding lw.cfg with the given text.
struct LwCfgFarm : TestFarm {
    explicit LwCfgFarm(const std::string& lwCfg) {
        std::string config = dir.makeDir("config");
        writeSettings("[Config_Dir]\r\nPATH=" + config + "\r\n");
        writeText(config + "/lw.cfg", lwCfg);
    }
    std::string extension(int n) const {
        return std::string(textOf(farm.settings.imageSaverExtensions[n]));
    }
};

struct ContentCase {
    const char* name;
    const char* lwCfg;
    const char* expected;
};

const ContentCase kContent[] = {
    {"on a later line", "LWCONFIG 3\r\nContentDirectory /data/content\r\nX 1\r\n", "/data/content"},
    {"on the first line it does not count", "ContentDirectory /first\r\nX 1\r\n", "earlier"},
    {"case matters", "LWCONFIG\ncontentdirectory /lower\n", "earlier"},
    {"only the first line counts", "L\nContentDirectory /one\nContentDirectory /two\n", "/one"},
    {"exactly one separator skipped", "L\nContentDirectory  /two spaces\n", " /two spaces"},
    {"key at the line end takes the next line", "L\r\nContentDirectory\r\n/next/line\r\nX\r\n",
     "/next/line"},
    {"value at the end of the text", "L\nContentDirectory /end", "/end"},
    {"key at the end of the text", "L\nContentDirectory", ""},
    {"key not at a line start", "L\n ContentDirectory /indented\n", "earlier"},
};

TEST(LwCfg, ContentDirectoryIsTakenFromTheEighteenthCharacter) {
    for (const ContentCase& c : kContent) {
        SCOPED_TRACE(c.name);
        LwCfgFarm t(c.lwCfg);
        t.farm.settings.ContentDirectory = "earlier";
        EXPECT_TRUE(loadSettings(t.farm));
        EXPECT_EQ(t.farm.settings.ContentDirectory, c.expected);
    }
}

TEST(LwCfg, ImageSaversFillFormatsFromThreeInFileOrder) {
    LwCfgFarm t(
        "LWCONFIG\r\n"
        "Plugin ImageSaver PNG(.png) png.p PNG(.xxx)\r\n"
        "Plugin ImageLoader JPEG(.bad) j.p\r\n"
        "Plugin ImageSaver JPEG(.jpg) jpeg.p\r\n"
        "Plugin ImageSaver Odd\r\n"
        "(.tif) on the next line\r\n");
    copyText(t.farm.settings.imageSaverExtensions[0], ".XYZ");
    copyText(t.farm.settings.imageSaverExtensions[6], ".old");
    ASSERT_TRUE(loadSettings(t.farm));
    std::vector<std::string> got;
    for (int i = 0; i < 7; ++i) {
        got.push_back(t.extension(i));
    }
    EXPECT_EQ(got,
              (std::vector<std::string>{".IFF", ".RAW", ".TGA", ".png", ".jpg", ".tif", ".old"}));
}

TEST(LwCfg, ASaverWithoutItsOwnParenthesisTakesTheNextOne) {
    LwCfgFarm t("L\nPlugin ImageSaver A(.aaa)\nPlugin ImageSaver B\nPlugin ImageSaver C(.ccc\n");
    ASSERT_TRUE(loadSettings(t.farm));
    EXPECT_EQ(t.extension(3), ".aaa");
    EXPECT_EQ(t.extension(4), ".ccc");
    EXPECT_EQ(t.extension(5), ".ccc");
}

TEST(LwCfg, ASaverWithNoParenthesisAfterItEndsTheList) {
    LwCfgFarm t("L\nPlugin ImageSaver A(.aaa)\nPlugin ImageSaver B\nPlugin ImageSaver C\n");
    copyText(t.farm.settings.imageSaverExtensions[4], ".old");
    ASSERT_TRUE(loadSettings(t.farm));
    EXPECT_EQ(t.extension(3), ".aaa");
    EXPECT_EQ(t.extension(4), ".old");
}

TEST(LwCfg, MoreSaversThanFormatsStopAtTheLastEntry) {
    std::string text = "LWCONFIG\n";
    for (int i = 0; i < 120; ++i) {
        text += "Plugin ImageSaver S(." + std::to_string(100 + i) + ")\n";
    }
    LwCfgFarm t(text);
    ASSERT_TRUE(loadSettings(t.farm));
    EXPECT_EQ(t.extension(3), ".100");
    EXPECT_EQ(t.extension(kImageFormats - 1), ".196");
}

TEST(LwCfg, WithoutLwCfgTheSettingsStillLoadAndTheExtensionsStay) {
    TestFarm t;
    t.writeSettings("[Config_Dir]\nPATH=" + t.dir.file("nowhere") + "\n[Options]\nCycle_time=7\n");
    t.farm.settings.ContentDirectory = "earlier";
    copyText(t.farm.settings.imageSaverExtensions[3], ".png");
    EXPECT_FALSE(loadSettings(t.farm));
    EXPECT_EQ(t.farm.settings.Cycle_time, 7);
    EXPECT_EQ(t.farm.settings.ContentDirectory, "earlier");
    EXPECT_EQ(textOf(t.farm.settings.imageSaverExtensions[3]), ".png");
}

TEST(LwCfg, FindLineKeySearchesOnFromAPosition) {
    std::string_view text = "Key a\nKey b\nxKey c\nKey d";
    EXPECT_EQ(findLineKey(text, "Key"), 6u);
    EXPECT_EQ(findLineKey(text, "Key", 6), 19u);
    EXPECT_EQ(findLineKey(text, "Key", 20), std::nullopt);
}

}  // namespace

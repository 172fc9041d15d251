// Decimal conversion as the C library does it, and the fixed-array copy.
#include "platform/fixed_text.h"

#include <gtest/gtest.h>

TEST(FixedText, ParseIntFollowsAtoi) {
    struct Row {
        const char* name;
        const char* text;
        int expected;
    } rows[] = {
        {"plain", "12", 12},
        {"leading blanks", "  \t42", 42},
        {"sign", "-7", -7},
        {"plus", "+3", 3},
        {"stops at junk", "60x", 60},
        {"no digits", "abc", 0},
        {"empty", "", 0},
        {"clamped high", "99999999999", 2147483647},
        {"clamped low", "-99999999999", -2147483647 - 1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(parseInt(r.text), r.expected) << r.name;
    }
}

TEST(FixedText, CopyCutsToFitAndTerminates) {
    char small[5];
    copyText(small, "abcdefgh");
    EXPECT_EQ(textOf(small), "abcd");
    char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(textOf(unterminated), "xyz");
}

TEST(FixedText, CaseFoldingComparesAsciiOnly) {
    EXPECT_TRUE(equalsNoCase("SHOT0001.TGA", "shot0001.tga"));
    EXPECT_TRUE(endsWithNoCase("a.LWS", ".lws"));
    EXPECT_FALSE(endsWithNoCase("lws", ".lws"));
}

// The side files beside the queue file: a file of another kind gives no line, and a CR LF file
// gives the same lines as an LF one, the last line without its end too.
TEST(FixedText, LinesAfterAHeaderOnlyUnderThatHeader) {
    struct Row {
        const char* text;
        bool known;
        const char* lines;  // the lines given, each followed by '|'
    };
    const Row rows[] = {
        {"Kind 1\r\na\r\n\r\nb", true, "a||b|"},
        {"Kind 1\na\n", true, "a|"},
        {"Kind 2\r\na\r\n", false, ""},
        {"", false, ""},
    };
    for (const Row& r : rows) {
        std::string lines;
        bool known = forEachLineAfterHeader(r.text, "Kind 1", [&lines](std::string_view line) {
            lines.append(line).append("|");
        });
        EXPECT_EQ(known, r.known) << r.text;
        EXPECT_EQ(lines, r.lines) << r.text;
    }
}

// Text of mixed encodings, as the log holds it: UTF-8 stays, other bytes read as Latin-1.
#include "platform/byte_text.h"

#include <gtest/gtest.h>

TEST(ByteText, UTF8StaysAndOtherBytesAreLatin1) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"plain ASCII", "shot.lws", "shot.lws"},
        {"a UTF-8 name", "Sz\xc3\xa8ne_\xe2\x82\xac.lws", "Sz\xc3\xa8ne_\xe2\x82\xac.lws"},
        {"a Latin-1 name", "Sz\xe8ne.lws", "Sz\xc3\xa8ne.lws"},
        {"both in one text", "\xe9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
        {"a four-byte character", "\xf0\x9f\x8e\xac", "\xf0\x9f\x8e\xac"},
        {"an overlong form", "\xc0\xaf", "\xc3\x80\xc2\xaf"},
        {"a surrogate", "\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},
        {"above U+10FFFF", "\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},
        {"a sequence cut at the end", "ab\xe2\x82", "ab\xc3\xa2\xc2\x82"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8FromMixedBytes(c.bytes), c.utf8);
    }
}

TEST(ByteText, TheRestOfACharacterCutAtTheStartIsDropped) {
    EXPECT_EQ(withoutCutCharacter("\x82\xac rest"), " rest");
    EXPECT_EQ(withoutCutCharacter("\xac\xac\xac\xac"), "\xac");  // at most one character's worth
    EXPECT_EQ(withoutCutCharacter("\xe2\x82\xac"), "\xe2\x82\xac");
    EXPECT_EQ(withoutCutCharacter(""), "");
}

// INI profile texts: lookup and in-place writing.
#include "platform/profile.h"

#include <gtest/gtest.h>

namespace {

struct LookupCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

const LookupCase kLookups[] = {
    {"names match without case", "[Options]\r\nCycle_Time=3\r\n", "OPTIONS", "cycle_time", "3"},
    {"missing section", "[Options]\r\nCycle_time=3\r\n", "Render_Method", "Cycle_time", {}},
    {"missing key", "[Options]\r\nCycle_time=3\r\n", "Options", "Beep_error", {}},
    {"key of another section", "[A]\nk=1\n[B]\nx=2\n", "B", "k", {}},
    {"blanks around names and value", "[ Options ]\n  Beep_error =  1  \n", "Options", "Beep_error",
     "1"},
    {"one pair of quotes dropped", "[S]\nk=\"a b\"\n", "S", "k", "a b"},
    {"unmatched quote kept", "[S]\nk=\"a b\n", "S", "k", "\"a b"},
    {"CR LF line end not in value", "[S]\r\nk=v\r\n", "S", "k", "v"},
    {"last line without line end", "[S]\nk=v", "S", "k", "v"},
    {"equals sign inside value", "[S]\nk=a=b\n", "S", "k", "a=b"},
    {"empty value is present", "[S]\nk=\n", "S", "k", ""},
    {"comment line is no key", "[S]\n;k=1\n", "S", "k", {}},
    {"key before any section", "k=1\n[S]\n", "S", "k", {}},
    {"second section of the same name", "[S]\na=1\n[T]\nk=9\n[s]\nk=2\n", "S", "k", "2"},
    {"first of two equal keys", "[S]\nk=1\nk=2\n", "S", "k", "1"},
};

TEST(Profile, LookupFollowsWindowsProfileRules) {
    for (const LookupCase& c : kLookups) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(profileLookup(c.text, c.section, c.key), c.expected);
    }
}

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

const WriteCase kWrites[] = {
    {"new file gets CR LF", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"value replaced in place, every other line kept",
     "; farm settings\r\n\r\n[Options]\r\nUnknown=7\r\nCycle_time = 5\r\n\r\n[Other]\r\nx=1\r\n",
     "options", "CYCLE_TIME", "2",
     "; farm settings\r\n\r\n[Options]\r\nUnknown=7\r\nCycle_time =2\r\n\r\n[Other]\r\nx=1\r\n"},
    {"new key after the section's last key", "[A]\nx=1\n; about B\n\n[B]\ny=2\n", "A", "z", "3",
     "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n"},
    {"new key into an empty section", "[A]\r\n\r\n[B]\r\n", "A", "k", "1",
     "[A]\r\nk=1\r\n\r\n[B]\r\n"},
    {"new section of an LF file", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n"},
    {"new section after a blank line", "[A]\nx=1\n\n", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n"},
    {"file without a final line end", "[A]\r\nx=1", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
    {"header on the last line", "[A]", "A", "x", "1", "[A]\r\nx=1\r\n"},
    {"replacing the last line keeps its missing line end", "[A]\nx=1", "A", "x", "22", "[A]\nx=22"},
    {"a line break ends the value", "[A]\n", "A", "k", "a\r\n[Evil]\r\nx=1", "[A]\nk=a\n"},
    {"key found in a later section of that name", "[S]\na=1\n[T]\n[S]\nk=1\n", "S", "k", "2",
     "[S]\na=1\n[T]\n[S]\nk=2\n"},
};

TEST(Profile, WritingChangesOnlyTheOneValue) {
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        std::string after = profileWithValue(c.before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(profileLookup(after, c.section, c.key),
                  std::string(c.value).substr(0, std::string(c.value).find_first_of("\r\n")));
    }
}

TEST(Profile, NewSectionsFollowTheTextsLineEnds) {
    std::string text = profileWithValue("", "A", "x", "1");
    text = profileWithValue(text, "B", "y", "2");
    EXPECT_EQ(text, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(profileWithValue("[A]\nx=1\n", "a", "z", "3"), "[A]\nx=1\nz=3\n");
}

}  // namespace

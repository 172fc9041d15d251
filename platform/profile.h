// INI profile texts with the semantics of the Windows profile functions: section and key names
// match without regard to case; a missing section or key gives nothing (the reader supplies its
// default and cuts the value to its limit); writing adds the section and the key as needed and
// replaces a value in place, leaving every other line (comments, blank lines, unknown keys) as
// it was. Lines may end CR LF or LF; new lines follow the text's own line ends (CR LF for an
// empty one). The functions work on a file held in memory; its reader reads and writes it whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The value of section/key in an INI text, or nothing when either is missing. Leading and
// trailing blanks of the value are dropped, as are one pair of enclosing quotes.
std::optional<std::string> profileLookup(std::string_view text, std::string_view section,
                                         std::string_view key);
// The INI text with section/key set to value.
std::string profileWithValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

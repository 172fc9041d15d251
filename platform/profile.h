// INI profile files with the semantics of the Windows profile functions: section and key names
// match without regard to case; a missing file, section or key gives the default; a value is
// cut to the read limit; writing creates the file, the section and the key as needed and
// replaces a value in place, leaving every other line (comments, blank lines, unknown keys) as
// it was. Lines may end CR LF or LF; new lines follow the file's own line ends (CR LF for a new
// file). The text functions work on a file held in memory; the file functions read or write it
// whole through the FileSystem.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class FileSystem;

// The value of section/key in an INI text, or nothing when either is missing. Leading and
// trailing blanks of the value are dropped, as are one pair of enclosing quotes.
std::optional<std::string> profileLookup(std::string_view text, std::string_view section,
                                         std::string_view key);
// The INI text with section/key set to value.
std::string profileWithValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

// Reads section/key of the file: the value cut to limit characters, or the default (also cut).
std::string readProfileString(FileSystem& fs, const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue, size_t limit);
// Writes section/key into the file. False when the file cannot be written.
bool writeProfileString(FileSystem& fs, const std::string& file, std::string_view section,
                        std::string_view key, std::string_view value);

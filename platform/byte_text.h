// Text whose bytes came from outside, shown as it was written: the log keeps file names' bytes
// as they are, so one file can hold UTF-8 and Latin-1 names side by side.
#pragma once

#include <string>
#include <string_view>

// UTF-8 text for bytes of mixed encodings: each valid UTF-8 sequence stands as it is, and every
// other byte is taken as a Latin-1 character.
std::string utf8FromMixedBytes(std::string_view bytes);
// The text without the continuation bytes (at most three) it begins with: the rest of a
// character whose first byte was cut off when the text was taken from the middle of a file.
std::string_view withoutCutCharacter(std::string_view bytes);

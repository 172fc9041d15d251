// LightWave's configuration file lw.cfg, read only: the content directory and the file extension
// of each image-saver plug-in. A key counts only at the start of a line that follows a line end
// (so never on the very first line), and case matters.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

struct FarmSettings;

// Position of key where it starts a line (just after a line feed), or nothing.
std::optional<size_t> findLineKey(std::string_view text, std::string_view key, size_t from = 0);

// Takes ContentDirectory and imageSaverExtensions from the text of lw.cfg, its line ends already
// turned into LF. Entries 0..2 are always ".IFF", ".RAW", ".TGA"; entries from 3 on get the
// "Plugin ImageSaver" lines in file order, up to the last entry; entries above the last one
// filled, and ContentDirectory when the file has no such line, keep what they held.
void applyLwCfg(std::string_view text, FarmSettings& settings);

// LightWave's configuration file lw.cfg, read only: the content directory and the file extension
// of each image-saver plug-in. A key counts only at the start of a line that follows a line end
// (so never on the very first line), and case matters. findLineKey is declared in
// settings_file.h.
#pragma once

#include <string_view>

struct FarmSettings;

// Takes ContentDirectory and imageSaverExtensions from the text of lw.cfg, its line ends already
// turned into LF. Entries 0..2 are always ".IFF", ".RAW", ".TGA"; entries from 3 on get the
// "Plugin ImageSaver" lines in file order, up to the last entry; entries above the last one
// filled, and ContentDirectory when the file has no such line, keep what they held.
void applyLwCfg(std::string_view text, FarmSettings& settings);

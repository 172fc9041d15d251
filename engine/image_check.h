// Whether an image file is whole, from its length and a few bytes at each end: a node that dies
// while writing, or a saver that fails, leaves an empty or cut-short file under the frame's name,
// which must not count as the rendered frame. Formats the image savers write are checked where
// their header or their end says how long they are: TGA (uncompressed: header and pixel count;
// run-length coded: a sound header), IFF (FORM length), PNG (signature, IEND at the
// end), JPEG (SOI at the start, EOI at the end), BMP (file length in its header), DPX (file length
// in its header), TIFF, SGI, OpenEXR and Radiance HDR (their signatures). Any other format counts
// as whole when it is not empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// How much of each end of a file imageWhole needs.
constexpr size_t kImageHeadBytes = 64;
constexpr size_t kImageTailBytes = 32;

// extension: the image name's, with its dot, any case. head: the file's first bytes (up to
// kImageHeadBytes), tail: its last bytes (up to kImageTailBytes), size: its length.
bool imageWhole(std::string_view extension, std::string_view head, std::string_view tail,
                uint64_t size);

// The bytes of a small whole picture in the format an image name's extension names, as an image
// saver would leave it: uncompressed TGA, PNG (ending with IEND), baseline JPEG (SOI to EOI),
// BMP and IFF ILBM, each 4 x 4 pixels (the JPEG 8 x 8) whose colour follows the frame number.
// An extension of another format gets the TGA bytes. The simulated node writes these, and tests
// use them as images a farm must take for whole.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// The extension of a path, with its dot (".TGA"), or empty.
std::string_view imageExtension(std::string_view path);
// The picture for frame in the format of extension (any case, with its dot).
std::string frameImageBytes(std::string_view extension, int frame);

}  // namespace sim

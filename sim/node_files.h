// The files a simulated node touches: reading its job file whole (never a read cut by the farm's
// writing), writing its acknowledgement file so that the farm never reads half a word, and
// writing a frame's image as a small real TGA picture.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// What the job file holds at one look: false when there is no file or the farm was writing it.
bool readJobFile(const std::string& path, std::string& text);
// Reads a whole file. False when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& text);
// Writes text under a hidden temporary name in the same folder, then renames it over path, so a
// reader sees the old text or the new one, never a part. False when either step fails.
bool writeFileAtomically(const std::string& path, std::string_view text);
// How much of a frame's image a node writes: all of it, or as a failing node leaves it.
enum class ImageCut { Whole, Empty, FirstHalf };

// The one maker of image bytes: a 4 x 4, 24-bit uncompressed TGA whose colour follows the frame
// number. Writes them to path, cut as asked, creating the image's folder when it is missing.
// Gives the number of bytes written, or -1 when the file cannot be written.
long writeFrameImage(const std::string& path, int frame, ImageCut cut = ImageCut::Whole);

}  // namespace sim

// The files a simulated node touches: reading its job file (with its last-write time, so that
// the same command written again is seen as new), writing its acknowledgement file so that the
// farm never reads half a word, and writing a frame's image as a small real picture.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// What the job file holds at one look.
struct JobSnapshot {
    bool present = false;
    std::string text;
    int64_t writeTimeNs = 0;  // last-write time, nanoseconds since the epoch

    bool operator==(const JobSnapshot&) const = default;
};

JobSnapshot readJobFile(const std::string& path);
// Reads a whole file. False when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& text);
// Writes text under a hidden temporary name in the same folder, then renames it over path, so a
// reader sees the old text or the new one, never a part. False when either step fails.
bool writeFileAtomically(const std::string& path, std::string_view text);
// Writes a small whole picture in the format the path's extension names (frame_image.h),
// creating the image's folder when it is missing. False when the file cannot be written.
bool writeFrameImage(const std::string& path, int frame);

}  // namespace sim

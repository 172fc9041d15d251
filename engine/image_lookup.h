// Image lookup for one image scan: whether each frame's image is there and whole. Each image
// folder is listed once, on its first lookup, with each entry's length and last-write time, and
// names are then looked up in memory, compared without case (LightWave on Windows may write
// "shot0001.tga" for a ".TGA" template). Only regular files count. An image is read (a few bytes
// at each end, engine/image_check.h) only when the farm has not checked it before in this run
// with the same length and time, so a scan of a folder of images already checked reads none.
// An object lives for one scan: images that appear later are seen by the next scan's listing.
#pragma once

#include <string>
#include <unordered_map>

#include "platform/file_system.h"

struct ImageChecks;

enum class ImageState { Missing, Whole, Incomplete };

struct ImageLook {
    ImageState state = ImageState::Missing;
    // Incomplete, and not seen so (with this length and time) before in this run.
    bool newlyIncomplete = false;
};

class ImageLookup {
  public:
    ImageLookup(FileSystem& fs, ImageChecks& checks) : fs_(fs), checks_(checks) {}

    // The image at path. A folder that cannot be listed holds nothing, nor does a path without a
    // folder.
    ImageLook look(const std::string& path);

  private:
    // Regular files of the folder by lower-cased name.
    const std::unordered_map<std::string, DirEntry>& folderEntries(const std::string& folder);
    ImageLook check(const std::string& path, const DirEntry& entry);

    FileSystem& fs_;
    ImageChecks& checks_;
    std::unordered_map<std::string, std::unordered_map<std::string, DirEntry>> folders_;
};

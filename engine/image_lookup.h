// Image existence for one image scan. Each image folder is listed once, on its first lookup,
// and names are then looked up in memory, compared without case (LightWave on Windows may
// write "shot0001.tga" for a ".TGA" template). Only regular files count. An object lives for
// one scan: images that appear later are seen by the next scan's fresh listing.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

class FileSystem;

class ImageLookup {
  public:
    explicit ImageLookup(FileSystem& fs) : fs_(fs) {}

    // True when the folder of path holds a regular file of path's name, in any case. A folder
    // that cannot be listed holds nothing, nor does a path without a folder.
    bool exists(const std::string& path);

  private:
    const std::unordered_set<std::string>& folderNames(const std::string& folder);

    FileSystem& fs_;
    // Lower-cased regular-file names, by folder.
    std::unordered_map<std::string, std::unordered_set<std::string>> folders_;
};

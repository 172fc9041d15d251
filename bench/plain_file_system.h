// The counted file system of the benchmarks, which can be switched to the plain way of reaching
// files: one operation per item where the farm makes one for many. A benchmark's plain row is
// then the farm's own operation run over it, and differs from the farm's row only in the file
// operations below.
// - Every open for reading is preceded by a test that the file exists (the farm opens and takes
//   a failed open for a missing file).
// - A listing that reads the entries' times and lengths (or each entry's own details) lists the
//   names alone and then asks each entry's with a query of its own (the farm takes them from the
//   listing).
// - A folder of known names (an image folder, named with its scene's frame images) is not listed
//   at all: each of its names is looked up with a query of its own, found or not (the farm lists
//   it once and looks the names up in memory). The farm's image scan run over it is thus the
//   plain scan of one lookup per frame image.
// - The record file (the queue file) is read one record per open, and saved in place: its head
//   written, then one append per record (the farm reads it whole, and saves it whole through a
//   temporary renamed over it).
// Everything else, and everything the farm's way, is counted and forwarded as CountingFileSystem
// does.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "counting_file_system.h"

// The farm's own operation, or the same one done the plain way.
enum class Way { Farm, Plain };

class PlainFileSystem : public CountingFileSystem {
  public:
    void setWay(Way way) { way_ = way; }
    // The file of records: headSize bytes, then records of recordSize bytes each.
    void setRecordFile(std::string path, size_t headSize, size_t recordSize);
    // The names the plain way looks up one by one in dir where the farm lists it.
    void setFolderNames(const std::string& dir, std::vector<std::string> names);

    bool readFile(const std::string& path, std::string& out,
                  size_t maxBytes = std::numeric_limits<size_t>::max(),
                  Links links = Links::Follow) override;
    ReadResult readCapped(const std::string& path, std::string& out, size_t cap) override;
    bool readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                      uint64_t& size) override;
    SaveResult saveFile(const std::string& path, std::string_view data, Trust trust) override;
    bool listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                       EntryTimes times = EntryTimes::Read, std::string_view suffix = {}) override;

  private:
    bool plain() const { return way_ == Way::Plain; }
    // The plain way's test before an open: false when the file is missing.
    bool plainlyMissing(const std::string& path);
    bool isRecordFile(const std::string& path) const { return plain() && path == recordFile_; }
    // Reads the head and then whole records, one open each, until maxBytes are read or a read
    // comes back short.
    bool readRecords(const std::string& path, std::string& out, size_t maxBytes);
    // One open reading size bytes at offset (fewer at the end of the file).
    bool readRange(const std::string& path, uint64_t offset, size_t size, std::string& out);
    // The entries of the known names of dir that are there, each looked up on its own.
    void lookUpNames(const std::string& dir, const std::vector<std::string>& names,
                     EntryTimes times, std::string_view suffix, std::vector<DirEntry>& out);

    Way way_ = Way::Farm;
    std::string recordFile_;
    size_t headSize_ = 0;
    size_t recordSize_ = 1;
    std::unordered_map<std::string, std::vector<std::string>> folderNames_;
};

// The file-system seam. Every file operation of the farm goes through one FileSystem object,
// held by the Farm; the base class is the real POSIX implementation. Each call counts itself in
// `counters` (opens, listings, stats, writes, renames, deletes) and first waits `delay`, so a
// benchmark can run the farm as if its folders were on a network share. Tests and benchmarks
// may derive from it to change one operation (a "full" disk for the free-space query).
// Files are opened, used whole and closed inside one call; nothing is held open.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct DirEntry {
    std::string name;
    bool isRegular = false;
    uint64_t fileTime = 0;  // last write, 100-ns intervals since 1601-01-01 UTC
};

struct FsCounters {
    uint64_t opens = 0;
    uint64_t listings = 0;
    uint64_t stats = 0;
    uint64_t writes = 0;
    uint64_t renames = 0;
    uint64_t deletes = 0;
    uint64_t total() const { return opens + listings + stats + writes + renames + deletes; }
};

enum class CopyResult { Ok, PathNotFound, Failed };
// Whether a listing reads each entry's last-write time. Without times the kind of most entries
// comes from the folder itself, so a listing of thousands of images costs no look at each one.
enum class EntryTimes { Read, Skip };
enum class MakeDirResult { Created, Exists, Failed };

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads up to maxBytes from the start of the file into out. False when it cannot be opened
    // or read (out is then empty).
    virtual bool readFile(const std::string& path, std::string& out,
                          size_t maxBytes = std::numeric_limits<size_t>::max());
    // Reads the last maxBytes of the file (all of it when shorter) into out and its length into
    // size, so a reader of a growing file's end need not read the whole file.
    virtual bool readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                              uint64_t& size);
    // Creates or truncates the file and writes data. False when it cannot be opened or written.
    virtual bool writeFile(const std::string& path, std::string_view data);
    // Appends data at the end of the file, creating it when missing.
    virtual bool appendFile(const std::string& path, std::string_view data);
    // Writes data to tempPath, flushes it to the disk and renames it over path, so a crash or a
    // full disk leaves either the old or the new file whole. The temporary is removed on failure.
    virtual bool replaceFile(const std::string& path, std::string_view data,
                             const std::string& tempPath);
    // True when an entry of that name exists (any kind).
    virtual bool exists(const std::string& path);
    virtual bool isDirectory(const std::string& path);
    // Every entry of the folder but "." and "..", in no particular order. False when the folder
    // cannot be listed (missing, not a folder, an I/O error), as opposed to an empty one.
    virtual bool listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                               EntryTimes times = EntryTimes::Read);
    virtual bool removeFile(const std::string& path);
    // Copies from onto to, replacing it. PathNotFound when the target folder does not exist.
    virtual CopyResult copyFile(const std::string& from, const std::string& to);
    virtual MakeDirResult makeDirectory(const std::string& path);
    // Free bytes for an unprivileged writer on the file system holding path.
    virtual bool freeSpace(const std::string& path, uint64_t& bytes);
    // The mount point of the file system holding path, or of its nearest existing ancestor.
    virtual std::string mountPoint(const std::string& path);
    virtual bool fileTime(const std::string& path, uint64_t& time);

    FsCounters counters;
    void resetCounters() { counters = FsCounters{}; }
    void setDelay(std::chrono::microseconds perOperation) { delay_ = perOperation; }

  protected:
    void count(uint64_t FsCounters::*field);

  private:
    std::chrono::microseconds delay_{0};
};

// Converts a POSIX modification time to a Windows-style file time.
uint64_t toFileTime(int64_t seconds, int64_t nanoseconds);

// The file-system seam. Every file operation of the farm goes through one FileSystem object,
// held by the Farm. This header is the interface and the types it speaks in; the real one is
// PosixFileSystem (platform/posix_file_system.h). A file system that changes a few operations
// of another (tests' counting and full-disk ones, the fuzz sandbox, the benchmarks' plain one)
// derives from ForwardingFileSystem (platform/forwarding_file_system.h) and overrides only those.
// Files are opened, used whole and closed inside one call; nothing is held open.
//
// Every open is made without waiting and reads or writes only regular files, so a FIFO or a
// device planted at a name the farm uses counts as unreadable or unwritable instead of blocking
// the farm. Writes into the shared folders never go through a link: they open without following
// one, or replace the entry by rename, which replaces a link itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct DirEntry {
    std::string name;
    bool isRegular = false;
    uint64_t fileTime = 0;  // last write, 100-ns intervals since 1601-01-01 UTC
    // With the entries' times read: the size, the last write in nanoseconds since 1970-01-01 UTC
    // and the inode number, which together tell a file rewritten or made anew.
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t inode = 0;
};

enum class CopyResult { Ok, PathNotFound, Failed };
// Whether a listing reads each entry's last-write time. Without times the kind of most entries
// comes from the folder itself, so a listing of thousands of images costs no look at each one.
// Own reads them too, of each entry itself: a link is not followed, so it is no regular file.
enum class EntryTimes { Read, Skip, Own };
enum class MakeDirResult { Created, Exists, Failed };
// The most the farm reads of a text file it takes whole (a scene, the settings file, lw.cfg).
// No real one comes near it; a larger or endless file cannot exhaust the memory.
constexpr size_t kLargestTextFile = size_t{64} << 20;

// Whether an open may go through a symbolic link at the path's last level.
enum class Links { Follow, Refuse };
enum class ReadResult { Ok, Unreadable, TooLarge };
// Whose file a save writes: the operator's own (the settings file: its link is followed to the
// target, whose mode and owner are kept; a new one is made readable by its owner only, as it
// may hold a token) or one in a shared folder (the queue file: a link there is replaced, never
// written through).
enum class Trust { Operator, Shared };

// How a save went. A save replaces the file through a temporary made beside it; when no
// temporary can be made there (a folder that is not writable while the file is), the file is
// written in place instead. tempError is the errno that kept the temporary from being made,
// error the one that failed the save.
struct SaveResult {
    enum How { Replaced, InPlace, Failed } how = Failed;
    int tempError = 0;
    int error = 0;
    bool ok() const { return how != Failed; }
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads up to maxBytes from the start of the file into out. False when it cannot be opened
    // or read, or is not a regular file (out is then empty). With Links::Refuse (a file of a
    // shared folder) a link is not followed and a file other names link to is not read.
    virtual bool readFile(const std::string& path, std::string& out,
                          size_t maxBytes = std::numeric_limits<size_t>::max(),
                          Links links = Links::Follow) = 0;
    // Reads the whole file when it holds at most cap bytes; TooLarge (out empty) when it holds
    // more, found from its size before anything is read.
    virtual ReadResult readCapped(const std::string& path, std::string& out, size_t cap) = 0;
    // Reads the last maxBytes of the file (all of it when shorter) into out and its length into
    // size, so a reader of a growing file's end need not read the whole file. A link at path is
    // not followed, nor a file other names link to read: the tail read is that of a file the farm
    // appends to in a shared folder.
    virtual bool readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                              uint64_t& size) = 0;
    // Reads up to headBytes from the start of the file into head and up to tailBytes from its
    // end into tail (a short file's ends overlap), and its length into size, in one open: the
    // image scan's look at whether an image is whole.
    virtual bool readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                              std::string& head, std::string& tail, uint64_t& size) = 0;
    // Empties the file (creating it when missing) and writes data, without following a link at
    // path and only into a regular file that no other name links to.
    virtual bool writeFile(const std::string& path, std::string_view data) = 0;
    // Appends data at the end of the file, creating it when missing, on the same terms.
    virtual bool appendFile(const std::string& path, std::string_view data) = 0;
    // Writes data to a temporary of a name of its own beside the file (made exclusively),
    // flushes it to the disk and renames it over the file, so a crash or a full disk leaves
    // either the old or the new file whole; the file's mode is kept. When no temporary can be
    // made there, the file is written in place, after room for the data is reserved.
    virtual SaveResult saveFile(const std::string& path, std::string_view data, Trust trust) = 0;
    // True when a file of the farm's own can be made in dir: one of a name that cannot already
    // exist is created exclusively (never through a link) and removed again.
    virtual bool probeFolder(const std::string& dir) = 0;
    // Renames the entry at from itself (a link stays a link) into folder under the same name,
    // replacing what that name held there. folder must be a real folder, not a link to one:
    // PathNotFound when it does not exist, Failed for a link or any other failure.
    virtual CopyResult moveIntoFolder(const std::string& from, const std::string& folder) = 0;
    // True when an entry of that name exists (any kind).
    virtual bool exists(const std::string& path) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    // Every entry of the folder but "." and "..", in no particular order. False when the folder
    // cannot be listed (missing, not a folder, an I/O error), as opposed to an empty one. An
    // entry that cannot be looked at (a dangling or looping link) is left out. With a suffix,
    // only entries whose names end with it (in any case) are listed, and only they are looked
    // at: a folder full of other names costs no look at any of them.
    virtual bool listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                               EntryTimes times = EntryTimes::Read,
                               std::string_view suffix = {}) = 0;
    virtual bool removeFile(const std::string& path) = 0;
    // Copies from onto to, replacing it on the terms of writeFile; the copy runs in pieces, so
    // its memory does not grow with the file. PathNotFound when the target folder does not exist.
    virtual CopyResult copyFile(const std::string& from, const std::string& to) = 0;
    virtual MakeDirResult makeDirectory(const std::string& path) = 0;
    // The path of the folder at path with every link resolved; false when there is no folder.
    virtual bool realFolderPath(const std::string& path, std::string& real) = 0;
    // In the folder real (a path without links, as realFolderPath gives it), removes every
    // regular file and every link (as a link) whose name remove accepts. Each level of real is
    // entered without following a link, so a link swapped in at any level since it was resolved
    // makes the call fail and touch nothing. False when the folder cannot be entered or listed.
    virtual bool removeInFolder(const std::string& real,
                                const std::function<bool(std::string_view)>& remove) = 0;
    // Writes data into the file name of the folder real, entered as removeInFolder enters it,
    // on the terms of writeFile.
    virtual bool writeInFolder(const std::string& real, const std::string& name,
                               std::string_view data) = 0;
    // Creates the missing levels of relative (plain names separated by "/") below the existing
    // folder root. Each level is made and entered without following a link, so a link found
    // below root cannot lead the creation anywhere else. True when the last level is a folder.
    virtual bool makeFoldersBelow(const std::string& root, const std::string& relative) = 0;
    // Free bytes for an unprivileged writer on the file system holding path.
    virtual bool freeSpace(const std::string& path, uint64_t& bytes) = 0;
    // The mount point of the file system holding path, or of its nearest existing ancestor.
    virtual std::string mountPoint(const std::string& path) = 0;
    virtual bool fileTime(const std::string& path, uint64_t& time) = 0;
};

// What an errno a file operation left means to an operator: "it is a link", "it is not a regular
// file", "other names link to it" for the refusals above, else the system's own text.
std::string fileErrorText(int error);

// The POSIX pieces PosixFileSystem's operations share (platform/posix_file_system.h): opening
// only regular files without waiting, whole reads and writes that survive interrupted calls,
// files of the farm's own made exclusively, folders entered level by level without following a
// link, and the errno values that say why a file was refused (fileErrorText, declared with the
// interface, is defined beside them in posix_io.cpp).
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace posix {

// errno values that say why a file was refused: a link where none is followed, an entry that is
// not a regular file, a file that other names link to.
constexpr int kIsLink = ELOOP;
constexpr int kNotRegular = EINVAL;
constexpr int kOtherLinks = EMLINK;

// Opens path without waiting (a FIFO with no writer, or no reader, does not block) and keeps it
// open only when it is a regular file; for a write, only one no other name links to, as the
// same file under another name may be anybody's. Sets errno and gives -1 otherwise.
int openRegular(const std::string& path, int flags, Links links, bool singleLink,
                struct stat* info = nullptr);
bool writeAll(int fd, std::string_view data);
// Writes data, syncs when asked, and closes fd (also on failure).
bool writeAndClose(int fd, std::string_view data, bool sync);
// Appends up to maxBytes of what fd holds to out; false (out emptied) on a read error.
bool readUpTo(int fd, std::string& out, size_t maxBytes);
// Reads up to n bytes from offset into out (fewer at the end of the file); false (out emptied)
// on a read error.
bool readAt(int fd, uint64_t offset, size_t n, std::string& out);
// Creates a new file dir/<prefix>.<unique> for writing. The exclusive create fails on any entry
// already there (a link, a FIFO, anybody's file), so it only ever makes a file of its own.
int createOwnFile(const std::string& dir, std::string_view prefix, std::string& made);
// Enters the levels ("/"-separated names) from the folder fd, which it closes, making each
// first when make is set: every level is opened as a folder without following a link, the
// last one with lastFlags. The last level's descriptor, or -1 when a level is missing, is no
// folder, is a link, or is "." or "..".
int enterLevels(int fd, std::string_view levels, bool make, int lastFlags);
// Opens the folder real, a path without links, entering each level without following a link;
// the last level with lastFlags. -1 when a level is missing, is no folder or is a link.
int openFolderWithoutLinks(const std::string& real, int lastFlags);
// Converts a POSIX modification time to a Windows-style file time.
uint64_t toFileTime(int64_t seconds, int64_t nanoseconds);
// Sets the entry's kind, times, size and inode from what a stat of it gave.
void fillEntry(DirEntry& entry, const struct stat& st);

}  // namespace posix

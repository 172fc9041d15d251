// An advisory lock on one file, for one program to claim something shared (a folder, a queue)
// against other processes, on this machine or on another one that shares the folder. The lock
// belongs to the open file (flock), so it lasts while the object holds it and goes with the
// process however the process ends: no lock outlives a crash. The file says who holds it: a line
// "process <pid> on host <name>", written by the holder.
#pragma once

#include <string>

enum class LockResult { Taken, HeldElsewhere, Unusable };

class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens or creates the file at path and takes the lock without waiting. The file may lie in
    // a shared folder: a link is not followed, only a regular file is locked, and the holder line
    // is written only into a file this program made or one holding a holder line already.
    // HeldElsewhere: holder is the holder's line, or "an unknown process".
    // Unusable: the file cannot be opened, is no regular file or cannot be locked.
    LockResult take(const std::string& path, std::string& holder);
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

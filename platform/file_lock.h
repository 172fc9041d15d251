// An advisory lock on one file, for one program to claim something shared (a folder, a queue)
// against other processes, on this machine or on another one that shares the folder. The lock
// belongs to the open file (flock), so it lasts while the object holds it and goes with the
// process however the process ends: no lock outlives a crash. The file says who holds it: a line
// "process <pid> on host <name>", written by the holder.
#pragma once

#include <string>
#include <string_view>

enum class LockResult { Taken, HeldElsewhere, Unusable };

// A folder of this user's that no other user can write into, for lock files that the writers
// of the shared folders must not reach, delete or hold: the first usable of
// $XDG_RUNTIME_DIR/kestrun, /run/user/<uid>/kestrun and /tmp/kestrun-<uid>, created 0700 when
// missing. Usable: a real folder (no link) owned by this user that only this user may write.
// Empty when none is.
std::string privateLockFolder();
// The name of the lock file for a folder: kind, "-", 16 hex digits of the folder's path with
// every link resolved (as given when it does not resolve), ".lock"; one name per folder
// however a farm's settings spell its path.
std::string folderLockName(std::string_view kind, const std::string& folder);

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

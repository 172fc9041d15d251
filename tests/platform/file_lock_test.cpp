// The advisory lock on a file in a shared folder: one holder at a time, the holder named, and
// nothing planted in the folder (a link, a FIFO, someone else's file) written through or hung on.
#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "temp_dir.h"

namespace {

// The holder line of this process: "process <pid> on host <name>".
std::string thisProcess() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return "process " + std::to_string(::getpid()) + " on host " + host;
}

}  // namespace

TEST(FileLock, OneHolderAtATimeAndTheOthersAreToldWhoItIs) {
    TempDir t;
    std::string path = t.file("Kestrun.lock");
    FileLock first;
    FileLock second;
    std::string holder;
    ASSERT_EQ(first.take(path, holder), LockResult::Taken);
    EXPECT_EQ(holder, thisProcess());
    EXPECT_EQ(readText(path), thisProcess() + "\n");

    std::string other;
    EXPECT_EQ(second.take(path, other), LockResult::HeldElsewhere);
    EXPECT_EQ(other, thisProcess());
    EXPECT_FALSE(second.held());

    first.release();
    EXPECT_EQ(second.take(path, other), LockResult::Taken);
    EXPECT_TRUE(second.held());
}

TEST(FileLock, AHolderLineLeftByAnEarlierHolderIsReplaced) {
    TempDir t;
    std::string path = t.file("Kestrun.lock");
    writeText(path, "process 99999999 on host gone-long-ago\n");
    FileLock lock;
    std::string holder;
    ASSERT_EQ(lock.take(path, holder), LockResult::Taken);
    EXPECT_EQ(readText(path), thisProcess() + "\n");
}

TEST(FileLock, AFileThatIsNoLockFileKeepsItsBytesAndItsHolderIsUnknown) {
    TempDir t;
    std::string notes = t.file("notes.txt");
    writeText(notes, "process 1 on host a\n");
    std::string linked = t.file("linked.lock");
    ASSERT_EQ(::link(notes.c_str(), linked.c_str()), 0);  // a second name for someone's file
    std::string prose = t.file("prose.lock");
    writeText(prose, "the render share is mounted on /mnt/render\n");

    for (const std::string& path : {linked, prose}) {
        SCOPED_TRACE(path);
        std::string before = readText(path);
        FileLock lock;
        std::string holder;
        ASSERT_EQ(lock.take(path, holder), LockResult::Taken);
        EXPECT_EQ(readText(path), before);
        FileLock other;
        EXPECT_EQ(other.take(path, holder), LockResult::HeldElsewhere);
        EXPECT_EQ(holder, path == prose ? "an unknown process" : "process 1 on host a");
    }
}

TEST(FileLock, ALinkAFifoOrAFolderInItsPlaceIsNotUsed) {
    TempDir t;
    std::string target = t.file("target");
    writeText(target, "keep");
    std::string link = t.file("link.lock");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    std::string dangling = t.file("dangling.lock");
    ASSERT_EQ(::symlink(t.file("nowhere").c_str(), dangling.c_str()), 0);
    std::string fifo = t.file("fifo.lock");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    std::string folder = t.makeDir("folder.lock");

    for (const std::string& path : {link, dangling, fifo, folder, t.file("missing/x.lock")}) {
        SCOPED_TRACE(path);
        FileLock lock;
        std::string holder;
        EXPECT_EQ(lock.take(path, holder), LockResult::Unusable);
        EXPECT_FALSE(lock.held());
    }
    EXPECT_EQ(readText(target), "keep");
    EXPECT_FALSE(fileExists(t.file("nowhere")));
}

// A folder has one lock name however its path is spelled (through a link, with a final "/"),
// and each kind of lock its own. The lock files lie in a folder only this user may write:
// $XDG_RUNTIME_DIR/kestrun, made 0700; one that others may write into is passed over.
TEST(FileLock, LockFilesAreNamedAfterTheRealFolderAndLieInAPrivateFolder) {
    TempDir t;
    std::string queue = t.makeDir("queue");
    ASSERT_EQ(::symlink(queue.c_str(), t.file("linked").c_str()), 0);
    EXPECT_EQ(folderLockName("queue", t.file("linked")), folderLockName("queue", queue));
    EXPECT_EQ(folderLockName("queue", queue + "/"), folderLockName("queue", queue));
    EXPECT_NE(folderLockName("command", queue), folderLockName("queue", queue));
    EXPECT_NE(folderLockName("queue", t.makeDir("other")), folderLockName("queue", queue));
    EXPECT_TRUE(folderLockName("queue", queue).starts_with("queue-"));

    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    std::string runtime = t.makeDir("run");
    ::chmod(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(privateLockFolder(), runtime + "/kestrun");
    struct stat st {};
    ASSERT_EQ(::stat((runtime + "/kestrun").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::string open = t.makeDir("open/kestrun");
    ::chmod(open.c_str(), 0777);
    ::setenv("XDG_RUNTIME_DIR", t.file("open").c_str(), 1);
    std::string chosen = privateLockFolder();
    EXPECT_NE(chosen, open);
    EXPECT_FALSE(chosen.empty());
    old ? ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
}

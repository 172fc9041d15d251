// Every operation of a forwarding file system reaches the file system it wraps as it was asked:
// the same operation, every argument in its place. The counting, full-disk, sandbox and plain
// file systems rest on it for every operation they do not change.
#include "platform/forwarding_file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "temp_dir.h"

namespace {

// One row: operations run through fs in the folder t, which holds the file "a" ("head-tail"),
// the folder "d" and the links "la" (to a) and "ld" (to d); true when each did what it was
// asked and no other operation's work.
struct Forwarded {
    const char* name;
    std::function<bool(FileSystem& fs, const TempDir& t)> run;
};

bool readsAsked(FileSystem& fs, const TempDir& t) {
    std::string out, head, tail;
    uint64_t size = 0;
    return fs.readFile(t.file("a"), out, 4) && out == "head" &&
           !fs.readFile(t.file("la"), out, 4, Links::Refuse) &&
           fs.readCapped(t.file("a"), out, 4) == ReadResult::TooLarge &&
           fs.readFileTail(t.file("a"), 4, out, size) && out == "tail" && size == 9 &&
           fs.readFileEnds(t.file("a"), 2, 3, head, tail, size) && head == "he" && tail == "ail";
}

bool writesAsked(FileSystem& fs, const TempDir& t) {
    return fs.writeFile(t.file("a"), "x") && fs.appendFile(t.file("a"), "y") &&
           readText(t.file("a")) == "xy" && fs.saveFile(t.file("la"), "o", Trust::Operator).ok() &&
           readText(t.file("a")) == "o" && fs.removeFile(t.file("la")) && fileExists(t.file("a"));
}

bool movesAsked(FileSystem& fs, const TempDir& t) {
    return fs.copyFile(t.file("a"), t.file("d/c")) == CopyResult::Ok &&
           readText(t.file("d/c")) == "head-tail" &&
           fs.moveIntoFolder(t.file("a"), t.file("d")) == CopyResult::Ok &&
           fileExists(t.file("d/a")) && !fileExists(t.file("a"));
}

bool looksAsked(FileSystem& fs, const TempDir& t) {
    std::vector<DirEntry> timed, untimed;
    uint64_t time = 0;
    writeText(t.file("d/x.tga"), "image");
    writeText(t.file("d/x.lws"), "scene");
    return fs.exists(t.file("a")) && !fs.isDirectory(t.file("a")) && fs.isDirectory(t.file("d")) &&
           fs.listDirectory(t.file("d"), timed, EntryTimes::Read, ".TGA") && timed.size() == 1 &&
           timed[0].size == 5 && fs.listDirectory(t.file("d"), untimed, EntryTimes::Skip) &&
           untimed.size() == 2 && untimed[0].fileTime == 0 &&
           fs.fileTime(t.file("d/x.tga"), time) && time == timed[0].fileTime && time > 0;
}

bool foldersAsked(FileSystem& fs, const TempDir& t) {
    std::string real;
    return fs.probeFolder(t.file("d")) && !fs.probeFolder("/proc") &&
           fs.makeDirectory(t.file("d")) == MakeDirResult::Exists &&
           fs.makeFoldersBelow(t.path(), "e/f") && fs.isDirectory(t.file("e/f")) &&
           fs.realFolderPath(t.file("ld"), real) && real.ends_with("/d") &&
           fs.writeInFolder(real, "w", "v") && !fs.writeInFolder(real, "../w", "v") &&
           readText(t.file("d/w")) == "v" &&
           fs.removeInFolder(real, [](std::string_view n) { return n == "w"; }) &&
           !fileExists(t.file("d/w"));
}

bool spaceAsked(FileSystem& fs, const TempDir& t) {
    uint64_t bytes = 0;
    return fs.freeSpace(t.path(), bytes) && bytes > 0 && fs.mountPoint("/proc/self") == "/proc";
}

}  // namespace

TEST(ForwardingFileSystem, EveryOperationReachesTheWrappedFileSystemAsAsked) {
    const Forwarded rows[] = {{"reads", readsAsked},     {"writes", writesAsked},
                              {"moves", movesAsked},     {"looks", looksAsked},
                              {"folders", foldersAsked}, {"space", spaceAsked}};
    for (const Forwarded& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir t;
        writeText(t.file("a"), "head-tail");
        t.makeDir("d");
        ::symlink(t.file("a").c_str(), t.file("la").c_str());
        ::symlink(t.file("d").c_str(), t.file("ld").c_str());
        PosixFileSystem real;
        ForwardingFileSystem fs(real);
        EXPECT_TRUE(row.run(fs, t));
    }
}

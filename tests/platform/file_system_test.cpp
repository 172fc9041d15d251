// The real file system seam: results that the farm's failure handling depends on.
#include "platform/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "counting_file_system.h"
#include "temp_dir.h"

TEST(FileSystem, AMissingFolderCannotBeListedWhileAnEmptyOneCan) {
    TempDir t;
    PosixFileSystem fs;
    std::vector<DirEntry> entries{DirEntry{}};
    EXPECT_FALSE(fs.listDirectory(t.file("missing"), entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(fs.listDirectory(t.makeDir("empty"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST(FileSystem, ListingTellsRegularFilesAndTheirTimes) {
    TempDir t;
    PosixFileSystem fs;
    writeText(t.file("a.lws"), "x");
    setModifiedTime(t.file("a.lws"), 0);
    t.makeDir("sub");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(fs.listDirectory(t.path(), entries));
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].isRegular);
    EXPECT_EQ(entries[0].fileTime, 116444736000000000ULL);  // 1970-01-01 as a file time
    EXPECT_FALSE(entries[1].isRegular);
}

TEST(FileSystem, ReadStopsAtTheLimitAndFailsOnAMissingFile) {
    TempDir t;
    PosixFileSystem fs;
    writeText(t.file("ack1"), "Rendering frame 5\r\n");
    std::string head;
    ASSERT_TRUE(fs.readFile(t.file("ack1"), head, 6));
    EXPECT_EQ(head, "Render");
    EXPECT_FALSE(fs.readFile(t.file("ack2"), head));
    EXPECT_TRUE(head.empty());
}

TEST(FileSystem, ASaveThatCannotBeMadeLeavesTheOldFileWholeAndNoTemporary) {
    TempDir t;
    PosixFileSystem fs;
    t.makeDir("Kestrun.que");  // a folder where the file should be
    EXPECT_EQ(fs.saveFile(t.file("Kestrun.que"), "new", Trust::Shared).how, SaveResult::Failed);
    EXPECT_TRUE(fs.isDirectory(t.file("Kestrun.que")));
    writeText(t.file("other"), "old");
    SaveResult saved = fs.saveFile(t.file("other"), "new", Trust::Shared);
    EXPECT_EQ(saved.how, SaveResult::Replaced);
    EXPECT_EQ(readText(t.file("other")), "new");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(fs.listDirectory(t.path(), entries));
    EXPECT_EQ(entries.size(), 2u);  // the folder and "other": no temporary left
}

TEST(FileSystem, CopyIntoAMissingFolderSaysPathNotFound) {
    TempDir t;
    PosixFileSystem fs;
    writeText(t.file("a.lws"), "scene");
    EXPECT_EQ(fs.copyFile(t.file("a.lws"), t.file("HasBeenRendered/a.lws")),
              CopyResult::PathNotFound);
    EXPECT_EQ(fs.copyFile(t.file("gone.lws"), t.file("b.lws")), CopyResult::Failed);
    EXPECT_EQ(fs.makeDirectory(t.file("HasBeenRendered")), MakeDirResult::Created);
    EXPECT_EQ(fs.makeDirectory(t.file("HasBeenRendered")), MakeDirResult::Exists);
    EXPECT_EQ(fs.makeDirectory(t.file("no/such/parent")), MakeDirResult::Failed);
    EXPECT_EQ(fs.copyFile(t.file("a.lws"), t.file("HasBeenRendered/a.lws")), CopyResult::Ok);
    EXPECT_EQ(readText(t.file("HasBeenRendered/a.lws")), "scene");
}

TEST(FileSystem, TheMountPointOfAFolderNotYetMadeIsThatOfItsNearestAncestor) {
    TempDir t;
    PosixFileSystem fs;
    std::string mount = fs.mountPoint(t.path());
    EXPECT_EQ(fs.mountPoint(t.file("renders/not/made/yet")), mount);
    EXPECT_EQ(fs.mountPoint("/"), "/");
    EXPECT_EQ(fs.mountPoint("/proc/self"), "/proc");
    uint64_t bytes = 0;
    EXPECT_TRUE(fs.freeSpace(mount, bytes));
    EXPECT_GT(bytes, 0u);
}

TEST(CountingFileSystem, CountsEveryOperationOfTheFileSystemItWraps) {
    TempDir t;
    PosixFileSystem real;
    CountingFileSystem fs(real);
    std::string s;
    std::vector<DirEntry> entries;
    fs.writeFile(t.file("job1"), "init");
    EXPECT_TRUE(fs.readFile(t.file("job1"), s));
    EXPECT_EQ(s, "init");
    fs.listDirectory(t.path(), entries);
    fs.exists(t.file("job1"));
    fs.removeFile(t.file("job1"));
    fs.saveFile(t.file("q"), "x", Trust::Shared);
    EXPECT_EQ(readText(t.file("q")), "x");
    EXPECT_EQ(fs.counters.writes, 2u);
    EXPECT_EQ(fs.counters.opens, 1u);
    EXPECT_EQ(fs.counters.listings, 1u);
    EXPECT_EQ(fs.counters.stats, 1u);
    EXPECT_EQ(fs.counters.deletes, 1u);
    EXPECT_EQ(fs.counters.renames, 1u);
    fs.resetCounters();
    EXPECT_EQ(fs.counters.total(), 0u);
    // A mount point search looks at each level up to the mount point and at the one above it.
    EXPECT_EQ(fs.mountPoint("/proc/self"), "/proc");
    EXPECT_EQ(fs.counters.stats, 3u);
    fs.resetCounters();
    EXPECT_EQ(fs.mountPoint("/"), "/");
    EXPECT_EQ(fs.counters.stats, 1u);
}

// With times or without, every entry's kind is told, a link counting as what it names; a
// dangling or self-looping link is left out and the rest of the listing stands.
TEST(FileSystem, AListingTellsTheKindOfEveryEntryAndLeavesOutBrokenLinks) {
    for (EntryTimes times : {EntryTimes::Skip, EntryTimes::Read}) {
        TempDir t;
        PosixFileSystem fs;
        writeText(t.file("shot0001.TGA"), "x");
        t.makeDir("sub");
        ::symlink(t.file("shot0001.TGA").c_str(), t.file("link.TGA").c_str());
        ::symlink(t.file("sub").c_str(), t.file("linkdir").c_str());
        ::symlink(t.file("gone").c_str(), t.file("dangling.TGA").c_str());
        ::symlink(t.file("loop.lws").c_str(), t.file("loop.lws").c_str());
        std::vector<DirEntry> entries;
        ASSERT_TRUE(fs.listDirectory(t.path(), entries, times));
        std::sort(entries.begin(), entries.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_EQ(entries[0].name, "link.TGA");
        EXPECT_TRUE(entries[0].isRegular);   // a link to a file counts as the file
        EXPECT_FALSE(entries[1].isRegular);  // linkdir
        EXPECT_TRUE(entries[2].isRegular);   // shot0001.TGA
        EXPECT_FALSE(entries[3].isRegular);  // sub
    }
}

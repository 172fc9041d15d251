// The plain file system gives the farm the same answers the farm's way does, at the operation
// counts the benchmarks report for the plain way.
#include "plain_file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "temp_dir.h"

namespace {

constexpr size_t kHead = 4;
constexpr size_t kRecord = 10;

// A head and three records, each of its own bytes.
std::string recordBytes() {
    return "FLAG" + std::string(kRecord, 'a') + std::string(kRecord, 'b') +
           std::string(kRecord, 'c');
}

std::vector<DirEntry> sortedListing(PlainFileSystem& fs, const std::string& dir,
                                    EntryTimes times = EntryTimes::Read) {
    std::vector<DirEntry> entries;
    EXPECT_TRUE(fs.listDirectory(dir, entries, times));
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

class PlainFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override { fs.setRecordFile(records, kHead, kRecord); }

    TempDir t;
    std::string records = t.file("Kestrun.que");
    PlainFileSystem fs;
};

}  // namespace

TEST_F(PlainFileSystemTest, EveryReadIsPrecededByAnExistenceTest) {
    writeText(t.file("ack1"), "Ready");
    fs.setWay(Way::Plain);
    std::string out = "stale";
    EXPECT_FALSE(fs.readFile(t.file("ack2"), out, 16, Links::Refuse));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fs.counters.stats, 1u);
    EXPECT_EQ(fs.counters.opens, 0u);

    EXPECT_TRUE(fs.readFile(t.file("ack1"), out, 16, Links::Refuse));
    EXPECT_EQ(out, "Ready");
    EXPECT_EQ(fs.readCapped(t.file("ack1"), out, 16), ReadResult::Ok);
    EXPECT_EQ(out, "Ready");
    EXPECT_EQ(fs.counters.stats, 3u);
    EXPECT_EQ(fs.counters.opens, 2u);

    fs.setWay(Way::Farm);
    fs.resetCounters();
    EXPECT_TRUE(fs.readFile(t.file("ack1"), out, 16, Links::Refuse));
    EXPECT_EQ(fs.counters.total(), 1u);
}

TEST_F(PlainFileSystemTest, ATimedListingAsksEachEntrysTimeOnItsOwn) {
    writeText(t.file("a.lws"), "x");
    writeText(t.file("b.lws"), "y");
    setModifiedTime(t.file("a.lws"), 1000);
    t.makeDir("sub");
    std::vector<DirEntry> farmWay = sortedListing(fs, t.path());

    fs.setWay(Way::Plain);
    fs.resetCounters();
    std::vector<DirEntry> plainWay = sortedListing(fs, t.path());
    ASSERT_EQ(plainWay.size(), farmWay.size());
    for (size_t i = 0; i < farmWay.size(); ++i) {
        EXPECT_EQ(plainWay[i].name, farmWay[i].name);
        EXPECT_EQ(plainWay[i].isRegular, farmWay[i].isRegular);
        EXPECT_EQ(plainWay[i].fileTime, farmWay[i].fileTime);
        EXPECT_EQ(plainWay[i].size, farmWay[i].size);
    }
    EXPECT_EQ(fs.counters.listings, 1u);
    EXPECT_EQ(fs.counters.stats, 3u);

    // Each entry's own details (a link taken as itself) come the same either way.
    ::symlink("a.lws", t.file("link.lws").c_str());
    fs.setWay(Way::Farm);
    farmWay = sortedListing(fs, t.path(), EntryTimes::Own);
    fs.setWay(Way::Plain);
    fs.resetCounters();
    plainWay = sortedListing(fs, t.path(), EntryTimes::Own);
    ASSERT_EQ(plainWay.size(), farmWay.size());
    for (size_t i = 0; i < farmWay.size(); ++i) {
        SCOPED_TRACE(farmWay[i].name);
        EXPECT_EQ(plainWay[i].isRegular, farmWay[i].isRegular);
        EXPECT_EQ(plainWay[i].size, farmWay[i].size);
        EXPECT_EQ(plainWay[i].modifiedNs, farmWay[i].modifiedNs);
        EXPECT_EQ(plainWay[i].inode, farmWay[i].inode);
    }
    EXPECT_FALSE(farmWay[2].isRegular) << "link.lws is no regular file of its own";
    EXPECT_EQ(fs.counters.stats, 4u);

    // A listing without times costs one operation either way.
    fs.resetCounters();
    std::vector<DirEntry> names;
    EXPECT_TRUE(fs.listDirectory(t.path(), names, EntryTimes::Skip));
    EXPECT_EQ(fs.counters.total(), 1u);

    // A folder of known names is listed the farm's way, and the plain way looks each name up on
    // its own, found or not; what it finds comes as the listing gives it.
    fs.setFolderNames(t.path(), {"a.lws", "gone.lws", "sub"});
    fs.setWay(Way::Farm);
    farmWay = sortedListing(fs, t.path());
    ASSERT_EQ(farmWay.size(), 4u);
    fs.setWay(Way::Plain);
    fs.resetCounters();
    plainWay = sortedListing(fs, t.path());
    ASSERT_EQ(plainWay.size(), 2u);
    EXPECT_EQ(plainWay[0].name, "a.lws");
    EXPECT_EQ(plainWay[0].fileTime, farmWay[0].fileTime);
    EXPECT_EQ(plainWay[0].size, farmWay[0].size);
    EXPECT_TRUE(plainWay[0].isRegular);
    EXPECT_FALSE(plainWay[1].isRegular) << "sub is a folder";
    EXPECT_EQ(fs.counters.stats, 3u);
    EXPECT_EQ(fs.counters.total(), 3u);
}

TEST_F(PlainFileSystemTest, TheRecordFileIsSavedInPlaceOneRecordPerWrite) {
    fs.setWay(Way::Plain);
    SaveResult saved = fs.saveFile(records, recordBytes(), Trust::Shared);
    EXPECT_EQ(saved.how, SaveResult::InPlace);
    EXPECT_EQ(readText(records), recordBytes());
    EXPECT_EQ(fs.counters.writes, 4u);
    EXPECT_EQ(fs.counters.renames, 0u);

    // A shorter save leaves nothing of the longer file behind.
    EXPECT_TRUE(fs.saveFile(records, "FLAG" + std::string(kRecord, 'z'), Trust::Shared).ok());
    EXPECT_EQ(readText(records), "FLAG" + std::string(kRecord, 'z'));

    // Other files are saved the farm's way.
    EXPECT_EQ(fs.saveFile(t.file("Kestrun.ini"), "x", Trust::Operator).how, SaveResult::Replaced);
}

TEST_F(PlainFileSystemTest, TheRecordFileIsReadOneRecordPerOpen) {
    writeText(records, recordBytes());
    fs.setWay(Way::Plain);
    std::string out;
    // Up to the limit: the head and three records, and no read past them.
    ASSERT_TRUE(fs.readFile(records, out, recordBytes().size()));
    EXPECT_EQ(out, recordBytes());
    EXPECT_EQ(fs.counters.stats, 1u);
    EXPECT_EQ(fs.counters.opens, 4u);

    // Without a limit the end is found by a read that comes back empty.
    fs.resetCounters();
    ASSERT_TRUE(fs.readFile(records, out));
    EXPECT_EQ(out, recordBytes());
    EXPECT_EQ(fs.counters.opens, 5u);

    // A limit inside a record cuts it there.
    ASSERT_TRUE(fs.readFile(records, out, kHead + kRecord + 3));
    EXPECT_EQ(out, recordBytes().substr(0, kHead + kRecord + 3));

    // A file shorter than its head is read as it stands.
    writeText(records, "FL");
    ASSERT_TRUE(fs.readFile(records, out));
    EXPECT_EQ(out, "FL");
}

// What every fuzz target shares: a Farm on the real file system, shut inside one sandbox folder
// (/dev/shm/kestrun-fuzz/<target>, or under /tmp without /dev/shm), a front end that answers every
// question at once, and a set clock.
//
// Fuzzed input names paths of its own (a scene's save prefix, a queue record's image template,
// a settings file's folders), and the farm creates folders and probe files where they point.
// SandboxFileSystem is the real file system with one rule added to every operation, so it
// overrides each one (ForwardingFileSystem does the real work): a path outside the sandbox, or
// one that climbs with "..", is refused as if it could not be opened. The sandbox path is fixed,
// so seed files that name paths inside it (queue records) work from one run to the next; run one
// process per target at a time.
#pragma once

#include <string>
#include <string_view>

#include "farm/farm.h"
#include "platform/forwarding_file_system.h"
#include "tests/support/manual_clock.h"
#include "tests/support/quiet_host.h"

class SandboxFileSystem : public ForwardingFileSystem {
  public:
    explicit SandboxFileSystem(std::string root) : root_(std::move(root)) {}

    // True when path lies inside the sandbox and has no ".." level.
    bool allowed(std::string_view path) const;

    bool readFile(const std::string& path, std::string& out, size_t maxBytes,
                  Links links = Links::Follow) override;
    ReadResult readCapped(const std::string& path, std::string& out, size_t cap) override;
    bool readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                      uint64_t& size) override;
    bool readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                      std::string& head, std::string& tail, uint64_t& size) override;
    bool writeFile(const std::string& path, std::string_view data) override;
    bool appendFile(const std::string& path, std::string_view data) override;
    SaveResult saveFile(const std::string& path, std::string_view data, Trust trust) override;
    bool probeFolder(const std::string& dir) override;
    CopyResult moveIntoFolder(const std::string& from, const std::string& folder) override;
    bool exists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    bool listDirectory(const std::string& dir, std::vector<DirEntry>& out, EntryTimes times,
                       std::string_view suffix) override;
    bool removeFile(const std::string& path) override;
    CopyResult copyFile(const std::string& from, const std::string& to) override;
    MakeDirResult makeDirectory(const std::string& path) override;
    bool realFolderPath(const std::string& path, std::string& real) override;
    bool removeInFolder(const std::string& real,
                        const std::function<bool(std::string_view)>& remove) override;
    bool writeInFolder(const std::string& real, const std::string& name,
                       std::string_view data) override;
    bool makeFoldersBelow(const std::string& root, const std::string& relative) override;
    bool freeSpace(const std::string& path, uint64_t& bytes) override;
    std::string mountPoint(const std::string& path) override;
    bool fileTime(const std::string& path, uint64_t& time) override;

  private:
    std::string root_;
};

// The sandbox and a farm configured on it: queue, command, config and content folders, an
// lw.cfg, and settings in memory as loading the fixture's Kestrun.ini would leave them.
struct FuzzFarm {
    explicit FuzzFarm(std::string_view target, int nodes = 3);

    std::string root;
    std::string queueDir;
    std::string commandDir;
    std::string configDir;
    std::string contentDir;

    SandboxFileSystem fs;
    ManualClock clock;
    QuietHost host;
    Farm farm;

    // Empties the sandbox and makes its four folders and lw.cfg again.
    void wipe();
    // Settings and node names in memory, as after loadSettings; the farm state starts afresh.
    void configure(int nodes);
    // Writes a file inside the sandbox with the given last-write time (seconds since 1970).
    void writeFile(const std::string& path, std::string_view data, long modifiedSeconds = 0) const;
};

// Stops the fuzz run with a message when a property of the farm does not hold.
void fuzzCheck(bool holds, const char* what);

#include "fuzz/fuzz_farm.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/fixed_text.h"
#include "platform/path.h"

namespace {

// A memory file system where there is one, since the farm flushes every queue file it saves.
std::string sandboxBase() {
    std::error_code ec;
    bool shm = std::filesystem::is_directory("/dev/shm", ec);
    return shm ? "/dev/shm/kestrun-fuzz" : "/tmp/kestrun-fuzz";
}

bool climbs(std::string_view path) {
    for (size_t at = 0; at <= path.size();) {
        size_t slash = path.find('/', at);
        size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (path.substr(at, end - at) == "..") {
            return true;
        }
        at = end + 1;
    }
    return false;
}

}  // namespace

bool SandboxFileSystem::allowed(std::string_view path) const {
    bool inside = path == root_ || (path.starts_with(root_) && path.size() > root_.size() &&
                                    path[root_.size()] == '/');
    return inside && !climbs(path) && path.find('\0') == std::string_view::npos;
}

bool SandboxFileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes,
                                 Links links) {
    out.clear();
    return allowed(path) && ForwardingFileSystem::readFile(path, out, maxBytes, links);
}

ReadResult SandboxFileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
    out.clear();
    return allowed(path) ? ForwardingFileSystem::readCapped(path, out, cap)
                         : ReadResult::Unreadable;
}

bool SandboxFileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                                     uint64_t& size) {
    out.clear();
    size = 0;
    return allowed(path) && ForwardingFileSystem::readFileTail(path, maxBytes, out, size);
}

bool SandboxFileSystem::readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                                     std::string& head, std::string& tail, uint64_t& size) {
    head.clear();
    tail.clear();
    size = 0;
    return allowed(path) &&
           ForwardingFileSystem::readFileEnds(path, headBytes, tailBytes, head, tail, size);
}

bool SandboxFileSystem::writeFile(const std::string& path, std::string_view data) {
    return allowed(path) && ForwardingFileSystem::writeFile(path, data);
}

bool SandboxFileSystem::appendFile(const std::string& path, std::string_view data) {
    return allowed(path) && ForwardingFileSystem::appendFile(path, data);
}

SaveResult SandboxFileSystem::saveFile(const std::string& path, std::string_view data,
                                       Trust trust) {
    return allowed(path) ? ForwardingFileSystem::saveFile(path, data, trust) : SaveResult{};
}

bool SandboxFileSystem::probeFolder(const std::string& dir) {
    return allowed(dir) && ForwardingFileSystem::probeFolder(dir);
}

CopyResult SandboxFileSystem::moveIntoFolder(const std::string& from, const std::string& folder) {
    if (!allowed(from) || !allowed(folder)) {
        return CopyResult::Failed;
    }
    return ForwardingFileSystem::moveIntoFolder(from, folder);
}

bool SandboxFileSystem::exists(const std::string& path) {
    return allowed(path) && ForwardingFileSystem::exists(path);
}

bool SandboxFileSystem::isDirectory(const std::string& path) {
    return allowed(path) && ForwardingFileSystem::isDirectory(path);
}

bool SandboxFileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                                      EntryTimes times, std::string_view suffix) {
    out.clear();
    return allowed(dir) && ForwardingFileSystem::listDirectory(dir, out, times, suffix);
}

bool SandboxFileSystem::removeFile(const std::string& path) {
    return allowed(path) && ForwardingFileSystem::removeFile(path);
}

CopyResult SandboxFileSystem::copyFile(const std::string& from, const std::string& to) {
    if (!allowed(from) || !allowed(to)) {
        return CopyResult::Failed;
    }
    return ForwardingFileSystem::copyFile(from, to);
}

MakeDirResult SandboxFileSystem::makeDirectory(const std::string& path) {
    return allowed(path) ? ForwardingFileSystem::makeDirectory(path) : MakeDirResult::Failed;
}

bool SandboxFileSystem::realFolderPath(const std::string& path, std::string& real) {
    return ForwardingFileSystem::realFolderPath(path, real) && allowed(real);
}

bool SandboxFileSystem::removeInFolder(const std::string& real,
                                       const std::function<bool(std::string_view)>& remove) {
    return allowed(real) && ForwardingFileSystem::removeInFolder(real, remove);
}

bool SandboxFileSystem::writeInFolder(const std::string& real, const std::string& name,
                                      std::string_view data) {
    return allowed(real) && ForwardingFileSystem::writeInFolder(real, name, data);
}

bool SandboxFileSystem::makeFoldersBelow(const std::string& root, const std::string& relative) {
    return allowed(root + "/" + relative) && ForwardingFileSystem::makeFoldersBelow(root, relative);
}

bool SandboxFileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    return allowed(path) && ForwardingFileSystem::freeSpace(path, bytes);
}

std::string SandboxFileSystem::mountPoint(const std::string& path) {
    return allowed(path) ? ForwardingFileSystem::mountPoint(path) : root_;
}

bool SandboxFileSystem::fileTime(const std::string& path, uint64_t& time) {
    return allowed(path) && ForwardingFileSystem::fileTime(path, time);
}

FuzzFarm::FuzzFarm(std::string_view target, int nodes)
    : root(joinPath(sandboxBase(), target)),
      queueDir(joinPath(root, "queue")),
      commandDir(joinPath(root, "command")),
      configDir(joinPath(root, "config")),
      contentDir(joinPath(root, "content")),
      fs(root),
      farm(host, fs, clock, joinPath(root, "Kestrun.ini")) {
    wipe();
    configure(nodes);
}

void FuzzFarm::wipe() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    for (const std::string& dir : {queueDir, commandDir, configDir, contentDir}) {
        std::filesystem::create_directories(dir, ec);
    }
    writeFile(joinPath(configDir, "lw.cfg"), "LWCONFIG\nContentDirectory " + contentDir +
                                                 "\nPlugin ImageSaver PNG(.png) png.p PNG(.png)\n");
}

void FuzzFarm::configure(int nodes) {
    farm.state = FarmState{};
    farm.notices = QueueNotices{};
    FarmSettings& s = farm.settings;
    s = FarmSettings{};
    s.Scene_Queue_Dir = queueDir;
    s.Screamer_Command_Dir = commandDir;
    s.Config_Dir = configDir;
    s.No_Of_Nodes = nodes;
    s.ContentDirectory = contentDir;
    copyText(s.imageSaverExtensions[0], ".IFF");
    copyText(s.imageSaverExtensions[1], ".RAW");
    copyText(s.imageSaverExtensions[2], ".TGA");
    copyText(s.imageSaverExtensions[3], ".png");
    s.lwCfgPath = joinPath(configDir, "lw.cfg");
    farm.state.logFilePath = joinPath(queueDir, "Logfile.txt");
    farm.state.queueFilePath = joinPath(queueDir, "Kestrun.que");
    for (int i = 1; i <= nodes && i < kNodeSlots; ++i) {
        copyText(farm.state.nodes[i].name, "PC_" + std::to_string(i));
    }
}

void FuzzFarm::writeFile(const std::string& path, std::string_view data,
                         long modifiedSeconds) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (modifiedSeconds > 0) {
        struct timespec times[2] = {{modifiedSeconds, 0}, {modifiedSeconds, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

void fuzzCheck(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "kestrun fuzz: property broken: %s\n", what);
        std::abort();
    }
}

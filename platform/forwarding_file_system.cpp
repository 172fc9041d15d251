#include "platform/forwarding_file_system.h"

bool ForwardingFileSystem::readFile(const std::string& path, std::string& out, size_t maxBytes,
                                    Links links) {
    return target_.readFile(path, out, maxBytes, links);
}

ReadResult ForwardingFileSystem::readCapped(const std::string& path, std::string& out, size_t cap) {
    return target_.readCapped(path, out, cap);
}

bool ForwardingFileSystem::readFileTail(const std::string& path, size_t maxBytes, std::string& out,
                                        uint64_t& size) {
    return target_.readFileTail(path, maxBytes, out, size);
}

bool ForwardingFileSystem::readFileEnds(const std::string& path, size_t headBytes, size_t tailBytes,
                                        std::string& head, std::string& tail, uint64_t& size) {
    return target_.readFileEnds(path, headBytes, tailBytes, head, tail, size);
}

bool ForwardingFileSystem::writeFile(const std::string& path, std::string_view data) {
    return target_.writeFile(path, data);
}

bool ForwardingFileSystem::appendFile(const std::string& path, std::string_view data) {
    return target_.appendFile(path, data);
}

SaveResult ForwardingFileSystem::saveFile(const std::string& path, std::string_view data,
                                          Trust trust) {
    return target_.saveFile(path, data, trust);
}

bool ForwardingFileSystem::probeFolder(const std::string& dir) {
    return target_.probeFolder(dir);
}

CopyResult ForwardingFileSystem::moveIntoFolder(const std::string& from,
                                                const std::string& folder) {
    return target_.moveIntoFolder(from, folder);
}

bool ForwardingFileSystem::exists(const std::string& path) {
    return target_.exists(path);
}

bool ForwardingFileSystem::isDirectory(const std::string& path) {
    return target_.isDirectory(path);
}

bool ForwardingFileSystem::listDirectory(const std::string& dir, std::vector<DirEntry>& out,
                                         EntryTimes times, std::string_view suffix) {
    return target_.listDirectory(dir, out, times, suffix);
}

bool ForwardingFileSystem::removeFile(const std::string& path) {
    return target_.removeFile(path);
}

CopyResult ForwardingFileSystem::copyFile(const std::string& from, const std::string& to) {
    return target_.copyFile(from, to);
}

MakeDirResult ForwardingFileSystem::makeDirectory(const std::string& path) {
    return target_.makeDirectory(path);
}

bool ForwardingFileSystem::realFolderPath(const std::string& path, std::string& real) {
    return target_.realFolderPath(path, real);
}

bool ForwardingFileSystem::removeInFolder(const std::string& real,
                                          const std::function<bool(std::string_view)>& remove) {
    return target_.removeInFolder(real, remove);
}

bool ForwardingFileSystem::writeInFolder(const std::string& real, const std::string& name,
                                         std::string_view data) {
    return target_.writeInFolder(real, name, data);
}

bool ForwardingFileSystem::makeFoldersBelow(const std::string& root, const std::string& relative) {
    return target_.makeFoldersBelow(root, relative);
}

bool ForwardingFileSystem::freeSpace(const std::string& path, uint64_t& bytes) {
    return target_.freeSpace(path, bytes);
}

std::string ForwardingFileSystem::mountPoint(const std::string& path) {
    return target_.mountPoint(path);
}

bool ForwardingFileSystem::fileTime(const std::string& path, uint64_t& time) {
    return target_.fileTime(path, time);
}

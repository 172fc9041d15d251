#include "web/log_tail.h"

#include "platform/file_system.h"
#include "platform/fixed_text.h"
#include "web/text_decoding.h"

namespace {

// What one look at the log reads first; more is read only when the log grew by more.
constexpr size_t kStepBytes = 8192;
// Enough for the last kLogTailLines lines of an ordinary log.
constexpr size_t kReloadBytes = 256 * 1024;

}  // namespace

bool LogTail::refresh(FileSystem& fs, const std::string& path) {
    std::string tail;
    uint64_t size = 0;
    if (!fs.readFileTail(path, kStepBytes, tail, size)) {
        return false;
    }
    if (size == size_) {
        return false;
    }
    if (size > size_ && size - size_ <= tail.size()) {
        append(tail.substr(tail.size() - static_cast<size_t>(size - size_)));
        size_ = size;
    } else if (fs.readFileTail(path, kReloadBytes, tail, size)) {
        reload(tail, size);
    }
    shared_ = std::make_shared<const std::vector<std::string>>(lines_.begin(), lines_.end());
    return true;
}

void LogTail::reload(const std::string& tail, uint64_t size) {
    lines_.clear();
    partial_.clear();
    size_ = size;
    // A tail that starts inside the file starts inside a line: that piece is dropped.
    size_t start = 0;
    if (size > tail.size()) {
        size_t firstEnd = tail.find('\n');
        start = firstEnd == std::string::npos ? tail.size() : firstEnd + 1;
    }
    append(tail.substr(start));
}

void LogTail::append(const std::string& bytes) {
    size_t begin = 0;
    for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', begin)) {
        partial_.append(bytes, begin, end - begin);
        addLine(std::move(partial_));
        partial_.clear();
        begin = end + 1;
    }
    partial_.append(bytes, begin, std::string::npos);
    if (partial_.size() > kLogLineBytes) {
        partial_.resize(kLogLineBytes);
    }
}

void LogTail::addLine(std::string line) {
    line.resize(withoutCr(line).size());
    if (line.size() > kLogLineBytes) {
        line.resize(kLogLineBytes);
    }
    lines_.push_back(utf8FromBytes(line));
    if (lines_.size() > kLogTailLines) {
        lines_.pop_front();
    }
}

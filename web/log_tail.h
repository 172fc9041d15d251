// The last lines of the farm log, kept for the web monitor on the farm's thread. It reads only
// what was appended since the last look (the whole tail again after the log was cleared or grew
// by more than one step), cuts each line to a bound and keeps at most kLogTailLines of them,
// decoded to UTF-8, without their CR LF.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class FileSystem;

constexpr size_t kLogTailLines = 1000;
constexpr size_t kLogLineBytes = 4096;

class LogTail {
  public:
    // Reads what the log gained; true when its lines changed.
    bool refresh(FileSystem& fs, const std::string& path);
    // The lines, oldest first, shared with every snapshot until they change.
    std::shared_ptr<const std::vector<std::string>> lines() const { return shared_; }

  private:
    void reload(const std::string& tail, uint64_t size);
    void append(const std::string& bytes);
    void addLine(std::string line);

    uint64_t size_ = 0;    // bytes of the log read so far
    std::string partial_;  // the start of a line whose end has not been written yet
    std::deque<std::string> lines_;
    std::shared_ptr<const std::vector<std::string>> shared_ =
        std::make_shared<const std::vector<std::string>>();
};

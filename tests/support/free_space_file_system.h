// The real file system but for its free space, which the test sets: a disk that is full, nearly
// full, or fills up and empties from one query to the next.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/forwarding_file_system.h"

class FreeSpaceFileSystem : public ForwardingFileSystem {
  public:
    // The free bytes each query answers in turn; the last one repeats. Empty: the real free space.
    std::deque<uint64_t> answers;
    int queries = 0;  // free-space queries so far

    bool freeSpace(const std::string& path, uint64_t& bytes) override;
};

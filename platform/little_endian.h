// The little-endian 32-bit numbers of the farm's binary files (the queue file's running flag
// and its scene records), written and read byte by byte so the host's byte order never shows.
#pragma once

#include <cstddef>
#include <cstdint>

inline void putLe32(unsigned char* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

inline uint32_t getLe32(const unsigned char* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(in[i]) << (8 * i);
    }
    return v;
}

inline void putLeI32(unsigned char* out, int32_t v) {
    putLe32(out, static_cast<uint32_t>(v));
}

inline int32_t getLeI32(const unsigned char* in) {
    return static_cast<int32_t>(getLe32(in));
}

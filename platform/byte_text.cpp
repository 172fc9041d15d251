#include "platform/byte_text.h"

#include <cstdint>

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of bytes, or 0: no overlong forms, no
// surrogates, nothing above U+10FFFF.
size_t utf8Length(std::string_view bytes) {
    auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = at(0);
    size_t length = 0;
    uint32_t lowest = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(at(i))) {
            return 0;
        }
        code = (code << 6) | (at(i) & 0x3F);
    }
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

void appendLatin1(std::string& out, unsigned char c) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

}  // namespace

std::string utf8FromMixedBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        size_t length = utf8Length(bytes.substr(i));
        if (length == 0) {
            appendLatin1(out, c);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string_view withoutCutCharacter(std::string_view bytes) {
    size_t skip = 0;
    while (skip < 3 && skip < bytes.size() &&
           isContinuation(static_cast<unsigned char>(bytes[skip]))) {
        ++skip;
    }
    return bytes.substr(skip);
}

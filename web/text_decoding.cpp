#include "web/text_decoding.h"

#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when there is none.
size_t validSequence(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t lead = byte(i);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    uint8_t second = length > 1 ? byte(i + 1) : 0;
    // Overlong forms, UTF-16 surrogates and code points above U+10FFFF are not valid.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string utf8FromBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        size_t length = validSequence(bytes, i);
        if (length != 0) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        uint8_t b = static_cast<uint8_t>(bytes[i++]);
        out.push_back(static_cast<char>(0xC0 | (b >> 6)));
        out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
    return out;
}

#include "engine/image_check.h"

#include "platform/fixed_text.h"

namespace {

uint32_t le(std::string_view b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    }
    return v;
}

uint32_t be(std::string_view b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    }
    return v;
}

// Uncompressed TGA: header, image id, colour map and every pixel; anything after (a 2.0 footer)
// is allowed. Run-length images have no length in their header: a sound header and some bytes
// after it are all that can be known cheaply.
bool tgaWhole(std::string_view head, uint64_t size) {
    constexpr uint64_t kHeader = 18;
    if (head.size() < kHeader) {
        return false;
    }
    unsigned type = static_cast<unsigned char>(head[2]);
    uint64_t mapLength = le(head, 5, 2);
    uint64_t mapEntryBits = static_cast<unsigned char>(head[7]);
    uint64_t width = le(head, 12, 2);
    uint64_t height = le(head, 14, 2);
    uint64_t bits = static_cast<unsigned char>(head[16]);
    bool mapped = head[1] != 0;
    bool knownType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    if (!knownType || width == 0 || height == 0 || bits == 0 || bits > 32 ||
        (mapped != (type == 1 || type == 9))) {
        return false;
    }
    uint64_t start = kHeader + static_cast<unsigned char>(head[0]) +
                     (mapped ? mapLength * ((mapEntryBits + 7) / 8) : 0);
    if (type >= 9) {
        return size > start;
    }
    return size >= start + width * height * ((bits + 7) / 8);
}

// IFF: "FORM", its length, then that many bytes (a pad byte may follow an odd length).
bool iffWhole(std::string_view head, uint64_t size) {
    return head.size() >= 12 && head.starts_with("FORM") && be(head, 4, 4) >= 4 &&
           size >= 8 + uint64_t{be(head, 4, 4)};
}

bool pngWhole(std::string_view head, std::string_view tail) {
    constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
    constexpr std::string_view kEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
    return head.size() >= 16 && head.starts_with(kSignature) && head.substr(12, 4) == "IHDR" &&
           tail.ends_with(kEnd);
}

// JPEG: SOI and a marker first; EOI last, though some savers pad the file after it.
bool jpegWhole(std::string_view head, std::string_view tail) {
    if (head.size() < 4 || head.substr(0, 3) != std::string_view("\xFF\xD8\xFF", 3)) {
        return false;
    }
    size_t end = tail.find_last_not_of(std::string_view("\0", 1));
    return end != std::string_view::npos && end >= 1 &&
           tail.substr(end - 1, 2) == std::string_view("\xFF\xD9", 2);
}

// BMP: its file header names its length; the pixels start inside it.
bool bmpWhole(std::string_view head, uint64_t size) {
    if (head.size() < 26 || !head.starts_with("BM")) {
        return false;
    }
    uint64_t length = le(head, 2, 4);
    uint64_t pixels = le(head, 10, 4);
    return length >= 26 && pixels >= 26 && pixels <= length && size >= length;
}

// DPX: the magic word says the byte order of the header, whose file size follows at offset 16.
bool dpxWhole(std::string_view head, uint64_t size) {
    if (head.size() < 20) {
        return false;
    }
    uint64_t length = 0;
    if (head.starts_with("SDPX")) {
        length = be(head, 16, 4);
    } else if (head.starts_with("XPDS")) {
        length = le(head, 16, 4);
    } else {
        return false;
    }
    return length > 20 && size >= length;
}

bool tiffWhole(std::string_view head, uint64_t size) {
    return size > 8 && (head.starts_with(std::string_view("II*\0", 4)) ||
                        head.starts_with(std::string_view("MM\0*", 4)));
}

}  // namespace

bool imageWhole(std::string_view extension, std::string_view head, std::string_view tail,
                uint64_t size) {
    if (size == 0) {
        return false;
    }
    std::string ext = toLowerAscii(extension);
    if (ext == ".tga") {
        return tgaWhole(head, size);
    }
    if (ext == ".iff" || ext == ".lwi") {
        return iffWhole(head, size);
    }
    if (ext == ".png") {
        return pngWhole(head, tail);
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        return jpegWhole(head, tail);
    }
    if (ext == ".bmp") {
        return bmpWhole(head, size);
    }
    if (ext == ".dpx") {
        return dpxWhole(head, size);
    }
    if (ext == ".tif" || ext == ".tiff") {
        return tiffWhole(head, size);
    }
    if (ext == ".sgi" || ext == ".rgb") {
        return size > 512 && head.size() >= 2 && be(head, 0, 2) == 474;
    }
    if (ext == ".exr") {
        return size > 8 && head.starts_with(std::string_view("\x76\x2f\x31\x01", 4));
    }
    if (ext == ".hdr") {
        return size > 11 && (head.starts_with("#?RADIANCE") || head.starts_with("#?RGBE"));
    }
    return true;
}

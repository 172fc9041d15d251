#include "sim/frame_image.h"

#include <array>
#include <cstdint>

#include "platform/fixed_text.h"

namespace sim {
namespace {

constexpr int kSide = 4;

void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void putBe(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// One pixel's blue, green and red, after the frame number.
std::array<char, 3> pixel(int frame, int i) {
    return {static_cast<char>(frame * 7 + i), static_cast<char>(frame * 13),
            static_cast<char>(255 - frame * 3)};
}

std::string tga(int frame) {
    std::string data(18, '\0');
    data[2] = 2;  // uncompressed true-colour
    data[12] = kSide;
    data[14] = kSide;
    data[16] = 24;    // bits per pixel
    data[17] = 0x20;  // first row at the top
    for (int i = 0; i < kSide * kSide; ++i) {
        for (char c : pixel(frame, i)) {
            data += c;
        }
    }
    return data;
}

std::string bmp(int frame) {
    constexpr uint32_t kPixelBytes = kSide * kSide * 3;  // rows of 12 bytes need no padding
    constexpr uint32_t kHeaders = 14 + 40;
    std::string data = "BM";
    putLe(data, kHeaders + kPixelBytes, 4);
    putLe(data, 0, 4);
    putLe(data, kHeaders, 4);
    putLe(data, 40, 4);  // BITMAPINFOHEADER
    putLe(data, kSide, 4);
    putLe(data, kSide, 4);
    putLe(data, 1, 2);   // planes
    putLe(data, 24, 2);  // bits per pixel
    putLe(data, 0, 4);   // no compression
    putLe(data, kPixelBytes, 4);
    putLe(data, 2835, 4);
    putLe(data, 2835, 4);
    putLe(data, 0, 4);
    putLe(data, 0, 4);
    for (int i = 0; i < kSide * kSide; ++i) {
        for (char c : pixel(frame, i)) {
            data += c;
        }
    }
    return data;
}

uint32_t crc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

void pngChunk(std::string& out, std::string_view type, std::string_view body) {
    putBe(out, static_cast<uint32_t>(body.size()), 4);
    std::string typed = std::string(type) + std::string(body);
    out += typed;
    putBe(out, crc32(typed), 4);
}

// The pixel rows, each led by filter byte 0, in one stored (uncompressed) zlib block.
std::string pngPixels(int frame) {
    std::string raw;
    for (int y = 0; y < kSide; ++y) {
        raw += '\0';
        for (int x = 0; x < kSide; ++x) {
            std::array<char, 3> p = pixel(frame, y * kSide + x);
            raw += {p[2], p[1], p[0]};
        }
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    std::string z = "\x78\x01";
    z += '\x01';  // the last block, stored
    putLe(z, static_cast<uint32_t>(raw.size()), 2);
    putLe(z, static_cast<uint32_t>(~raw.size() & 0xFFFF), 2);
    z += raw;
    putBe(z, (b << 16) | a, 4);
    return z;
}

std::string png(int frame) {
    std::string data = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBe(header, kSide, 4);
    putBe(header, kSide, 4);
    header += {8, 2, 0, 0, 0};  // 8 bits, true colour, deflate, no filter, no interlace
    pngChunk(data, "IHDR", header);
    pngChunk(data, "IDAT", pngPixels(frame));
    pngChunk(data, "IEND", "");
    return data;
}

void jpegSegment(std::string& out, char marker, std::string_view body) {
    out += '\xFF';
    out += marker;
    putBe(out, static_cast<uint32_t>(body.size() + 2), 2);
    out += body;
}

// An 8 x 8 grey baseline JPEG: one component, Huffman tables of one code each, one block whose
// DC difference is 0 and whose AC coefficients end at once; its grey follows the frame.
std::string jpeg(int frame) {
    std::string data = "\xFF\xD8";
    std::string quant(1, '\0');
    quant += std::string(64, static_cast<char>(1 + (frame & 0x3F)));
    jpegSegment(data, '\xDB', quant);
    std::string sof = {8, 0, 8, 0, 8, 1, 1, 0x11, 0};
    jpegSegment(data, '\xC0', sof);
    std::string dc(1, '\x00');  // DC table 0: one code of length 1 for category 0
    dc += std::string(1, '\x01') + std::string(15, '\0') + std::string(1, '\0');
    jpegSegment(data, '\xC4', dc);
    std::string ac(1, '\x10');  // AC table 0: one code of length 1 for end-of-block
    ac += std::string(1, '\x01') + std::string(15, '\0') + std::string(1, '\0');
    jpegSegment(data, '\xC4', ac);
    jpegSegment(data, '\xDA', std::string{1, 1, 0, 0, 63, 0});
    data += '\x3F';  // bits 0 (DC category 0) and 0 (end of block), padded with ones
    data += "\xFF\xD9";
    return data;
}

// A 24-plane ILBM: BMHD, then each row's 24 bit planes of one 16-bit word each.
std::string iff(int frame) {
    std::string header;
    putBe(header, kSide, 2);
    putBe(header, kSide, 2);
    putBe(header, 0, 4);  // x, y
    header += {24, 0, 0, 0};
    putBe(header, 0, 2);  // transparent colour
    header += {1, 1};     // aspect
    putBe(header, kSide, 2);
    putBe(header, kSide, 2);
    std::string body;
    for (int row = 0; row < kSide; ++row) {
        for (int plane = 0; plane < 24; ++plane) {
            bool set = ((frame >> (plane % 8)) & 1) != 0;
            body += set ? "\xF0" : std::string(1, '\0');
            body += '\0';
        }
    }
    std::string form = "ILBM";
    form += "BMHD";
    putBe(form, static_cast<uint32_t>(header.size()), 4);
    form += header;
    form += "BODY";
    putBe(form, static_cast<uint32_t>(body.size()), 4);
    form += body;
    std::string data = "FORM";
    putBe(data, static_cast<uint32_t>(form.size()), 4);
    return data + form;
}

}  // namespace

std::string_view imageExtension(std::string_view path) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return {};
    }
    return path.substr(dot);
}

std::string frameImageBytes(std::string_view extension, int frame) {
    std::string ext = toLowerAscii(extension);
    if (ext == ".png") {
        return png(frame);
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        return jpeg(frame);
    }
    if (ext == ".bmp") {
        return bmp(frame);
    }
    if (ext == ".iff") {
        return iff(frame);
    }
    return tga(frame);
}

}  // namespace sim

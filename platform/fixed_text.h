// Text helpers for the fixed-size character arrays of the farm records: the one way to copy
// text into such an array (cut to fit, always terminated), reading one back, and the C-library
// style decimal conversion the farm applies to settings and scene values, and the line ends of a
// text-mode read.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

// Copies src into dst, cut to N - 1 bytes, and terminates it. Bytes after the terminator are
// left as they were.
template <size_t N>
void copyText(char (&dst)[N], std::string_view src) {
    size_t n = src.size() < N - 1 ? src.size() : N - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// The text of a fixed array up to its first NUL, or all N bytes when it has none.
template <size_t N>
std::string_view textOf(const char (&src)[N]) {
    const void* end = std::memchr(src, '\0', N);
    return std::string_view(src, end ? static_cast<const char*>(end) - src : N);
}

// atoi semantics: leading blanks skipped, optional sign, digits up to the first other
// character, 0 when there are none; a value beyond the 32-bit range is clamped to it.
int parseInt(std::string_view text);
// strtod semantics on the leading part of the text; 0 when it holds no number.
double parseReal(std::string_view text);
// Compares two texts without regard to ASCII case.
bool equalsNoCase(std::string_view a, std::string_view b);
bool endsWithNoCase(std::string_view text, std::string_view suffix);
std::string toLowerAscii(std::string_view text);
// The line end of the farm's own text files.
constexpr std::string_view kCrLf = "\r\n";
// Turns every CR LF pair into one LF, in place, as a text-mode read does.
void toLineFeeds(std::string& text);
// A line without the CR that ends it when it was read from a CR LF file.
std::string_view withoutCr(std::string_view line);
// The farm's own text line: text and CR LF.
std::string crLfLine(std::string_view text);
// Reads the blank-separated whole number at the start of rest (blanks before it skipped) into
// value and leaves rest after it; false, rest as it was, when there is none or it does not end
// at a blank or the end of rest.
template <typename T>
bool takeNumber(std::string_view& rest, T& value) {
    size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return false;
    }
    const char* end = rest.data() + rest.size();
    auto [stop, error] = std::from_chars(rest.data() + start, end, value);
    if (error != std::errc{} || (stop != end && *stop != ' ')) {
        return false;
    }
    rest.remove_prefix(static_cast<size_t>(stop - rest.data()));
    return true;
}
// Calls onLine with each line of text after its first (CR LF or LF ends, the CR dropped) when the
// first line is header; false, with no call, when it is not: a file of another kind or version.
bool forEachLineAfterHeader(std::string_view text, std::string_view header,
                            const std::function<void(std::string_view)>& onLine);

#include "platform/fixed_text.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
}  // namespace

int parseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
    }
    return static_cast<int>(value);
}

double parseReal(std::string_view text) {
    std::string copy(text.substr(0, 64));
    return std::strtod(copy.c_str(), nullptr);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equalsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = lower(c);
    }
    return out;
}

std::string_view withoutCr(std::string_view line) {
    return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

std::string crLfLine(std::string_view text) {
    return std::string(text).append(kCrLf);
}

bool forEachLineAfterHeader(std::string_view text, std::string_view header,
                            const std::function<void(std::string_view)>& onLine) {
    bool first = true;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = withoutCr(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (first && line != header) {
            return false;
        }
        if (!first) {
            onLine(line);
        }
        first = false;
    }
    return !first;
}

void toLineFeeds(std::string& text) {
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            text[out++] = text[i];
        }
    }
    text.resize(out);
}

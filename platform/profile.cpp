#include "platform/profile.h"

#include "platform/fixed_text.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// One line of an INI text: [begin, end) is its content without the line end, next is where the
// following line starts (text size for the last line).
struct Line {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    bool hasLineEnd() const { return next > end; }
};

Line lineAt(std::string_view text, size_t begin) {
    size_t lf = text.find('\n', begin);
    if (lf == std::string_view::npos) {
        return {begin, text.size(), text.size()};
    }
    size_t end = begin + withoutCr(text.substr(begin, lf - begin)).size();
    return {begin, end, lf + 1};
}

enum class LineKind { Other, Section, Key };

// What a line is, with the section name or the key name, and for a key where its value starts.
struct Parsed {
    LineKind kind = LineKind::Other;
    std::string_view name;
    size_t valueBegin = 0;  // offset in the text, just after the "="
};

Parsed parse(std::string_view text, const Line& line) {
    std::string_view content = text.substr(line.begin, line.end - line.begin);
    std::string_view body = trim(content);
    if (body.empty() || body.front() == ';') {
        return {};
    }
    if (body.front() == '[') {
        size_t close = body.find(']');
        std::string_view inner =
            body.substr(1, close == std::string_view::npos ? body.npos : close - 1);
        return {LineKind::Section, trim(inner), 0};
    }
    size_t eq = content.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    return {LineKind::Key, trim(content.substr(0, eq)), line.begin + eq + 1};
}

std::string_view cleanValue(std::string_view raw) {
    std::string_view v = trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

// Where section/key stands in the text: the key's line inside the first section of that name
// that holds it, and the last key line (or the header) of the first section of that name.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    size_t valueBegin = 0;
    Line anchor;  // new keys of the section go after this line
};

Place locate(std::string_view text, std::string_view section, std::string_view key) {
    Place place;
    bool inSection = false;
    bool inFirst = false;
    for (size_t pos = 0; pos < text.size();) {
        Line line = lineAt(text, pos);
        Parsed p = parse(text, line);
        if (p.kind == LineKind::Section) {
            inSection = equalsNoCase(p.name, section);
            inFirst = inSection && !place.sectionFound;
            if (inFirst) {
                place.sectionFound = true;
                place.anchor = line;
            }
        } else if (p.kind == LineKind::Key && inSection) {
            if (equalsNoCase(p.name, key)) {
                place.keyFound = true;
                place.keyLine = line;
                place.valueBegin = p.valueBegin;
                return place;
            }
            if (inFirst) {
                place.anchor = line;
            }
        }
        pos = line.next;
    }
    return place;
}

// The line end a file already uses; CR LF for a file without any.
std::string_view lineEndOf(std::string_view text) {
    size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
        return "\r\n";
    }
    return lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

bool endsWithBlankLine(std::string_view text) {
    if (text.empty() || text.back() != '\n') {
        return false;
    }
    size_t last = text.find_last_not_of("\r\n");
    if (last == std::string_view::npos) {
        return true;
    }
    std::string_view tail = text.substr(last + 1);
    return tail.find('\n') != tail.rfind('\n');
}

// A value is one line: anything from a line break on would become lines of its own.
std::string_view oneLine(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

}  // namespace

std::optional<std::string> profileLookup(std::string_view text, std::string_view section,
                                         std::string_view key) {
    Place place = locate(text, section, key);
    if (!place.keyFound) {
        return std::nullopt;
    }
    return std::string(
        cleanValue(text.substr(place.valueBegin, place.keyLine.end - place.valueBegin)));
}

std::string profileWithValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
    value = oneLine(value);
    std::string_view eol = lineEndOf(text);
    Place place = locate(text, section, key);
    std::string out;
    if (place.keyFound) {
        out.append(text.substr(0, place.valueBegin));
        out.append(value);
        out.append(text.substr(place.keyLine.end));
        return out;
    }
    std::string entry = std::string(key) + "=" + std::string(value) + std::string(eol);
    if (place.sectionFound) {
        size_t at = place.anchor.next;
        out.append(text.substr(0, at));
        if (!place.anchor.hasLineEnd()) {
            out.append(eol);
        }
        out.append(entry);
        out.append(text.substr(at));
        return out;
    }
    out.append(text);
    if (!out.empty() && out.back() != '\n') {
        out.append(eol);
    }
    if (!out.empty() && !endsWithBlankLine(out)) {
        out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(entry);
    return out;
}

// The window's one way from the farm's UTF-8 texts to Qt's strings.
#pragma once

#include <QString>
#include <string_view>

inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

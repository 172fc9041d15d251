// Path joining. The farm joins every folder and name with one "/" and no other separator
// handling, the way its Windows ancestor joined them with one backslash. And the absolute form
// of a path, against the working folder.
#pragma once

#include <string>
#include <string_view>

std::string joinPath(std::string_view dir, std::string_view name);
// Everything before the last "/", or the empty text when there is none.
std::string parentPath(std::string_view path);
// The path as it stands when it begins with "/", else joined to the working folder (the working
// folder itself for the empty path).
std::string absolutePath(const std::string& path);

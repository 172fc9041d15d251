// Path joining. The farm joins every folder and name with one "/" and no other separator
// handling, the way its Windows ancestor joined them with one backslash.
#pragma once

#include <string>
#include <string_view>

std::string joinPath(std::string_view dir, std::string_view name);
// Everything before the last "/", or the empty text when there is none.
std::string parentPath(std::string_view path);

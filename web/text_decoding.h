// Bytes from files the farm does not own (scene and log file names, save paths, log lines) made
// into valid UTF-8 for JSON: a valid UTF-8 sequence stays as it is, every other byte is taken
// as the Latin-1 character of that value, so nothing is lost and nothing is replaced.
#pragma once

#include <string>
#include <string_view>

std::string utf8FromBytes(std::string_view bytes);

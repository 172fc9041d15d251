// The settings file Kestrun.ini and LightWave's lw.cfg: loading them into FarmSettings and the
// node names, writing the settings file, and the derived paths (log file, queue file, lw.cfg).
// Every key of the settings file is read from one table (section, key, read limit, default),
// so reading, writing defaults and the manual cannot disagree.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct Farm;
class FileSystem;

// $XDG_CONFIG_HOME/Kestrun.ini, or ~/.config/Kestrun.ini when that variable is unset or empty.
std::string defaultSettingsPath();

// Start-up: shows "Initialising", writes the file with defaults when it does not exist, then
// loads it. False when lw.cfg cannot be opened.
bool initSettings(Farm& farm);
// Reads the settings file and lw.cfg into memory (node names and derived paths included).
// False when lw.cfg cannot be opened; the settings file's values are in force either way.
bool loadSettings(Farm& farm);
// Writes every key from memory; with writeDefaults, first resets each setting to its default.
// A save that fails is logged and shown.
void saveSettings(Farm& farm, bool writeDefaults);
// True when a file of the farm's own can be created (and is removed again) in dir.
bool directoryWritable(FileSystem& fs, const std::string& dir);

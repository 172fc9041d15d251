// The one table of the settings file's keys: section, key, read limit, default and bounds of
// every setting, in the order they are read and written. Loading, writing the defaults of a new
// file, and the sample file in docs/ all follow it. The node names and the path map are keyed
// by number and described by the constants below the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "farm/farm_settings.h"

struct SettingKey {
    std::string_view section;
    std::string_view key;
    size_t limit;                               // characters kept when reading
    std::string_view defaultText;               // read when missing, written into a new file
    std::string FarmSettings::*text = nullptr;  // a path setting, or
    int32_t FarmSettings::*number = nullptr;    // a numeric one
    int32_t low = std::numeric_limits<int32_t>::min();  // bounds applied after reading
    int32_t high = std::numeric_limits<int32_t>::max();
};

// The rows up to and including No_Of_Nodes come before the node names, the rest after them.
std::span<const SettingKey> settingsBeforeNames();
std::span<const SettingKey> settingsAfterNames();
// Every row, in order.
std::span<const SettingKey> allSettingKeys();

// Node names: section Node_Names, key "Node<i>" for i = 1..No_Of_Nodes.
constexpr std::string_view kNodeNamesSection = "Node_Names";
constexpr size_t kNodeNameLimit = 8;
std::string nodeNameKey(int node);
// Read when the key is missing: the node's number.
std::string nodeNameReadDefault(int node);
// Written into a new file: "PC_<i>".
std::string nodeNameWriteDefault(int node);

// Path map: section Path_Map, keys "Node_Path<i>" and "Local_Path<i>" for i = 1..kMaxPathMaps.
constexpr std::string_view kPathMapSection = "Path_Map";
constexpr size_t kPathMapLimit = 259;
std::string nodePathKey(int pair);
std::string localPathKey(int pair);

// Output roots: section Output_Roots, keys "Root<i>" for i = 1..kMaxOutputRoots, each a local
// folder; empty keys are passed over.
constexpr std::string_view kOutputRootsSection = "Output_Roots";
constexpr size_t kOutputRootLimit = 259;
std::string outputRootKey(int root);

// The value of a numeric row after its bounds.
int32_t boundSetting(const SettingKey& row, int32_t value);
// The row of a numeric or a text setting.
const SettingKey& settingRow(int32_t FarmSettings::*number);
const SettingKey& settingRow(std::string FarmSettings::*text);
// The largest value a numeric row gives back: its upper bound, or the most its digits hold.
int32_t largestSetting(const SettingKey& row);

#include "settings/settings_table.h"

#include <algorithm>

#include "farm/farm_state.h"

namespace {

using S = FarmSettings;

constexpr SettingKey kRows[] = {
    {"Scene_Queue_Dir", "PATH", 259, "\\", &S::Scene_Queue_Dir},
    {"Screamer_Command_Dir", "PATH", 259, "\\", &S::Screamer_Command_Dir},
    {"Config_Dir", "PATH", 259, "\\", &S::Config_Dir},
    // A negative minimum would make every free-space test pass; it counts as "no check".
    {"Free_Space_Minimum", "Megs", 3, "0", nullptr, &S::Free_Space_Minimum, 0},
    // 0 means no nodes; there is room for kMaxNodes.
    {"Installed_Nodes", "No_Of_Nodes", 2, "5", nullptr, &S::No_Of_Nodes, 0, kMaxNodes},
    {"Render_Method", "Method", 2, "2", nullptr, &S::Method},
    {"Options", "Beep_error", 2, "1", nullptr, &S::Beep_error},
    {"Options", "Beep_compl", 2, "1", nullptr, &S::Beep_compl},
    {"Options", "Auto_fix", 2, "1", nullptr, &S::Auto_fix},
    {"Options", "Cycle_time", 2, "1", nullptr, &S::Cycle_time},
    // 0 leaves the answers to the ticks' polls; a minute at most, as a longer pause is no look.
    {"Options", "Ack_Look_ms", 5, "100", nullptr, &S::Ack_Look_ms, 0, 60000},
    {"Render_Method", "Scenes_At_Once", 2, "1", nullptr, &S::Scenes_At_Once},
    // A negative time would report every working node at once; it counts as "off".
    {"Options", "Stuck_Minutes", 4, "30", nullptr, &S::Stuck_Minutes, 0},
    // Anything but 0 hands a stuck node's frame back to the farm and makes the node offline.
    {"Options", "Stuck_Hand_Back", 2, "1", nullptr, &S::Stuck_Hand_Back},
    {"Options", "Notify_Command", 259, "", &S::Notify_Command},
    {"Web_Monitor", "Port", 5, "0", nullptr, &S::Port, 0, 65535},
    {"Web_Monitor", "Address", 64, "127.0.0.1", &S::Address},
    {"Web_Monitor", "Token", 128, "", &S::Token},
};
constexpr size_t kRowsBeforeNames = 5;

}  // namespace

std::span<const SettingKey> settingsBeforeNames() {
    return std::span<const SettingKey>(kRows).first(kRowsBeforeNames);
}

std::span<const SettingKey> settingsAfterNames() {
    return std::span<const SettingKey>(kRows).subspan(kRowsBeforeNames);
}

std::span<const SettingKey> allSettingKeys() {
    return kRows;
}

std::string nodeNameKey(int node) {
    return "Node" + std::to_string(node);
}
std::string nodeNameReadDefault(int node) {
    return std::to_string(node);
}
std::string nodeNameWriteDefault(int node) {
    return "PC_" + std::to_string(node);
}

std::string nodePathKey(int pair) {
    return "Node_Path" + std::to_string(pair);
}
std::string localPathKey(int pair) {
    return "Local_Path" + std::to_string(pair);
}

std::string outputRootKey(int root) {
    return "Root" + std::to_string(root);
}

int32_t boundSetting(const SettingKey& row, int32_t value) {
    if (value < row.low) {
        return row.low;
    }
    return value > row.high ? row.high : value;
}

namespace {

template <typename Member>
const SettingKey& rowWith(Member member, Member SettingKey::*field) {
    auto found = std::find_if(std::begin(kRows), std::end(kRows),
                              [&](const SettingKey& row) { return row.*field == member; });
    return found != std::end(kRows) ? *found : kRows[0];
}

}  // namespace

const SettingKey& settingRow(int32_t FarmSettings::*number) {
    return rowWith(number, &SettingKey::number);
}

const SettingKey& settingRow(std::string FarmSettings::*text) {
    return rowWith(text, &SettingKey::text);
}

int32_t largestSetting(const SettingKey& row) {
    int64_t digits = 1;
    for (size_t i = 0; i < row.limit && digits <= row.high; ++i) {
        digits *= 10;
    }
    return static_cast<int32_t>(std::min<int64_t>(digits - 1, row.high));
}

// Fuzz target: an arbitrary settings file through loadSettings, a save of what was loaded over
// it, and the path map the file describes. The numbers must come back as they were loaded, and
// every value must respect its read limit and bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_farm.h"
#include "platform/fixed_text.h"
#include "settings/path_map.h"
#include "settings/settings_file.h"
#include "settings/settings_table.h"

namespace {

void checkLimits(const Farm& farm) {
    const FarmSettings& s = farm.settings;
    for (const SettingKey& row : allSettingKeys()) {
        if (row.text) {
            fuzzCheck((s.*row.text).size() <= row.limit, "a path longer than its read limit");
        } else {
            int32_t v = s.*row.number;
            fuzzCheck(v >= row.low && v <= row.high, "a number outside its bounds");
        }
    }
    fuzzCheck(s.pathMap.size() <= static_cast<size_t>(kMaxPathMaps), "too many path pairs");
    for (int i = 1; i <= s.No_Of_Nodes; ++i) {
        fuzzCheck(textOf(farm.state.nodes[i].name).size() <= kNodeNameLimit, "a long node name");
    }
}

std::vector<int32_t> numbers(const FarmSettings& s) {
    std::vector<int32_t> out;
    for (const SettingKey& row : allSettingKeys()) {
        if (row.number) {
            out.push_back(s.*row.number);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFarm fx("settings");
    fx.configure(0);
    Farm& farm = fx.farm;
    fx.writeFile(farm.settingsFile, std::string(reinterpret_cast<const char*>(data), size));

    loadSettings(farm);
    checkLimits(farm);
    for (const std::string& path : {farm.settings.Scene_Queue_Dir, farm.settings.Config_Dir}) {
        localToNode(farm.settings, nodeToLocal(farm.settings, path));
    }

    std::vector<int32_t> loaded = numbers(farm.settings);
    saveSettings(farm, false);
    loadSettings(farm);
    checkLimits(farm);
    fuzzCheck(numbers(farm.settings) == loaded, "a number changed by saving and loading again");
    return 0;
}

#include "settings/settings_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "report/save_report.h"
#include "settings/lw_cfg.h"
#include "settings/settings_table.h"

namespace {

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return home;
    }
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

// The settings file held in memory while it is read or written, so that loading or saving reads
// it once and writes it once.
struct SettingsText {
    std::string text;

    std::string read(std::string_view section, std::string_view key, std::string_view def,
                     size_t limit) const {
        std::optional<std::string> value = profileLookup(text, section, key);
        return std::string(std::string_view(value ? *value : std::string(def)).substr(0, limit));
    }
    void write(std::string_view section, std::string_view key, std::string_view value) {
        text = profileWithValue(text, section, key, value);
    }
    bool has(std::string_view section, std::string_view key) const {
        return profileLookup(text, section, key).has_value();
    }
};

void setDerivedPaths(Farm& farm) {
    farm.state.logFilePath = joinPath(farm.settings.Scene_Queue_Dir, "Logfile.txt");
    farm.state.queueFilePath = joinPath(farm.settings.Scene_Queue_Dir, "Kestrun.que");
}

void loadRow(const SettingsText& file, const SettingKey& row, FarmSettings& s) {
    std::string value = file.read(row.section, row.key, row.defaultText, row.limit);
    if (row.text) {
        s.*row.text = value;
    } else {
        s.*row.number = boundSetting(row, parseInt(value));
    }
}

void loadNodeNames(const SettingsText& file, Farm& farm) {
    for (int i = 1; i <= farm.settings.No_Of_Nodes; ++i) {
        copyText(farm.state.nodes[i].name, file.read(kNodeNamesSection, nodeNameKey(i),
                                                     nodeNameReadDefault(i), kNodeNameLimit));
    }
}

void loadPathMap(const SettingsText& file, FarmSettings& s) {
    s.pathMap.clear();
    for (int i = 1; i <= kMaxPathMaps; ++i) {
        PathMapping m{file.read(kPathMapSection, nodePathKey(i), "", kPathMapLimit),
                      file.read(kPathMapSection, localPathKey(i), "", kPathMapLimit)};
        if (!m.nodePath.empty() || !m.localPath.empty()) {
            s.pathMap.push_back(std::move(m));
        }
    }
}

void loadOutputRoots(const SettingsText& file, FarmSettings& s) {
    s.outputRoots.clear();
    for (int i = 1; i <= kMaxOutputRoots; ++i) {
        std::string root = file.read(kOutputRootsSection, outputRootKey(i), "", kOutputRootLimit);
        if (!root.empty()) {
            s.outputRoots.push_back(std::move(root));
        }
    }
}

// lw.cfg is read up to a size no real one comes near: a link to a device or an endless file
// cannot exhaust the memory (and a FIFO or a device is no regular file and cannot be read).
bool loadLwCfg(Farm& farm) {
    std::string text;
    if (!farm.fs.readFile(farm.settings.lwCfgPath, text, kLargestTextFile)) {
        return false;
    }
    toLineFeeds(text);
    applyLwCfg(text, farm.settings);
    return true;
}

void saveRow(SettingsText& file, const SettingKey& row, FarmSettings& s, bool writeDefaults) {
    if (row.text) {
        if (writeDefaults) {
            s.*row.text = std::string(row.defaultText);
        }
        file.write(row.section, row.key, s.*row.text);
        return;
    }
    if (writeDefaults) {
        s.*row.number = parseInt(row.defaultText);
    }
    s.*row.number = boundSetting(row, s.*row.number);
    file.write(row.section, row.key, std::to_string(s.*row.number));
}

void saveNodeNames(SettingsText& file, Farm& farm, bool writeDefaults) {
    for (int i = 1; i <= farm.settings.No_Of_Nodes; ++i) {
        file.write(kNodeNamesSection, nodeNameKey(i),
                   writeDefaults ? nodeNameWriteDefault(i)
                                 : std::string(textOf(farm.state.nodes[i].name)));
    }
}

// The pairs in use are written as pairs 1..n; a higher pair that the file still holds is
// emptied, so that a removed mapping does not come back at the next load.
void savePathMap(SettingsText& file, const FarmSettings& s) {
    int pair = 0;
    for (const PathMapping& m : s.pathMap) {
        if ((m.nodePath.empty() && m.localPath.empty()) || pair == kMaxPathMaps) {
            continue;
        }
        ++pair;
        file.write(kPathMapSection, nodePathKey(pair), m.nodePath);
        file.write(kPathMapSection, localPathKey(pair), m.localPath);
    }
    for (++pair; pair <= kMaxPathMaps; ++pair) {
        for (const std::string& key : {nodePathKey(pair), localPathKey(pair)}) {
            if (file.has(kPathMapSection, key)) {
                file.write(kPathMapSection, key, "");
            }
        }
    }
}

// The roots in use are written as Root1..n; a higher key the file still holds is emptied.
void saveOutputRoots(SettingsText& file, const FarmSettings& s) {
    int key = 0;
    for (const std::string& root : s.outputRoots) {
        if (!root.empty() && key < kMaxOutputRoots) {
            file.write(kOutputRootsSection, outputRootKey(++key), root);
        }
    }
    for (++key; key <= kMaxOutputRoots; ++key) {
        if (file.has(kOutputRootsSection, outputRootKey(key))) {
            file.write(kOutputRootsSection, outputRootKey(key), "");
        }
    }
}

// Creates the folder and any missing parents, as a fresh account may not have ~/.config yet.
void makeFolders(FileSystem& fs, const std::string& dir) {
    if (dir.empty() || fs.isDirectory(dir)) {
        return;
    }
    makeFolders(fs, parentPath(dir));
    fs.makeDirectory(dir);
}

}  // namespace

std::string defaultSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    if (config && config[0] == '/') {
        return joinPath(config, "Kestrun.ini");
    }
    return joinPath(joinPath(homeDirectory(), ".config"), "Kestrun.ini");
}

bool initSettings(Farm& farm) {
    farm.host.showStatus("Initialising");
    if (!farm.fs.exists(farm.settingsFile)) {
        makeFolders(farm.fs, parentPath(farm.settingsFile));
        saveSettings(farm, true);
    }
    return loadSettings(farm);
}

bool loadSettings(Farm& farm) {
    SettingsText file;
    farm.fs.readCapped(farm.settingsFile, file.text, kLargestTextFile);
    FarmSettings& s = farm.settings;
    for (const SettingKey& row : settingsBeforeNames()) {
        loadRow(file, row, s);
    }
    setDerivedPaths(farm);
    s.lwCfgPath = joinPath(s.Config_Dir, "lw.cfg");
    loadNodeNames(file, farm);
    for (const SettingKey& row : settingsAfterNames()) {
        loadRow(file, row, s);
    }
    loadPathMap(file, s);
    loadOutputRoots(file, s);
    return loadLwCfg(farm);
}

void saveSettings(Farm& farm, bool writeDefaults) {
    SettingsText file;
    // A settings file that exists but cannot be read whole is not overwritten with a partial one.
    ReadResult read = farm.fs.readCapped(farm.settingsFile, file.text, kLargestTextFile);
    if (read != ReadResult::Ok && farm.fs.exists(farm.settingsFile)) {
        SaveResult refused;
        refused.error = read == ReadResult::TooLarge ? EFBIG : EACCES;
        reportSave(farm, farm.notices.settingsSave, "Settings file", farm.settingsFile, refused,
                   ShowFailure::Always);
        return;
    }
    FarmSettings& s = farm.settings;
    if (writeDefaults) {
        s.pathMap.clear();
        s.outputRoots.clear();
    }
    for (const SettingKey& row : settingsBeforeNames()) {
        saveRow(file, row, s, writeDefaults);
    }
    setDerivedPaths(farm);
    saveNodeNames(file, farm, writeDefaults);
    for (const SettingKey& row : settingsAfterNames()) {
        saveRow(file, row, s, writeDefaults);
    }
    savePathMap(file, s);
    saveOutputRoots(file, s);
    // The settings file is the operator's: a link to it is followed to its target, whose mode
    // and owner are kept.
    SaveResult saved = farm.fs.saveFile(farm.settingsFile, file.text, Trust::Operator);
    reportSave(farm, farm.notices.settingsSave, "Settings file", farm.settingsFile, saved,
               ShowFailure::Always);
}

bool directoryWritable(FileSystem& fs, const std::string& dir) {
    return fs.probeFolder(dir);
}

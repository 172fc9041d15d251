// The settings record: every value of the settings file, named by its key, and what is read
// from LightWave's lw.cfg. A plain record held by the Farm; settings_file.h reads and writes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kImageFormats = 100;
constexpr int kMaxPathMaps = 20;
constexpr int kMaxOutputRoots = 20;

// One pair of the path map: the same folder as the nodes name it and as this machine does.
struct PathMapping {
    std::string nodePath;
    std::string localPath;
};

struct FarmSettings {
    std::string Scene_Queue_Dir;
    std::string Screamer_Command_Dir;
    std::string Config_Dir;
    int32_t Free_Space_Minimum = 0;  // MB; 0 switches the check off
    int32_t No_Of_Nodes = 0;         // 0..30
    int32_t Method = 0;              // carried through unchanged; nothing acts on it
    int32_t Beep_error = 0;
    int32_t Beep_compl = 0;
    int32_t Auto_fix = 0;
    int32_t Cycle_time = 1;  // seconds between ticks
    // Milliseconds between two looks at the command folder between ticks; 0: none.
    int32_t Ack_Look_ms = 100;
    int32_t Scenes_At_Once = 1;
    int32_t Stuck_Minutes = 30;   // a working node silent this long is stuck; 0 = never
    int32_t Stuck_Hand_Back = 1;  // nonzero: a stuck node's frame is handed back, node offline
    std::string Notify_Command;   // program started on each farm event; empty = none
    // [Web_Monitor]: the port of the web monitor (0: off), the address it listens on and the
    // token its commands need (empty: no commands).
    int32_t Port = 0;
    std::string Address;
    std::string Token;

    std::string ContentDirectory;                      // from lw.cfg
    char imageSaverExtensions[kImageFormats][5] = {};  // per RGBImageFormat number
    std::string imageFilePrefix;                       // kept in memory only
    std::string lwCfgPath;

    // Section Path_Map, pairs Node_PathN / Local_PathN in use, in file order; empty: no mapping.
    std::vector<PathMapping> pathMap;
    // Section Output_Roots, keys RootN in use, in file order: local folders below which a
    // scene's missing save folders may be created (besides ContentDirectory).
    std::vector<std::string> outputRoots;
};

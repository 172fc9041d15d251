// Fuzz target: an arbitrary lw.cfg read by loadSettings (line ends turned, content directory
// and image savers taken), then a scene read with the saver list it gave.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/scene_reader.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFarm fx("lw_cfg");
    static bool ready = false;
    Farm& farm = fx.farm;
    if (!ready) {
        fx.writeFile(farm.settingsFile, "[Config_Dir]\r\nPATH=" + fx.configDir +
                                            "\r\n[Scene_Queue_Dir]\r\nPATH=" + fx.queueDir +
                                            "\r\n[Installed_Nodes]\r\nNo_Of_Nodes=1\r\n");
        fx.writeFile(joinPath(fx.queueDir, "shot.lws"),
                     "LWSC\n3\n\nFirstFrame 1\nLastFrame 3\nFrameStep 1\nResolution 1\n"
                     "OutputFilenameFormat 2\nSaveRGBImagesPrefix Renders/shot\n"
                     "RGBImageFormat 3\n");
        ready = true;
    }
    fx.configure(1);
    fx.writeFile(joinPath(fx.configDir, "lw.cfg"),
                 std::string(reinterpret_cast<const char*>(data), size));

    fuzzCheck(loadSettings(farm), "lw.cfg could not be read");
    const FarmSettings& s = farm.settings;
    fuzzCheck(textOf(s.imageSaverExtensions[2]) == ".TGA", "format 2 is not .TGA");
    for (const auto& extension : s.imageSaverExtensions) {
        fuzzCheck(textOf(extension).size() <= 4, "an extension longer than 4 characters");
    }

    FarmState& state = farm.state;
    state.sceneCount = 1;
    copyText(state.scenes[1].fileName, "shot.lws");
    state.scenes[1].position = 1;
    readSceneFile(farm, 1);
    return 0;
}

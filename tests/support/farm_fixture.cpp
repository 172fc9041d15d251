#include "farm_fixture.h"

#include "platform/fixed_text.h"
#include "platform/path.h"

FarmFixture::FarmFixture(FarmFixtureOptions options) : options_(std::move(options)) {
    queueDir = dir.makeDir("queue");
    commandDir = dir.makeDir("command");
    configDir = dir.makeDir("config");
    contentDir = dir.makeDir("content");
    settingsFile = dir.file("Kestrun.ini");
    writeText(settingsFile, iniText());
    if (options_.writeLwCfg) {
        writeText(configDir + "/lw.cfg", "LWCONFIG\nContentDirectory " + lwContentDirectory() +
                                             "\nPlugin ImageSaver PNG(.png) png.p PNG(.png)\n" +
                                             options_.lwCfgExtra);
    }
    farm = std::make_unique<Farm>(host, fs, clock, settingsFile);
    // The settings as loading them would leave them, so engine tests need not load the file.
    FarmSettings& s = farm->settings;
    s.Scene_Queue_Dir = queueDir;
    s.Screamer_Command_Dir = commandDir;
    s.Config_Dir = configDir;
    s.Free_Space_Minimum = options_.freeSpaceMinimum;
    s.No_Of_Nodes = options_.nodes;
    s.Cycle_time = options_.cycleTime;
    s.ContentDirectory = lwContentDirectory();
    copyText(s.imageSaverExtensions[0], ".IFF");
    copyText(s.imageSaverExtensions[1], ".RAW");
    copyText(s.imageSaverExtensions[2], ".TGA");
    copyText(s.imageSaverExtensions[3], ".png");
    s.lwCfgPath = joinPath(configDir, "lw.cfg");
    farm->state.logFilePath = joinPath(queueDir, "Logfile.txt");
    farm->state.queueFilePath = joinPath(queueDir, "Kestrun.que");
    for (int i = 1; i <= options_.nodes && i < kNodeSlots; ++i) {
        copyText(farm->state.nodes[i].name, "PC_" + std::to_string(i));
    }
}

std::string FarmFixture::lwContentDirectory() const {
    return options_.contentDirectory.empty() ? contentDir : options_.contentDirectory;
}

std::string FarmFixture::iniText() const {
    std::string t;
    t += "[Scene_Queue_Dir]\r\nPATH=" + queueDir + "\r\n";
    t += "[Screamer_Command_Dir]\r\nPATH=" + commandDir + "\r\n";
    t += "[Config_Dir]\r\nPATH=" + configDir + "\r\n";
    t += "[Free_Space_Minimum]\r\nMegs=" + std::to_string(options_.freeSpaceMinimum) + "\r\n";
    t += "[Installed_Nodes]\r\nNo_Of_Nodes=" + std::to_string(options_.nodes) + "\r\n";
    t += "[Node_Names]\r\n";
    for (int i = 1; i <= options_.nodes; ++i) {
        t += "Node" + std::to_string(i) + "=PC_" + std::to_string(i) + "\r\n";
    }
    t += "[Render_Method]\r\nMethod=2\r\nScenes_At_Once=1\r\n";
    t += "[Options]\r\nBeep_error=1\r\nBeep_compl=1\r\nAuto_fix=1\r\nCycle_time=" +
         std::to_string(options_.cycleTime) + "\r\n";
    return t + options_.iniExtra;
}

std::string FarmFixture::addSceneFile(std::string_view name, std::string_view text) const {
    std::string path = joinPath(queueDir, name);
    writeText(path, text);
    return path;
}

void FarmFixture::writeAck(int node, std::string_view text) const {
    writeText(commandDir + "/ack" + std::to_string(node), text);
}

std::string FarmFixture::job(int node) const {
    return readText(commandDir + "/job" + std::to_string(node));
}

std::string FarmFixture::log() const {
    return readText(queueDir + "/Logfile.txt");
}

std::vector<std::string> FarmFixture::loggedMessages() const {
    std::string text = fileExists(queueDir + "/Logfile.txt") ? log() : std::string();
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at + 15, end - at - 15));
    }
    return lines;
}

std::vector<std::string> FarmFixture::nodeArgs(int n, const std::vector<std::string>& extra) const {
    std::vector<std::string> args{"--command-dir",   commandDir,      "--node",
                                  std::to_string(n), "--content-dir", contentDir};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::string sceneText(int first, int last, int step, std::string_view savePrefix, bool crlf) {
    std::string t = "LWSC\n3\n\nFirstFrame " + std::to_string(first) + "\nLastFrame " +
                    std::to_string(last) + "\nFrameStep " + std::to_string(step) +
                    "\nPreviewFirstFrame 0\nPreviewLastFrame 200\nPreviewFrameStep 1\n"
                    "FramesPerSecond 25\n\nAddNullObject Null\nShowObject 6 3\n\n"
                    "Resolution 1\nPixelAspectRatio 0\nAntialiasing 1\nFilterType 0\n"
                    "SegmentMemory 8000000\nBlurLength 0.5\nOutputFilenameFormat 2\n"
                    "SaveRGBImagesPrefix " +
                    std::string(savePrefix) + "\nRGBImageFormat 2\n";
    if (!crlf) {
        return t;
    }
    std::string out;
    for (char c : t) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

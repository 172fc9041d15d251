// Writes the seed corpora of the fuzz targets into DIR/<target>/ from the texts the tests use:
// settings files as the farm fixture and a new farm write them, lw.cfg texts, scene files under
// their names, queue files saved by a farm at each stage of a scene's life, and the words a
// node writes, and requests to the web monitor. Run once: `make_fuzz_seeds fuzz/corpus`; the seeds
// are kept in the repository.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/scene_scans.h"
#include "fuzz/fuzz_farm.h"
#include "fuzz/queue_sandbox.h"
#include "platform/path.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "settings/settings_file.h"
#include "tests/support/farm_fixture.h"

namespace {

std::string outDir;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(joinPath(outDir, target));
    std::ofstream out(joinPath(joinPath(outDir, target), name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void settingsSeeds() {
    FarmFixtureOptions mapped;
    mapped.nodes = 4;
    mapped.freeSpaceMinimum = 50;
    mapped.iniExtra = "[Path_Map]\r\nNode_Path1=Q:\\\r\nLocal_Path1=/srv/farm\r\n";
    for (const auto& [name, options] :
         {std::pair{"fixture.ini", FarmFixtureOptions{}}, std::pair{"mapped.ini", mapped}}) {
        FarmFixture fixture(options);
        seed("settings", name, fixture.iniText());
    }
    FarmFixture fresh;
    std::filesystem::remove(fresh.settingsFile);
    saveSettings(*fresh.farm, true);
    seed("settings", "defaults.ini", fileText(fresh.settingsFile));
    seed("settings", "sample.ini", fileText(std::string(KESTRUN_SOURCE_DIR) + "/docs/Kestrun.ini"));
}

void lwCfgSeeds() {
    seed("lw_cfg", "fixture.cfg",
         "LWCONFIG\nContentDirectory /data/content\nPlugin ImageSaver PNG(.png) png.p PNG(.png)\n");
    seed("lw_cfg", "crlf.cfg",
         "LWCONFIG 3\r\nContentDirectory C:\\NewTek\\Content\r\nDefaultSegmentMemory 8000000\r\n"
         "Plugin ImageSaver PNG(.png) png.p PNG(.xxx)\r\nPlugin ImageLoader JPEG(.bad) j.p\r\n"
         "Plugin ImageSaver JPEG(.jpg) jpeg.p\r\nPlugin ImageSaver Odd\r\n");
    seed("lw_cfg", "key_at_end.cfg",
         "L\r\nContentDirectory\r\n/next/line\r\nX\r\nContentDirectory");
}

void sceneSeeds() {
    auto named = [](const std::string& name, const std::string& text) {
        return name + std::string(1, '\0') + text;
    };
    seed("scene", "plain", named("shot.lws", sceneText(1, 5, 1, "Renders/done")));
    seed("scene", "crlf_step", named("b_step.lws", sceneText(1, 10, 3, "Renders\\step", true)));
    seed("scene", "drive", named("win.LWS", sceneText(0, 2999, 7, "Q:\\renders\\shot")));
    seed("scene", "saver",
         named("saver.lws",
               "LWSC\n5\n\nFirstFrame 10\nLastFrame 20\nFrameStep 2\nCustomSize 1920 1080\n"
               "Antialiasing 2\nEnhancedAA 1\nFilterType 1\nSegmentMemory 32000000\n"
               "BlurLength 0.25\nOutputFilenameFormat 0\nSaveRGBImagesPrefix Renders/saver\n"
               "RGBImageSaver LW_TGA32(.tga)\n"));
    seed("scene", "unnamed", sceneText(1, 3, 1, "Renders/shot"));
}

void queueSeeds() {
    FuzzFarm fx("queue");
    prepareQueueSandbox(fx);
    Farm& farm = fx.farm;
    auto saved = [&](const char* name) {
        saveQueueFile(farm);
        seed("queue", name, fileText(farm.state.queueFilePath));
    };
    saved("empty");
    checkSceneQueue(farm);
    saved("checked");
    scanScenes(farm, 15);
    saved("scanned");
    farm.state.runningFlag = -1;
    setFrameCode(farm.state.scenes[1], 5, kFrameInHand);
    setFrameCode(farm.state.scenes[1], 6, kFrameFinished);
    farm.state.scenes[1].lastNode = 2;
    saved("running_in_hand");
    failScene(farm.state, "Unsuccessful", 2);
    farm.state.scenes[2].position = 0;
    saved("failed");
    seed("queue", "flag_only", std::string("\xff\xff\xff\xff", 4));
}

void ackSeeds() {
    for (const char* word : {"Ready", "Initializing", "Loading scene /srv/queue/shot.lws",
                             "Rendering frame 5", "Offline", "Rea", ""}) {
        std::string name = *word ? std::string(word).substr(0, 7) : "empty";
        for (char& c : name) {
            c = c == ' ' ? '_' : c;
        }
        seed("ack", name, word);
    }
}

void httpSeeds() {
    const std::string host = "Host: localhost\r\n";
    const std::string token = "Authorization: Bearer fuzz-token\r\n";
    const std::string command = R"({"command": "boost", "scene": "shot.lws"})";
    auto post = [&](const std::string& headers, const std::string& body) {
        return "POST /api/commands HTTP/1.1\r\n" + host + token + headers + "\r\n" + body;
    };
    const std::string length = "Content-Length: " + std::to_string(command.size()) + "\r\n";
    seed("http", "page", "GET / HTTP/1.1\r\n" + host + "\r\n");
    seed("http", "pipelined",
         "GET /api/status HTTP/1.1\r\n" + host + "\r\nGET /api/log?lines=3 HTTP/1.1\r\n" + host +
             "Connection: close\r\n\r\n");
    seed("http", "events", "GET /api/events HTTP/1.1\r\n" + host + "\r\n");
    std::string ranges = "Range: bytes=1-2";
    for (int i = 0; i < 12; ++i) {
        ranges += ",0-";
    }
    seed("http", "range", "GET / HTTP/1.1\r\n" + host + ranges + "\r\n\r\n");
    seed("http", "head_v6_host", "HEAD /api/status?x=%41 HTTP/1.0\r\nHost: [::1]:80\r\n\r\n");
    seed("http", "command", post(length, command));
    seed("http", "command_expect", post(length + "Expect: 100-continue\r\n", command));
    char chunk[16];
    std::snprintf(chunk, sizeof chunk, "%zx\r\n", command.size());
    seed("http", "command_chunked",
         post("Transfer-Encoding: chunked\r\n", chunk + command + "\r\n0\r\n\r\n"));
    seed("http", "command_deflate",
         post("Content-Encoding: deflate\r\nContent-Length: 8\r\n",
              std::string("x\x9c\x03\0\0\0\0\x01", 8)));
    seed("http", "two_lengths", post(length + length, command));
    const std::string form = "--b\r\nContent-Disposition: form-data; name=a\r\n\r\nx\r\n--b--\r\n";
    seed("http", "multipart",
         post("Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
                  std::to_string(form.size()) + "\r\n",
              form));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 1;
    }
    outDir = argv[1];
    settingsSeeds();
    lwCfgSeeds();
    sceneSeeds();
    queueSeeds();
    ackSeeds();
    httpSeeds();
    return 0;
}

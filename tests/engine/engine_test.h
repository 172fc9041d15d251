// Shared by the engine tests: a farm in a temporary folder (FarmFixture), scenes put straight
// into the queue table with their images in a folder of their own, and the command files as a
// node would write and read them.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <string_view>

#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "engine/scene_scans.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "sim/node_files.h"
#include "tests/support/farm_fixture.h"

class EngineTest : public ::testing::Test {
  protected:
    FarmFixture fx;
    Farm& farm = *fx.farm;
    FarmState& s = farm.state;

    // Appends a live scene whose images are "<tmp>/images/shotNNNN.TGA"; gives its entry.
    int queueScene(int32_t id, int first, int last, int step = 1) {
        SceneEntry& e = s.scenes[++s.sceneCount];
        e = SceneEntry{};
        e.sceneId = id;
        e.position = s.sceneCount;
        e.firstFrame = first;
        e.lastFrame = last;
        e.frameStep = step;
        copyText(e.fileName, "scene" + std::to_string(id) + ".lws");
        copyText(e.outputPath, fx.dir.makeDir("images") + "/shot0000.TGA");
        return s.sceneCount;
    }
    // Writes a whole image of the frame, as a node's image saver would.
    void writeImage(int entry, int frame) {
        sim::writeFrameImage(imageName(s.scenes[entry], frame), frame);
    }
    char code(int entry, int frame) const { return s.scenes[entry].frameMap[frame]; }

    void writeAck(int node, std::string_view text) { fx.writeAck(node, text); }
    // Dates the node's acknowledgement a minute back, as one written long before the poll.
    void makeAckOld(int node) {
        setModifiedTime(fx.commandDir + "/ack" + std::to_string(node), ::time(nullptr) - 60);
    }
    std::string job(int node) const { return fx.job(node); }
    std::string log() const { return fx.log(); }
    bool logged(std::string_view text) const { return log().find(text) != std::string::npos; }
    int logCount(std::string_view text) const { return countOf(log(), text); }
    NodeSlot& node(int n) { return s.nodes[n]; }
};

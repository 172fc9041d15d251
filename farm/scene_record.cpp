#include "farm/scene_record.h"

#include <cstring>

namespace {

void put32(unsigned char* out, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

uint32_t get32(const unsigned char* in, size_t offset) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(in[offset + i]) << (8 * i);
    }
    return v;
}

void putI32(unsigned char* out, size_t offset, int32_t v) {
    put32(out, offset, static_cast<uint32_t>(v));
}

int32_t getI32(const unsigned char* in, size_t offset) {
    return static_cast<int32_t>(get32(in, offset));
}

}  // namespace

void encodeSceneEntry(const SceneEntry& e, unsigned char* out) {
    using namespace scene_record;
    putI32(out, kPosition, e.position);
    std::memcpy(out + kFileName, e.fileName, sizeof e.fileName);
    putI32(out, kSceneId, e.sceneId);
    putI32(out, kFirstFrame, e.firstFrame);
    putI32(out, kLastFrame, e.lastFrame);
    putI32(out, kFrameStep, e.frameStep);
    std::memcpy(out + kFrameMap, e.frameMap, sizeof e.frameMap);
    put32(out, kFileTime, static_cast<uint32_t>(e.fileTime));
    put32(out, kFileTime + 4, static_cast<uint32_t>(e.fileTime >> 32));
    std::memcpy(out + kOutputPath, e.outputPath, sizeof e.outputPath);
    std::memcpy(out + kImageSize, e.imageSize, sizeof e.imageSize);
    putI32(out, kAntialias, e.antialias);
    putI32(out, kFilterType, e.filterType);
    putI32(out, kSegmentMemory, e.segmentMemory);
    putI32(out, kBlurPercent, e.blurPercent);
    putI32(out, kProblemCount, e.problemCount);
    putI32(out, kLastNode, e.lastNode);
}

SceneEntry decodeSceneEntry(const unsigned char* in) {
    using namespace scene_record;
    SceneEntry e;
    e.position = getI32(in, kPosition);
    std::memcpy(e.fileName, in + kFileName, sizeof e.fileName);
    e.sceneId = getI32(in, kSceneId);
    e.firstFrame = getI32(in, kFirstFrame);
    e.lastFrame = getI32(in, kLastFrame);
    e.frameStep = getI32(in, kFrameStep);
    std::memcpy(e.frameMap, in + kFrameMap, sizeof e.frameMap);
    e.fileTime = get32(in, kFileTime) | (uint64_t{get32(in, kFileTime + 4)} << 32);
    std::memcpy(e.outputPath, in + kOutputPath, sizeof e.outputPath);
    std::memcpy(e.imageSize, in + kImageSize, sizeof e.imageSize);
    e.antialias = getI32(in, kAntialias);
    e.filterType = getI32(in, kFilterType);
    e.segmentMemory = getI32(in, kSegmentMemory);
    e.blurPercent = getI32(in, kBlurPercent);
    e.problemCount = getI32(in, kProblemCount);
    e.lastNode = getI32(in, kLastNode);
    return e;
}

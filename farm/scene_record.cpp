#include "farm/scene_record.h"

#include <cstring>

#include "platform/little_endian.h"

void encodeSceneEntry(const SceneEntry& e, unsigned char* out) {
    using namespace scene_record;
    putLeI32(out + kPosition, e.position);
    std::memcpy(out + kFileName, e.fileName, sizeof e.fileName);
    putLeI32(out + kSceneId, e.sceneId);
    putLeI32(out + kFirstFrame, e.firstFrame);
    putLeI32(out + kLastFrame, e.lastFrame);
    putLeI32(out + kFrameStep, e.frameStep);
    std::memcpy(out + kFrameMap, e.frameMap, sizeof e.frameMap);
    putLe32(out + kFileTime, static_cast<uint32_t>(e.fileTime));
    putLe32(out + kFileTime + 4, static_cast<uint32_t>(e.fileTime >> 32));
    std::memcpy(out + kOutputPath, e.outputPath, sizeof e.outputPath);
    std::memcpy(out + kImageSize, e.imageSize, sizeof e.imageSize);
    putLeI32(out + kAntialias, e.antialias);
    putLeI32(out + kFilterType, e.filterType);
    putLeI32(out + kSegmentMemory, e.segmentMemory);
    putLeI32(out + kBlurPercent, e.blurPercent);
    putLeI32(out + kProblemCount, e.problemCount);
    putLeI32(out + kLastNode, e.lastNode);
}

SceneEntry decodeSceneEntry(const unsigned char* in) {
    using namespace scene_record;
    SceneEntry e;
    e.position = getLeI32(in + kPosition);
    std::memcpy(e.fileName, in + kFileName, sizeof e.fileName);
    e.sceneId = getLeI32(in + kSceneId);
    e.firstFrame = getLeI32(in + kFirstFrame);
    e.lastFrame = getLeI32(in + kLastFrame);
    e.frameStep = getLeI32(in + kFrameStep);
    std::memcpy(e.frameMap, in + kFrameMap, sizeof e.frameMap);
    e.fileTime = getLe32(in + kFileTime) | (uint64_t{getLe32(in + kFileTime + 4)} << 32);
    std::memcpy(e.outputPath, in + kOutputPath, sizeof e.outputPath);
    std::memcpy(e.imageSize, in + kImageSize, sizeof e.imageSize);
    e.antialias = getLeI32(in + kAntialias);
    e.filterType = getLeI32(in + kFilterType);
    e.segmentMemory = getLeI32(in + kSegmentMemory);
    e.blurPercent = getLeI32(in + kBlurPercent);
    e.problemCount = getLeI32(in + kProblemCount);
    e.lastNode = getLeI32(in + kLastNode);
    return e;
}

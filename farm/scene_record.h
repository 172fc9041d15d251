// The queue file's scene record: 3836 bytes, little-endian, fields at the offsets below. One
// explicit encode/decode pair writes and reads it, so the file layout never depends on how the
// compiler lays out SceneEntry. docs/FORMATS.md describes the same layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "farm/farm_state.h"

namespace scene_record {
constexpr size_t kSize = 3836;
constexpr size_t kPosition = 0;
constexpr size_t kFileName = 4;  // 256 bytes
constexpr size_t kSceneId = 260;
constexpr size_t kFirstFrame = 264;
constexpr size_t kLastFrame = 268;
constexpr size_t kFrameStep = 272;
constexpr size_t kFrameMap = 276;     // 3000 bytes
constexpr size_t kFileTime = 3276;    // 8 bytes, low 32 bits first
constexpr size_t kOutputPath = 3284;  // 516 bytes
constexpr size_t kImageSize = 3800;   // 12 bytes
constexpr size_t kAntialias = 3812;
constexpr size_t kFilterType = 3816;
constexpr size_t kSegmentMemory = 3820;
constexpr size_t kBlurPercent = 3824;
constexpr size_t kProblemCount = 3828;
constexpr size_t kLastNode = 3832;
}  // namespace scene_record

// Writes e into out[0..3835].
void encodeSceneEntry(const SceneEntry& e, unsigned char* out);
// Reads a record from in[0..3835]. Text fields come back exactly as stored, terminated or not.
SceneEntry decodeSceneEntry(const unsigned char* in);

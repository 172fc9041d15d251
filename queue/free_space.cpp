#include "queue/free_space.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

constexpr uint64_t kMegabyte = 1048576;

// The folder the head scene's images go to, or nothing when no scene is live or its template
// is not a path from the root.
std::string headImageFolder(const FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position == 0) {
            continue;
        }
        std::string_view templ = textOf(s.scenes[k].outputPath);
        if (!templ.starts_with('/')) {
            return {};
        }
        std::string folder = parentPath(templ);
        return folder.empty() ? std::string("/") : folder;
    }
    return {};
}

int wholeMegabytes(uint64_t bytes) {
    uint64_t mb = bytes / kMegabyte;
    return static_cast<int>(std::min<uint64_t>(mb, std::numeric_limits<int32_t>::max()));
}

}  // namespace

bool freeSpaceCheck(Farm& farm) {
    int32_t minimum = farm.settings.Free_Space_Minimum;
    if (minimum <= 0) {
        return true;
    }
    std::string folder = headImageFolder(farm.state);
    if (folder.empty()) {
        return true;
    }
    uint64_t needed = static_cast<uint64_t>(minimum) * kMegabyte;
    uint64_t freeBytes = 0;
    // The folder lies on the file system it reports, so while there is room one query is the
    // whole check; the mount point, named in the halt's texts, is looked for only when the space
    // is short or the folder cannot be asked (it may not exist yet).
    bool known = farm.fs.freeSpace(folder, freeBytes);
    if (known && freeBytes >= needed) {
        return true;
    }
    std::string mount = farm.fs.mountPoint(folder);
    if (!known) {
        known = farm.fs.freeSpace(mount, freeBytes);
    }
    farm.state.halted = true;
    bool goOn = true;
    if (known && freeBytes < needed) {
        notifyEvent(farm, FarmEvent::FreeSpaceHalt, mount);
    }
    while (known && freeBytes < needed) {
        std::string freeMb = std::to_string(wholeMegabytes(freeBytes));
        logLine(farm, "Free space on " + mount + " only " + freeMb + " MB! Kestrun Halted.");
        std::string text = "Free space on " + mount + " only " + freeMb +
                           " MB!\n\nPlease increase to " + std::to_string(minimum) + " MB";
        if (!farm.host.askFreeSpaceRetry(text)) {
            goOn = false;
            break;
        }
        known = farm.fs.freeSpace(mount, freeBytes);
    }
    farm.state.halted = false;
    return goOn;
}

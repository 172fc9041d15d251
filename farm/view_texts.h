// The texts the farm view and the Configure dialog show for farm records: node and scene cells,
// the elapsed time of a node's last command and a scene's progress with its ranges of done
// frames. Plain functions without widgets, so the formats can be tested on their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "farm/node_status_text.h"

struct SceneEntry;

// The Configure dialog's node list status for a NodeState value ("Wait Load" for WLoadFirst).
std::string configNodeStatusText(int32_t state);
// "%i  %s": node number, two blanks, name.
std::string nodeLabel(int node, std::string_view name);
// "HH:MM:SS" of a duration; whole days are dropped, so 25 h 3 s shows 01:00:03.
std::string elapsedText(uint32_t elapsedMs);
// The AA column for SceneEntry::antialias; empty for a value outside 0..6.
std::string antialiasText(int32_t antialias);
// The Soft column for SceneEntry::filterType: "Off" for 0, "On" otherwise.
std::string softFilterText(int32_t filterType);
// The text with every run of line breaks, tabs and blanks made one blank, trimmed at both ends:
// a failure text shows on one line.
std::string oneLine(std::string_view text);
// The share of the scene's frames done, 0..1, for the Progress bar: 1 with nothing left to
// render, -1 where there is no share to draw (not scanned, failed).
double sceneDoneShare(const SceneEntry& e);
// The Progress column: "Failed" for a failed scene, "Complete" out of the running, "Not Scanned"
// before the first scan, otherwise the done share and the done frames as ranges, e.g.
// "(70%)1-4,8-10". A scene whose range does not fit its frame map, or holds no frame, shows
// "Complete": it has nothing to render.
std::string sceneProgressText(const SceneEntry& e);

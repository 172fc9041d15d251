// The farm log "Logfile.txt" in the queue folder: one time-stamped line per event, appended
// with a complete open-write-close each time, and the tail that the log pane shows.
// Line format: "DDD-HH:MM.SS - " + message + " " + detail + CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct Farm;

// Appends one line and sets logDirty; a log that cannot be opened is reported on standard error.
void logLine(Farm& farm, std::string_view message, std::string_view detail = {});
// Empties the log, then logs "********* Log Was Cleared***********".
void clearLog(Farm& farm);
// The pane's text: at most the last 9,998 bytes, the final byte dropped; nothing when the log
// cannot be opened.
std::optional<std::string> readLogTail(Farm& farm);

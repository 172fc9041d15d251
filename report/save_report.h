// Telling the operator how a save of the queue file or the settings file went: a save that fails
// is logged and shown in a stop box, a save that had to write the file in place (no temporary
// could be made beside it) is logged; each once until the next save goes the other way.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

struct Farm;
struct SaveNotice;

// Whether the stop box of a failed save comes once until a save works again (saves the farm
// makes by itself, at every tick) or at every failure (a save the operator asked for).
enum class ShowFailure { Once, Always };

// what names the file in the log lines ("Queue file"), path is the file saved.
void reportSave(Farm& farm, SaveNotice& notice, std::string_view what, const std::string& path,
                const SaveResult& result, ShowFailure show);

// Logfile.txt's writer now lives in report/farm_log.h; this name forwards to it for the files
// that still include it from here.
#pragma once

#include "report/farm_log.h"

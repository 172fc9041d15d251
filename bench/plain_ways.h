// The image scans done the plain way, one existence test per frame image looked at, for the
// benchmarks to run beside the farm's own. The farm lists each image folder once and looks the
// names up in memory; which frames a scan looks at is decided inside its loop, so no file system
// can answer a listing with the lookups the plain way would make, and these follow the farm's
// scans step by step instead (same frames, codes, log lines and results). Every other plain row
// is the farm's own operation run over the plain file system (plain_file_system.h).
#pragma once

struct Farm;

// scanImages with one existence test per frame image looked at.
bool plainScanImages(Farm& farm, int e, int& remaining);
// scanScenes over plainScanImages.
int plainScanScenes(Farm& farm, int limit);
// rescanQueue over plainScanScenes.
void plainRescanQueue(Farm& farm);

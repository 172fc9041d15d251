// The farm's hot operations done the plain way, one file operation per item, for the benchmarks
// to run beside the farm's own: every acknowledgement test an existence test and then an open,
// every frame's image one lookup, every queue entry's file one lookup, every queue record one
// write or one read. Each follows the farm's operation step by step (same tests, same commands,
// same log lines, same results), so that the measured difference is only the way of reaching
// the files.
#pragma once

#include <string_view>

struct Farm;
class BenchFileSystem;

// An existence test, then (for a word) an open reading the word's length.
bool plainAckSays(Farm& farm, int node, std::string_view word);
// pollNodes with one plainAckSays per test of the state table.
bool plainPollNodes(Farm& farm);
// scanImages with one existence test per frame image.
bool plainScanImages(Farm& farm, int e, int& remaining);
int plainScanScenes(Farm& farm, int limit);
void plainScanNextScene(Farm& farm);
void plainRescanQueue(Farm& farm);
// checkSceneQueue that asks for each queued file's time on its own and then lists the folder
// for the new ones.
bool plainCheckSceneQueue(Farm& farm);
// farmTick built of the plain poll, queue check and quiet-time scan.
void plainFarmTick(Farm& farm);
// The queue file written in place, the flag and then one write per record.
bool plainSaveQueueFile(Farm& farm);
// The queue file read one record at a time.
void plainLoadQueueFile(Farm& farm, BenchFileSystem& fs);

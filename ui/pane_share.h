// How the farm view shares its room between its panes: the Farm Status group as wide as its
// columns need and as tall as its node rows need, the Log and Last Frame groups beside it
// sharing the width left, the Queue Status group below taking the height left. Every pane keeps
// its least size; where the room is short, the Farm Status group's need gives way first.
#pragma once

#include <QList>

// Widths of the Farm Status, Log and Last Frame groups in `room` pixels.
QList<int> shareTopRow(int room, int farmNeed, int farmLeast, int logLeast, int frameLeast);
// Heights of the upper half (the Farm Status row) and the Queue Status group in `room` pixels.
QList<int> shareHalves(int room, int topNeed, int topLeast, int queueLeast);

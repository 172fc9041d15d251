// The free-space halt: the farm stops handing out frames while the disk receiving the head
// scene's images has less room than the operator's minimum, and asks until there is room.
#pragma once

struct Farm;

// Halts the farm while the disk of the head scene's images has less than the minimum free:
// logs and asks at every pass; false when the operator chose Cancel.
bool freeSpaceCheck(Farm& farm);

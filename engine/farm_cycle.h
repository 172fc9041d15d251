// The farm cycle, the program's heartbeat.
//
// startFarm (once, by the front end): load the settings; when lw.cfg cannot be opened show the
//   not-configured notice and ask to quit; when another farm holds the queue folder's lock, say
//   so and ask to quit; otherwise open the farm (start banner, queue file, frame times, frames
//   to render again, the already-running question, command folder reset with the frames in hand
//   handed back, first queue check) and run the first tick. Gives true when the front end is to
//   start its timer (Cycle_time seconds).
// farmTick (every timer period):
//   - nothing at all while `halted` is set;
//   - poll the nodes when the last poll made progress;
//   - every fourth tick (the first one included): look for the command folder (when it is back
//     after being away, reset the channel as at start-up and hand the frames in hand back),
//     poll again, check the queue folder (a Cancel at the free-space halt asks to quit) and
//     redraw the farm list;
//   - after three quiet four-tick periods: scan one scene that was never scanned;
//   - watch the farm's figures (watchFarmStats): report nodes that show no progress and save the
//     frame times when they changed;
//   - redraw the log pane, the farm list and the queue list when their flags ask for it.
// lookBetweenTicks (every Ack_Look_ms between two ticks): one look at the command folder; the
//   nodes whose acknowledgement changed take their five passes as in a poll, so an answer is
//   acted on at once, and no other node is touched. Nothing while `halted` is set or before the
//   farm is open. A node that moved forward asks for a poll at the next tick, as a poll's
//   progress does.
// quitFarm (at exit, when this run opened the farm): retire every node, clear the running flag,
//   log the quit banner, save the queue file and the frame times and let go of the queue
//   folder's lock.
#pragma once

struct Farm;

bool startFarm(Farm& farm);
void farmTick(Farm& farm);
// True when a node moved forward.
bool lookBetweenTicks(Farm& farm);
void quitFarm(Farm& farm);

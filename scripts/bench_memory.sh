#!/usr/bin/env bash
# Peak memory of kestrun-headless at full tables: a farm of 30 nodes and 299 queued scene files
# of 3000 frames each, laid out in a temporary folder. The nodes' acknowledgement files say
# "Ready" from the first ticks on, so the farm brings every node online, scans scenes and hands
# out frames. Prints the peak resident set size in KiB (from /usr/bin/time); the farm's own
# output goes to the file given as the second argument, or is dropped.
# Usage: bench_memory.sh PATH/TO/kestrun-headless [LOG]
set -euo pipefail

headless="$1"
log="${2:-/dev/null}"
nodes=30
scenes=299
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/queue" "$work/command" "$work/lightwave" "$work/renders"

{
    printf '[Scene_Queue_Dir]\r\nPATH=%s\r\n' "$work/queue"
    printf '[Screamer_Command_Dir]\r\nPATH=%s\r\n' "$work/command"
    printf '[Config_Dir]\r\nPATH=%s\r\n' "$work/lightwave"
    printf '[Free_Space_Minimum]\r\nMegs=1\r\n'
    printf '[Installed_Nodes]\r\nNo_Of_Nodes=%d\r\n[Node_Names]\r\n' "$nodes"
    for n in $(seq 1 "$nodes"); do printf 'Node%d=node_%d\r\n' "$n" "$n"; done
    printf '[Options]\r\nCycle_time=1\r\n'
} >"$work/config/Kestrun.ini"
printf 'LWCONFIG\r\nContentDirectory %s\r\nPlugin ImageSaver LW_TGA32(.tga) image.p Targa\r\n' \
    "$work" >"$work/lightwave/lw.cfg"
for k in $(seq -f '%03g' 1 "$scenes"); do
    printf 'LWSC\n3\n\nFirstFrame 0\nLastFrame 2999\nFrameStep 1\nResolution 1\n' \
        >"$work/queue/scene$k.lws"
    printf 'Antialiasing 1\nSegmentMemory 8000000\nBlurLength 0.5\nOutputFilenameFormat 2\n' \
        >>"$work/queue/scene$k.lws"
    printf 'SaveRGBImagesPrefix %s\nRGBImageFormat 2\n' "$work/renders/scene$k/shot" \
        >>"$work/queue/scene$k.lws"
done

# The farm deletes old acknowledgement files at start-up, so they are written once it runs.
(
    sleep 0.5
    for n in $(seq 1 "$nodes"); do printf Ready >"$work/command/ack$n"; done
) &
writer=$!
XDG_CONFIG_HOME="$work/config" /usr/bin/time -f '%M' -o "$work/peak" \
    "$headless" --go --max-ticks 40 --cycle-ms 50 >"$log"
wait "$writer"
cat "$work/peak"

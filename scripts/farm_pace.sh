#!/usr/bin/env bash
# How long a farm takes over a queue, against the nodes' own limit. Lays out a farm in a
# temporary folder (one scene of FRAMES frames, NODES simulated nodes that render a frame in
# RENDER_MS and pause one second after each "Ready" of a "wait", as a real node does), runs
# kestrun-headless --go --until-done from an existing build and prints its wall time in seconds.
# Further arguments are lines added to the [Options] section of the settings (Ack_Look_ms=0,
# Cycle_time=2); KEEP=1 leaves the farm folder (logs of the farm and the nodes) in place.
# Usage: scripts/farm_pace.sh BUILD NODES FRAMES RENDER_MS [Key=Value ...]
set -euo pipefail

build="$1" nodes="$2" frames="$3" render_ms="$4"
shift 4
farm="$(mktemp -d)"
node_pids=()
finish() {
    for pid in "${node_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [ -n "${KEEP:-}" ] || rm -rf "$farm"
}
trap finish EXIT
mkdir -p "$farm/config" "$farm/lightwave" "$farm/queue" "$farm/command" "$farm/renders"
{
    printf '[Scene_Queue_Dir]\r\nPATH=%s/queue\r\n' "$farm"
    printf '[Screamer_Command_Dir]\r\nPATH=%s/command\r\n' "$farm"
    printf '[Config_Dir]\r\nPATH=%s/lightwave\r\n' "$farm"
    printf '[Installed_Nodes]\r\nNo_Of_Nodes=%s\r\n[Options]\r\n' "$nodes"
    for line in "$@"; do
        printf '%s\r\n' "$line"
    done
} >"$farm/config/Kestrun.ini"
printf 'LWCONFIG\r\nContentDirectory %s\r\nPlugin ImageSaver LW_TGA32(.tga) image.p Targa 32\r\n' \
    "$farm" >"$farm/lightwave/lw.cfg"
printf 'LWSC\n3\n\nFirstFrame 1\nLastFrame %s\nFrameStep 1\nResolution 1\nPixelAspectRatio 0\n%b\n' \
    "$frames" "Antialiasing 1\nFilterType 0\nSegmentMemory 8000000\nOutputFilenameFormat 2" \
    >"$farm/queue/pace.lws"
printf 'SaveRGBImagesPrefix %s/renders/pace_\nRGBImageFormat 2\n' "$farm" >>"$farm/queue/pace.lws"
for n in $(seq 1 "$nodes"); do
    "$build/kestrun-node-sim" --command-dir "$farm/command" --node "$n" --content-dir "$farm" \
        --render-ms "$render_ms" >"$farm/node$n.log" 2>&1 &
    node_pids+=($!)
done
start=$(date +%s.%N)
XDG_CONFIG_HOME="$farm/config" "$build/kestrun-headless" --go --until-done --web-port 0 \
    --max-ticks 3000 >"$farm/headless.log" 2>&1
end=$(date +%s.%N)
rendered=$(find "$farm/renders" -type f | wc -l)
if [ "$rendered" -ne "$frames" ]; then
    echo "only $rendered of $frames frames rendered" >&2
    exit 1
fi
echo "$end - $start" | bc

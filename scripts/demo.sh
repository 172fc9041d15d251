#!/usr/bin/env bash
# A demo farm on this machine: installs what is missing, builds, lays out a farm under
# build/demo/ (settings, lw.cfg, a queue of four sample scenes, a command folder), starts four
# simulated ScreamerNet nodes and runs the farm: the window when there is a display, otherwise
# kestrun-headless until every scene is rendered. The web monitor is on (port WEB_PORT, default
# 8080) and its address is printed. Ends with a one-line summary and stops the nodes it started.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
demo="$build/demo"
nodes=4
cycle_ms=200
web_port="${WEB_PORT:-8080}"

"$root/scripts/install-deps.sh"

use_window=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    use_window=1
fi
# The build's own output goes to a file, shown only when the build fails.
build_log="$build/demo-build.log"
mkdir -p "$build"
echo "Building the farm and the node simulator in $build ..."
if ! cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build_log" 2>&1; then
    cat "$build_log" >&2
    exit 1
fi
if ! cmake --build "$build" -j "$(nproc)" --target kestrun-node-sim kestrun-headless \
    >>"$build_log" 2>&1; then
    cat "$build_log" >&2
    exit 1
fi
if [ "$use_window" -eq 1 ]; then
    if ! cmake --build "$build" --target help | grep -x '\.\.\. kestrun' >/dev/null; then
        echo "No window program in this build (Qt 6 missing): running without the window."
        use_window=0
    elif ! cmake --build "$build" -j "$(nproc)" --target kestrun >>"$build_log" 2>&1; then
        echo "The window did not build (see $build_log): running without the window."
        use_window=0
    fi
fi

# The simulated nodes behave as real ones: each "wait" is answered "Ready" and followed by a
# pause of one second (their default --wait-pause-ms), and a load or a render is acknowledged
# when it begins; any farm cycle follows them.
if [ "$use_window" -eq 1 ]; then
    cycle_ms=1000  # the window ticks every Cycle_time seconds
fi
load_ms=1000
render_ms=1200

# --- the farm's folders ---------------------------------------------------------------------
rm -rf "$demo"
mkdir -p "$demo/config" "$demo/lightwave" "$demo/queue" "$demo/command" "$demo/renders" \
    "$demo/logs"

crlf() { sed 's/$/\r/'; }

crlf >"$demo/config/Kestrun.ini" <<EOF
; Settings of the demo farm (XDG_CONFIG_HOME points here while the demo runs).
[Scene_Queue_Dir]
PATH=$demo/queue
[Screamer_Command_Dir]
PATH=$demo/command
[Config_Dir]
PATH=$demo/lightwave
[Free_Space_Minimum]
Megs=0
[Installed_Nodes]
No_Of_Nodes=$nodes
[Node_Names]
Node1=sim_1
Node2=sim_2
Node3=sim_3
Node4=sim_4
[Render_Method]
Method=0
Scenes_At_Once=1
[Options]
Beep_error=0
Beep_compl=0
Auto_fix=1
Cycle_time=$((cycle_ms / 1000 > 0 ? cycle_ms / 1000 : 1))
EOF

crlf >"$demo/lightwave/lw.cfg" <<EOF
LWCONFIG
ContentDirectory $demo
DefaultSegmentMemory 8000000
Plugin ImageSaver LW_TGA32(.tga) image.p Targa 32
Plugin ImageSaver LW_PNG32(.png) image.p PNG 32
EOF

# scene NAME FIRST LAST STEP FILENAME_FORMAT PREFIX IMAGE_LINE: a LightWave scene in its own
# layout and line ends.
scene() {
    crlf >"$demo/queue/$1.lws" <<EOF
LWSC
3

FirstFrame $2
LastFrame $3
FrameStep $4
PreviewFirstFrame $2
PreviewLastFrame $3
PreviewFrameStep $4
FramesPerSecond 25.000000

LoadObject Objects\\$1.lwo
ShowObject 6 7
ObjectMotion (unnamed)
  9
  2
  0 0 0 0 0 0 1 1 1
  0 0 0 0 0
  0 0 4 90 0 0 1 1 1
  $3 0 0 0 0

AmbientColor 255 255 255
AmbIntensity 0.250000

AddLight
LightName Light
ShowLight 1 7
LightMotion (unnamed)
  9
  1
  -2 2 -2 45 35 0 1 1 1
  0 0 0 0 0
LightColor 255 255 255
LgtIntensity 1.000000
LightType 0
ShadowType 1

ShowCamera 1 7
CameraMotion (unnamed)
  9
  1
  0 1 -6 0 10 0 1 1 1
  0 0 0 0 0
ZoomFactor 3.200000
Resolution 1
PixelAspectRatio 0
SegmentMemory 8000000
Antialiasing 1
AdaptiveSampling 1
FilterType 0
MotionBlur 0
BlurLength 0.5

SolidBackdrop 1
BackdropColor 0 0 0
FogType 0

RenderMode 2
RayTraceEffects 0
DataOverlayLabel  
OutputFilenameFormat $5
SaveRGB 1
SaveRGBImagesPrefix $6
$7
SaveAlpha 0

ViewMode 3
GridNumber 10
GridSize 1.000000
EOF
}

# name, first, last, step, filename format, save prefix, image format: absolute and
# content-relative prefixes, 3 and 4 frame digits, extensions by number and by saver.
scene orbit 1 16 1 2 "$demo/renders/orbit/orbit_" "RGBImageFormat 2"
scene flyby 0 30 3 0 'renders\flyby\flyby' "RGBImageFormat 0"
scene titles 10 21 1 3 'renders\titles\title.' "RGBImageSaver LW_TGA32(.tga)"
scene pullback 1 40 4 1 "$demo/renders/pullback/pb" "RGBImageFormat 2"
scenes=4
frames_expected=$((16 + 11 + 12 + 10))

# --- the nodes ------------------------------------------------------------------------------
node_pids=()
stop_nodes() {
    local n
    for n in $(seq 1 "$nodes"); do
        printf quit >"$demo/command/job$n" 2>/dev/null || true
    done
    for _ in $(seq 1 50); do
        local alive=0 pid
        for pid in "${node_pids[@]}"; do
            kill -0 "$pid" 2>/dev/null && alive=1
        done
        [ "$alive" -eq 0 ] && return
        sleep 0.1
    done
    for pid in "${node_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap stop_nodes EXIT

for n in $(seq 1 "$nodes"); do
    "$build/kestrun-node-sim" --command-dir "$demo/command" --node "$n" --content-dir "$demo" \
        --load-ms "$load_ms" --render-ms "$render_ms" >"$demo/logs/node$n.log" 2>&1 &
    node_pids+=($!)
done

# --- the farm -------------------------------------------------------------------------------
export XDG_CONFIG_HOME="$demo/config"
echo "Demo farm in $demo: $scenes scenes, $frames_expected frames, $nodes simulated nodes"
echo "Web monitor: http://127.0.0.1:$web_port/ (open it in a browser while the farm runs)"
start=$(date +%s)
status=0
if [ "$use_window" -eq 1 ]; then
    echo "Press GO ! in the window to start rendering; close the window when the queue is done."
    "$build/kestrun" --web-port "$web_port" || status=$?
else
    # Every log line of the farm, without the status-bar texts (kept in logs/farm.txt).
    set +e
    "$build/kestrun-headless" --go --until-done --cycle-ms "$cycle_ms" --max-ticks 1500 \
        --web-port "$web_port" \
        | tee "$demo/logs/farm.txt" | grep -v '^status: '
    status=${PIPESTATUS[0]}
    set -e
fi
seconds=$(($(date +%s) - start))

completed=$(grep -c 'Scene Completed' "$demo/queue/Logfile.txt" 2>/dev/null || true)
frames=$(find "$demo/renders" -type f | wc -l)
echo "Demo: ${completed:-0} of $scenes scenes completed, $frames of $frames_expected frames" \
    "rendered by $nodes simulated nodes in ${seconds} s (farm log: $demo/queue/Logfile.txt)"
if [ "$status" -ne 0 ] || [ "$frames" -ne "$frames_expected" ]; then
    exit 1
fi

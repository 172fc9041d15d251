#!/usr/bin/env bash
# Checks the Debian package from the outside: unpacks build/package/kestrun_*.deb into a
# temporary folder, runs the unpacked programs' --help and --version with no display, validates
# the desktop entry, the metainfo and the user unit, renders each manual page, runs the unit's
# command line on a small farm (stopped by SIGTERM, killed and started again as a restart on
# failure would), compares the package with `make install` into a DESTDIR, and runs lintian
# (errors fail, warnings are listed). Run by `make package-test`; usage: package-test.sh BUILD.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d)"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

shopt -s nullglob
debs=("$build"/package/kestrun_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "expected one package in $build/package, found ${#debs[@]}" >&2
    exit 1
fi
deb="${debs[0]}"
version="$(dpkg-deb -f "$deb" Version)"
unpacked="$work/unpacked"
dpkg-deb -x "$deb" "$unpacked"
echo "checking $deb (version $version)"

# --- the files a user expects ---------------------------------------------------------------
expected=(usr/bin/kestrun usr/bin/kestrun-headless usr/bin/kestrun-node-sim
          usr/share/man/man1/kestrun.1.gz usr/share/man/man1/kestrun-headless.1.gz
          usr/share/man/man1/kestrun-node-sim.1.gz
          usr/share/applications/org.kestrun.Kestrun.desktop
          usr/share/metainfo/org.kestrun.Kestrun.metainfo.xml
          usr/share/icons/hicolor/scalable/apps/kestrun.svg
          usr/share/doc/kestrun/MANUAL.md usr/share/doc/kestrun/Kestrun.ini
          usr/share/doc/kestrun/copyright usr/share/doc/kestrun/changelog.gz
          usr/lib/systemd/user/kestrun-headless.service)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/kestrun.png")
done
for f in "${expected[@]}"; do
    [ -f "$unpacked/$f" ] || fail "missing from the package: /$f"
done
for size in 16 22 24 32 48 64 128 256; do
    file -b "$unpacked/usr/share/icons/hicolor/${size}x${size}/apps/kestrun.png" \
        | grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} is not $size pixels"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends misses the Qt libraries"
pass "package contents"

# --- the programs, with no display ----------------------------------------------------------
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in kestrun kestrun-headless kestrun-node-sim; do
    bin="$unpacked/usr/bin/$program"
    if ! help="$("${nodisplay[@]}" "$bin" --help 2>&1)"; then
        fail "$program --help: $help"
    elif ! grep -q -- '--version' <<<"$help"; then
        fail "$program --help does not list --version"
    fi
    got="$("${nodisplay[@]}" "$bin" --version 2>&1 || true)"
    [ "${got,,}" = "$program $version" ] || fail "$program --version says '$got'"
done
pass "--help and --version of the unpacked programs"

# --- desktop entry, metainfo, manual pages, unit --------------------------------------------
desktop-file-validate "$unpacked/usr/share/applications/org.kestrun.Kestrun.desktop" \
    || fail "desktop-file-validate"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.kestrun.Kestrun.metainfo.xml" \
    || fail "appstreamcli validate"
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" \
        2>&1 >"$work/page.txt")"
    [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
    grep -q '^EXIT STATUS' "$work/page.txt" \
        || fail "$(basename "$page") renders without EXIT STATUS"
done
pass "desktop entry, metainfo and manual pages"

unit="$unpacked/usr/lib/systemd/user/kestrun-headless.service"
exec_start="$(sed -n 's/^ExecStart=//p' "$unit")"
[ "${exec_start%% *}" = /usr/bin/kestrun-headless ] || fail "unit starts '$exec_start'"
# The unit as it would run from the unpacked files; verify also finds its man: page there.
local_unit="$work/kestrun-headless.service"
sed "s#/usr/bin/#$unpacked/usr/bin/#" "$unit" >"$local_unit"
mkdir -m 700 "$work/runtime"
verify="$(XDG_RUNTIME_DIR="$work/runtime" MANPATH="$unpacked/usr/share/man" \
    systemd-analyze verify --user "$local_unit" 2>&1)" || fail "systemd-analyze verify: $verify"
[ -z "$verify" ] || fail "systemd-analyze verify: $verify"
pass "user unit verified"

# --- the unit's command line on a farm of one simulated node --------------------------------
farm="$work/farm"
mkdir -p "$farm/config" "$farm/lightwave" "$farm/queue" "$farm/command" "$farm/renders"
cat >"$farm/config/Kestrun.ini" <<EOF
[Scene_Queue_Dir]
PATH=$farm/queue
[Screamer_Command_Dir]
PATH=$farm/command
[Config_Dir]
PATH=$farm/lightwave
[Installed_Nodes]
No_Of_Nodes=1
[Options]
Cycle_time=1
EOF
printf 'LWCONFIG\nContentDirectory %s\nPlugin ImageSaver LW_TGA32(.tga) image.p Targa 32\n' \
    "$farm" >"$farm/lightwave/lw.cfg"
cat >"$farm/queue/shot.lws" <<EOF
LWSC
3

FirstFrame 1
LastFrame 3
FrameStep 1
Resolution 1
Antialiasing 0
OutputFilenameFormat 2
SaveRGB 1
SaveRGBImagesPrefix $farm/renders/shot_
RGBImageSaver LW_TGA32(.tga)
EOF

# One simulated node, pausing a second on "wait" as a real node does.
"$unpacked/usr/bin/kestrun-node-sim" --command-dir "$farm/command" --node 1 \
    --content-dir "$farm" --load-ms 1000 --render-ms 1000 >"$work/node.log" 2>&1 &
pids+=($!)
disown $!

start_service() {
    read -r -a argv <<<"$exec_start"
    argv[0]="$unpacked${argv[0]}"
    XDG_CONFIG_HOME="$farm/config" "${argv[@]}" >>"$work/service.log" 2>&1 &
    service=$!
    pids+=("$service")
}
# Waits up to $2 seconds for $1 images.
wait_images() {
    local i
    for i in $(seq 1 $(($2 * 10))); do
        [ "$(find "$farm/renders" -type f | wc -l)" -ge "$1" ] && return 0
        kill -0 "$service" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
running_flag() { od -An -tx1 -N4 "$farm/queue/Kestrun.que" | tr -d ' '; }

start_service
wait_images 1 60 || fail "the service rendered no frame: $(tail -5 "$work/service.log")"
kill -KILL "$service"
wait "$service" 2>/dev/null || true
[ "$(running_flag)" = ffffffff ] || fail "after a crash the queue file does not say running"
# What Restart=on-failure does next: the same command line again. It must carry on.
start_service
wait_images 3 60 \
    || fail "the restarted service did not render the rest: $(tail -5 "$work/service.log")"
grep -q 'Yes$' "$work/service.log" || fail "the restarted service did not take over the queue"
kill -TERM "$service"
status=0
wait "$service" || status=$?
[ "$status" -eq 0 ] || fail "the service ended with status $status on SIGTERM"
grep -q 'Quitted Kestrun' "$farm/queue/Logfile.txt" || fail "SIGTERM did not run the Quit steps"
[ "$(running_flag)" = 00000000 ] || fail "after SIGTERM the queue file still says running"
[ "$(cat "$farm/command/job1")" = wait ] || fail "after SIGTERM the node was not told to wait"
pass "the unit's command line: restart after a crash, Quit steps on SIGTERM"

# --- make install into a DESTDIR holds what the package holds -------------------------------
destdir="$work/destdir"
make -C "$root" --no-print-directory install PREFIX=/opt/kestrun DESTDIR="$destdir" \
    >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "make install"; }
(cd "$unpacked/usr" && find . -type f | sort) >"$work/package.list"
(cd "$destdir/opt/kestrun" && find . -type f | sort) >"$work/install.list"
diff -u "$work/package.list" "$work/install.list" || fail "make install and the package differ"
grep -qx 'ExecStart=/opt/kestrun/bin/kestrun-headless --go --yes' \
    "$destdir/opt/kestrun/lib/systemd/user/kestrun-headless.service" \
    || fail "the installed unit does not start the program of its prefix"
pass "make install PREFIX=/opt/kestrun DESTDIR=..."

# --- lintian ---------------------------------------------------------------------------------
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>/dev/null || true
grep '^E:' "$work/lintian.txt" && fail "lintian reports errors"
echo "lintian warnings:"
grep '^W:' "$work/lintian.txt" || echo "  none"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package test passed"

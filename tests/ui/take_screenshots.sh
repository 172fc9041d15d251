#!/usr/bin/env bash
# Takes the README's screenshots (docs/window-*.png, docs/configure.png, docs/about.png)
# on a virtual X display: the window tests that show a farm mid-render and the dialogs save what
# they draw when KESTRUN_SCREENSHOT_DIR is set. Needs Debian's xvfb and a built test_ui.
# Usage: tests/ui/take_screenshots.sh [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
KESTRUN_SCREENSHOT_DIR="$root/docs" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1920x1080x24" "$build/tests/test_ui" \
    --gtest_filter='RenderWindow.*:Screenshots.*:Layout.ConfigureDialog*:Layout.ShellDialogs*'

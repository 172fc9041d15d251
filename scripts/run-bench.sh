#!/usr/bin/env bash
# Runs the benchmark programs of a Release build, measures the peak memory of kestrun-headless
# at full tables and writes the table with the targets checked to OUT/report.md (the programs'
# JSON results stay beside it). Takes a few minutes: the plain ways on the simulated share are
# slow on purpose.
# Usage: run-bench.sh [BUILD_DIR [OUT_DIR]]   (defaults: build-bench, build/bench)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bench}"
out="${2:-$root/build/bench}"
mkdir -p "$out"
results=()
for program in bench_engine bench_queue bench_ui bench_web; do
    if [ ! -x "$build/bench/$program" ]; then
        echo "$build/bench/$program is missing: skipped" >&2
        continue
    fi
    echo "--- $program"
    QT_QPA_PLATFORM=offscreen "$build/bench/$program" \
        --benchmark_out="$out/$program.json" --benchmark_out_format=json
    results+=("$out/$program.json")
done
echo "--- peak memory of kestrun-headless"
"$root/scripts/bench_memory.sh" "$build/kestrun-headless" "$out/memory-run.log" >"$out/memory.txt"
echo "$(cat "$out/memory.txt") KiB"
python3 "$root/scripts/bench_report.py" --memory "$out/memory.txt" "${results[@]}" \
    >"$out/report.md"
echo "Wrote $out/report.md"

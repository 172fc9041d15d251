#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given seconds each, one after the other:
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# Each target starts from its committed seeds (fuzz/corpus/<target>) and grows its own corpus
# in BUILD_DIR/fuzz-corpus/<target>; an input that crashes is kept as
# BUILD_DIR/fuzz-crashes/<target>/crash-... and the run fails. Prints one line per target with
# its executions, coverage and corpus size.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
seconds=${2:?seconds per target}
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings lw_cfg scene queue ack http)

failed=0
for t in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$t"
    crashes="$build/fuzz-crashes/$t"
    log="$build/fuzz-$t.log"
    mkdir -p "$corpus" "$crashes"
    status=0
    # No request to the web monitor may take more than a small part of its memory at once.
    limits=()
    [ "$t" != http ] || limits=(-malloc_limit_mb=64)
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
        -rss_limit_mb=2048 "${limits[@]}" -print_final_stats=1 -artifact_prefix="$crashes/" \
        "$corpus" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
    units=$(find "$corpus" -type f | wc -l)
    echo "fuzz_$t: ${seconds}s, ${runs:-?} executions, ${cov:-cov ?}, corpus $units, exit $status"
    if [ "$status" -ne 0 ]; then
        failed=1
        grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" | head -20 || true
    fi
done
exit $failed

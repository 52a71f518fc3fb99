#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS, starting from the corpus
# kept in tests/fuzz/corpus/<target> (new inputs go to the build's copy).
# Usage: tests/fuzz/run.sh BUILD_DIR SECONDS
# Prints one line per target: executions and findings; exits 1 on any finding.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}
seconds=${2:-60}
CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null || exit 2
ninja -C "$build" >/dev/null || exit 2
status=0
printf '%-22s %14s %10s %s\n' target executions findings corpus
for exe in "$build"/fuzz_*; do
    [ -x "$exe" ] && [ -f "$exe" ] && [ "${exe%.log}" = "$exe" ] || continue
    name=$(basename "$exe")
    work=$build/corpus/$name
    mkdir -p "$work" "$build/findings/$name"
    cp -n "$here/corpus/$name"/* "$work"/ 2>/dev/null
    log=$build/logs/$name.log
    mkdir -p "$build/logs"
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$name/" "$work" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    found=$(ls "$build/findings/$name" | wc -l)
    printf '%-22s %14s %10s %s\n' "$name" "${runs:-?}" "$found" "$(ls "$work" | wc -l) inputs"
    if [ $rc -ne 0 ] || [ "$found" -ne 0 ]; then
        status=1
        tail -n 30 "$log"
    fi
done
exit $status

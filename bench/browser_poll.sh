#!/usr/bin/env bash
# Browser poll: one tick of the Active Browsers dialog: CountRunningBrowsers over 200
# top-level windows of 50 children each (held by another process), against one
# bare walk over the same windows that reads each class name once; and, for
# comparison, the six separate searches of the plain way of counting.
# browser_poll.exe interleaves the measured walks itself and writes medians.
# Usage: bench/browser_poll.sh BUILD_DIR PREFIX   (called by bench/run.sh)
set -u
build=$1
prefix=$2
. "$(dirname "$0")/lib.sh"
out=$build/bench/browser_poll.txt
rm -f "$out"
lab_wine "$prefix" "$build/bench/browser_poll.exe" "$BENCH_RUNS" "$(bench_winpath "$out")" \
    >/dev/null 2>&1
get() { tr -d '\r' <"$out" 2>/dev/null | awk -v s="$1" -v k="$2" '$1 == s && $2 == k { print $3 }'; }
for scenario in none one; do
    case $scenario in
    none) what="no browser" ;;
    one) what="one browser child, walked last" ;;
    esac
    bare=$(get $scenario bare_ms)
    windows=$(get $scenario windows)
    bench_row "browser poll: one tick, ${windows:-?} windows, $what (counted $(get $scenario count))" ms \
        "$(get $scenario count_ms)" "one bare walk over the same windows" "${bare:-?}" "ratio <= 1.5"
    bench_row "browser poll: six separate searches, the same windows, $what (counted $(get $scenario six_count); median of 3)" ms \
        "$(get $scenario six_ms)" "one bare walk over the same windows" "${bare:-?}" "-"
done

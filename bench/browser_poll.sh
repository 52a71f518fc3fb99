#!/usr/bin/env bash
# One tick of the Active Browsers dialog: CountRunningBrowsers over 200
# top-level windows of 50 children each (held by another process), against one
# bare walk over the same windows that reads each class name once.
# Usage: bench/browser_poll.sh BUILD_DIR PREFIX   (called by bench/run.sh)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
prefix=$2
. "$root/tests/lab/env.sh"
runs=${BENCH_RUNS:-9}
out=$build/bench/browser_poll.txt
rm -f "$out"
lab_wine "$prefix" "$build/bench/browser_poll.exe" "$runs" "Z:$(echo "$out" | tr / '\\')" \
    >/dev/null 2>&1
get() { awk -v s="$1" -v k="$2" '$1 == s && $2 == k { print $3 }' "$out" 2>/dev/null; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
for scenario in none one; do
    case $scenario in
    none) what="no browser" ;;
    one) what="one browser child, walked last" ;;
    esac
    bare=$(get $scenario bare_ms)
    count=$(get $scenario count_ms)
    six=$(get $scenario six_ms)
    n=$(get $scenario count)
    windows=$(get $scenario windows)
    echo "| browser poll tick, ${windows:-?} windows, $what (ms, median of $runs; counted ${n:-?}) | ${count:-?} | bare walk ${bare:-?} | $(ratio "${count:-0}" "${bare:-0}") |"
    echo "| six separate searches, same windows, $what (ms, median of 3) | ${six:-?} | bare walk ${bare:-?} | $(ratio "${six:-0}" "${bare:-0}") |"
done

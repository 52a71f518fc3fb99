#!/usr/bin/env bash
# Runs every benchmark under Wine in one fresh prefix and prints one table:
# each figure beside its baseline, measured in the same run.
# Usage: bench/run.sh BUILD_DIR
# Other benchmarks are bench/<name>.sh scripts called as
#   <script> BUILD_DIR PREFIX
# each printing table rows "| what | figure | baseline | ratio |".
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
. "$root/tests/lab/env.sh"
export BENCH_RUNS=${BENCH_RUNS:-9}

prefix=$build/bench/wine
cleanup() { lab_prefix_stop "$prefix"; lab_display_stop; }
trap cleanup EXIT
lab_display_start || exit 3
lab_prefix_create "$prefix" || exit 4

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

exe=$build/ScorewaveSetup.exe
dll=$build/npscorew64.dll
echo "| benchmark | figure | baseline | ratio |"
echo "|---|---|---|---|"

# 1. Size: the installer without its carried plug-in, against the plug-in itself.
total=$(stat -c %s "$exe")
payload=$(stat -c %s "$dll")
bare=$((total - payload))
section() { local hex; hex=$(x86_64-w64-mingw32-objdump -h "$exe" | awk -v s="$1" '$2 == s { print $3 }'); echo $((16#${hex:-0})); }
text=$(section .text)
rsrc=$(section .rsrc)
res_own=$((rsrc - payload))
rest=$((bare - text - res_own))
echo "| size without plug-in (bytes) | $bare (code $text, resources $res_own, rest $rest) | plug-in $payload | $(ratio "$bare" "$payload") |"

# 2. Start-up: process start until the main window is visible, against a
# minimal dialog program of the same build.
probe() {
    local out=$build/bench/probe.txt
    rm -f "$out"
    PROBE_OUT=$(winpath "$out") lab_wine "$prefix" "$build/bench/startup_probe.exe" \
        "$BENCH_RUNS" "$(winpath "$1")" >/dev/null 2>&1
    awk '{ print $2 }' "$out" 2>/dev/null
}
setup_ms=$(probe "$exe")
dialog_ms=$(probe "$build/bench/minimal_dialog.exe")
echo "| start-up to visible window (ms, median of $BENCH_RUNS) | ${setup_ms:-?} | minimal dialog ${dialog_ms:-?} | $(ratio "${setup_ms:-0}" "${dialog_ms:-0}") |"

for script in "$root"/bench/*.sh; do
    [ "$(basename "$script")" = run.sh ] && continue
    bash "$script" "$build" "$prefix"
done

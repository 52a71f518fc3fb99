#!/usr/bin/env bash
# Runs every benchmark under Wine in one fresh prefix and prints one table:
# each figure beside its baseline, both measured in the same run, times and
# memory as medians of BENCH_RUNS runs (default 9), and their ratio.
# Usage: bench/run.sh BUILD_DIR
# The other benchmarks are bench/<name>.sh scripts, called as
#   <script> BUILD_DIR PREFIX
# each printing rows of this table with bench_row (bench/lib.sh).
set -u
. "$(dirname "$0")/lib.sh"
build=$(realpath "${1:-$root/build}")
export BENCH_RUNS

prefix=$build/bench/wine
cleanup() { lab_prefix_stop "$prefix"; lab_display_stop; }
trap cleanup EXIT
lab_display_start || exit 3
lab_prefix_create "$prefix" || exit 4
bench_hold_desktop "$prefix" "$build"

exe=$build/ScorewaveSetup.exe
dll=$build/npscorew64.dll
echo "Runs per median: $BENCH_RUNS. Times are wall-clock milliseconds under $(wine --version 2>/dev/null); ratios are what count."
echo
echo "| benchmark | unit | figure | baseline | baseline figure | ratio | goal |"
echo "|---|---|---|---|---|---|---|"

# 1. Size: the installer without the plug-in and the programs it carries,
# against the plug-in itself; the remover and the per-user program.
total=$(stat -c %s "$exe")
payload=$(stat -c %s "$dll")
remover=$(stat -c %s "$build/ScorewaveRemove.exe")
user=$(stat -c %s "$build/ScorewaveUser.exe")
bare=$((total - payload - remover - user))
section() {
    local hex
    hex=$(x86_64-w64-mingw32-objdump -h "$exe" | awk -v s="$1" '$2 == s { print $3 }')
    echo $((16#${hex:-0}))
}
code=$(section .text)
constants=$(($(section .rdata) + $(section .data)))
imports=$(section .idata)
unwind=$(($(section .pdata) + $(section .xdata)))
res_own=$(($(section .rsrc) - payload - remover - user))
rest=$((bare - code - constants - imports - unwind - res_own))
bench_row "size: ScorewaveSetup.exe without its plug-in, its remover and its per-user program: code $code, constants and data $constants, import tables $imports, unwind data $unwind, own resources $res_own, the rest (headers, relocations, padding) $rest" \
    bytes "$bare" "the plug-in npscorew64.dll" "$payload" "figure <= 86016 (84 KiB guard; the goal is 80 KiB)"
bench_row "size: ScorewaveRemove.exe" bytes "$remover" "the plug-in npscorew64.dll" "$payload" "figure <= 49152 (48 KiB guard)"
bench_row "size: ScorewaveUser.exe" bytes "$user" "the plug-in npscorew64.dll" "$payload" "figure <= 45056 (44 KiB guard)"

# 2. Start-up: process start until the main window is visible, against a
# minimal dialog program of the same build.
probe_out=$build/bench/startup.txt
rm -f "$probe_out"
lab_wine "$prefix" "$build/bench/startup_probe.exe" "$BENCH_RUNS" "$(bench_winpath "$probe_out")" \
    "$(bench_winpath "$exe")" "$(bench_winpath "$build/bench/minimal_dialog.exe")" >/dev/null 2>&1
setup_ms=$(bench_value a_ms "$probe_out")
dialog_ms=$(bench_value b_ms "$probe_out")
bench_row "start-up: process start to visible main window" ms "${setup_ms:-?}" \
    "minimal dialog of the same build, empty" "${dialog_ms:-?}" "ratio <= 1.3"

# Installation and memory, the browser poll, then any other benchmark.
scripts=("$root/bench/install_20.sh" "$root/bench/browser_poll.sh")
for script in "$root"/bench/*.sh; do
    case "$(basename "$script")" in
    run.sh | lib.sh | install_20.sh | browser_poll.sh) ;;
    *) scripts+=("$script") ;;
    esac
done
for script in "${scripts[@]}"; do
    bash "$script" "$build" "$prefix"
done

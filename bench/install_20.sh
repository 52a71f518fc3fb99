#!/usr/bin/env bash
# A silent installation into 20 targets (20 Mozilla products with 64-bit
# programs and existing plug-in folders), against install_20.exe, a minimal
# program that writes the same bytes into the same 20 files. Both start each
# timed run with the 20 files absent. A second row sets the installation
# against the installer's own silent run with no browser registered, which is
# its fixed cost (start-up, scans, no writes).
# Usage: bench/install_20.sh BUILD_DIR [PREFIX]   (called by bench/run.sh with
# its prefix; alone, it makes a prefix of its own under BUILD_DIR/bench)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
. "$root/tests/lab/env.sh"
runs=${BENCH_RUNS:-9}
targets=20
exe=$build/ScorewaveSetup.exe
writer=$build/bench/install_20.exe
dll=$build/npscorew64.dll

if [ $# -ge 2 ]; then
    prefix=$2
else
    prefix=$build/bench/wine-install20
    trap 'lab_prefix_stop "$prefix"; lab_display_stop' EXIT
    lab_display_start || exit 3
    lab_prefix_create "$prefix" || exit 4
fi
work=$prefix/drive_c/bench-install
regfile=$build/bench/install_20.reg

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
now_ms() { date +%s%3N; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
clear_targets() { rm -f "$work"/*/plugins/npscorew64.dll "$work"/*/plugins/npscorew64.old; }
count_written() {
    local n=0 f
    for f in "$work"/*/plugins/npscorew64.dll; do cmp -s "$f" "$dll" && n=$((n + 1)); done
    echo $n
}

# "<median wall time in ms> <last exit code>" of $runs runs of "$@", each
# from absent files, after one warm-up run.
time_runs() {
    local times=() i t0 rc=0
    clear_targets
    lab_wine "$prefix" "$@" >/dev/null 2>&1
    for i in $(seq 1 "$runs"); do
        clear_targets
        t0=$(now_ms)
        lab_wine "$prefix" "$@" >/dev/null 2>&1
        rc=$?
        times+=($(($(now_ms) - t0)))
    done
    echo "$(printf '%s\n' "${times[@]}" | median) $rc"
}

rm -rf "$work"
mkdir -p "$work"
cp "$exe" "$work/program64.exe"
names=()
{
    echo "REGEDIT4"
    echo "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla]"
    for i in $(seq -w 1 "$targets"); do
        mkdir -p "$work/$i/plugins"
        names+=("C:\\bench-install\\$i\\plugins\\npscorew64.dll")
        echo "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla\\Bench Browser $i\\bin]"
        echo "\"PathToExe\"=\"C:\\\\bench-install\\\\program64.exe\""
        echo "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla\\Bench Browser $i\\Extensions]"
        echo "\"Plugins\"=\"C:\\\\bench-install\\\\$i\\\\plugins\""
    done
} >"$regfile"
lab_wine "$prefix" regedit /S "$(winpath "$regfile")" >/dev/null 2>&1

read -r install_ms install_rc < <(time_runs "$exe" /noui)
install_written=$(count_written)
read -r writer_ms writer_rc < <(time_runs "$writer" "$(winpath "$dll")" "${names[@]}")
writer_written=$(count_written)

echo "| silent installation into $targets targets, exit $install_rc, $install_written written (ms, median of $runs) | ${install_ms:-?} | minimal writer, exit $writer_rc, $writer_written written ${writer_ms:-?} | $(ratio "${install_ms:-0}" "${writer_ms:-0}") |"

printf 'REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla]\n' >"$regfile"
lab_wine "$prefix" regedit /S "$(winpath "$regfile")" >/dev/null 2>&1
read -r bare_ms bare_rc < <(time_runs "$exe" /noui)
echo "| the same installation against a silent run that finds no browser (exit $bare_rc) (ms, median of $runs) | ${install_ms:-?} | ${bare_ms:-?} | $(ratio "${install_ms:-0}" "${bare_ms:-0}") |"
rm -rf "$work" "$regfile"

#!/usr/bin/env bash
# The Mozilla scan at scale: a silent run with 25 Mozilla products registered
# in both registry views, against a bare silent run on the same machine.
#  - 64-bit programs with existing plug-in folders: 50 accepted folders, 20
#    targets (the list's limit) written;
#  - 32-bit programs: every product read and its program file opened, nothing
#    accepted or written (the scan alone).
# Usage: bench/scan_mozilla.sh BUILD_DIR PREFIX   (called by bench/run.sh)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
prefix=$2
. "$root/tests/lab/env.sh"
runs=${BENCH_RUNS:-9}
products=25
exe=$build/ScorewaveSetup.exe
pe32=$build/fixtures/discovery/pe32.exe
work=$prefix/drive_c/bench-mozilla
regfile=$build/bench/scan_mozilla.reg

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
now_ms() { date +%s%3N; }

# Median wall time (ms) of $runs silent runs, after one warm-up run.
time_silent() {
    local times=() i t0
    lab_wine "$prefix" "$exe" /noui >/dev/null 2>&1
    for i in $(seq 1 "$runs"); do
        t0=$(now_ms)
        lab_wine "$prefix" "$exe" /noui >/dev/null 2>&1
        times+=($(($(now_ms) - t0)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

# Registers the products in both views; $1 is the program (a Windows path).
register() {
    local program=$1 i name view
    {
        echo "REGEDIT4"
        for view in "SOFTWARE" "SOFTWARE\\Wow6432Node"; do
            echo "[-HKEY_LOCAL_MACHINE\\$view\\Mozilla]"
            for i in $(seq -w 1 "$products"); do
                name="Bench Product $i"
                echo "[HKEY_LOCAL_MACHINE\\$view\\Mozilla\\$name\\bin]"
                echo "\"PathToExe\"=\"${program//\\/\\\\}\""
                echo "[HKEY_LOCAL_MACHINE\\$view\\Mozilla\\$name\\Extensions]"
                echo "\"Plugins\"=\"C:\\\\bench-mozilla\\\\$i\\\\plugins\""
            done
        done
    } >"$regfile"
    lab_wine "$prefix" regedit /S "$(winpath "$regfile")" >/dev/null 2>&1
}

unregister() {
    printf 'REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla]\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Mozilla]\n' >"$regfile"
    lab_wine "$prefix" regedit /S "$(winpath "$regfile")" >/dev/null 2>&1
}

rm -rf "$work"
for i in $(seq -w 1 "$products"); do mkdir -p "$work/$i/plugins"; done
cp "$exe" "$work/program64.exe"

unregister
bare_ms=$(time_silent)

register 'C:\bench-mozilla\program64.exe'
full_ms=$(time_silent)
written=$(ls "$work"/*/plugins/npscorew64.dll 2>/dev/null | wc -l)
echo "| silent run, $products Mozilla products x 2 views, 64-bit: 50 found, $written written (ms, median of $runs) | ${full_ms:-?} | bare silent run ${bare_ms:-?} | $(ratio "${full_ms:-0}" "${bare_ms:-0}") |"

if [ -f "$pe32" ]; then
    cp "$pe32" "$work/program32.exe"
    register 'C:\bench-mozilla\program32.exe'
    scan_ms=$(time_silent)
    echo "| silent run, $products Mozilla products x 2 views, 32-bit: all read, none taken (ms, median of $runs) | ${scan_ms:-?} | bare silent run ${bare_ms:-?} | $(ratio "${scan_ms:-0}" "${bare_ms:-0}") |"
fi

unregister
rm -rf "$work" "$regfile"

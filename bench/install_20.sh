#!/usr/bin/env bash
# Installation: a silent installation into 20 targets (20 Mozilla products with 64-bit
# programs and existing plug-in folders), against install_20.exe, a minimal
# program that writes the same bytes into the same 20 files. Every run starts
# with the 20 files absent. A second row sets the installation against the
# installer's own silent run with no browser registered: its fixed cost
# (start-up, scans, font and registry checks, no writes).
# Safe write: the same installation against the installer as it was before it
# wrote each file whole under a temporary name and renamed it into place
# (revision BENCH_BEFORE_SAFE_WRITE, built from git into BUILD_DIR/bench), both
# from absent files and with a previous plug-in in every target.
# Memory: the peak working set of the same silent installation, against the same
# minimal writer.
# Usage: bench/install_20.sh BUILD_DIR [PREFIX]   (called by bench/run.sh with
# its prefix; alone, it makes a prefix of its own under BUILD_DIR/bench)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
. "$root/tests/lab/env.sh"
. "$root/bench/lib.sh"
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
unregfile=$build/bench/install_20-none.reg

clear_targets() { rm -f "$work"/*/plugins/npscorew64.dll "$work"/*/plugins/npscorew64.old; }
place_previous() {
    local f
    clear_targets
    for f in "$work"/*/plugins; do cp "$dll" "$f/npscorew64.dll"; done
}
count_written() {
    local n=0 f
    for f in "$work"/*/plugins/npscorew64.dll; do cmp -s "$f" "$dll" && n=$((n + 1)); done
    echo $n
}
register() { lab_wine "$prefix" regedit /S "$(bench_winpath "$1")" >/dev/null 2>&1; }

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
printf 'REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla]\n' >"$unregfile"
register "$regfile"

install=("$exe" /noui)
write=("$writer" "$(bench_winpath "$dll")" "${names[@]}")

# Installation against the minimal writer.
reset_both() { clear_targets; }
read -r install_ms writer_ms install_rc writer_rc < <(bench_pair "$prefix" reset_both install write)
clear_targets
lab_wine "$prefix" "${install[@]}" >/dev/null 2>&1
install_written=$(count_written)
clear_targets
lab_wine "$prefix" "${write[@]}" >/dev/null 2>&1
writer_written=$(count_written)
bench_row "installation: silent run into $targets targets (exit $install_rc, $install_written files written)" ms \
    "$install_ms" "minimal writer of the same bytes into the same files (exit $writer_rc, $writer_written written)" \
    "$writer_ms" "ratio <= 1.3"

# The same installation against the installer before the safe write.
before_rev=${BENCH_BEFORE_SAFE_WRITE:-a6abca44a203babe6e11d08cad009ff058e0933c}
before_dir=$build/bench/before-safe-write
before_exe=$before_dir/build/ScorewaveSetup.exe
if [ ! -f "$before_exe" ] || [ "$(cat "$before_dir/revision" 2>/dev/null)" != "$before_rev" ]; then
    rm -rf "$before_dir"
    mkdir -p "$before_dir/source"
    if git -C "$root" archive "$before_rev" | tar -x -C "$before_dir/source" &&
        cmake -S "$before_dir/source" -B "$before_dir/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$before_dir/source/cmake/mingw64.cmake" \
            -DSCOREWAVE_TESTS=OFF >/dev/null &&
        ninja -C "$before_dir/build" ScorewaveSetup >/dev/null; then
        echo "$before_rev" >"$before_dir/revision"
    fi
fi
if [ -f "$before_exe" ]; then
    before=("$before_exe" /noui)
    read -r safe_ms before_ms safe_rc before_rc < <(bench_pair "$prefix" reset_both install before)
    bench_row "installation: silent run into $targets targets, each file written whole and renamed into place (exit $safe_rc)" ms \
        "$safe_ms" "the same run by the installer before the safe write, ${before_rev:0:7} (exit $before_rc)" \
        "$before_ms" "ratio <= 1.1"
    reset_previous() { place_previous; }
    read -r safe_ms before_ms safe_rc before_rc < <(bench_pair "$prefix" reset_previous install before)
    bench_row "installation: the same, replacing a previous plug-in in every target (exit $safe_rc)" ms \
        "$safe_ms" "the installer before the safe write (exit $before_rc)" "$before_ms" "-"
else
    bench_row "installation: safe write against the installer before it" ms "?" \
        "revision ${before_rev:0:7} could not be built here" "?" "ratio <= 1.1"
fi

# The same installation against a silent run that finds no browser.
reset_registered() {
    clear_targets
    if [ "$1" = a ]; then register "$regfile"; else register "$unregfile"; fi
}
read -r install2_ms none_ms _ none_rc < <(bench_pair "$prefix" reset_registered install install)
bench_row "installation: the same run, against its fixed cost" ms "$install2_ms" \
    "silent run that finds no browser (exit $none_rc)" "$none_ms" "-"
register "$regfile"

# Peak working set, each run from absent files.
memory_out=$build/bench/memory.txt
peak() {
    rm -f "$memory_out"
    clear_targets
    lab_wine "$prefix" "$build/bench/memory_probe.exe" "$(bench_winpath "$memory_out")" "$1" \
        >/dev/null 2>&1
    bench_value kib "$memory_out"
}
install_line="$(bench_winpath "$exe") /noui"
writer_line="$(bench_winpath "$writer") $(bench_winpath "$dll") ${names[*]}"
install_kib=()
writer_kib=()
for i in $(seq 1 "$BENCH_RUNS"); do
    install_kib+=("$(peak "$install_line")")
    writer_kib+=("$(peak "$writer_line")")
done
bench_row "memory: peak working set of the silent installation into $targets targets" KiB \
    "$(printf '%s\n' "${install_kib[@]}" | bench_median)" "the same minimal writer" \
    "$(printf '%s\n' "${writer_kib[@]}" | bench_median)" "-"

register "$unregfile"
rm -rf "$work" "$regfile" "$unregfile"

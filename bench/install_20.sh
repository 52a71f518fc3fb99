#!/usr/bin/env bash
# Installation: a silent installation into 20 targets (20 Mozilla products with 64-bit
# programs and existing plug-in folders), against install_20.exe, a minimal
# program that writes the same bytes into the same 20 files. Every run starts
# with the 20 files absent. A second row sets the installation against the
# installer's own silent run with no browser registered: its fixed cost
# (start-up, scans, font and registry checks, no writes).
# Safe write: the same installation against the same minimal program writing
# each file under a temporary name, flushing it and renaming it into place, both
# from absent files and with a previous plug-in in every target.
# Removal: the remover's quiet removal of that installation against the minimal
# program deleting the 20 files.
# Memory: the peak working set of the same silent installation, against the same
# minimal writer.
# Usage: bench/install_20.sh BUILD_DIR [PREFIX]   (called by bench/run.sh with
# its prefix; alone, it makes a prefix of its own under BUILD_DIR/bench)
set -u
build=$(realpath "$1")
. "$(dirname "$0")/lib.sh"
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
    bench_hold_desktop "$prefix" "$build"
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
bench_register "$prefix" "$regfile"

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

# The crash-safe write against its floor: the same bare program writing each
# file under a temporary name, flushing it and renaming it into place.
safe_write=("$writer" /safe "$(bench_winpath "$dll")" "${names[@]}")
read -r safe_ms floor_ms safe_rc floor_rc < <(bench_pair "$prefix" reset_both install safe_write)
bench_row "installation: silent run into $targets targets, each file written whole, flushed and renamed into place (exit $safe_rc)" ms \
    "$safe_ms" "bare program writing, flushing and renaming the same files (exit $floor_rc)" \
    "$floor_ms" "ratio <= 1.15"
reset_previous() { place_previous; }
read -r safe_ms floor_ms safe_rc floor_rc < <(bench_pair "$prefix" reset_previous install safe_write)
bench_row "installation: the same, replacing a previous plug-in in every target (exit $safe_rc)" ms \
    "$safe_ms" "the same bare program (exit $floor_rc)" "$floor_ms" "-"

# The removal of those 20 plug-ins (with the font, the document types and the
# entry) against a bare program deleting the same 20 files. Before each
# removal, an untimed silent installation.
remover=("C:\\Program Files\\Scorewave\\ScorewaveRemove.exe" /quiet)
delete=("$writer" /delete "${names[@]}")
reset_installed() {
    clear_targets
    if [ "$1" = a ]; then
        lab_wine "$prefix" "${install[@]}" >/dev/null 2>&1
    else
        place_previous
    fi
}
read -r remove_ms bare_delete_ms remove_rc delete_rc < <(bench_pair "$prefix" reset_installed remover delete)
left=0
for f in "$work"/*/plugins/npscorew64.dll; do [ -e "$f" ] && left=$((left + 1)); done
bench_row "removal: quiet removal of $targets plug-ins, the font, the document types and the entry (exit $remove_rc)" ms \
    "$remove_ms" "bare program deleting the same $targets files (exit $delete_rc, $left left)" \
    "$bare_delete_ms" "ratio <= 1.3"

# The same installation against a silent run that finds no browser.
reset_registered() {
    clear_targets
    if [ "$1" = a ]; then bench_register "$prefix" "$regfile"; else bench_register "$prefix" "$unregfile"; fi
}
read -r install2_ms none_ms _ none_rc < <(bench_pair "$prefix" reset_registered install install)
bench_row "installation: the same run, against its fixed cost" ms "$install2_ms" \
    "silent run that finds no browser (exit $none_rc)" "$none_ms" "-"
bench_register "$prefix" "$regfile"

# What the 20 targets themselves cost, each program's run into them less its
# run with nothing to do: the crash-safe write without the fixed costs.
bare_none=("$writer" /delete)
read -r floor2_ms bare_none_ms _ _ < <(bench_pair "$prefix" reset_both safe_write bare_none)
bench_row "installation: the $targets targets' own time (the run into them less the run that finds no browser)" ms \
    "$((install2_ms - none_ms))" "the bare program's run into them less its run with no file" \
    "$((floor2_ms - bare_none_ms))" "-"

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

bench_register "$prefix" "$unregfile"
rm -rf "$work" "$regfile" "$unregfile"

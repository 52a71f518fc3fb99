#!/usr/bin/env bash
# The Mozilla scan at scale: a silent run with 25 Mozilla products registered
# in both registry views, against a silent run with none registered.
#  - 64-bit programs with existing plug-in folders: 50 accepted folders, 20
#    targets (the list's limit) written;
#  - 32-bit programs: every product read and its program file opened, nothing
#    accepted or written (the scan alone).
# Usage: bench/scan_mozilla.sh BUILD_DIR PREFIX   (called by bench/run.sh)
set -u
build=$1
prefix=$2
. "$(dirname "$0")/lib.sh"
products=25
exe=$build/ScorewaveSetup.exe
pe32=$build/fixtures/discovery/pe32.exe
work=$prefix/drive_c/bench-mozilla
regfile=$build/bench/scan_mozilla.reg
unregfile=$build/bench/scan_mozilla-none.reg

# Writes the .reg file $2 that registers the products in both views; $1 is
# the program (a Windows path).
write_registration() {
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
    } >"$2"
}
reset_registered() {
    rm -f "$work"/*/plugins/npscorew64.dll "$work"/*/plugins/npscorew64.old
    if [ "$1" = a ]; then bench_register "$prefix" "$regfile"; else bench_register "$prefix" "$unregfile"; fi
}

rm -rf "$work"
for i in $(seq -w 1 "$products"); do mkdir -p "$work/$i/plugins"; done
cp "$exe" "$work/program64.exe"
printf 'REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla]\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Mozilla]\n' >"$unregfile"
silent=("$exe" /noui)

write_registration 'C:\bench-mozilla\program64.exe' "$regfile"
read -r full_ms bare_ms full_rc bare_rc < <(bench_pair "$prefix" reset_registered silent silent)
reset_registered a
lab_wine "$prefix" "${silent[@]}" >/dev/null 2>&1
written=$(ls "$work"/*/plugins/npscorew64.dll 2>/dev/null | wc -l)
bench_row "Mozilla scan: silent run, $products Mozilla products x 2 views, 64-bit: 50 found, $written written (exit $full_rc)" ms \
    "$full_ms" "silent run with no product registered (exit $bare_rc)" "$bare_ms" "-"

if [ -f "$pe32" ]; then
    cp "$pe32" "$work/program32.exe"
    write_registration 'C:\bench-mozilla\program32.exe' "$regfile"
    read -r scan_ms bare_ms scan_rc bare_rc < <(bench_pair "$prefix" reset_registered silent silent)
    bench_row "Mozilla scan: silent run, $products Mozilla products x 2 views, 32-bit: all read, none taken (exit $scan_rc)" ms \
        "$scan_ms" "silent run with no product registered (exit $bare_rc)" "$bare_ms" "-"
fi

bench_register "$prefix" "$unregfile"
rm -rf "$work" "$regfile" "$unregfile"

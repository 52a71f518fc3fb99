#!/usr/bin/env bash
# make demo: a demo Wine prefix with sample browser installations, the installer
# run windowed, the installation log and what the run wrote, the Programs and
# Features entry, then the remover run windowed, Windows restarted, and what is
# left of Scorewave: the per-user program and its component, which take back
# each user's copies at that user's next logon.
# On a display with a terminal attached the person clicks through the installer
# (DEMO_DRIVE=1 lets the driver click instead); without a display it runs under
# Xvfb and the test driver clicks.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
. "$root/tests/lab/env.sh"

out=$build/demo
prefix=$out/wine
mode=drive
if [ -n "${DISPLAY:-}" ] && [ -t 0 ] && [ -z "${DEMO_DRIVE:-}" ]; then mode=watch; fi
cleanup() { lab_prefix_stop "$prefix"; lab_display_stop; }
trap cleanup EXIT
mkdir -p "$out"
rm -f "$out"/*.txt "$out"/*.bmp "$out"/*.png
lab_display_start || exit 3
echo "demo: making the demo prefix $prefix"
lab_prefix_create "$prefix" || exit 4
[ "$mode" = watch ] && echo "demo: the installer is open on $DISPLAY: click I Agree, then Return."
lab_wine "$prefix" "$build/demo_run.exe" "Z:$(echo "$out" | tr / '\\')" "$mode" || {
    echo "demo: the driver failed" >&2
    exit 5
}
lab_wine "$prefix" wineboot -s >/dev/null 2>&1 # flush the registry to disk


echo
echo "=== Installation log"
tr -d '\r' <"$out/installation-log.txt" 2>/dev/null | iconv -f CP1252 -t UTF-8
echo "=== Status line: $(cat "$out/status.txt" 2>/dev/null)"
echo "=== Exit code: $(cat "$out/exit-code.txt" 2>/dev/null)"
echo
echo "=== Files the run wrote"
drive_c=$prefix/drive_c
find "$drive_c" \( -iname 'npscorew*' -o -iname 'Tonalis.ttf' -o -iname 'Scorewave*.exe' \) -newer "$prefix/lab-boot.log" \
    -printf '%TY-%Tm-%Td %TH:%TM  %10s  C:/%P\n' | sed 's#/#\\#g' | sort -k4
echo
echo "=== Registry entries the run wrote"
for key in 'HKCR\.mtd' 'HKCR\.sgt' 'HKCR\Music.Transfer.Document' 'HKCR\ScorewaveGuitar.File' \
    'HKCR\MIME\Database\Content Type\application/x-scorewave'; do
    lab_wine "$prefix" reg query "$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
done
lab_wine "$prefix" reg query 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Tonalis (TrueType)' 2>/dev/null | tr -d '\r' | sed '/^$/d'

[ "$mode" = watch ] && echo "demo: the remover is open: click Yes, then OK."
lab_wine "$prefix" "$build/demo_run.exe" "Z:$(echo "$out" | tr / '\\')" "$mode" remove ||
    echo "demo: the remover's driver failed" >&2
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Scorewave Viewer'
echo
echo "=== The Programs and Features entry, as the installation left it"
tr -d '\r' <"$out/uninstall-entry.txt" 2>/dev/null
echo
echo "=== The remover, started as Programs and Features starts it: exit code $(cat "$out/removal-exit-code.txt" 2>/dev/null)"
tr -d '\r' <"$out/removal-box.txt" 2>/dev/null | iconv -f CP1252 -t UTF-8
echo
lab_wine "$prefix" wineboot -r >/dev/null 2>&1 # a restart: what waited for it goes
lab_wine "$prefix" wineboot -s >/dev/null 2>&1
echo "=== What is left of Scorewave after the restart: only the per-user program and its component,"
echo "=== until each user has logged on (README: Each user's own browsers)"
find "$drive_c" \( -iname 'npscorew*' -o -iname 'Tonalis.*' -o -iname '*Scorewave*' -o -iname '~scw*' \) -printf 'C:/%P\n' | sed 's#/#\\#g'
for key in 'HKCR\.mtd' 'HKCR\.sgt' 'HKCR\Music.Transfer.Document' 'HKCR\ScorewaveGuitar.File' \
    'HKCR\MIME\Database\Content Type\application/x-scorewave' "$uninstall" \
    'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Scorewave.Viewer'; do
    lab_wine "$prefix" reg query "$key" /reg:64 2>/dev/null | tr -d '\r' | sed '/^$/d' | grep -v '^reg:'
done
lab_wine "$prefix" reg query 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Tonalis (TrueType)' 2>/dev/null | tr -d '\r' | sed '/^$/d' | grep -v '^reg:'
echo "=== (end)"
for shot in "$out"/*.bmp; do
    [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo
ls "$out"/*.png 2>/dev/null | sed 's/^/screenshot: /'

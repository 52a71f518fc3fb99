#!/usr/bin/env bash
# Each user's logon: the per-user program as Explorer runs it (Active Setup),
# ScorewaveUser.exe /logon, on a profile with two per-user browsers (a Chrome
# in the user's local application data, registered in HKCU, and an Opera whose
# plug-in folder HKCU names), against a bare process start (the minimal writer
# given nothing to do). Logon waits for the program: the goal is under a second.
# Two rows: the run that writes both plug-ins, and the run that finds both
# current and writes nothing.
# Usage: bench/user_logon.sh BUILD_DIR PREFIX   (called by bench/run.sh)
set -u
build=$1
prefix=$2
. "$(dirname "$0")/lib.sh"
work=$prefix/drive_c/bench-user
regfile=$build/bench/user_logon.reg
unregfile=$build/bench/user_logon-none.reg
user=$(id -un)
local_win="C:\\users\\$user\\AppData\\Local\\Google\\Chrome\\Application"
opera_win="C:\\users\\$user\\AppData\\Roaming\\Opera\\plugins"
chrome=$prefix/drive_c/users/$user/AppData/Local/Google/Chrome/Application
opera=$prefix/drive_c/users/$user/AppData/Roaming/Opera/plugins
copies=("$chrome/Plugins/npscorew64.dll" "$opera/npscorew64.dll")

# A browser for the whole machine, so that the installation stays, and the
# user's two.
rm -rf "$work"
mkdir -p "$work/plugins" "$chrome" "$opera"
cp "$build/ScorewaveSetup.exe" "$work/program64.exe"
cat >"$regfile" <<REG
REGEDIT4
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla\\Bench Machine Browser\\bin]
"PathToExe"="C:\\\\bench-user\\\\program64.exe"
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla\\Bench Machine Browser\\Extensions]
"Plugins"="C:\\\\bench-user\\\\plugins"
[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome]
"InstallLocation"="${local_win//\\/\\\\}"
[HKEY_CURRENT_USER\\SOFTWARE\\Opera Software]
"Plugin Path"="${opera_win//\\/\\\\}"
REG
cat >"$unregfile" <<REG
REGEDIT4
[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Mozilla\\Bench Machine Browser]
[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome]
[-HKEY_CURRENT_USER\\SOFTWARE\\Opera Software]
REG
bench_register "$prefix" "$regfile"
lab_wine "$prefix" "$build/ScorewaveSetup.exe" /noui >/dev/null 2>&1

logon=("C:\\Program Files\\Scorewave\\ScorewaveUser.exe" /logon)
bare=("$build/bench/install_20.exe" /delete)
reset_copies() { [ "$1" = a ] && rm -f "${copies[@]}"; return 0; }
read -r logon_ms bare_ms logon_rc bare_rc < <(bench_pair "$prefix" reset_copies logon bare)
written=0
for f in "${copies[@]}"; do cmp -s "$f" "$build/npscorew64.dll" && written=$((written + 1)); done
bench_row "logon: the per-user program on a profile with two per-user browsers, both written (exit $logon_rc, $written written)" ms \
    "$logon_ms" "bare process start (exit $bare_rc)" "$bare_ms" "figure < 1000"
read -r current_ms bare_ms current_rc bare_rc < <(bench_pair "$prefix" bench_no_reset logon bare)
bench_row "logon: the same, both current: nothing written (exit $current_rc)" ms \
    "$current_ms" "bare process start (exit $bare_rc)" "$bare_ms" "figure < 1000"

lab_wine "$prefix" "C:\\Program Files\\Scorewave\\ScorewaveRemove.exe" /quiet >/dev/null 2>&1
lab_wine "$prefix" "C:\\Program Files\\Scorewave\\ScorewaveUser.exe" /remove >/dev/null 2>&1
bench_register "$prefix" "$unregfile"
rm -rf "$work" "$regfile" "$unregfile" "$prefix/drive_c/users/$user/AppData/Local/Google" \
    "$prefix/drive_c/users/$user/AppData/Roaming/Opera"

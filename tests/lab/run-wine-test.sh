#!/usr/bin/env bash
# Usage: run-wine-test.sh PREFIXDIR EXE [ARGS...]
# Runs one Windows program in a fresh Wine prefix at PREFIXDIR (removed first),
# on an Xvfb display of its own when DISPLAY is unset, and exits with the
# program's exit code. The prefix (about 700 MB) is removed after a passing run
# unless LAB_KEEP_PREFIX=1; a failing run leaves it for inspection.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"

if [ $# -lt 2 ]; then
    echo "usage: $0 PREFIXDIR EXE [ARGS...]" >&2
    exit 2
fi
prefix=$(realpath -m "$1")
exe=$2
shift 2

rc=99
watchdog=""
cleanup() {
    [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null
    lab_prefix_stop "$prefix"
    lab_display_stop
    if [ "$rc" = 0 ] && [ "${LAB_KEEP_PREFIX:-0}" != 1 ]; then rm -rf "$prefix"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

lab_display_start || exit 3
# A script killed outright (SIGKILL) runs no trap: this watcher then stops the
# display and the prefix's programs in its place.
owner=$$
(
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    [ -n "$LAB_XVFB_PID" ] && kill "$LAB_XVFB_PID" 2>/dev/null
) >/dev/null 2>&1 &
watchdog=$!

t0=$(lab_now_ms)
lab_prefix_create "$prefix" || exit 4
t1=$(lab_now_ms)
echo "lab: prefix $prefix ready in $((t1 - t0)) ms on display $DISPLAY"
# A test of the desktop shell starts in a session whose shell answers: the
# program LAB_DESKTOP_SHELL names (tests/fixtures/desktopshell.cpp) says so,
# and the session is started anew while it does not.
if [ -n "${LAB_DESKTOP_SHELL:-}" ]; then
    for attempt in 1 2 3 4 5; do
        lab_wine "$prefix" "$LAB_DESKTOP_SHELL" && break
        echo "lab: the desktop shell did not answer (session $attempt); starting it again"
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null
        WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    done
fi

# In the background so that a signal's trap runs at once instead of after the
# program ends.
lab_wine "$prefix" "$exe" "$@" &
wait $!
rc=$?
t2=$(lab_now_ms)
echo "lab: $(basename "$exe") exited with $rc after $((t2 - t1)) ms"
exit $rc

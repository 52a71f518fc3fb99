# Common settings of the Wine test lab. Source it:  . tests/lab/env.sh
# Then:  lab_display_start; lab_prefix_create DIR; lab_wine DIR prog.exe args...;
#        lab_prefix_stop DIR; lab_display_stop
# Every prefix lives where the caller says (under a build dir), never in ~/.wine.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
LAB_DESKTOP_SIZE=${LAB_DESKTOP_SIZE:-1024x768}
LAB_SCREEN=${LAB_SCREEN:-1280x1024x24}
LAB_XVFB_PID=""

lab_now_ms() { date +%s%3N; }

# Starts Xvfb on a free display when DISPLAY is unset; sets DISPLAY.
# -displayfd lets the server pick the display itself, so parallel runs never
# race for the same number.
lab_display_start() {
    [ -n "${DISPLAY:-}" ] && return 0
    local fdfile
    fdfile=$(mktemp "${TMPDIR:-/tmp}/lab-xvfb.XXXXXX")
    Xvfb -displayfd 3 -screen 0 "$LAB_SCREEN" -nolisten tcp \
        3>"$fdfile" >/dev/null 2>&1 &
    LAB_XVFB_PID=$!
    local i
    for i in $(seq 1 200); do
        if [ -s "$fdfile" ] && grep -q '^[0-9]' "$fdfile"; then break; fi
        kill -0 "$LAB_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    local n
    n=$(head -n1 "$fdfile" | tr -dc 0-9)
    rm -f "$fdfile"
    if [ -z "$n" ]; then
        echo "lab: Xvfb did not start" >&2
        kill "$LAB_XVFB_PID" 2>/dev/null
        LAB_XVFB_PID=""
        return 1
    fi
    export DISPLAY=":$n"
}

lab_display_stop() {
    if [ -n "$LAB_XVFB_PID" ]; then
        kill "$LAB_XVFB_PID" 2>/dev/null
        wait "$LAB_XVFB_PID" 2>/dev/null
        LAB_XVFB_PID=""
        unset DISPLAY
    fi
}

# The user hive a new prefix starts from. Wine only reads the virtual-desktop
# keys when explorer.exe starts, which wineboot does at once; seeding user.reg
# before wineboot is the one way to get the desktop without restarting the
# server. The crash dialog is off so a crashing program cannot wait for a click.
lab_seed_user_reg() {
    cat >"$1/user.reg" <<EOF
WINE REGISTRY Version 2
;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\\\Wine\\\\Explorer] 1700000000
"Desktop"="Default"

[Software\\\\Wine\\\\Explorer\\\\Desktops] 1700000000
"Default"="$LAB_DESKTOP_SIZE"

[Software\\\\Wine\\\\WineDbg] 1700000000
"ShowCrashDialog"=dword:00000000
EOF
}

# Makes a fresh prefix at $1 (removed first). Needs DISPLAY (lab_display_start).
lab_prefix_create() {
    local prefix=$1
    case "$prefix" in
    "" | / | "$HOME" | "$HOME/.wine")
        echo "lab: refusing prefix '$prefix'" >&2
        return 1
        ;;
    esac
    if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null; fi
    rm -rf "$prefix"
    mkdir -p "$prefix"
    lab_seed_user_reg "$prefix"
    if ! WINEPREFIX="$prefix" wine wineboot -i >"$prefix/lab-boot.log" 2>&1 ||
        [ ! -d "$prefix/drive_c/windows/system32" ]; then
        echo "lab: prefix $prefix not created (see $prefix/lab-boot.log)" >&2
        return 1
    fi
    # The explorer.exe that wineboot starts never registers the desktop shell's
    # ShellWindows object (nothing answers CLSID_ShellWindows while it runs):
    # stop it, so the desktop the tests use comes from a fresh explorer.exe
    # with the whole shell.
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    return 0
}

# The ids of the programs running in prefix $1, found by their WINEPREFIX.
lab_prefix_pids() {
    local env pid
    for env in /proc/[0-9]*/environ; do
        pid=${env#/proc/}
        pid=${pid%/environ}
        [ "$pid" = $$ ] && continue
        tr '\0' '\n' 2>/dev/null <"$env" | grep -qxF "WINEPREFIX=$1" && echo "$pid"
    done
}

lab_wine() {
    local prefix=$1
    shift
    WINEPREFIX="$prefix" wine "$@"
}

# Stops the prefix's wineserver and its programs. A program that was starting
# while the server went down (winedevice.exe, now and then) is no longer the
# server's to stop: it is found by its WINEPREFIX and ended here.
lab_prefix_stop() {
    local pid
    WINEPREFIX="$1" wineserver -k 2>/dev/null
    for pid in $(lab_prefix_pids "$1"); do kill -9 "$pid" 2>/dev/null; done
    return 0
}

# Converts the BMP screenshots the tests save (in $1) to PNG beside them.
lab_screenshots_png() {
    local bmp
    for bmp in "$1"/*.bmp; do
        [ -e "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" || return 1
    done
}

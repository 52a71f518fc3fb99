# Shared by the benchmark scripts, which source it first: it sets root (the
# source tree) and brings in the lab's Wine helpers (tests/lab/env.sh).
# Every script prints rows of the one table that bench/run.sh heads:
#   | benchmark | unit | figure | baseline | baseline figure | ratio | goal |
# A figure and its baseline are always measured in the same run, in the same
# Wine prefix, interleaved, and each is the median of BENCH_RUNS runs.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tests/lab/env.sh"

BENCH_RUNS=${BENCH_RUNS:-9}

bench_winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
bench_now_ms() { date +%s%3N; }
bench_median() { sort -n | awk '{ a[NR] = $1 } END { if (NR) print a[int((NR + 1) / 2)]; else print "?" }'; }
# The value of key $1 in file $2 of "key value" lines; the probes write them
# from Windows, with CR LF line ends.
bench_value() { tr -d '\r' <"$2" 2>/dev/null | awk -v k="$1" '$1 == k { print $2; exit }'; }
bench_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (a ~ /^[0-9.]+$/ && b ~ /^[0-9.]+$/ && b > 0) printf "%.2f", a / b; else print "-" }'
}

# bench_row WHAT UNIT FIGURE BASELINE BASELINE_FIGURE GOAL
bench_row() {
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4" "$5" "$(bench_ratio "$3" "$5")" "$6"
}

# bench_pair PREFIX RESET_FUNCTION COMMAND_A COMMAND_B
# Wall time of whole Wine runs, process start to exit, of the commands held in
# the arrays named COMMAND_A and COMMAND_B: one warm-up run of each, then
# BENCH_RUNS runs of each, interleaved in alternating order so that a slow
# moment of the machine favours neither. RESET_FUNCTION runs (untimed) before
# every run, with "a" or "b" for the command that comes next.
# Prints "<median ms A> <median ms B> <last exit code A> <last exit code B>".
bench_pair() {
    local prefix=$1 reset=$2
    local -n bench_a=$3 bench_b=$4
    local times_a=() times_b=() rc_a=0 rc_b=0 i t0 first
    "$reset" a
    lab_wine "$prefix" "${bench_a[@]}" >/dev/null 2>&1
    "$reset" b
    lab_wine "$prefix" "${bench_b[@]}" >/dev/null 2>&1
    for i in $(seq 1 "$BENCH_RUNS"); do
        for first in a b; do
            if [ $((i % 2)) -eq 0 ]; then first=$([ "$first" = a ] && echo b || echo a); fi
            "$reset" "$first"
            t0=$(bench_now_ms)
            if [ "$first" = a ]; then
                lab_wine "$prefix" "${bench_a[@]}" >/dev/null 2>&1
                rc_a=$?
                times_a+=($(($(bench_now_ms) - t0)))
            else
                lab_wine "$prefix" "${bench_b[@]}" >/dev/null 2>&1
                rc_b=$?
                times_b+=($(($(bench_now_ms) - t0)))
            fi
        done
    done
    echo "$(printf '%s\n' "${times_a[@]}" | bench_median) $(printf '%s\n' "${times_b[@]}" | bench_median) $rc_a $rc_b"
}

bench_no_reset() { :; }

# bench_register PREFIX REGFILE: imports a .reg file into the prefix's registry.
bench_register() { lab_wine "$1" regedit /S "$(bench_winpath "$2")" >/dev/null 2>&1; }

# Windows' desktop is always there. Wine's explorer.exe ends with the last
# program that had a window and starts again with the next one, which would add
# its own start (50 to 100 ms here) to every run of a program that makes a
# window (OleInitialize makes one). A dialog kept open in the background holds
# it; stopping the prefix ends it.
bench_hold_desktop() { lab_wine "$1" "$2/bench/minimal_dialog.exe" >/dev/null 2>&1 & }

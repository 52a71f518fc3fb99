#!/bin/sh
# The build's one time stamp (SOURCE_DATE_EPOCH, reproducible-builds.org).
#   source_date.sh write SOURCE_DIR FILE   writes the value to FILE when it changed
#   source_date.sh run FILE COMMAND...     runs COMMAND with SOURCE_DATE_EPOCH from FILE
#   source_date.sh print SOURCE_DIR        prints the value
# The value: $SOURCE_DATE_EPOCH when set; else the time of the commit checked
# out in SOURCE_DIR (when SOURCE_DIR is the top of a git work tree, not a folder
# inside another project's); otherwise the newest modification time of the
# files the product is built from (git archive sets them to the commit's time).
set -eu

value() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif [ "$(git -C "$1" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$1" && pwd -P)" ] &&
        t=$(git -C "$1" log -1 --format=%ct 2>/dev/null) && [ -n "$t" ]; then
        echo "$t"
    else
        find "$1/CMakeLists.txt" "$1/cmake" "$1/src" "$1/plugin" "$1/tools" -type f \
            -printf '%T@\n' 2>/dev/null | sort -n | tail -n 1 | cut -d. -f1
    fi
}

case "$1" in
write)
    v=$(value "$2")
    case "$v" in '' | *[!0-9]*) echo "source_date.sh: no time stamp for $2" >&2; exit 1 ;; esac
    [ -f "$3" ] && [ "$(cat "$3")" = "$v" ] || echo "$v" >"$3"
    ;;
run)
    SOURCE_DATE_EPOCH=$(cat "$2")
    export SOURCE_DATE_EPOCH
    shift 2
    exec "$@"
    ;;
print) value "$2" ;;
*) echo "usage: source_date.sh write|run|print ..." >&2; exit 2 ;;
esac

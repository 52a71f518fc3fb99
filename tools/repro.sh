#!/usr/bin/env bash
# make repro: builds the product twice, from two copies of this source tree in
# two temporary folders, one after the other, and checks that both give
# byte-identical ScorewaveSetup.exe, ScorewaveRemove.exe, ScorewaveUser.exe and
# npscorew64.dll, and that none of them names a folder of either build. Both
# take the time stamp of this tree
# (tools/source_date.sh: the commit's time unless SOURCE_DATE_EPOCH is set).
# Prints first the tools a rebuild elsewhere must match to give these bytes.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
products=(ScorewaveSetup.exe ScorewaveRemove.exe ScorewaveUser.exe npscorew64.dll)
start=$(date +%s)

# The version a tool reports and the Debian package (and version) it comes
# from: Debian's mingw-w64 GCC reports only "12-posix", its package says more.
package() { dpkg-query -W -f='${Package} ${Version}' "$1"; }
tool() { # WHAT COMMAND
    local path
    path=$(readlink -f "$(command -v "$2")")
    printf '  %-9s %s; %s\n' "$1" "$("$2" --version | head -1)" "$(package "$(dpkg -S "$path" | cut -d: -f1)")"
}
echo "tools (a rebuild must use the same to give the same bytes):"
tool GCC x86_64-w64-mingw32-g++-posix
tool binutils x86_64-w64-mingw32-ld
tool windres x86_64-w64-mingw32-windres
printf '  %-9s %s, fontTools.version %s\n' fonttools "$(package python3-fonttools)" \
    "$(/usr/bin/python3 -c 'import fontTools; print(fontTools.version)')"
printf '  %-9s %s (the headers, and the C runtime linked in)\n' runtime "$(package mingw-w64-x86-64-dev)"

SOURCE_DATE_EPOCH=$(tools/source_date.sh print "$src")
export SOURCE_DATE_EPOCH
root=$(mktemp -d "${TMPDIR:-/tmp}/scorewave-repro.XXXXXX")
trap 'rm -rf "$root"' EXIT

# The tracked files and new ones not ignored, as they are in the work tree.
files() {
    if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$src" ls-files -z --cached --others --exclude-standard
    else
        (cd "$src" && find . -path ./build -prune -o -type f -print0)
    fi
}

build() { # NAME: copies the tree to $root/NAME/source, builds in $root/NAME/out
    local tree="$root/$1/source" out="$root/$1/out"
    mkdir -p "$tree"
    (cd "$src" && files | xargs -0 cp --parents -t "$tree")
    cmake -S "$tree" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake \
        -DSCOREWAVE_TESTS=OFF >"$root/$1.log" 2>&1
    ninja -C "$out" ScorewaveSetup >>"$root/$1.log" 2>&1 || { cat "$root/$1.log"; exit 1; }
}

build first
sleep 1 # a second apart at least: a clock in the build would show
build second-with-a-longer-name

status=0
for f in "${products[@]}"; do
    a="$root/first/out/$f" b="$root/second-with-a-longer-name/out/$f"
    if cmp -s "$a" "$b"; then
        echo "same bytes: $f $(sha256sum "$a" | cut -d' ' -f1)"
    else
        echo "DIFFERENT: $f"
        cmp -l "$a" "$b" | head -5
        status=1
    fi
    if strings -a "$a" | grep -F -e "$root" -e "$src" -e "/first/" -e "/out/"; then
        echo "a build folder is named inside $f"
        status=1
    fi
done
echo "SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH; two builds in $(($(date +%s) - start)) s"
[ $status -eq 0 ] && echo "reproducible: 1 passed, 0 failed" || echo "reproducible: 0 passed, 1 failed"
exit $status

#!/usr/bin/env bash
# Builds ScorewaveSetup.exe around a given npscorew64.dll, ScorewaveRemove.exe
# and ScorewaveUser.exe (signed ones) instead of ones built here:
#   tools/carry_plugin.sh DLL REMOVER USER TREE  ->  TREE/ScorewaveSetup.exe
# Same sources, same SOURCE_DATE_EPOCH (tools/source_date.sh) as the ordinary
# build, so the result differs from it only by the files it carries. Used by
# tools/sign.sh and tools/verify_release.sh; the build log is TREE/build.log.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/carry_plugin.sh DLL REMOVER USER TREE"
dll=$(realpath "${1:?$usage}")
remover=$(realpath "${2:?$usage}")
user=$(realpath "${3:?$usage}")
tree=${4:?$usage}
SOURCE_DATE_EPOCH=$("$here/tools/source_date.sh" print "$here")
export SOURCE_DATE_EPOCH
mkdir -p "$tree"
if ! { cmake -S "$here" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake \
    -DSCOREWAVE_TESTS=OFF -DSCOREWAVE_PLUGIN_DLL="$dll" -DSCOREWAVE_REMOVER_EXE="$remover" \
    -DSCOREWAVE_USER_EXE="$user" &&
    ninja -C "$tree" ScorewaveSetup; } >"$tree/build.log" 2>&1; then
    cat "$tree/build.log" >&2
    echo "building the installer around $dll, $remover and $user failed" >&2
    exit 1
fi

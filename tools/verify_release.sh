#!/usr/bin/env bash
# make verify-release RELEASE=ScorewaveSetup.exe [CA=root.pem]
# Usage: tools/verify_release.sh SIGNED_EXE BUILD [CA]
#
# Checks that a signed installer is this commit's reproducible build plus
# Authenticode signatures and nothing else:
#  1. its signature, and its carried plug-in's, verify (osslsigncode verify,
#     against the root certificate CA when given);
#  2. the plug-in it carries, without its signature, is byte for byte the
#     npscorew64.dll of the unsigned build in BUILD (make builds it);
#  3. the installer without its signature is byte for byte this commit's
#     installer built around that signed plug-in (tools/carry_plugin.sh).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
release=${1:?usage: tools/verify_release.sh SIGNED_EXE BUILD [CA]}
build=${2:?usage: tools/verify_release.sh SIGNED_EXE BUILD [CA]}
ca=${3:-}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/scorewave-verify.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() { # WHAT COMMAND...
    local what=$1
    shift
    if "$@" >"$tmp/check.log" 2>&1; then
        echo "ok     $what"
        passed=$((passed + 1))
    else
        echo "FAILED $what"
        cat "$tmp/check.log"
        failed=$((failed + 1))
    fi
}
sha() { sha256sum <"$1" | cut -d' ' -f1; }

caopt=()
[ -n "$ca" ] && caopt=(-CAfile "$ca")
check "the installer's signature verifies${ca:+ against $ca}" \
    osslsigncode verify "${caopt[@]}" -in "$release"
check "the installer carries a plug-in" \
    /usr/bin/python3 "$here/tools/pe_resource.py" "$release" FILE 102 "$tmp/carried.dll"
check "the carried plug-in's signature verifies${ca:+ against $ca}" \
    osslsigncode verify "${caopt[@]}" -in "$tmp/carried.dll"
osslsigncode remove-signature -in "$tmp/carried.dll" -out "$tmp/carried-unsigned.dll" >/dev/null 2>&1
check "the carried plug-in less its signature is $build/npscorew64.dll, SHA-256 $(sha "$build/npscorew64.dll")" \
    cmp "$tmp/carried-unsigned.dll" "$build/npscorew64.dll"
osslsigncode remove-signature -in "$release" -out "$tmp/unsigned.exe" >/dev/null 2>&1
check "this commit's installer builds around that plug-in" \
    "$here/tools/carry_plugin.sh" "$tmp/carried.dll" "$tmp/build"
check "the installer less its signature is that build, SHA-256 $(sha "$tmp/unsigned.exe" 2>/dev/null)" \
    cmp "$tmp/unsigned.exe" "$tmp/build/ScorewaveSetup.exe"
echo "verify-release: $passed passed, $failed failed"
[ "$failed" = 0 ]

#!/usr/bin/env bash
# make verify-release RELEASE=ScorewaveSetup.exe SIGNER_SHA256=hex [CA=root.pem]
# Usage: tools/verify_release.sh SIGNED_EXE BUILD SIGNER_SHA256 [CA]
#
# Checks that a signed installer is this commit's reproducible build plus
# Authenticode signatures and nothing else:
#  1. its signature, and those of the plug-in, the remover and the per-user
#     program it carries, verify (osslsigncode verify, against the root
#     certificate CA when given);
#  2. each of the four holds exactly one signature, by the certificate whose
#     SHA-256 the release published (SIGNER_SHA256), with nothing added to it
#     but an RFC 3161 time stamp, no certificate but the signer's and the time
#     stamp's chains, no CRL, and nothing after it (tools/signature_check.py).
#     osslsigncode verify takes a nested second signature or an added blob, and
#     removing the signature removes them too, so only this check sees them;
#  3. the plug-in and the programs it carries, without their signatures, are
#     byte for byte the npscorew64.dll, ScorewaveRemove.exe and
#     ScorewaveUser.exe of the unsigned build in BUILD (make builds it);
#  4. the installer without its signature is byte for byte this commit's
#     installer built around those signed files (tools/carry_plugin.sh).
# Without SIGNER_SHA256 it fails after 1 and 2, saying how to give it and what
# the file's signer certificate measures; a file that fails 1 or 2 is not
# rebuilt for 3 and 4.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/verify_release.sh SIGNED_EXE BUILD SIGNER_SHA256 [CA]"
release=${1:?$usage}
build=${2:?$usage}
signer=${3-}
ca=${4:-}
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
# The files the installer carries: what each is, its resource, the name its
# copy takes here, and the file of this build it must be less its signature.
kinds=(plug-in remover "per-user program")
types=(FILE 10 10)
ids=(102 104 105)
copies=(carried.dll carried.exe carried-user.exe)
builds=(npscorew64.dll ScorewaveRemove.exe ScorewaveUser.exe)
for i in 0 1 2; do
    check "the installer carries a ${kinds[i]}" \
        /usr/bin/python3 "$here/tools/pe_resource.py" "$release" "${types[i]}" "${ids[i]}" "$tmp/${copies[i]}"
    check "the carried ${kinds[i]}'s signature verifies${ca:+ against $ca}" \
        osslsigncode verify "${caopt[@]}" -in "$tmp/${copies[i]}"
done
published=()
[ -n "$signer" ] && published=("$signer")
check "the installer has one signature${signer:+, by the certificate $signer,} and nothing added" \
    /usr/bin/python3 "$here/tools/signature_check.py" "$release" "${published[@]}"
for i in 0 1 2; do
    check "the carried ${kinds[i]} has one signature${signer:+, by the certificate $signer,} and nothing added" \
        /usr/bin/python3 "$here/tools/signature_check.py" "$tmp/${copies[i]}" "${published[@]}"
done
if [ -z "$signer" ]; then
    measured=$(/usr/bin/python3 "$here/tools/signature_check.py" "$release" | sed -n 's/^signer certificate SHA-256: //p')
    echo "FAILED no SIGNER_SHA256: give the SHA-256 of the signer's certificate that the release published,"
    echo "       make verify-release RELEASE=$release SIGNER_SHA256=<64 hex digits>"
    echo "       This file's signer certificate: ${measured:-not readable} (make sign prints it for the releaser)"
    echo "verify-release: $passed passed, $((failed + 1)) failed"
    exit 1
fi
if [ "$failed" != 0 ]; then
    echo "verify-release: $passed passed, $failed failed (the signatures: nothing rebuilt)"
    exit 1
fi
for i in 0 1 2; do
    osslsigncode remove-signature -in "$tmp/${copies[i]}" -out "$tmp/unsigned-${copies[i]}" >/dev/null 2>&1
    check "the carried ${kinds[i]} less its signature is $build/${builds[i]}, SHA-256 $(sha "$build/${builds[i]}")" \
        cmp "$tmp/unsigned-${copies[i]}" "$build/${builds[i]}"
done
osslsigncode remove-signature -in "$release" -out "$tmp/unsigned.exe" >/dev/null 2>&1
check "this commit's installer builds around that plug-in and those programs" \
    "$here/tools/carry_plugin.sh" "$tmp/carried.dll" "$tmp/carried.exe" "$tmp/carried-user.exe" \
    "$tmp/build"
check "the installer less its signature is that build, SHA-256 $(sha "$tmp/unsigned.exe" 2>/dev/null)" \
    cmp "$tmp/unsigned.exe" "$tmp/build/ScorewaveSetup.exe"
echo "verify-release: $passed passed, $failed failed"
[ "$failed" = 0 ]

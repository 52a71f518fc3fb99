#!/usr/bin/env bash
# make sign: Authenticode signatures (SHA-256, Debian's osslsigncode) on a
# release. Usage: tools/sign.sh BUILD [OUT]   (OUT: BUILD/signed by default)
#
# Takes the ordinary, unsigned build in BUILD (make builds it first), signs
# its npscorew64.dll, ScorewaveRemove.exe and ScorewaveUser.exe, builds
# ScorewaveSetup.exe around them (a second build of the same sources in
# OUT.tmp, which carries the given files instead of building them:
# tools/carry_plugin.sh), signs the installer, and only then puts the four
# signed files in OUT. Any failure (a missing or wrong
# certificate, key or password: osslsigncode says which) leaves no OUT and no
# OUT.tmp. The ordinary build in BUILD stays unsigned. Both signed files must
# pass tools/signature_check.py (one signature, nothing added), and the SHA-256
# of the signer's certificate is printed last: the release publishes it for
# make verify-release SIGNER_SHA256=...
#
# The certificate and key, never kept in the repository:
#   SIGN_PKCS12=file.p12 SIGN_PASSWORD_FILE=file      a PKCS#12 file and its password
#   SIGN_CERT=cert.pem SIGN_KEY=key.pem               a PEM pair (SIGN_PASSWORD_FILE
#                                                     too when the key is encrypted)
#   SIGN_TIMESTAMP_URL=http://...                     optional RFC 3161 time-stamp server
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/sign.sh BUILD [OUT]}
out=${2:-$build/signed}
tmp=$out.tmp

fail() {
    echo "make sign: $*" >&2
    exit 1
}

credentials=()
if [ -n "${SIGN_PKCS12:-}" ]; then
    [ -n "${SIGN_CERT:-}${SIGN_KEY:-}" ] && fail "give SIGN_PKCS12 or SIGN_CERT and SIGN_KEY, not both"
    [ -n "${SIGN_PASSWORD_FILE:-}" ] || fail "SIGN_PKCS12 needs SIGN_PASSWORD_FILE, the file holding its password"
    credentials=(-pkcs12 "$SIGN_PKCS12" -readpass "$SIGN_PASSWORD_FILE")
elif [ -n "${SIGN_CERT:-}" ] || [ -n "${SIGN_KEY:-}" ]; then
    [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ] || fail "a PEM pair needs both SIGN_CERT and SIGN_KEY"
    credentials=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
    [ -n "${SIGN_PASSWORD_FILE:-}" ] && credentials+=(-readpass "$SIGN_PASSWORD_FILE")
else
    fail "no certificate: set SIGN_PKCS12 and SIGN_PASSWORD_FILE, or SIGN_CERT and SIGN_KEY"
fi
timestamp=()
[ -n "${SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$SIGN_TIMESTAMP_URL")
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (apt-get install osslsigncode)"
signed_files=(npscorew64.dll ScorewaveRemove.exe ScorewaveUser.exe ScorewaveSetup.exe)
for f in "${signed_files[@]}"; do
    [ -f "$build/$f" ] || fail "$build/$f is missing: build first (make)"
done

# What an earlier run left goes first: OUT holds the result of this run only.
rm -rf "$out" "$tmp"
trap 'rm -rf "$tmp" "$out.new"' EXIT
mkdir -p "$tmp"

sign() { # DESCRIPTION IN OUT
    osslsigncode sign "${credentials[@]}" "${timestamp[@]}" -h sha256 \
        -n "$1" -i "http://www.scorewave-music.com/" -in "$2" -out "$3"
}

sign "Scorewave Viewer Plugin" "$build/npscorew64.dll" "$tmp/npscorew64.dll"
sign "Scorewave Viewer Remover" "$build/ScorewaveRemove.exe" "$tmp/ScorewaveRemove.exe"
sign "Scorewave Viewer for Each User" "$build/ScorewaveUser.exe" "$tmp/ScorewaveUser.exe"

# The installer around the signed plug-in and programs, from the same sources
# and time stamp.
"$here/tools/carry_plugin.sh" "$tmp/npscorew64.dll" "$tmp/ScorewaveRemove.exe" \
    "$tmp/ScorewaveUser.exe" "$tmp/build" ||
    fail "building the installer around the signed plug-in and programs failed"

sign "Scorewave Viewer Plugin Setup" "$tmp/build/ScorewaveSetup.exe" "$tmp/ScorewaveSetup.exe"

for f in "${signed_files[@]}"; do
    /usr/bin/python3 "$here/tools/signature_check.py" "$tmp/$f" >"$tmp/signer.txt" || {
        cat "$tmp/signer.txt" >&2
        fail "$f is not signed once with nothing added: make verify-release would refuse it"
    }
done

mkdir -p "$out.new"
for f in "${signed_files[@]}"; do mv "$tmp/$f" "$out.new/"; done
mv "$out.new" "$out"
echo "signed: ${signed_files[*]/#/$out/}"
(cd "$out" && sha256sum "${signed_files[@]}")
echo "$(cat "$tmp/signer.txt") (publish it: make verify-release SIGNER_SHA256=...)"

#!/usr/bin/env bash
# make release: a folder to publish. Usage: tools/release.sh BUILD DIST [SIGNED]
#
# DIST gets the signed ScorewaveSetup.exe; winget/, a winget manifest for it
# whose version and publisher come from the plug-in it carries, checked against
# winget's schemas (tools/winget_manifest.py); and SHA256SUMS for both.
# The installer is signed now by make sign's script (tools/sign.sh, into
# BUILD/signed, with its SIGN_* variables), or taken from SIGNED, a folder that
# script filled before.
#
# What is published passes make verify-release whole first
# (tools/verify_release.sh: one signature on each file, only the signer's and
# the time stamp's certificates, the carried files and the installer this
# commit's build), against the signer certificate SIGNER_SHA256 names and the
# root CA (a PEM file) when given. SIGNER_SHA256 is required with SIGNED; when
# the installer is signed now it may be left out, and is then the certificate
# it was signed with.
#
# RELEASE_URL, the https address the installer will be downloaded from (the
# manifest's InstallerUrl), is required. A missing or plain http RELEASE_URL is
# refused before anything is touched; once the work starts, an earlier DIST goes
# first, and a failure (signing, a manifest the schemas refuse) leaves no DIST:
# nothing half-made to publish. A DIST holding anything but a release is never
# replaced.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/release.sh BUILD DIST [SIGNED]}
dist=${2:?usage: tools/release.sh BUILD DIST [SIGNED]}
signed=${3:-}
signer=${SIGNER_SHA256:-}
ca=()
[ -n "${CA:-}" ] && ca=("$CA")

fail() {
    echo "make release: $*" >&2
    exit 1
}

url=${RELEASE_URL:-}
[ -n "$url" ] || fail "RELEASE_URL is missing: give the https address the installer will be downloaded from (make release RELEASE_URL=https://...)"
[[ $url =~ ^https://[^[:space:]/]+(/[^[:space:]]*)?$ ]] || fail "RELEASE_URL must be an https address, not \"$url\""
[ -n "$signer" ] || [ -z "$signed" ] || fail "SIGNER_SHA256 is missing: give the SHA-256 of the certificate $signed was signed with (make release SIGNER_SHA256=...)"
if [ -e "$dist" ]; then
    [ -d "$dist" ] || fail "$dist is not a folder"
    other=$(find "$dist" -mindepth 1 -maxdepth 1 ! -name ScorewaveSetup.exe ! -name SHA256SUMS ! -name winget)
    [ -z "$other" ] || fail "$dist holds more than an earlier release (${other//$'\n'/, }): not replacing it"
fi

rm -rf "$dist" "$dist.tmp"
trap 'rm -rf "$dist.tmp"' EXIT
if [ -z "$signed" ]; then
    "$here/tools/sign.sh" "$build" || fail "signing failed: nothing released"
    signed=$build/signed
    [ -n "$signer" ] || signer=$(/usr/bin/python3 "$here/tools/signature_check.py" "$signed/ScorewaveSetup.exe" |
        sed -n 's/^signer certificate SHA-256: //p')
fi
mkdir -p "$dist.tmp"
cp "$signed/ScorewaveSetup.exe" "$dist.tmp/"
# The very bytes to be published.
"$here/tools/verify_release.sh" "$dist.tmp/ScorewaveSetup.exe" "$build" "$signer" "${ca[@]}" ||
    fail "$signed/ScorewaveSetup.exe does not pass make verify-release: nothing released"
"$here/tools/winget_manifest.py" write "$dist.tmp" "$url"
"$here/tools/winget_manifest.py" check "$dist.tmp"
(cd "$dist.tmp" && sha256sum ScorewaveSetup.exe winget/*.yaml >SHA256SUMS)
mv "$dist.tmp" "$dist"
echo "released: $dist"
(cd "$dist" && cat SHA256SUMS)

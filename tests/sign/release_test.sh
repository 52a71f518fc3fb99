#!/usr/bin/env bash
# make release's script, run into BUILD/release-lab/dist with the throwaway
# signed installer sign_test leaves in BUILD/sign-lab/signed: refused, leaving
# no dist, without an https RELEASE_URL or when signing fails; otherwise dist
# holds that installer, once make verify-release passes it (a folder of signed
# files without SIGNER_SHA256, or an installer with a certificate beside the
# signer's chain, is refused), SHA256SUMS that sha256sum accepts, and a winget
# manifest winget's schemas accept, whose InstallerSha256 is the installer's
# and whose version and publisher are the plug-in's. The check refuses a wrong
# InstallerType and an installer changed after its manifest was made.
# Usage: tests/sign/release_test.sh BUILD
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: release_test.sh BUILD}")
lab=$build/release-lab dist=$build/release-lab/dist signed=$build/sign-lab/signed
url=https://downloads.example.com/1.20/ScorewaveSetup.exe
signer=$(openssl x509 -in "$build/sign-lab/signer.pem" -outform DER | sha256sum | cut -d' ' -f1)
passed=0 failed=0
rm -rf "$lab" && mkdir -p "$lab"

result() { # WHAT STATUS: the status is 0
    if [ "$2" = 0 ]; then echo "ok     $1" && passed=$((passed + 1)); else
        echo "FAILED $1" && sed 's/^/       /' "$lab/log" && failed=$((failed + 1)); fi
}
check() { "${@:2}" >"$lab/log" 2>&1; result "$1" $?; }
refused() { ! "${@:3}" >"$lab/log" 2>&1 && grep -qi -- "$2" "$lab/log"; result "$1" $?; }
release() { # VAR=VALUE... [--] [SIGNED]: make release's script with only these variables
    local vars=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do vars+=("$1") && shift; done
    env -u RELEASE_URL -u SIGN_PKCS12 -u SIGN_PASSWORD_FILE -u SIGN_CERT -u SIGN_KEY -u SIGNER_SHA256 -u CA \
        "${vars[@]}" "$here/tools/release.sh" "$build" "$dist" "${@:2}"
}
manifest() { /usr/bin/python3 "$here/tools/winget_manifest.py" "$@"; }

refused "no RELEASE_URL: refused" "RELEASE_URL is missing" release -- "$signed"
refused "an http RELEASE_URL: refused" "must be an https address" release RELEASE_URL=http://downloads.example.com/a.exe -- "$signed"
refused "signing failing (no certificate): refused" "signing failed" release RELEASE_URL=$url
refused "signed files without SIGNER_SHA256: refused" "SIGNER_SHA256 is missing" release RELEASE_URL=$url -- "$signed"
mkdir -p "$lab/extra" && cp "$build/sign-lab/extra.exe" "$lab/extra/ScorewaveSetup.exe"
refused "an installer with a certificate beside the signer's chain: refused" "does not pass make verify-release" \
    release RELEASE_URL=$url SIGNER_SHA256="$signer" -- "$lab/extra"
check "the refusals leave no dist" test ! -e "$dist" -a ! -e "$dist.tmp"

check "make release's script with the signed installer" \
    release RELEASE_URL=$url SIGNER_SHA256="$signer" CA="$build/sign-lab/root.pem" -- "$signed"
check "dist holds the signed installer" cmp "$signed/ScorewaveSetup.exe" "$dist/ScorewaveSetup.exe"
check "SHA256SUMS names every other file in dist, and they match" bash -c 'cd "$0" && sha256sum --strict -c SHA256SUMS &&
    diff <(cut -c67- SHA256SUMS | sort) <(find . -type f ! -name SHA256SUMS -printf "%P\n" | sort)' "$dist"
check "the winget manifest: the schemas accept it, InstallerSha256 is the installer's" manifest check "$dist"
check "InstallerUrl is RELEASE_URL; version and publisher are the plug-in's" /usr/bin/python3 -c '
import re, sys, yaml
rc = open(sys.argv[2] + "/plugin/npscorew64.rc").read()
numbers = open(sys.argv[2] + "/src/resources/version.h").read()
version = ".".join(re.search(r"PRODUCT_VERSION_%s (\d+)" % n, numbers)[1] for n in ("MAJOR", "MINOR", "PATCH"))
publisher = re.search(r"\"CompanyName\", \"([^\"]*)", rc)[1]
m = yaml.safe_load(open(sys.argv[1] + "/winget/Scorewave.ScorewaveViewer.installer.yaml"))
arp = m["AppsAndFeaturesEntries"][0]
assert m["Installers"][0]["InstallerUrl"] == sys.argv[3], m["Installers"]
assert (m["PackageVersion"], arp["DisplayVersion"], arp["Publisher"]) == (version, version, publisher), arp' \
    "$dist" "$here" "$url"

cp -r "$dist" "$lab/wrong-type" && sed -i 's/^InstallerType: .*/InstallerType: "setup"/' \
    "$lab/wrong-type/winget/Scorewave.ScorewaveViewer.installer.yaml"
refused "a wrong InstallerType is refused" "InstallerType: 'setup' is not one of" manifest check "$lab/wrong-type"
cp -r "$dist" "$lab/changed" && printf '\x90' | dd of="$lab/changed/ScorewaveSetup.exe" bs=1 seek=1200 conv=notrunc status=none
refused "an installer changed after its manifest is refused" "is not ScorewaveSetup.exe's SHA-256" manifest check "$lab/changed"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

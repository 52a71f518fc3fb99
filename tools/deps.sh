#!/usr/bin/env bash
# Installs the Debian packages the build and the tests use, when missing.
# Usage: tools/deps.sh [build|test|demo|bench|fuzz|sign|release]
set -euo pipefail
want=(cmake ninja-build g++ make mingw-w64 python3-fonttools googletest libgtest-dev)
case "${1:-build}" in
  test) want+=(wine64 wine fonts-wine xvfb xauth imagemagick x11-utils python3-pefile osslsigncode openssl
    python3-yaml python3-jsonschema) ;;
  demo|bench) want+=(wine64 wine fonts-wine xvfb xauth imagemagick x11-utils) ;;
  fuzz) want+=(clang libclang-rt-14-dev) ;;
  sign) want+=(osslsigncode python3-pefile) ;;
  release) want+=(osslsigncode python3-pefile python3-yaml python3-jsonschema) ;;
esac
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

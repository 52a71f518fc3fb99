#!/usr/bin/env bash
# make sign, tested with a throwaway root and code-signing certificate made
# with openssl under BUILD/sign-lab (never a real one): both ways of giving the
# certificate sign, osslsigncode verifies both files against that root, the PE
# checksums are valid, a changed byte is refused, signing adds only the
# signature (tools/verify_release.sh), and a missing or wrong certificate, key
# or password fails with osslsigncode's message and leaves nothing signed.
# Leaves BUILD/sign-lab/signed/ for the Wine test signing_test (WinVerifyTrust,
# the signed installer installing).
# Usage: tests/sign/sign_test.sh BUILD
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:?usage: sign_test.sh BUILD}")
lab=$build/sign-lab
passed=0 failed=0

ok() {
    echo "ok     $1"
    passed=$((passed + 1))
}
bad() {
    echo "FAILED $1"
    [ -n "${2:-}" ] && sed 's/^/       /' "$2"
    failed=$((failed + 1))
}
# check WHAT COMMAND...: the command succeeds.
check() {
    local what=$1
    shift
    if "$@" >"$lab/check.log" 2>&1; then ok "$what"; else bad "$what" "$lab/check.log"; fi
}
# refused WHAT MESSAGE COMMAND...: the command fails and says MESSAGE.
refused() {
    local what=$1 message=$2
    shift 2
    if "$@" >"$lab/check.log" 2>&1; then
        bad "$what (it succeeded)" "$lab/check.log"
    elif ! grep -qi -- "$message" "$lab/check.log"; then
        bad "$what (no \"$message\" in its words)" "$lab/check.log"
    else
        ok "$what"
    fi
}
checksum_valid() { /usr/bin/python3 -c 'import pefile, sys; sys.exit(0 if pefile.PE(sys.argv[1]).verify_checksum() else 1)' "$1"; }
# Nothing signed and nothing half-made is left for OUT.
nothing_left() { [ ! -e "$1" ] && [ ! -e "$1.tmp" ] && [ ! -e "$1.new" ]; }

rm -rf "$lab"
mkdir -p "$lab"
cd "$lab" || exit 1

# ------------------------------------------------------------ the certificates
cat >root.cnf <<'EOF'
[req]
distinguished_name = dn
x509_extensions = ext
prompt = no
[dn]
CN = Scorewave Throwaway Test Root
[ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
EOF
cat >signer.cnf <<'EOF'
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
{
    openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 30 -config root.cnf &&
        openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
            -subj "/CN=Scorewave Throwaway Test Signer" &&
        openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial \
            -out signer.pem -days 30 -extfile signer.cnf &&
        echo "throwaway password" >password.txt &&
        echo "not the password" >wrong-password.txt &&
        openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile root.pem \
            -out signer.p12 -passout file:password.txt &&
        openssl req -newkey rsa:2048 -nodes -keyout other.key -out other.csr -subj "/CN=Other"
} >openssl.log 2>&1 || {
    cat openssl.log
    echo "0 passed, 1 failed"
    exit 1
}

unsigned_dll=$(sha256sum <"$build/npscorew64.dll")
unsigned_exe=$(sha256sum <"$build/ScorewaveSetup.exe")
sign() { # OUT VAR=VALUE...: make sign's script with only these variables
    local out=$1
    shift
    env -u SIGN_PKCS12 -u SIGN_PASSWORD_FILE -u SIGN_CERT -u SIGN_KEY -u SIGN_TIMESTAMP_URL \
        "$@" "$here/tools/sign.sh" "$build" "$out"
}

# ---------------------------------------------------------------- bad input
refused "no certificate given: refused" "no certificate" sign "$lab/none"
nothing_left "$lab/none" && ok "no certificate: nothing left" || bad "no certificate: something left"
refused "missing certificate file: osslsigncode's message" "Failed" \
    sign "$lab/missing" SIGN_CERT="$lab/absent.pem" SIGN_KEY="$lab/signer.key"
nothing_left "$lab/missing" && ok "missing certificate: nothing left" || bad "missing certificate: something left"
refused "key of another certificate: osslsigncode's message" "Failed" \
    sign "$lab/mismatch" SIGN_CERT="$lab/signer.pem" SIGN_KEY="$lab/other.key"
nothing_left "$lab/mismatch" && ok "key of another certificate: nothing left" || bad "key of another certificate: something left"
refused "wrong PKCS#12 password: osslsigncode's message" "Failed" \
    sign "$lab/wrong" SIGN_PKCS12="$lab/signer.p12" SIGN_PASSWORD_FILE="$lab/wrong-password.txt"
nothing_left "$lab/wrong" && ok "wrong password: nothing left" || bad "wrong password: something left"
refused "PKCS#12 without a password file: refused" "SIGN_PASSWORD_FILE" \
    sign "$lab/nopass" SIGN_PKCS12="$lab/signer.p12"

# ------------------------------------------------------------------ signing
check "make sign with a PKCS#12 file and a password file" \
    sign "$lab/signed-p12" SIGN_PKCS12="$lab/signer.p12" SIGN_PASSWORD_FILE="$lab/password.txt"
check "make sign with a PEM pair" \
    sign "$lab/signed" SIGN_CERT="$lab/signer.pem" SIGN_KEY="$lab/signer.key"
for f in npscorew64.dll ScorewaveSetup.exe; do
    for out in signed signed-p12; do
        check "$out/$f verifies against the throwaway root" osslsigncode verify -CAfile root.pem -in "$out/$f"
        check "$out/$f has a valid PE checksum" checksum_valid "$out/$f"
    done
    cp "signed/$f" "changed-$f"
    # One byte of code changed (the first code byte after the headers).
    printf '\x90' | dd of="changed-$f" bs=1 seek=1200 conv=notrunc status=none
    refused "changed-$f (one byte changed) is refused" "Failed" \
        osslsigncode verify -CAfile root.pem -in "changed-$f"
    check "unsigned $f without a signature is refused" \
        bash -c "! osslsigncode verify -CAfile root.pem -in '$build/$f'"
done
[ "$(sha256sum <"$build/npscorew64.dll")" = "$unsigned_dll" ] &&
    [ "$(sha256sum <"$build/ScorewaveSetup.exe")" = "$unsigned_exe" ] &&
    ok "the ordinary build stays unsigned and unchanged" || bad "the ordinary build changed"
size=$(($(stat -c %s signed/npscorew64.dll) - $(stat -c %s "$build/npscorew64.dll")))
echo "       the plug-in's signature: $size bytes"
check "signing adds only the signatures (tools/verify_release.sh)" \
    "$here/tools/verify_release.sh" "$lab/signed/ScorewaveSetup.exe" "$build" "$lab/root.pem"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

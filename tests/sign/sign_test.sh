#!/usr/bin/env bash
# make sign, tested with a throwaway root and code-signing certificate made
# with openssl under BUILD/sign-lab (never a real one): both ways of giving the
# certificate sign, osslsigncode verifies both files against that root, the PE
# checksums are valid, a changed byte is refused, signing adds only the
# signature (tools/verify_release.sh) by the signer whose certificate's SHA-256
# make sign prints, while another signer's SHA-256, none, a second signature
# or a blob added beside the first, a certificate beside the signer's or the
# time stamp's chain, or a CRL is refused; and a missing or wrong
# certificate, key or password fails with osslsigncode's message and leaves
# nothing signed.
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

der_sha() { openssl x509 -in "$1" -outform DER | sha256sum | cut -d' ' -f1; }
signer_sha=$(der_sha signer.pem)
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
grep -q "SHA-256: $signer_sha" check.log && ok "make sign prints the signer certificate's SHA-256" ||
    bad "make sign does not print the signer certificate's SHA-256 $signer_sha" check.log
for f in npscorew64.dll ScorewaveRemove.exe ScorewaveUser.exe ScorewaveSetup.exe; do
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

# ----------------------------------------------------------- verify-release
verify() { "$here/tools/verify_release.sh" "$lab/$1" "$build" "$2" "$lab/root.pem"; }
# The PKCS#12 signature carries the root's certificate too, ahead of the signer's.
check "signing adds only the signatures, by the published signer (tools/verify_release.sh)" \
    verify signed-p12/ScorewaveSetup.exe "$signer_sha"
refused "verify-release with the root's SHA-256 for the signer's is refused" "not the published" \
    verify signed-p12/ScorewaveSetup.exe "$(der_sha root.pem)"
refused "verify-release without SIGNER_SHA256 says how to give it" "SIGNER_SHA256=<" \
    verify signed-p12/ScorewaveSetup.exe ""
grep -q "$signer_sha" check.log && ok "verify-release without SIGNER_SHA256 shows the signer's" ||
    bad "verify-release without SIGNER_SHA256 does not show $signer_sha" check.log
# Both pass osslsigncode verify, and removing the signature removes them too.
osslsigncode sign -certs signer.pem -key signer.key -h sha256 -nest \
    -in signed/ScorewaveSetup.exe -out nested.exe >openssl.log 2>&1 &&
    osslsigncode add -addUnauthenticatedBlob -in nested.exe -out added.exe >>openssl.log 2>&1 ||
    bad "osslsigncode could not nest a signature or add a blob" openssl.log
refused "verify-release refuses a nested second signature" "nested second signature" \
    verify added.exe "$signer_sha"
grep -q "attribute .* (not a time stamp)" check.log && ok "verify-release refuses an added blob" ||
    bad "verify-release does not name the added blob" check.log

# A certificate beside the signer's chain, or a CRL, rides along unsigned.
{
    openssl req -x509 -key other.key -subj "/CN=Other" -days 30 -out other.pem &&
        cat signer.pem other.pem >with-other.pem &&
        osslsigncode remove-signature -in signed/ScorewaveSetup.exe -out bare.exe &&
        osslsigncode sign -certs with-other.pem -key signer.key -h sha256 -in bare.exe -out extra.exe &&
        printf '[ca]\ndefault_ca = d\n[d]\ndatabase = index.txt\ndefault_md = sha256\ndefault_crl_days = 30\n' >crl.cnf &&
        : >index.txt && openssl ca -gencrl -keyfile root.key -cert root.pem -config crl.cnf -out root.crl &&
        openssl crl -in root.crl -outform DER -out root.crl.der &&
        osslsigncode extract-signature -in signed/ScorewaveSetup.exe -out signature.der &&
        /usr/bin/python3 - "$here/tools" <<'EOF' &&
import sys
sys.path.insert(0, sys.argv[1])
from signature_check import Der
def der(tag, body):  # one DER element
    n = (len(body).bit_length() + 7) // 8
    return bytes([tag]) + (bytes([len(body)]) if len(body) < 128 else bytes([0x80 | n]) + len(body).to_bytes(n, "big")) + body
kind, wrapper = Der(open("signature.der", "rb").read()).items(0x30, 2)
fields = wrapper.items(0xA0, 1)[0].items(0x30)
crl = der(0xA1, open("root.crl.der", "rb").read())
signed = der(0x30, b"".join(f.raw for f in fields[:-1]) + crl + fields[-1].raw)
open("with-crl.der", "wb").write(der(0x30, kind.raw + der(0xA0, signed)))
EOF
        osslsigncode attach-signature -sigin with-crl.der -CAfile root.pem -in bare.exe -out crl.exe
} >>openssl.log 2>&1 || bad "osslsigncode could not sign with another certificate or attach a CRL" openssl.log
refused "verify-release refuses a certificate beside the signer's chain" "on neither the signer's" \
    verify extra.exe "$signer_sha"
refused "verify-release refuses a CRL in the signature" "carries CRLs" verify crl.exe "$signer_sha"
# A time stamp (osslsigncode's own time-stamp authority, where it has one) and
# its chain pass; a certificate beside that chain does not.
if [[ $(osslsigncode --help 2>&1) == *-TSA-certs* ]]; then
    sed 's/codeSigning/critical,timeStamping/' signer.cnf >tsa.cnf
    stamp() { # OUT CERTIFICATES...
        local out=$1
        shift
        cat "$@" >tsa-certs.pem
        osslsigncode sign -certs signer.pem -key signer.key -h sha256 -TSA-certs tsa-certs.pem \
            -TSA-key tsa.key -in bare.exe -out "$out"
    }
    {
        openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=Throwaway TSA" &&
            openssl x509 -req -in tsa.csr -CA root.pem -CAkey root.key -CAcreateserial -out tsa.pem \
                -days 30 -extfile tsa.cnf &&
            stamp stamped.exe tsa.pem root.pem && stamp stamped-extra.exe tsa.pem root.pem other.pem
    } >>openssl.log 2>&1 || bad "osslsigncode could not time-stamp" openssl.log
    check "a time stamp and its chain pass" \
        /usr/bin/python3 "$here/tools/signature_check.py" stamped.exe "$signer_sha"
    refused "a certificate beside the time stamp's chain is refused" "on neither the signer's" \
        /usr/bin/python3 "$here/tools/signature_check.py" stamped-extra.exe "$signer_sha"
else
    echo "skipped: this osslsigncode has no time-stamp authority of its own (-TSA-certs)"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

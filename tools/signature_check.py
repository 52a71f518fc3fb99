#!/usr/bin/python3
"""Checks that a signed PE file carries one Authenticode signature and nothing
else: signature_check.py FILE [SIGNER_SHA256]

Prints the SHA-256 of the signer's certificate (of its DER encoding), the value
a release publishes as SIGNER_SHA256, then one line per fault; exits 1 when
there is one. The file passes when:
- its certificate table ends where the file ends and holds one WIN_CERTIFICATE
  (revision 2.0, PKCS#7 SignedData) whose length covers the signature's DER,
  followed by at most 7 zero bytes, the padding to 8;
- that SignedData holds Authenticode content and exactly one SignerInfo, and
  the signer's certificate (named by issuer and serial number) is among its
  certificates;
- the SignerInfo's only unauthenticated attribute, if any, is one RFC 3161 time
  stamp. A second signature nested there, an added blob or any other attribute
  would go unsigned past osslsigncode verify and the byte comparisons alike;
- the time stamp holds one SignerInfo, by a certificate it carries, with no
  unauthenticated attribute of its own;
- the certificates, in the signature and in the time stamp, are the signer's
  chain and the time stamp signer's chain (each certificate issued by the next,
  by name, one candidate at each step) and nothing else, and neither holds a
  CRL: nothing rides along unsigned;
- SIGNER_SHA256, when given (hex; colons allowed), is the signer certificate's.
The structures are read by the small DER reader below: Debian's python3 has no
ASN.1 module.
"""
import hashlib
import struct
import sys

import pefile

SIGNED_DATA = "1.2.840.113549.1.7.2"
AUTHENTICODE_CONTENT = "1.3.6.1.4.1.311.2.1.4"  # SpcIndirectDataContent
TIME_STAMP = "1.3.6.1.4.1.311.3.3.1"  # Microsoft's RFC 3161 time-stamp attribute
TIME_STAMP_CONTENT = "1.2.840.113549.1.9.16.1.4"  # TSTInfo
NAMED = {"1.3.6.1.4.1.311.2.4.1": "a nested second signature",
         "1.2.840.113549.1.9.6": "a counter-signature, not RFC 3161"}
SUBJECT_KEY_ID = "2.5.29.14"
SEQUENCE, SET, CONTEXT_0, CONTEXT_1, CONTEXT_3 = 0x30, 0x31, 0xA0, 0xA1, 0xA3
KEY_ID = 0x80  # a SignerInfo's [0] subjectKeyIdentifier


class Bad(Exception):
    pass


class Der:
    """One DER element in data[at:end]: its tag, whole encoding (raw) and
    contents (body). Definite lengths only, as DER has."""

    def __init__(self, data, at=0, end=None):
        end = len(data) if end is None else end
        if at + 2 > end or data[at] & 0x1F == 0x1F:
            raise Bad("DER element at %d: cut short, or a tag number above 30" % at)
        self.tag, size, start = data[at], data[at + 1], at + 2
        if size & 0x80:
            count = size & 0x7F
            if not 1 <= count <= 4 or start + count > end:
                raise Bad("DER element at %d: not a definite length" % at)
            size, start = int.from_bytes(data[start:start + count], "big"), start + count
        if start + size > end:
            raise Bad("DER element at %d runs past its end" % at)
        self.raw, self.body = data[at:start + size], data[start:start + size]

    def items(self, tag, count=None):
        """The elements inside this one, which must have the given tag (and
        hold `count` elements, when given)."""
        if self.tag != tag:
            raise Bad("DER tag 0x%02x where 0x%02x belongs" % (self.tag, tag))
        found, at = [], 0
        while at < len(self.body):
            found.append(Der(self.body, at))
            at += len(found[-1].raw)
        if count is not None and len(found) != count:
            raise Bad("%d DER elements where %d belong" % (len(found), count))
        return found

    def oid(self):
        if self.tag != 0x06 or not self.body or self.body[-1] & 0x80:
            return None
        arcs, value = [], 0
        for byte in self.body:
            value = value << 7 | byte & 0x7F
            if not byte & 0x80:
                arcs.append(value)
                value = 0
        first = min(arcs[0] // 40, 2)
        return ".".join(str(arc) for arc in [first, arcs[0] - 40 * first] + arcs[1:])


def signed_data(info, what):
    """(content type, certificates, SignerInfos) of a ContentInfo holding a
    PKCS#7 SignedData without CRLs."""
    kind, wrapper = info.items(SEQUENCE, 2)
    if kind.oid() != SIGNED_DATA:
        raise Bad("%s is %s, not PKCS#7 SignedData" % (what, kind.oid()))
    # version, digest algorithms, content, [0] certificates, [1] CRLs, signers
    fields = wrapper.items(CONTEXT_0, 1)[0].items(SEQUENCE)
    if len(fields) < 4:
        raise Bad(what + ": a SignedData of %d fields" % len(fields))
    optional = [f.tag for f in fields[3:-1]]
    if CONTEXT_1 in optional:
        raise Bad(what + " carries CRLs: none belong")
    if optional not in ([], [CONTEXT_0]):
        raise Bad(what + ": SignedData fields %s where certificates alone may be" % optional)
    content_type = fields[2].items(SEQUENCE)[0].oid()
    certificates = [c for f in fields[3:-1] for c in f.items(CONTEXT_0) if c.tag == SEQUENCE]
    return content_type, certificates, fields[-1].items(SET)


def tbs_fields(certificate):
    """serial, signature algorithm, issuer, validity, subject, key, extensions..."""
    tbs = certificate.items(SEQUENCE)[0].items(SEQUENCE)
    return tbs[1:] if tbs[0].tag == CONTEXT_0 else tbs  # without the explicit version


def issuer_and_serial(certificate):
    tbs = tbs_fields(certificate)
    return tbs[2].raw, tbs[0].raw


def key_id(certificate):
    """The subject key identifier extension's value, None without one."""
    for extensions in [f for f in tbs_fields(certificate)[6:] if f.tag == CONTEXT_3]:
        for extension in extensions.items(CONTEXT_3, 1)[0].items(SEQUENCE):
            parts = extension.items(SEQUENCE)
            if parts[0].oid() == SUBJECT_KEY_ID:
                return Der(parts[-1].body).body
    return None


def signer_of(signer_info, certificates, what):
    """The certificate a SignerInfo names, by issuer and serial number or by
    subject key identifier."""
    sid = signer_info.items(SEQUENCE)[1]
    if sid.tag == KEY_ID:
        found = [c for c in certificates if key_id(c) == sid.body]
    else:
        name = tuple(f.raw for f in sid.items(SEQUENCE, 2))
        found = [c for c in certificates if issuer_and_serial(c) == name]
    found = {c.raw: c for c in found}  # a certificate carried twice is still one
    if len(found) != 1:
        raise Bad("%d certificates of %s name its signer" % (len(found), what))
    return list(found.values())[0]


def chain(first, pool):
    """first and the certificates of pool it was issued under, by name, up to a
    root or to a step with no single candidate."""
    found = [first.raw]
    while True:
        tbs = tbs_fields(Der(found[-1]))
        issuer, subject = tbs[2].raw, tbs[4].raw
        up = [c for c in pool if tbs_fields(Der(c))[4].raw == issuer and c not in found]
        if issuer == subject or len(up) != 1:
            return found
        found.append(up[0])


def faults_of(path, published):
    """The file's faults, printing its signer certificate's SHA-256 on the way."""
    with open(path, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data, fast_load=True)
    table = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    at, size = table.VirtualAddress, table.Size  # a file offset, not an RVA
    if at == 0 or size < 8 or at + size > len(data):
        raise Bad("no certificate table inside the file (offset %d, %d bytes)" % (at, size))
    faults = []
    if at + size != len(data):
        faults.append("%d bytes after the certificate table" % (len(data) - at - size))
    length, revision, kind = struct.unpack_from("<IHH", data, at)
    if revision != 0x0200 or kind != 2:
        raise Bad("the certificate table's entry is not a PKCS#7 signature (revision 0x%x, type %d)" % (revision, kind))
    der = Der(data, at + 8, at + size)
    rest = data[at + 8 + len(der.raw):at + size]
    if len(rest) > 7 or any(rest):
        faults.append("%d bytes after the signature in the certificate table (another entry or added"
                      " bytes), where at most 7 zero bytes of padding belong" % len(rest))
    if not 8 + len(der.raw) <= length <= size:
        faults.append("WIN_CERTIFICATE length %d for a %d-byte signature" % (length, len(der.raw)))

    content_type, certificates, signers = signed_data(der, "the signature")
    if content_type != AUTHENTICODE_CONTENT:
        faults.append("the signature's content is %s, not Authenticode's" % content_type)
    if len(signers) != 1:
        raise Bad("%d SignerInfos: one signer belongs" % len(signers))
    # version, signer, digest algorithm, [0] signed attributes, signature
    # algorithm, signature, [1] unsigned attributes
    fields = signers[0].items(SEQUENCE)
    signer = signer_of(signers[0], certificates, "the signature")
    measured = hashlib.sha256(signer.raw).hexdigest()
    print("signer certificate SHA-256: " + measured)

    stamps, pool, firsts = 0, {c.raw for c in certificates}, [signer]
    for attribute in [a for f in fields[3:] if f.tag == CONTEXT_1 for a in f.items(CONTEXT_1)]:
        oid, values = attribute.items(SEQUENCE, 2)
        oid, values = oid.oid(), values.items(SET)
        stamp = None
        if oid == TIME_STAMP and not stamps and len(values) == 1:
            stamp = signed_data(values[0], "the time stamp")
        if not stamp or stamp[0] != TIME_STAMP_CONTENT:
            faults.append("unauthenticated attribute %s (%s): only one RFC 3161 time stamp may be there"
                          % (oid, NAMED.get(oid, "not a time stamp")))
            continue
        stamps += 1
        stamp_certificates, stamp_signers = stamp[1], stamp[2]
        if len(stamp_signers) != 1:
            raise Bad("%d SignerInfos in the time stamp: one signer belongs" % len(stamp_signers))
        if any(f.tag == CONTEXT_1 for f in stamp_signers[0].items(SEQUENCE)[3:]):
            faults.append("unauthenticated attributes in the time stamp's signer: none belong")
        pool |= {c.raw for c in stamp_certificates}
        firsts.append(signer_of(stamp_signers[0], stamp_certificates, "the time stamp"))
    on_chains = {c for first in firsts for c in chain(first, pool)}
    for extra in sorted(pool - on_chains):
        faults.append("certificate SHA-256 %s is on neither the signer's nor the time stamp's chain"
                      % hashlib.sha256(extra).hexdigest())
    if published is not None:
        wanted = published.replace(":", "").lower()
        if not wanted:
            faults.append("no published signer SHA-256 given to compare with")
        elif wanted != measured:
            faults.append("the signer's certificate is not the published %s" % wanted)
    return faults


def main(path, published=None):
    try:
        faults = faults_of(path, published)
    except Bad as e:
        faults = [str(e)]
    except (pefile.PEFormatError, OSError, IndexError, struct.error) as e:
        faults = ["not readable as a signed PE file: %s" % e]
    for fault in faults:
        print("%s: %s" % (path, fault))
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.stderr.write("usage: signature_check.py FILE [SIGNER_SHA256]\n")
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))

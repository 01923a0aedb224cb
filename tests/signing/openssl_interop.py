#!/usr/bin/env python3
"""The catalogue signature format checked against Debian's openssl, both ways.

Arguments: the Wine launcher, the Linux path of orkvane-catalog.exe, a scratch
folder. Keys are converted between the publisher tool's files (hexadecimal
X‖Y‖d and X‖Y) and openssl's DER/PEM with the standard library only, and
signatures between r‖s and DER.
"""

import base64
import os
import shutil
import subprocess
import sys

# DER of the P-256 algorithm identifiers.
OID_EC_PUBLIC_KEY = bytes.fromhex("06072a8648ce3d0201")
OID_P256 = bytes.fromhex("06082a8648ce3d030107")

FAILURES = []


def expect(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


# -- DER ---------------------------------------------------------------------

def der(tag, content):
    length = len(content)
    if length < 0x80:
        head = bytes([length])
    else:
        raw = length.to_bytes((length.bit_length() + 7) // 8, "big")
        head = bytes([0x80 | len(raw)]) + raw
    return bytes([tag]) + head + content


def der_items(data):
    """The (tag, content) pairs of a DER sequence's content."""
    items, i = [], 0
    while i < len(data):
        tag, length = data[i], data[i + 1]
        i += 2
        if length & 0x80:
            count = length & 0x7F
            length = int.from_bytes(data[i:i + count], "big")
            i += count
        items.append((tag, data[i:i + length]))
        i += length
    return items


def der_integer(value):
    raw = value.lstrip(b"\x00") or b"\x00"
    if raw[0] & 0x80:
        raw = b"\x00" + raw
    return der(0x02, raw)


def raw_signature_to_der(rs):
    return der(0x30, der_integer(rs[:32]) + der_integer(rs[32:]))


def der_signature_to_raw(data):
    (tag, content), = der_items(data)
    assert tag == 0x30
    r, s = [value for _, value in der_items(content)]
    return r.lstrip(b"\x00").rjust(32, b"\x00") + s.lstrip(b"\x00").rjust(32, b"\x00")


def public_pem(xy):
    spki = der(0x30, der(0x30, OID_EC_PUBLIC_KEY + OID_P256) + der(0x03, b"\x00\x04" + xy))
    return pem("PUBLIC KEY", spki)


def private_pem(xy, d):
    sec1 = der(0x30, der(0x02, b"\x01") + der(0x04, d) + der(0xA0, OID_P256) + der(0xA1, der(0x03, b"\x00\x04" + xy)))
    return pem("EC PRIVATE KEY", sec1)


def pem(label, data):
    body = base64.encodebytes(data).decode("ascii")
    return f"-----BEGIN {label}-----\n{body}-----END {label}-----\n"


def sec1_private_key(data):
    """(X‖Y, d) of an openssl EC private key in SEC1 DER."""
    (tag, content), = der_items(data)
    assert tag == 0x30
    fields = dict(der_items(content))  # version, d, [0] curve, [1] public point
    d = fields[0x04].rjust(32, b"\x00")
    (_, bits), = der_items(fields[0xA1])
    assert bits[:2] == b"\x00\x04"
    return bits[2:], d


# -- tools -------------------------------------------------------------------

def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tool(launcher, exe, *args):
    result = subprocess.run([*launcher, exe, *args], capture_output=True, timeout=120)
    return result.returncode, (result.stdout + result.stderr).decode("utf-8", "replace")


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, capture_output=True, timeout=60)


def write(path, data):
    with open(path, "wb" if isinstance(data, bytes) else "w", encoding=None if isinstance(data, bytes) else "ascii") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    *launcher, exe, work = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    j = lambda name: os.path.join(work, name)  # noqa: E731
    catalog = j("catalog.json")
    write(catalog, b'{"serial": 1, "expires": "2099-01-01T00:00:00Z", "downloadEndpoint": "https://dl.example/get", "apps": [{"id": "Alpha", "version": "1.0", '
                   b'"category": "Outils", "description": "Un outil \xc3\xa0 signer", "sha256": "' +
          b"A" * 64 + b'"}]}\n')
    tampered = j("tampered.json")
    write(tampered, read(catalog).replace(b"1.0", b"1.1"))

    # 1. The tool's key and signature, verified by openssl.
    code, out = tool(launcher, exe, "keygen", windows_path(j("tool.prive")), windows_path(j("tool.public")))
    expect(code == 0, "keygen: " + out)
    code, out = tool(launcher, exe, "sign", windows_path(catalog), "--key", windows_path(j("tool.prive")))
    expect(code == 0, "sign: " + out)
    tool_xy = bytes.fromhex(read(j("tool.public")).decode("ascii").strip())
    write(j("tool.public.pem"), public_pem(tool_xy))
    write(j("tool.sig.der"), raw_signature_to_der(bytes.fromhex(read(catalog + ".sig").decode("ascii").strip())))
    for path, good in ((catalog, True), (tampered, False)):
        result = openssl("dgst", "-sha256", "-verify", j("tool.public.pem"), "-signature", j("tool.sig.der"), path)
        expect((result.returncode == 0) == good and (b"Verified OK" in result.stdout) == good,
               f"openssl verify of the tool's signature over {os.path.basename(path)}: "
               f"{result.stdout!r} {result.stderr!r}")

    # 2. openssl's key and signatures, checked by the tool.
    result = openssl("ecparam", "-name", "prime256v1", "-genkey", "-noout", "-outform", "DER", "-out", j("ossl.der"))
    expect(result.returncode == 0, f"openssl ecparam: {result.stderr!r}")
    ossl_xy, ossl_d = sec1_private_key(read(j("ossl.der")))
    write(j("ossl.public"), ossl_xy.hex().upper() + "\n")
    write(j("ossl.prive"), (ossl_xy + ossl_d).hex().upper() + "\n")
    for path, name in ((catalog, "catalog.json"), (tampered, "tampered.json")):
        signed = openssl("dgst", "-sha256", "-sign", j("ossl.der"), "-keyform", "DER", path)
        expect(signed.returncode == 0, f"openssl sign: {signed.stderr!r}")
        write(catalog + ".sig", der_signature_to_raw(signed.stdout).hex() + "\n")
        code, out = tool(launcher, exe, "check", windows_path(catalog), "--public-key", windows_path(j("ossl.public")))
        good = name == "catalog.json"
        expect((code == 0) == good and ("signature vérifiée" in out) == good and
               ("Signature du catalogue absente ou invalide" in out) != good,
               f"tool check of openssl's signature over {name}: {code} {out}")

    # 3. Keys crossing over: openssl signs with the tool's private key, the
    # tool signs with openssl's; each verifies with the other side.
    write(j("tool.prive.pem"), private_pem(tool_xy, bytes.fromhex(read(j("tool.prive")).decode("ascii").strip())[64:]))
    signed = openssl("dgst", "-sha256", "-sign", j("tool.prive.pem"), catalog)
    expect(signed.returncode == 0, f"openssl sign with the tool's key: {signed.stderr!r}")
    write(catalog + ".sig", der_signature_to_raw(signed.stdout).hex().upper())
    code, out = tool(launcher, exe, "check", windows_path(catalog), "--public-key", windows_path(j("tool.public")))
    expect(code == 0 and "signature vérifiée" in out, f"tool check with its own key, openssl's signature: {out}")

    code, out = tool(launcher, exe, "sign", windows_path(catalog), "--key", windows_path(j("ossl.prive")))
    expect(code == 0, "sign with openssl's key: " + out)
    write(j("ossl.sig.der"), raw_signature_to_der(bytes.fromhex(read(catalog + ".sig").decode("ascii").strip())))
    result = openssl("ec", "-inform", "DER", "-in", j("ossl.der"), "-pubout", "-out", j("ossl.public.pem"))
    expect(result.returncode == 0, f"openssl ec -pubout: {result.stderr!r}")
    result = openssl("dgst", "-sha256", "-verify", j("ossl.public.pem"), "-signature", j("ossl.sig.der"), catalog)
    expect(result.returncode == 0 and b"Verified OK" in result.stdout,
           f"openssl verify of the tool's signature with openssl's own key: {result.stdout!r} {result.stderr!r}")

    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        return 1
    print("openssl and orkvane-catalog agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())

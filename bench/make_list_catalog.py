#!/usr/bin/env python3
"""Writes an OrkvaneOffline folder whose catalog.json holds the 48,000
benchmark entries within the program's 4 MiB catalogue bound, and prints how
many it wrote (all of them, or it fails).

Each entry is as short as a valid one can be: an id of five characters, a
one-character version and description, and a digest of the 12 characters a
download identifier takes (the first 12 of the id's SHA-256). A full 64-digit
digest would let only about 30,000 entries in.

    make_list_catalog.py DEST_FOLDER
"""
import hashlib
import os
import sys

LIMIT = 4 * 1024 * 1024
WANTED = 48000
DIGITS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def ident(i):
    # "T" and four base-36 digits: 1,679,616 distinct ids, none a device name.
    text = ""
    for _ in range(4):
        i, digit = divmod(i, 36)
        text = DIGITS[digit] + text
    return "T" + text


def main():
    dest = sys.argv[1]
    os.makedirs(dest, exist_ok=True)
    entries = []
    for i in range(WANTED):
        name = ident(i)
        sha = hashlib.sha256(name.encode()).hexdigest().upper()[:12]
        entries.append('{"id":"%s","version":"1","category":"C%d","description":"d","sha256":"%s"}'
                       % (name, i % 6, sha))
    document = '{"apps":[' + ",".join(entries) + "]}"
    if len(document) > LIMIT:
        sys.exit("make_list_catalog: %d bytes do not fit the %d-byte bound" % (len(document), LIMIT))
    with open(os.path.join(dest, "catalog.json"), "w", encoding="utf-8") as f:
        f.write(document)
    print(len(entries))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes an OrkvaneOffline folder whose catalog.json holds as many of the
48,000 benchmark entries as the program's 4 MiB catalogue bound lets in, each
as short as a valid entry can be, and prints how many it wrote.

    make_list_catalog.py DEST_FOLDER
"""
import hashlib
import os
import sys

LIMIT = 4 * 1024 * 1024
WANTED = 48000


def main():
    dest = sys.argv[1]
    os.makedirs(dest, exist_ok=True)
    head, tail = '{"apps":[', "]}"
    parts, size = [], len(head) + len(tail)
    for i in range(WANTED):
        ident = "T%05d" % i
        sha = hashlib.sha256(ident.encode()).hexdigest().upper()
        entry = ('{"id":"%s","version":"1","category":"C%d","description":"d","sha256":"%s"}'
                 % (ident, i % 6, sha))
        added = len(entry) + (1 if parts else 0)
        if size + added > LIMIT:
            break
        parts.append(entry)
        size += added
    with open(os.path.join(dest, "catalog.json"), "w", encoding="utf-8") as f:
        f.write(head + ",".join(parts) + tail)
    print(len(parts))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes an OrkvaneOffline folder for the benchmarks: catalog.json with N
entries across a few categories, and one 64 x 64 PNG icon per entry.

    make_bench_key.py DEST_FOLDER COUNT
"""
import hashlib
import json
import os
import struct
import sys
import zlib


def png(width, height, rgba):
    row = b"\x00" + bytes(rgba) * width
    raw = row * height

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def main():
    dest, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(os.path.join(dest, "icons"), exist_ok=True)
    os.makedirs(os.path.join(dest, "outils"), exist_ok=True)
    categories = ["Audio", "Bureautique", "Réseau", "Système", "Graphisme", "Horloges"]
    apps = []
    for i in range(count):
        ident = "Outil_%04d" % i
        apps.append({
            "id": ident,
            "version": "1.%d" % (i % 10),
            "category": categories[i % len(categories)],
            "description": "Outil de mesure numéro %d." % i,
            "sha256": hashlib.sha256(ident.encode()).hexdigest().upper(),
        })
        colour = ((i * 37) % 256, (i * 91) % 256, (i * 53) % 256, 255)
        with open(os.path.join(dest, "icons", ident + ".png"), "wb") as f:
            f.write(png(64, 64, colour))
    with open(os.path.join(dest, "catalog.json"), "w", encoding="utf-8") as f:
        json.dump({"apps": apps}, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Fills an OrkvaneOffline folder for the demo: catalog.json, PNG icons and
the sample tools, each with its real SHA-256.

Usage: scripts/make-demo-key.py DEST_ORKVANEOFFLINE SAMPLE_TOOLS_DIR [ORKVANE_EXE]

DEST_ORKVANEOFFLINE  the folder to fill (made when missing), for example
                     $WINEPREFIX/drives/e/OrkvaneOffline
SAMPLE_TOOLS_DIR     where the build put Horloge.exe, Compteur.exe, ...
ORKVANE_EXE          optional: the built Orkvane.exe, copied as the
                     program's own entry (outils/Orkvane.exe)
"""
import hashlib
import json
import math
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from orkvane_drawing import Canvas, hex_colour, mix  # noqa: E402

ICON_SIZE = 64


def program_version():
    """The version in project(... VERSION) of CMakeLists.txt, the one place it is written."""
    cmake = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'CMakeLists.txt')
    with open(cmake, encoding='utf-8') as f:
        found = re.search(r'project\(\s*Orkvane\s+VERSION\s+([0-9.]+)', f.read())
    if not found:
        sys.exit('make-demo-key: no project version in CMakeLists.txt')
    return found.group(1)

WHITE = hex_colour('#FFFFFF')

# id, category, lot, description, hidden, icon colours (top, bottom), glyph
TOOLS = [
    ('Horloge', 'Bureautique', 'Lot 1', "L'heure et la date en grand, à la seconde près.", False,
     ('#2A8FEA', '#1269B9'), 'clock'),
    ('Compteur', 'Bureautique', 'Lot 1', 'Compte les clics, pour les inventaires rapides.', False,
     ('#34A07A', '#277855'), 'plus'),
    ('Nuancier', 'Graphisme', 'Lot 2', 'Huit teintes de référence avec leur code hexadécimal.', False,
     ('#8A6BE0', '#6A4CC2'), 'dots'),
    ('Sonde', 'Système', 'Lot 2', "Nom de l'ordinateur, processeurs, mémoire et écran.", False,
     ('#2BB3C2', '#1B8A98'), 'gauge'),
    ('Diagnostic', 'Système', 'Lot 3', 'Outil de maintenance : durée depuis le démarrage de Windows.', True,
     ('#E0A43A', '#9C6211'), 'wrench'),
]


def line(canvas, x0, y0, x1, y1, width, colour):
    """A thick segment with square ends, as a convex polygon."""
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * width / 2, (x1 - x0) / length * width / 2
    canvas.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)


def draw_icon(colours, glyph):
    s = float(ICON_SIZE)
    canvas = Canvas(ICON_SIZE, ICON_SIZE)
    top, bottom = hex_colour(colours[0]), hex_colour(colours[1])
    background = lambda px, py: mix(top, bottom, py / s)  # noqa: E731
    canvas.rounded_rect(2, 2, s - 2, s - 2, s * 0.22, background)
    c = s / 2
    if glyph == 'clock':
        canvas.circle(c, c, s * 0.3, WHITE)
        canvas.circle(c, c, s * 0.24, top)
        line(canvas, c, c, c, c - s * 0.17, s * 0.06, WHITE)
        line(canvas, c, c, c + s * 0.13, c + s * 0.05, s * 0.06, WHITE)
        canvas.circle(c, c, s * 0.05, WHITE)
    elif glyph == 'plus':
        canvas.rounded_rect(c - s * 0.07, c - s * 0.28, c + s * 0.07, c + s * 0.28, s * 0.04, WHITE)
        canvas.rounded_rect(c - s * 0.28, c - s * 0.07, c + s * 0.28, c + s * 0.07, s * 0.04, WHITE)
    elif glyph == 'dots':
        for i, colour in enumerate(('#FFFFFF', '#FFD48C', '#9ED7FF', '#FFB3BE')):
            angle = math.pi / 4 + i * math.pi / 2
            canvas.circle(c + math.cos(angle) * s * 0.17, c + math.sin(angle) * s * 0.17, s * 0.11, hex_colour(colour))
    elif glyph == 'gauge':
        canvas.circle(c, c + s * 0.06, s * 0.28, WHITE)
        canvas.circle(c, c + s * 0.06, s * 0.21, background)
        canvas.rounded_rect(c - s * 0.3, c + s * 0.1, c + s * 0.3, c + s * 0.36, 0, background)
        line(canvas, c, c + s * 0.06, c + s * 0.15, c - s * 0.1, s * 0.06, WHITE)
        canvas.circle(c, c + s * 0.06, s * 0.05, WHITE)
    elif glyph == 'wrench':
        line(canvas, c - s * 0.2, c + s * 0.2, c + s * 0.08, c - s * 0.08, s * 0.12, WHITE)
        canvas.circle(c + s * 0.12, c - s * 0.12, s * 0.15, WHITE)
        canvas.circle(c + s * 0.19, c - s * 0.19, s * 0.07, bottom)
    return canvas


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, 'rb') as f:
        for block in iter(lambda: f.read(1 << 17), b''):
            digest.update(block)
    return digest.hexdigest().upper()


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    dest, tools_dir = sys.argv[1], sys.argv[2]
    orkvane_exe = sys.argv[3] if len(sys.argv) == 4 else None
    os.makedirs(os.path.join(dest, 'icons'), exist_ok=True)
    os.makedirs(os.path.join(dest, 'outils'), exist_ok=True)

    apps = []
    for tool_id, category, lot, description, hidden, colours, glyph in TOOLS:
        source = os.path.join(tools_dir, tool_id + '.exe')
        if not os.path.isfile(source):
            sys.exit('make-demo-key: missing sample tool %s' % source)
        target = os.path.join(dest, 'outils', tool_id + '.exe')
        shutil.copyfile(source, target)
        with open(os.path.join(dest, 'icons', tool_id + '.png'), 'wb') as f:
            f.write(draw_icon(colours, glyph).png_bytes())
        entry = {'id': tool_id, 'version': '1.0.0', 'category': category, 'lot': lot,
                 'description': description, 'sha256': sha256_of(target)}
        if hidden:
            entry['hidden'] = True
        apps.append(entry)

    if orkvane_exe:
        target = os.path.join(dest, 'outils', 'Orkvane.exe')
        shutil.copyfile(orkvane_exe, target)
        apps.append({'id': 'Orkvane', 'version': program_version(), 'category': 'Orkvane', 'lot': '',
                     'description': 'Catalogue central des outils Kest.', 'sha256': sha256_of(target)})

    catalog = {'downloadEndpoint': 'https://www.kest-outils.example/telechargement', 'iconBaseUrl': '',
               'apps': apps}
    with open(os.path.join(dest, 'catalog.json'), 'w', encoding='utf-8') as f:
        json.dump(catalog, f, ensure_ascii=False, indent=2)
        f.write('\n')
    print(dest)


if __name__ == '__main__':
    main()

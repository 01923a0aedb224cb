#!/usr/bin/env python3
"""Checks that the code's dependencies go one way (README, "For developers").

- Each floor includes only its own folder and the floors below it: base/ (the
  ground), then catalog/, operations/, app/ (the state, settings, theme and
  diagnostics), ui/ and beside it cli/ (the command line, which includes no
  ui/ and which only the start-up includes), and on top app/'s start-up; the
  publisher's tool no ui/ and no app/. The build keeps the same order between
  its libraries.
- Inside ui/ the subfolders go one way too, in UI_ORDER: a file includes
  headers of its own subfolder or of those before it.
  What a lower room asks of a higher one goes through the calls that the
  main window hands in (ui/upward_calls.h).
- Painters, models (layout, accessibility tree, focus order) and drawing
  primitives include nothing that starts a job, opens a window or declares a
  command, and call no such function themselves.
- Within each block of quoted includes, the names are sorted (a .cpp file's
  own header first).

Prints every breach it finds, or what it checked; exits with 1 on a breach.
Usage: check_layers.py [source root]
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

# The files that put the program together.
APP_ASSEMBLY = {"app/main.cpp", "app/startup.cpp", "app/startup.h"}

# What each folder may include besides itself, lowest floor first.
FLOORS = {
    "base": [],
    "catalog": ["base"],
    "operations": ["base", "catalog"],
    "app": ["base", "catalog", "operations"],
    "ui": ["base", "catalog", "operations", "app"],
    # The command line: the operations without a window. Only the start-up
    # includes it.
    "cli": ["base", "catalog", "operations", "app"],
    "publisher": ["base", "catalog", "operations"],
}

# ui/'s subfolders, lowest first ("" is ui/ itself): drawing primitives, the
# models every window reads and the calls handed upward (ui/upward_calls.h);
# the list's models, painters and clicks; the jobs, which start background
# work and apply its results; the popup and the Options dialog; keyboard and
# screen readers; the main window, which routes the messages.
UI_ORDER = ["", "list", "jobs", "popup", "options", "keyboard", "accessibility", "main"]

# Painters, models and drawing primitives.
DRAWING_AND_MODELS = [
    "ui/draw.*", "ui/header_model.*", "ui/progress_text.*",
    "ui/*/*_paint.*", "ui/main/chrome_footer.*", "ui/status_progress.*", "ui/list/card_icon.*",
    "ui/list/card_layout.*", "ui/list/card_buttons.*", "ui/accessibility/accessible_tree.*",
    "ui/keyboard/focus_order.*", "ui/options/options_model.*",
]
# Headers whose functions start a job, open a window or a menu, or run a command.
STARTS_OR_OPENS = [
    "ui/jobs/", "operations/", "catalog/catalog_load.h", "catalog/icon_load.h",
    "ui/message_box.h", "ui/popup/update_popup.h", "ui/options/options_dialog.h",
    "ui/main/main_window.h", "ui/main/main_window_commands.h", "ui/main/main_window_handlers.h",
    "ui/main/tray_icon.h", "ui/list/card_menu.h", "ui/list/list_input.h",
    "ui/keyboard/keyboard_navigation.h",
]
CALLS = re.compile(r"\b(std::thread|CreateWindowExW|DialogBox\w*|CreateDialog\w*|MessageBoxW|ShowMessageBox|"
                   r"TrackPopupMenu\w*|ShellExecute\w*|CreateProcessW)\b")
# A header declares a command when it declares a function named for what a
# user's press does.
COMMAND = re.compile(r"^[A-Za-z_][\w:<>,*& ]*?\b((?:Press|Click|Browse|Open|Save|Start|Show|Run|Launch|Copy|Close)"
                     r"[A-Z]\w*)\s*\(", re.M)


def sources(folder):
    return sorted(p for p in (ROOT / folder).rglob("*") if p.suffix in (".cpp", ".h"))


def rel(path):
    return path.relative_to(ROOT).as_posix()


def includes(path):
    text = path.read_text(encoding="utf-8")
    for match in INCLUDE.finditer(text):
        yield text.count("\n", 0, match.start()) + 1, match.group(1)


def code_lines(path):
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        yield number, line.split("//", 1)[0]


def ui_room(name):
    parts = name.split("/")
    return parts[1] if len(parts) > 2 else ""


def declared_commands(header):
    path = ROOT / header
    if not path.is_file():
        return []
    text = "\n".join(code for _, code in code_lines(path))
    return COMMAND.findall(text)


def unsorted_includes(path):
    lines = path.read_text(encoding="utf-8").splitlines()
    block = []
    for number, line in enumerate(lines + [""], 1):
        match = INCLUDE.match(line)
        if match:
            block.append((number, match.group(1)))
            continue
        names = [name for _, name in block]
        if names and path.suffix == ".cpp" and pathlib.PurePath(names[0]).stem == path.stem:
            names = names[1:]
        if names != sorted(names):
            yield block[0][0]
        block = []


def main():
    breaches = []
    checked = 0

    for folder, below in FLOORS.items():
        allowed = set(below) | {folder}
        for path in sources(folder):
            checked += 1
            if rel(path) in APP_ASSEMBLY:
                continue
            for line, header in includes(path):
                top = header.split("/", 1)[0] if "/" in header else None
                if top in FLOORS and top not in allowed:
                    breaches.append(f"{rel(path)}:{line}: includes {header} ({folder}/ includes only "
                                    + ", ".join(f"{f}/" for f in [*below, folder]) + ")")
                elif header == "app/startup.h":
                    breaches.append(f"{rel(path)}:{line}: includes {header} (only the entry point starts the program)")

    for path in sources("ui"):
        room = ui_room(rel(path))
        for line, header in includes(path):
            if not header.startswith("ui/"):
                continue
            other = ui_room(header)
            if other not in UI_ORDER or room not in UI_ORDER:
                breaches.append(f"{rel(path)}:{line}: includes {header} (a ui/ subfolder missing from UI_ORDER)")
            elif UI_ORDER.index(other) > UI_ORDER.index(room):
                breaches.append(f"{rel(path)}:{line}: includes {header} (ui/ subfolders go one way: "
                                + " < ".join(r or "ui" for r in UI_ORDER) + ")")

    drawing = sorted({p for pattern in DRAWING_AND_MODELS for p in ROOT.glob(pattern) if p.suffix in (".cpp", ".h")})
    for path in drawing:
        for line, header in includes(path):
            if any(header == h or (h.endswith("/") and header.startswith(h)) for h in STARTS_OR_OPENS):
                breaches.append(f"{rel(path)}:{line}: includes {header} (painters, models and drawing "
                                "primitives never start a job or open a window)")
            elif header.startswith("ui/") and declared_commands(header):
                breaches.append(f"{rel(path)}:{line}: includes {header}, which declares "
                                + ", ".join(declared_commands(header)) + " (painters and models include no command)")
        for line, code in code_lines(path):
            found = CALLS.search(code)
            if found:
                breaches.append(f"{rel(path)}:{line}: calls {found.group(1)} (painters, models and drawing "
                                "primitives never start a job or open a window)")

    for folder in FLOORS:
        for path in sources(folder):
            for line in unsorted_includes(path):
                breaches.append(f"{rel(path)}:{line}: includes out of order (sorted within each block)")

    for breach in breaches:
        print(breach)
    if breaches:
        print(f"check_layers: {len(breaches)} breach(es) in {checked} files")
        return 1
    print(f"check_layers: {checked} files follow the dependency rules "
          f"({len(drawing)} painters, models and primitives among them)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

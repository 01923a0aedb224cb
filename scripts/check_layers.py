#!/usr/bin/env python3
"""Checks that the code's dependencies go one way (README, "For developers").

- catalog/ and operations/ (the workers) include nothing from ui/ and not the
  application state;
- app/ includes ui/ only in its entry point and start-up;
- painters, models (layout, accessibility tree, focus order) and drawing
  primitives include nothing that starts a job or opens a window, and call
  no such function themselves.

Prints every breach it finds, or what it checked; exits with 1 on a breach.
Usage: check_layers.py [source root]
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

# The files that put the program together.
APP_ASSEMBLY = {"app/main.cpp", "app/startup.cpp"}

# Painters, models and drawing primitives.
DRAWING_AND_MODELS = [
    "ui/draw.*",
    "ui/*/*_paint.*", "ui/main/chrome_footer.*", "ui/main/status_progress.*", "ui/list/card_icon.*",
    "ui/list/card_layout.*", "ui/accessibility/accessible_tree.*", "ui/keyboard/focus_order.*",
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


def main():
    breaches = []
    checked = 0

    for folder in ("catalog", "operations"):
        for path in sources(folder):
            checked += 1
            for line, header in includes(path):
                if header.startswith("ui/") or header == "app/state.h":
                    breaches.append(f"{rel(path)}:{line}: includes {header} (a worker's folder includes nothing "
                                    "from ui/ nor the application state)")

    for path in sources("app"):
        checked += 1
        if rel(path) in APP_ASSEMBLY:
            continue
        for line, header in includes(path):
            if header.startswith("ui/"):
                breaches.append(f"{rel(path)}:{line}: includes {header} (app/ includes ui/ only in "
                                + " and ".join(sorted(APP_ASSEMBLY)) + ")")

    drawing = sorted({p for pattern in DRAWING_AND_MODELS for p in ROOT.glob(pattern) if p.suffix in (".cpp", ".h")})
    for path in drawing:
        checked += 1
        for line, header in includes(path):
            if any(header == h or (h.endswith("/") and header.startswith(h)) for h in STARTS_OR_OPENS):
                breaches.append(f"{rel(path)}:{line}: includes {header} (painters, models and drawing "
                                "primitives never start a job or open a window)")
        for line, code in code_lines(path):
            found = CALLS.search(code)
            if found:
                breaches.append(f"{rel(path)}:{line}: calls {found.group(1)} (painters, models and drawing "
                                "primitives never start a job or open a window)")

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

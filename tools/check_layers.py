#!/usr/bin/env python3
"""Checks the include graph of src/: a folder includes only folders in layers below its own, no header reaches
itself through its includes, and only the Qt front end's files, named as such, include Qt: a file that includes
a Qt header or a Qt file's header is named `*_view`, `*_model`, `*_window`, `*_dialog`, `*_controller` or `qt_*`
(`app/main.cpp` starts the window). Prints every offending include and exits 1 when there is one.

Usage: check_layers.py [SRC_DIR]   (default: the src folder beside this script's folder)
"""

import re
import sys
from pathlib import Path

# Lowest first. A folder may include its own files and those of any folder in a lower layer; folders that share
# a layer may not include each other.
LAYERS = [
    ["util"],
    ["engine"],
    ["config"],
    ["ui"],
    ["lists"],
    ["tasks"],
    ["app", "cli"],
]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
QT_INCLUDE = re.compile(r"^\s*#\s*include\s*<Q", re.MULTILINE)
QT_SUFFIXES = ("_view", "_model", "_window", "_dialog", "_controller")
WINDOW_MAIN = "app/main.cpp"
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def layer_of(folder):
    for rank, folders in enumerate(LAYERS):
        if folder in folders:
            return rank
    return None


def project_includes(src, path):
    """The project headers a file includes, as paths relative to src."""
    text = path.read_text(encoding="utf-8", errors="replace")
    return [name for name in INCLUDE.findall(text) if (src / name).is_file()]


def upward_includes(src, files):
    faults = []
    for path in files:
        relative = path.relative_to(src).as_posix()
        folder = relative.split("/")[0]
        rank = layer_of(folder)
        if rank is None:
            faults.append(f"{relative}: folder '{folder}' has no layer")
            continue
        for name in project_includes(src, path):
            target = name.split("/")[0]
            if target == folder:
                continue
            target_rank = layer_of(target)
            if target_rank is None or target_rank >= rank:
                faults.append(f"{relative}: includes {name}, which is not in a layer below '{folder}'")
    return faults


def is_qt_file(relative):
    stem = Path(relative).stem
    return stem.endswith(QT_SUFFIXES) or stem.startswith("qt_") or relative == WINDOW_MAIN


def qt_in_core(src, files):
    faults = []
    for path in files:
        relative = path.relative_to(src).as_posix()
        if is_qt_file(relative):
            continue
        if QT_INCLUDE.search(path.read_text(encoding="utf-8", errors="replace")):
            faults.append(f"{relative}: includes Qt, but is not named as a file of the Qt front end")
        for name in project_includes(src, path):
            if is_qt_file(name):
                faults.append(f"{relative}: includes {name} of the Qt front end, but is not named as one of its files")
    return faults


def include_cycles(src, files):
    graph = {path.relative_to(src).as_posix(): project_includes(src, path) for path in files}
    faults = []
    state = {}  # absent: unvisited, 1: on the current path, 2: done

    def visit(node, trail):
        state[node] = 1
        for nxt in graph.get(node, []):
            if state.get(nxt) == 1:
                cycle = trail[trail.index(nxt):] + [nxt]
                faults.append("include cycle: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return faults


def main():
    src = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src"
    files = sorted(p for p in src.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file())
    if not files:
        print(f"check_layers: no sources under {src}", file=sys.stderr)
        return 1
    faults = upward_includes(src, files) + include_cycles(src, files) + qt_in_core(src, files)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

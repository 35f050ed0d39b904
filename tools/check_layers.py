#!/usr/bin/env python3
"""Checks the include graph of src/ against the architecture's layers, lowest first:

    core/platform   the one platform layer: paths, durable file operations, held files, whole-file reading
    core/text       the notation, counting and replacing, keyed and tagged texts, numbers
    core/files      a folder's expansion into files, with git's ignore rules
    core/journal    the run's journal, the batch commit, undo and the clear-up of leftovers
    core/run        the run over a snapshot of its inputs: plan, counting, execute, renames, diff
    core/state      what is stored: settings, the language file, the saved tasks, the application folder
    core/app        the application layer both front ends call: what they say and decide alike
    gui/widgets     Qt pieces with no knowledge of the lists or the window
    gui/work        background work of the window
    gui/lists       the file, pair and saved-task lists: their models, views and the pair editor
    gui/window      the main window, the preview, their controllers and `main`
    cli             the command-line runner

A folder includes only its own files and those of folders in lower layers; `cli` sits on the core and never
sees the Qt front end. Only files under gui/ include Qt. No header reaches itself through its includes. Prints
every offending include and exits 1 when there is one.

Usage: check_layers.py [SRC_DIR]   (default: the src folder beside this script's folder)
"""

import re
import sys
from pathlib import Path

LAYERS = [
    "core/platform",
    "core/text",
    "core/files",
    "core/journal",
    "core/run",
    "core/state",
    "core/app",
    "gui/widgets",
    "gui/work",
    "gui/lists",
    "gui/window",
]
# The runner stands on the core beside the window, not above it.
RUNNER = "cli"
CORE_TOP = LAYERS.index("core/app")
QT_TREE = "gui/"

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
QT_INCLUDE = re.compile(r"^\s*#\s*include\s*<Q", re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def folder_of(relative):
    return relative.rsplit("/", 1)[0] if "/" in relative else ""


def rank_of(folder):
    if folder == RUNNER:
        return CORE_TOP + 0.5
    return LAYERS.index(folder) if folder in LAYERS else None


def project_includes(src, path):
    """The project headers a file includes, as paths relative to src."""
    text = path.read_text(encoding="utf-8", errors="replace")
    return [name for name in INCLUDE.findall(text) if (src / name).is_file()]


def upward_includes(src, files):
    faults = []
    for path in files:
        relative = path.relative_to(src).as_posix()
        folder = folder_of(relative)
        rank = rank_of(folder)
        if rank is None:
            faults.append(f"{relative}: folder '{folder}' has no layer")
            continue
        for name in project_includes(src, path):
            target = folder_of(name)
            if target == folder:
                continue
            target_rank = rank_of(target)
            if target_rank is None or target_rank >= rank or (folder == RUNNER and target.startswith(QT_TREE)):
                faults.append(f"{relative}: includes {name}, which is not in a layer below '{folder}'")
    return faults


def qt_outside_gui(src, files):
    faults = []
    for path in files:
        relative = path.relative_to(src).as_posix()
        if not relative.startswith(QT_TREE) and QT_INCLUDE.search(path.read_text(encoding="utf-8", errors="replace")):
            faults.append(f"{relative}: includes Qt outside {QT_TREE}")
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
    faults = upward_includes(src, files) + include_cycles(src, files) + qt_outside_gui(src, files)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Puts small faults (mutants) into the core's sources one at a time and says which ones the tests catch.

Each mutant changes one place of one source file of `morvane_core`: a comparison or its boundary, `&&` and `||`
swapped, a condition negated, an integer constant moved by one, a statement dropped or a returned value dropped.
For each, the build folder is built again (incrementally; ninja rebuilds the one object and relinks) and the
tests are run until the first one fails. A mutant is killed when a test fails or the tests exceed the time limit
(a fault that makes a loop endless is caught that way); it survives when every test passes; one that does not
compile says nothing about the tests and is left out of the share. The file is always put back as it was.

The sample is drawn with a seed, so a run can be repeated exactly; the same seed and N give the same mutants as
long as the sources are the same.

Usage: mutants.py BUILD_DIR [N] [--seed S] [--time-limit SECONDS] [--tests REGEX]
"""

import argparse
import json
import random
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Binary operators stand between spaces in the formatted sources, which keeps templates, shifts and arrows out.
SWAPS = [
    ("comparison", " < ", " <= "),
    ("comparison", " <= ", " < "),
    ("comparison", " > ", " >= "),
    ("comparison", " >= ", " > "),
    ("comparison", " == ", " != "),
    ("comparison", " != ", " == "),
    ("logic", " && ", " || "),
    ("logic", " || ", " && "),
]
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
CONDITION = re.compile(r"\b(if|while) \(")
STATEMENT = re.compile(r"^\s*[A-Za-z_][\w:]*(\.|->|::)?[\w:.>\-]*\(.*\);\s*$")
RETURN_VALUE = re.compile(r"^(\s*)return (?!\{\};)(.+);\s*$")


def core_sources(build_dir):
    """The sources the build compiles into morvane_core, from its compile commands."""
    commands = json.loads((build_dir / "compile_commands.json").read_text())
    files = {Path(entry["file"]).resolve() for entry in commands if "morvane_core.dir" in entry.get("output", entry["command"])}
    return sorted(path for path in files if path.is_relative_to(ROOT / "src"))


def code_of(line):
    """The line without a trailing comment and with string and character literals blanked, so that no mutant
    lands inside them; the result has the line's length, so positions carry over."""
    out = []
    quote = None
    i = 0
    while i < len(line):
        char = line[i]
        if quote:
            if char == "\\":
                out.append("  ")
                i += 2
                continue
            out.append(" " if char != quote else char)
            if char == quote:
                quote = None
            i += 1
            continue
        if line.startswith("//", i):
            out.append(" " * (len(line) - i))
            break
        if char in "\"'":
            quote = char
        out.append(char)
        i += 1
    return "".join(out)[: len(line)]


def closing_paren(code, start):
    depth = 0
    for i in range(start, len(code)):
        if code[i] == "(":
            depth += 1
        elif code[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return None


def mutants_of_line(line):
    """Every (operator, new line) this line can be turned into."""
    stripped = line.strip()
    if not stripped or stripped.startswith(("#", "//", "*", "/*")):
        return []
    code = code_of(line)
    found = []
    for kind, old, new in SWAPS:
        start = code.find(old)
        while start != -1:
            found.append((kind, line[:start] + new + line[start + len(old) :]))
            start = code.find(old, start + 1)
    for match in INTEGER.finditer(code):
        value = int(match.group(1))
        moved = value + 1 if value == 0 else value - 1
        found.append(("constant", line[: match.start()] + str(moved) + line[match.end() :]))
    for match in CONDITION.finditer(code):
        open_at = match.end() - 1
        close_at = closing_paren(code, open_at)
        if close_at is not None:
            inner = line[open_at + 1 : close_at]
            found.append(("negation", line[: open_at + 1] + "!(" + inner + ")" + line[close_at:]))
    if STATEMENT.match(code) and not stripped.startswith(("return", "if", "while", "for", "switch", "case")):
        found.append(("statement dropped", re.match(r"^\s*", line).group(0) + ";"))
    returned = RETURN_VALUE.match(code)
    # {} in place of an empty optional or a null pointer changes nothing.
    if returned and returned.group(2).strip() not in ("true", "false", "{}", "0", "std::nullopt", "nullptr"):
        found.append(("result dropped", returned.group(1) + "return {};"))
    return found


def all_mutants(files):
    result = []
    for path in files:
        in_block = False
        for number, line in enumerate(path.read_text().splitlines(), start=1):
            if in_block or line.strip().startswith("/*"):
                in_block = "*/" not in line
                continue
            for kind, new_line in mutants_of_line(line):
                result.append((path, number, kind, new_line))
    return result


def run(command, cwd, limit):
    """Whether the command succeeded, and whether it ran out of time."""
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=limit)
        return done.returncode == 0, False
    except subprocess.TimeoutExpired:
        return False, True


def try_mutant(build_dir, mutant, limit, tests):
    path, number, _, new_line = mutant
    original = path.read_text()
    lines = original.splitlines(keepends=True)
    ending = "\n" if lines[number - 1].endswith("\n") else ""
    lines[number - 1] = new_line + ending
    try:
        path.write_text("".join(lines))
        built, _ = run(["cmake", "--build", str(build_dir)], ROOT, None)
        if not built:
            return "did not compile"
        command = ["ctest", "--test-dir", str(build_dir), "--stop-on-failure", "-j2", "--timeout", str(limit)]
        if tests:
            command += ["-R", tests]
        passed, out_of_time = run(command, ROOT, limit * 4)
        if out_of_time:
            return "killed (time limit)"
        return "survived" if passed else "killed"
    finally:
        path.write_text(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", type=Path)
    parser.add_argument("count", type=int, nargs="?", default=20)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--time-limit", type=int, default=300, help="seconds for one test of a mutant")
    parser.add_argument("--tests", default="", help="run only the ctest tests matching this expression")
    args = parser.parse_args()

    build_dir = args.build_dir.resolve()
    candidates = all_mutants(core_sources(build_dir))
    sample = random.Random(args.seed).sample(candidates, min(args.count, len(candidates)))
    print(f"{len(candidates)} possible mutants in the core; trying {len(sample)} (seed {args.seed})", flush=True)

    counts = {"killed": 0, "survived": 0, "did not compile": 0}
    survivors = []
    for index, mutant in enumerate(sample, start=1):
        started = time.monotonic()
        verdict = try_mutant(build_dir, mutant, args.time_limit, args.tests)
        path, number, kind, new_line = mutant
        where = f"{path.relative_to(ROOT)}:{number}"
        print(f"[{index}/{len(sample)}] {verdict:20} {where} ({kind}) {time.monotonic() - started:.0f} s", flush=True)
        counts["killed" if verdict.startswith("killed") else verdict] += 1
        if verdict == "survived":
            survivors.append(f"{where} ({kind}): {new_line.strip()}")
    # Rebuild with the sources as they are, so the folder is left as it was found.
    run(["cmake", "--build", str(build_dir)], ROOT, None)

    judged = counts["killed"] + counts["survived"]
    share = 100.0 * counts["killed"] / judged if judged else 0.0
    print(f"killed {counts['killed']} of {judged} ({share:.0f} %); {counts['did not compile']} did not compile")
    for survivor in survivors:
        print(f"survived: {survivor}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Mutation testing of the editor's core: how many small, plausible faults do the tests catch?

Each mutant changes one spot of level/*.cpp, construction/*.cpp or storage/**/*.cpp: a
comparison flipped or made strict or non-strict, a constant nudged, an arithmetic operator
swapped, a statement deleted, a returned value replaced, a loop bound moved by one. A fixed seed
picks a sample; each mutant is built, one at a time and under nice, in a scratch copy of the
tree (build/mutate/src, configured with the ci preset), and the core's tests run against it.
A mutant is killed when a test fails or times out, survives when every test passes, and is
left out of the figure when it does not compile.

    scripts/mutate.py                 # the default sample of 250, seed 1
    scripts/mutate.py --list          # show the sample without building anything
    scripts/mutate.py --only level/element_ops.cpp:171   # rerun the mutants of chosen lines
    scripts/mutate.py --under storage/ --sample 60       # a sample of one room alone
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutate"
SCRATCH = WORK / "src"
BUILD = SCRATCH / "build" / "ci"
TARGETS = ["level_tests", "construction_tests", "storage_tests"]
# Storage's code reaches the storage tests, the slot readings' tests and kivo-level's;
# everything else reaches the core's three.
STORAGE_TARGETS = ["storage_tests", "pack_slots_tests", "kivo_level_tests"]


def tests_of(path):
    return STORAGE_TARGETS if path.startswith("storage/") else TARGETS

COMPARISON = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
COMPARISON_SWAPS = {
    "<": ["<=", ">="],
    "<=": ["<", ">"],
    ">": [">=", "<="],
    ">=": [">", "<"],
    "==": ["!="],
    "!=": ["=="],
}
LOGIC = re.compile(r"(?<=\s)(&&|\|\|)(?=\s)")
ARITHMETIC = re.compile(r"(?<=\s)(\+=|-=|\+|-|\*|/)(?=\s)")
ARITHMETIC_SWAPS = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+="}
NUMBER = re.compile(
    r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+\.\d+(?:[eE][-+]?\d+)?|\d+)([fFuU]|ULL|ull)?(?![\w.])"
)
RETURN = re.compile(r"^(\s*)return (.+);$")
DECLARATION = re.compile(
    r"^\s*(?:(?:static|const|constexpr|auto)\s+)*[A-Za-z_][\w:]*(?:<[^;=]*>)?[\s*&]+"
    r"[A-Za-z_]\w*\s*(?:=|;|\(|\{|\[)"
)
FOR_HEADER = re.compile(r"^(\s*for \()([^;]*;)([^;]*)(;.*\)\s*\{)$")


UNDER = ""  # --under: only the files below this folder


def source_files():
    files = sorted((ROOT / "level").glob("*.cpp")) + sorted((ROOT / "construction").glob("*.cpp"))
    files += sorted((ROOT / "storage").glob("**/*.cpp"))
    paths = [f.relative_to(ROOT).as_posix() for f in files]
    return [p for p in paths if p.startswith(UNDER)]


def code_part(line):
    """The line without its trailing comment, and the spans of its string literals."""
    strings, in_string, start, i = [], None, 0, 0
    while i < len(line):
        ch = line[i]
        if in_string:
            if ch == "\\":
                i += 1
            elif ch == in_string:
                strings.append((start, i + 1))
                in_string = None
        elif ch in "\"'":
            in_string, start = ch, i
        elif line.startswith("//", i):
            return line[:i], strings
        i += 1
    return line, strings


def outside(strings, pos):
    return all(not (a <= pos < b) for a, b in strings)


def balanced(code):
    return code.count("(") == code.count(")")


def nudged(text):
    if text.lower().startswith("0x"):
        value = int(text, 16)
        return [hex(value + 1), hex(value - 1)] if value > 0 else [hex(value + 1)]
    if "." in text:
        value = float(text)
        return [repr(value + 1.0), repr(value - 1.0)]
    value = int(text)
    return [str(value + 1), str(value - 1)] if value > 0 else [str(value + 1)]


def replace_at(line, start, end, text):
    return line[:start] + text + line[end:]


def line_mutants(line, starts_statement):
    """(kind, mutated line, description) for every mutant of one line."""
    code, strings = code_part(line)
    stripped = code.strip()
    if not stripped or stripped.startswith("#"):
        return []
    found = []
    for match in COMPARISON.finditer(code):
        if outside(strings, match.start()):
            for swap in COMPARISON_SWAPS[match.group(1)]:
                found.append(("comparison", replace_at(line, *match.span(), swap),
                              f"'{match.group(1)}' -> '{swap}'"))
    for match in LOGIC.finditer(code):
        if outside(strings, match.start()):
            swap = "||" if match.group(1) == "&&" else "&&"
            found.append(("comparison", replace_at(line, *match.span(), swap),
                          f"'{match.group(1)}' -> '{swap}'"))
    for match in ARITHMETIC.finditer(code):
        if outside(strings, match.start()):
            swap = ARITHMETIC_SWAPS[match.group(1)]
            found.append(("arithmetic", replace_at(line, *match.span(), swap),
                          f"'{match.group(1)}' -> '{swap}'"))
    for match in NUMBER.finditer(code):
        if outside(strings, match.start()):
            for value in nudged(match.group(1)):
                found.append(("constant", replace_at(line, *match.span(1), value),
                              f"{match.group(1)} -> {value}"))
    header = FOR_HEADER.match(code)
    if header and header.group(3).strip():
        condition = header.group(3)
        for step in ("+ 1", "- 1"):
            mutated = header.group(1) + header.group(2) + f"{condition} {step}" + header.group(4)
            found.append(("loop bound", mutated + line[len(code):],
                          f"loop condition '{condition.strip()}' {step}"))
    returned = RETURN.match(code.rstrip())
    if returned and starts_statement and balanced(code):
        value = returned.group(2).strip()
        swaps = {"true": "false", "false": "true", "0": "1"}
        replacement = swaps.get(value, "{}")
        # {} is what these already are; a nonzero number is nudged as a constant instead.
        if value not in ("{}", "std::nullopt") and (value == "0" or not NUMBER.fullmatch(value)):
            found.append(("return", f"{returned.group(1)}return {replacement};",
                          f"return {value} -> return {replacement}"))
    deletable = (code.rstrip().endswith(";") and starts_statement and balanced(code)
                 and not stripped.startswith(("return ", "using ", "for ", "if ", "while "))
                 and not DECLARATION.match(code))
    if deletable or stripped == "return;":
        indent = line[: len(line) - len(line.lstrip())]
        found.append(("deletion", indent + ";", f"statement '{stripped}' deleted"))
    return found


def file_mutants(path, text):
    lines = text.split("\n")
    mutants, previous = [], "{"
    for number, line in enumerate(lines, start=1):
        code = code_part(line)[0].strip()
        starts_statement = previous.endswith((";", "{", "}", ":"))
        for kind, mutated, change in line_mutants(line, starts_statement):
            if mutated != line:
                mutants.append({"file": path, "line": number, "kind": kind,
                                "text": mutated, "change": change})
        if code:
            previous = code
    return mutants


def all_mutants(originals):
    return [m for path, text in originals.items() for m in file_mutants(path, text)]


def run(command, timeout, cwd=ROOT, quiet=True):
    """Runs a command in its own process group; returns its exit status, or None on timeout."""
    out = subprocess.DEVNULL if quiet else None
    process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=out, start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, 9)
        process.wait()
        return None


def sync_scratch():
    """Copies the tracked files into the scratch tree, rewriting only what differs so that
    the scratch build stays incremental."""
    listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT,
                            check=True, capture_output=True, text=True).stdout.split("\n")
    for name in filter(None, listed):
        source, target = ROOT / name, SCRATCH / name
        if not source.is_file():
            continue
        data = source.read_bytes()
        if target.is_file() and target.read_bytes() == data:
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)


def write_source(path, text):
    target = SCRATCH / path
    target.write_text(text)
    # A fresh timestamp even within the filesystem's clock step, so the build sees the change.
    now = time.time_ns()
    os.utime(target, ns=(now, now))


def build(jobs):
    targets = sorted(set(TARGETS + (STORAGE_TARGETS if UNDER.startswith("storage") else [])))
    return run(["cmake", "--build", str(BUILD), "-j", str(jobs), "--target", *targets],
               timeout=1800)


def tests_pass(binaries, timeout):
    """True when every test passes; a failure or a timeout kills the mutant."""
    env_ok = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for name in binaries:
        process = subprocess.Popen([str(BUILD / "tests" / name), "--gtest_fail_fast",
                                    "--gtest_brief=1"], cwd=BUILD / "tests", env=env_ok,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
        try:
            if process.wait(timeout=timeout) != 0:
                return False
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, 9)
            process.wait()
            return False
    return True


def prepare(jobs):
    if not (BUILD / "build.ninja").is_file():
        status = run(["cmake", "--preset", "ci"], timeout=600, cwd=SCRATCH)
        if status != 0:
            sys.exit("mutate: configuring the scratch build failed")
    if build(jobs) != 0:
        sys.exit("mutate: the unmutated core does not build")
    started = time.monotonic()
    if not tests_pass(sorted(set(TARGETS + tests_of(UNDER))), timeout=600):
        sys.exit("mutate: the core's tests fail without any mutant")
    return time.monotonic() - started


def choose(args, originals):
    mutants = all_mutants(originals)
    sample = random.Random(args.seed).sample(mutants, min(args.sample, len(mutants)))
    if args.only:
        wanted = set(args.only)
        sample = [m for m in mutants if f"{m['file']}:{m['line']}" in wanted]
    # Mutants of one file in a row: the file is restored only when the next one is another.
    sample.sort(key=lambda m: (m["file"], m["line"], m["change"]))
    return mutants, sample


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--sample", type=int, default=250, help="mutants to try (250)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (1)")
    parser.add_argument("--jobs", type=int, default=1, help="build jobs per mutant (1)")
    parser.add_argument("--list", action="store_true", help="list the sample and stop")
    parser.add_argument("--only", action="append", metavar="FILE:LINE",
                        help="try every mutant of this line instead of the sample")
    parser.add_argument("--under", default="", metavar="FOLDER",
                        help="only mutate files below this folder, e.g. storage/")
    args = parser.parse_args()
    global UNDER
    UNDER = args.under
    os.nice(19)

    # One snapshot of the tree: the mutants, the build and the restored files all come from
    # the scratch copy, so edits to the working tree during a run change nothing.
    sync_scratch()
    originals = {path: (SCRATCH / path).read_text() for path in source_files()}
    mutants, sample = choose(args, originals)
    print(f"{len(mutants)} mutants in {len(source_files())} files; trying {len(sample)} "
          f"(seed {args.seed})", flush=True)
    if args.list:
        for m in sample:
            print(f"{m['file']}:{m['line']}: {m['kind']}: {m['change']}")
        return

    baseline = prepare(args.jobs)
    timeout = max(20.0, 5 * baseline)
    counts = {"killed": 0, "survived": 0, "build failed": 0}
    survivors = []
    current = None
    try:
        for number, m in enumerate(sample, start=1):
            if current and current != m["file"]:
                write_source(current, originals[current])
            current = m["file"]
            lines = originals[current].split("\n")
            lines[m["line"] - 1] = m["text"]
            write_source(current, "\n".join(lines))
            if build(args.jobs) != 0:
                outcome = "build failed"
            elif tests_pass(tests_of(current), timeout):
                outcome = "survived"
                survivors.append(m)
            else:
                outcome = "killed"
            counts[outcome] += 1
            print(f"[{number}/{len(sample)}] {outcome}: {m['file']}:{m['line']}: {m['kind']}: "
                  f"{m['change']}", flush=True)
    finally:
        if current:
            write_source(current, originals[current])

    tried = counts["killed"] + counts["survived"]
    rate = 100.0 * counts["killed"] / tried if tried else 0.0
    print(f"\nkilled {counts['killed']}, survived {counts['survived']}, "
          f"did not build {counts['build failed']}: kill rate {rate:.1f} % "
          f"({counts['killed']} of {tried})")
    for m in survivors:
        print(f"survivor {m['file']}:{m['line']}: {m['kind']}: {m['change']}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Measures how many simple faults the in-process and binary tests catch.

Takes a seeded random sample of mutants across src/*.cpp (flip a comparison, negate a
condition, drop a statement, change a constant by one, return early), applies each one alone,
rebuilds incrementally, runs the GoogleTest binary (in-process and real-binary tests; not the
end-to-end suite or the load benchmark) with a time limit, restores the file, and prints killed,
survived, timed out and did not compile, with the survivors listed. Run by hand, not by CTest:

    nice -n 19 scripts/mutants.py --seed 15 --count 60

The same seed and count on the same src/ give the same sample, so runs before and after a
change of the tests compare. A source file is always restored, also on Ctrl-C; a copy waits in
build/mutants/ and is put back by the next run if this one was killed outright.
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

FLIPPED = {"==": "!=", "!=": "==", "<": ">=", ">=": "<", ">": "<=", "<=": ">"}
COMPARISON = re.compile(r"(?<= )(==|!=|<=|>=|<|>)(?= )")
CONDITION = re.compile(r"\b(if|while) \(")
INTEGER = re.compile(r"(?<![\w.'])\d+(?![\w.'])")
# A whole statement that calls, assigns or steps something: `a.b(c);`, `x = y;`, `++n;`.
STATEMENT = re.compile(r"^((\w+(\.|->|::))*\w+(\[[^\]]*\])?\s*(\(|=[^=]|\+=|-=|\+\+|--)|(\+\+|--)\w).*;$")
NOT_STATEMENT = re.compile(r"^(return|break|continue|using|namespace|typedef|case|default|goto|throw|delete)\b")
# A function definition on one line at the left margin: `void Class::Name(...) {`.
FUNCTION = re.compile(r"^(void|bool) [\w:~]+\(.*\)( const)? \{$")
DECLARING_CONDITION = re.compile(r"^\s*(auto|const|[\w:<>]+[&*]? \w+ =)|;")


@dataclass(frozen=True)
class Mutant:
    file: str  # relative to the repository
    line: int  # 1-based
    kind: str
    before: str  # the whole original line
    after: str  # the whole mutated line

    def describe(self) -> str:
        return f"{self.file}:{self.line} {self.kind}: {self.before.strip()}  =>  {self.after.strip()}"


def code_only(lines):
    """The lines with comments, string and character literals and preprocessor lines blanked
    out (same length), so that sites are picked in code alone."""
    masked = []
    in_comment = False
    for text in lines:
        if not in_comment and text.lstrip().startswith("#"):
            masked.append(" " * len(text))
            continue
        out = []
        i = 0
        while i < len(text):
            if in_comment:
                if text.startswith("*/", i):
                    in_comment = False
                    out.append("  ")
                    i += 2
                else:
                    out.append(" ")
                    i += 1
            elif text.startswith("//", i):
                out.append(" " * (len(text) - i))
                break
            elif text.startswith("/*", i):
                in_comment = True
                out.append("  ")
                i += 2
            elif text[i] in "\"'":
                quote = text[i]
                j = i + 1
                while j < len(text) and text[j] != quote:
                    j += 2 if text[j] == "\\" else 1
                j = min(j, len(text) - 1)
                out.append(quote + " " * (j - i - 1) + quote)
                i = j + 1
            else:
                out.append(text[i])
                i += 1
        masked.append("".join(out)[: len(text)].ljust(len(text)))
    return masked


def closing_paren(code, opening):
    depth = 0
    for i in range(opening, len(code)):
        if code[i] == "(":
            depth += 1
        elif code[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return None


def mutants_of_line(path, number, text, code, previous_code):
    kinds = []
    for match in COMPARISON.finditer(code):
        at, op = match.start(), match.group(1)
        kinds.append(("flip comparison", text[:at] + FLIPPED[op] + text[at + len(op):]))
    for match in CONDITION.finditer(code):
        opening = match.end() - 1
        closing = closing_paren(code, opening)
        if closing is None or DECLARING_CONDITION.search(code[opening + 1:closing]):
            continue
        kinds.append(("negate condition",
                      text[:opening + 1] + "!(" + text[opening + 1:closing] + "))" + text[closing + 1:]))
    for match in INTEGER.finditer(code):
        at, value = match.start(), match.group(0)
        kinds.append(("constant plus one", text[:at] + str(int(value) + 1) + text[match.end():]))
    stripped = code.strip()
    if (STATEMENT.match(stripped) and not NOT_STATEMENT.match(stripped) and stripped.count("(") == stripped.count(")")
            and previous_code.rstrip().endswith((";", "{", "}", ")"))):
        indent = text[: len(text) - len(text.lstrip())]
        kinds.append(("drop statement", indent + ";"))
    function = FUNCTION.match(code.rstrip())
    if function:
        early = " return;" if function.group(1) == "void" else " return false;"
        kinds.append(("return early", text.rstrip() + early))
    return [Mutant(path, number, kind, text, after) for kind, after in kinds]


def all_mutants():
    found = []
    for source in sorted((ROOT / "src").rglob("*.cpp")):
        if source.name == "main.cpp":
            continue
        relative = source.relative_to(ROOT).as_posix()
        lines = source.read_text().split("\n")
        code = code_only(lines)
        previous = ""
        for index, (text, masked) in enumerate(zip(lines, code)):
            found.extend(mutants_of_line(relative, index + 1, text, masked, previous))
            if masked.strip():
                previous = masked
    return found


class Workspace:
    """Applies one mutant at a time and always puts the file back."""

    def __init__(self, build_dir: Path):
        self.build_dir = build_dir
        self.backup_dir = build_dir / "mutants"
        self.backup_dir.mkdir(parents=True, exist_ok=True)
        self.restore_left_over()

    def backup_of(self, relative: str) -> Path:
        return self.backup_dir / (relative.replace("/", "__") + ".orig")

    def restore_left_over(self):
        for backup in self.backup_dir.glob("*.orig"):
            target = ROOT / backup.name[: -len(".orig")].replace("__", "/")
            print(f"restoring {target.relative_to(ROOT)} left by a killed run", file=sys.stderr)
            target.write_bytes(backup.read_bytes())
            backup.unlink()

    def apply(self, mutant: Mutant):
        target = ROOT / mutant.file
        original = target.read_bytes()
        self.backup_of(mutant.file).write_bytes(original)
        lines = original.decode().split("\n")
        assert lines[mutant.line - 1] == mutant.before, f"{mutant.file}:{mutant.line} changed since the sample was made"
        lines[mutant.line - 1] = mutant.after
        target.write_text("\n".join(lines))

    def restore(self, mutant: Mutant):
        backup = self.backup_of(mutant.file)
        if backup.exists():
            (ROOT / mutant.file).write_bytes(backup.read_bytes())
            backup.unlink()


def build(build_dir: Path) -> bool:
    result = subprocess.run(["cmake", "--build", str(build_dir), "-j2", "--target", "nimbral2", "nimbral_tests"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return result.returncode == 0


def run_tests(binary: Path, shards: int, time_limit: float) -> str:
    """'passed', 'failed' or 'timed out'. Shards run side by side; the first failure ends all."""
    runs = []
    for index in range(shards):
        env = dict(os.environ, GTEST_TOTAL_SHARDS=str(shards), GTEST_SHARD_INDEX=str(index))
        runs.append(subprocess.Popen([str(binary), "--gtest_fail_fast", "--gtest_brief=1"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True))
    deadline = time.monotonic() + time_limit
    outcome = "passed"
    try:
        while any(run.poll() is None for run in runs):
            if any(run.returncode not in (None, 0) for run in runs):
                outcome = "failed"
                break
            if time.monotonic() > deadline:
                outcome = "timed out"
                break
            time.sleep(0.1)
        else:
            if any(run.returncode != 0 for run in runs):
                outcome = "failed"
    finally:
        for run in runs:
            if run.poll() is None:
                os.killpg(run.pid, signal.SIGKILL)
                run.wait()
    return outcome


def stop_on_term(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=15)
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--shards", type=int, default=4, help="test processes side by side (default 4)")
    parser.add_argument("--time-limit", type=float, default=0,
                        help="seconds per test run (default: twice the unmutated run, plus 30)")
    parser.add_argument("--list", action="store_true", help="print the sample and stop")
    args = parser.parse_args()

    candidates = all_mutants()
    sample = random.Random(args.seed).sample(candidates, min(args.count, len(candidates)))
    print(f"{len(candidates)} possible mutants in src/; seed {args.seed}, sample of {len(sample)}", flush=True)
    if args.list:
        for mutant in sample:
            print("  " + mutant.describe())
        return 0

    build_dir = (ROOT / args.build_dir).resolve()
    binary = build_dir / "tests" / "nimbral_tests"
    signal.signal(signal.SIGTERM, stop_on_term)
    workspace = Workspace(build_dir)
    if not build(build_dir):
        sys.exit("the unmutated tree does not build")
    started = time.monotonic()
    if run_tests(binary, args.shards, 3600) != "passed":
        sys.exit("the tests fail without a mutant")
    time_limit = args.time_limit or 2 * (time.monotonic() - started) + 30
    print(f"unmutated test run: {time.monotonic() - started:.0f} s; time limit {time_limit:.0f} s", flush=True)

    results = {"killed": [], "survived": [], "timed out": [], "did not compile": []}
    try:
        for number, mutant in enumerate(sample, 1):
            workspace.apply(mutant)
            try:
                outcome = run_tests(binary, args.shards, time_limit) if build(build_dir) else "did not compile"
            finally:
                workspace.restore(mutant)
            outcome = {"failed": "killed", "passed": "survived"}.get(outcome, outcome)
            results[outcome].append(mutant)
            print(f"[{number}/{len(sample)}] {outcome:15} {mutant.describe()}", flush=True)
    except KeyboardInterrupt:
        print("interrupted; the source is restored", file=sys.stderr)
    finally:
        build(build_dir)

    counted = len(results["killed"]) + len(results["survived"]) + len(results["timed out"])
    print(f"\nseed {args.seed}, {len(sample)} mutants")
    for outcome, mutants in results.items():
        print(f"  {outcome:16} {len(mutants)}")
    if counted:
        print(f"  share killed     {100 * len(results['killed']) / counted:.1f}% "
              f"of {counted} (timed out counted as not killed; did not compile left out)")
    print("survivors:")
    for mutant in results["survived"]:
        print("  " + mutant.describe())
    return 0


if __name__ == "__main__":
    sys.exit(main())

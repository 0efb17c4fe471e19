#!/usr/bin/env python3
"""A mutation pass over the safety checks, limits, thresholds and failure outcomes of the library.

Each row of scripts/mutations.txt puts one small, realistic fault into one file. For every row this script
applies the fault, rebuilds the test program incrementally, runs the suites the row names and records
whether they caught it (killed) or not (survived); the file is put back afterwards whatever happens,
interrupts included. The mutants are built in their own folder (build-mut/ by default: clang, no
sanitizers, -O0), so that each one costs an object and a link.

  scripts/mutation-pass.py                 the whole pass
  scripts/mutation-pass.py --only grading  the rows whose description, file or suites mention "grading"
  scripts/mutation-pass.py --list          the rows, without building anything
  scripts/mutation-pass.py --check         whether every row still finds its text
"""

import argparse
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIELDS = ("file", "find", "into", "what", "tests")


class Row:
    def __init__(self, number, fields):
        self.number = number
        self.file = fields["file"]
        self.find = fields["find"]
        self.into = fields["into"]
        self.what = fields["what"]
        self.tests = fields["tests"]


def read_rows(path):
    """Rows are blocks of `key: value` lines separated by blank lines; `#` starts a comment line.
    A value keeps its inner spaces; `\\n` in find/into stands for a line break."""
    rows, fields, line_number = [], {}, 0

    def finish():
        if not fields:
            return
        missing = [key for key in FIELDS if key not in fields]
        if missing:
            sys.exit(f"{path}:{line_number}: row without {', '.join(missing)}")
        rows.append(Row(len(rows) + 1, dict(fields)))
        fields.clear()

    with open(path, encoding="utf-8") as handle:
        for line_number, line in enumerate(handle, 1):
            line = line.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                finish()
                continue
            key, sep, value = line.partition(": ")
            if not sep or key not in FIELDS:
                sys.exit(f"{path}:{line_number}: expected one of {', '.join(FIELDS)} followed by ': '")
            if key in ("find", "into"):
                value = value.replace("\\n", "\n")
            fields[key] = value
        finish()
    return rows


class Reverter:
    """Keeps the original text of the file being mutated and writes it back on exit or on a signal."""

    def __init__(self):
        self.path, self.original = None, None
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, self._on_signal)

    def apply(self, path, original, mutated):
        self.path, self.original = path, original
        with open(path, "w", encoding="utf-8") as handle:
            handle.write(mutated)

    def revert(self):
        if self.path is not None:
            with open(self.path, "w", encoding="utf-8") as handle:
                handle.write(self.original)
            self.path, self.original = None, None

    def _on_signal(self, number, _frame):
        self.revert()
        print(f"\ninterrupted (signal {number}); the mutated file was put back", file=sys.stderr)
        sys.exit(130)


def build(build_dir, log):
    done = subprocess.run(["cmake", "--build", build_dir, "-j2", "--target", "corvane_tests"],
                          stdout=log, stderr=subprocess.STDOUT)
    return done.returncode == 0


def run_tests(build_dir, tests, timeout, log):
    try:
        done = subprocess.run([os.path.join(build_dir, "corvane_tests"), f"--gtest_filter={tests}",
                               "--gtest_brief=1"], stdout=log, stderr=subprocess.STDOUT, timeout=timeout,
                              cwd=build_dir)
        return "pass" if done.returncode == 0 else "fail"
    except subprocess.TimeoutExpired:
        return "hang"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the rows and stop")
    parser.add_argument("--check", action="store_true", help="report the rows whose text is not found once, and stop")
    parser.add_argument("--only", help="run only the rows whose file, description or suites contain this text")
    parser.add_argument("--rows", help="run only these row numbers, e.g. 3,7,12")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-mut"))
    parser.add_argument("--timeout", type=int, default=300, help="seconds a mutant's tests may take")
    parser.add_argument("--mutations", default=os.path.join(ROOT, "scripts", "mutations.txt"))
    args = parser.parse_args()

    rows = read_rows(args.mutations)
    if args.only:
        rows = [r for r in rows if args.only in r.file or args.only in r.what or args.only in r.tests]
    if args.rows:
        wanted = {int(n) for n in args.rows.split(",")}
        rows = [r for r in rows if r.number in wanted]
    if args.check:
        bad = 0
        for r in rows:
            try:
                with open(os.path.join(ROOT, r.file), encoding="utf-8") as handle:
                    count = handle.read().count(r.find)
            except OSError:
                count = 0
            if count != 1:
                bad += 1
                print(f"row {r.number}: {r.file}: found {count} times: {r.find!r}")
        print(f"{len(rows) - bad} of {len(rows)} rows apply")
        return 1 if bad else 0
    if args.list:
        for r in rows:
            print(f"{r.number:3d}  {r.file}: {r.what}\n     {r.tests}")
        return 0

    if not os.path.exists(os.path.join(args.build_dir, "build.ninja")):
        subprocess.run(["cmake", "-S", ROOT, "-B", args.build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=",
                        "-DCMAKE_CXX_FLAGS=-O0", "-DCORVANE_SANITIZE=OFF", "-DCORVANE_FUZZ=OFF",
                        "-DCORVANE_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, CC="clang", CXX="clang++"))
    os.makedirs(args.build_dir, exist_ok=True)
    log_path = os.path.join(args.build_dir, "mutation-pass.log")
    reverter = Reverter()
    results = []
    with open(log_path, "w", encoding="utf-8") as log:
        # The unmutated code must build and pass every suite named, or no verdict below means anything.
        print("baseline build ...", flush=True)
        if not build(args.build_dir, log):
            sys.exit(f"the unmutated code does not build; see {log_path}")
        everything = ":".join(sorted({t for r in rows for t in r.tests.split(":")}))
        if run_tests(args.build_dir, everything, args.timeout * 4, log) != "pass":
            sys.exit(f"the unmutated code fails the suites named; see {log_path}")

        for r in rows:
            started = time.monotonic()
            path = os.path.join(ROOT, r.file)
            try:
                with open(path, encoding="utf-8") as handle:
                    original = handle.read()
            except OSError:
                original = ""
            count = original.count(r.find)
            if count != 1:
                verdict = "stale" if count == 0 else "ambiguous"
            else:
                log.write(f"\n===== row {r.number}: {r.file}: {r.what}\n")
                log.flush()
                try:
                    reverter.apply(path, original, original.replace(r.find, r.into, 1))
                    if not build(args.build_dir, log):
                        verdict = "no-build"
                    else:
                        outcome = run_tests(args.build_dir, r.tests, args.timeout, log)
                        verdict = "survived" if outcome == "pass" else "killed"
                finally:
                    reverter.revert()
            results.append((r, verdict))
            print(f"{r.number:3d} {verdict:9s} {time.monotonic() - started:5.0f}s  {r.file}: {r.what}", flush=True)

    counted = [v for _, v in results if v in ("killed", "survived")]
    killed = counted.count("killed")
    print()
    for r, v in results:
        if v not in ("killed",):
            print(f"{v:9s} row {r.number}: {r.file}: {r.what}")
    share = f" ({100 * killed / len(counted):.0f} %)" if counted else ""
    print(f"\nscore: {killed}/{len(counted)} killed{share}; "
          f"{len(results) - len(counted)} row(s) not applied (stale, ambiguous or not compiling)")
    # Leave the build folder matching the unmutated sources.
    with open(log_path, "a", encoding="utf-8") as log:
        build(args.build_dir, log)
    return 0 if killed == len(counted) else 1


if __name__ == "__main__":
    sys.exit(main())

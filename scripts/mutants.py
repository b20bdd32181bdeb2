#!/usr/bin/env python3
"""Breaks each guard of a mutant list once and tells whether the tests notice.

The list (tests/mutants.toml) holds [[mutant]] tables:
    id       a short name, unique in the list
    file     the source file, relative to the repository's root
    find     text that occurs exactly once in that file
    replace  what it becomes
    breaks   the behaviour the breakage loses (printed when no test notices)

For each mutant: the edit is applied, the build command runs, then the test command. A failing
test command means the mutant is "killed"; a passing one that it SURVIVED. A mutant whose text
is not found exactly once, or whose edit does not build, is "invalid". The file is put back
after each mutant, also when the run is interrupted (Ctrl-C, SIGTERM, SIGHUP) or a command
fails to start; at the end the build command runs once more on the restored sources.

Exit code: 0 every mutant killed, 1 at least one survived, 2 an invalid mutant or a bad list
(and none survived), 130 interrupted.

Usage: scripts/mutants.py tests/mutants.toml [--only ID,ID] [--build CMD] [--command CMD]
                          [--timeout S] [--logs DIR] [--check]
"""
import argparse
import contextlib
import os
import pathlib
import re
import signal
import subprocess
import sys
import time
import tomllib

FIELDS = ("id", "file", "find", "replace", "breaks")
STOPPING = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Interrupted(Exception):
    pass


def on_signal(number, _frame):
    raise Interrupted(signal.Signals(number).name)


@contextlib.contextmanager
def signals_held():
    """Holds back the signals that interrupt the run while a source file is being written."""
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, STOPPING)
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)


def load(path, root):
    """The list's mutants, and a description of each problem with it."""
    with open(path, "rb") as f:
        entries = tomllib.load(f).get("mutant", [])
    problems, seen = [], set()
    for i, m in enumerate(entries, 1):
        missing = [k for k in FIELDS if not isinstance(m.get(k), str)]
        if missing:
            problems.append(f"mutant #{i} ({m.get('id', 'no id')}): missing or not text: {', '.join(missing)}")
        elif m["id"] in seen:
            problems.append(f"mutant #{i}: the id {m['id']} is used twice")
        elif not (root / m["file"]).is_file():
            problems.append(f"{m['id']}: no file {m['file']}")
        seen.add(m.get("id"))
    return entries, problems


def run(command, root, timeout, log):
    """Runs a shell command in a process group of its own; its return code (None: timed out).
    Whatever happens, the group is gone when this returns."""
    log.write(f"$ {command}\n")
    log.flush()
    proc = subprocess.Popen(command, shell=True, cwd=root, stdout=log, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, start_new_session=True)
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        log.write(f"\n(timed out after {timeout} s)\n")
        return None
    finally:
        if proc.poll() is None:
            try:
                os.killpg(proc.pid, signal.SIGTERM)
                proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait(timeout=20)
            except ProcessLookupError:
                pass


def failed_tests(log_path):
    """The tests ctest named as failed in a log, if any."""
    names, listing = [], False
    for line in log_path.read_text(errors="replace").splitlines():
        if "The following tests FAILED" in line:
            listing = True
            continue
        found = re.match(r"\s*\d+ - (\S+)", line) if listing else None
        if found:
            names.append(found.group(1))
        elif listing and line.strip():
            listing = False
    return names


def try_mutant(m, args, root, logs):
    """'killed', 'SURVIVED' or 'invalid', and a detail."""
    path = root / m["file"]
    original = path.read_bytes()
    text = original.decode("utf-8")
    count = text.count(m["find"])
    if count != 1:
        return "invalid", f"the text to find occurs {count} times in {m['file']}"
    log_path = logs / f"{m['id']}.log"
    try:
        with signals_held():
            path.write_bytes(text.replace(m["find"], m["replace"]).encode("utf-8"))
        with open(log_path, "w") as log:
            if run(args.build, root, args.timeout, log) != 0:
                return "invalid", f"does not build (see {log_path})"
            code = run(args.command, root, args.timeout, log)
    finally:
        with signals_held():  # a second Ctrl-C must not cut the restoring short
            path.write_bytes(original)
    if code is None:
        return "killed", f"the tests ran past {args.timeout} s"
    if code != 0:
        failed = failed_tests(log_path)
        return "killed", ("by " + ", ".join(failed[:4]) + (" ..." if len(failed) > 4 else "")) if failed else ""
    return "SURVIVED", f"nothing noticed: {m['breaks']} (see {log_path})"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("list", help="the mutant list, e.g. tests/mutants.toml")
    ap.add_argument("--only", default="", help="comma-separated ids: only these mutants")
    ap.add_argument("--build", default="make dist native", help="the build command (default: %(default)s)")
    ap.add_argument("--command", default="make test", help="the test command (default: %(default)s)")
    ap.add_argument("--timeout", type=int, default=1800, help="seconds for each command (default: %(default)s)")
    ap.add_argument("--check", action="store_true", help="only check that each mutant's text occurs once")
    ap.add_argument("--logs", default="build/mutants", help="folder for each mutant's output (default: %(default)s)")
    args = ap.parse_args()

    root = pathlib.Path(__file__).resolve().parent.parent
    mutants, problems = load(pathlib.Path(args.list).resolve(), root)
    if args.only:
        wanted = [i.strip() for i in args.only.split(",") if i.strip()]
        known = {m.get("id") for m in mutants}
        problems += [f"--only: no mutant {i}" for i in wanted if i not in known]
        mutants = [m for m in mutants if m.get("id") in wanted]
    for p in problems:
        print(f"mutants: {p}", file=sys.stderr)
    if args.check:
        for m in mutants:
            count = (root / m["file"]).read_text(encoding="utf-8").count(m["find"])
            if count != 1:
                problems.append(f"{m['id']}: the text to find occurs {count} times in {m['file']}")
        if not problems:
            print(f"mutants: all {len(mutants)} mutants apply")
    for p in problems:
        print(f"mutants: {p}", file=sys.stderr)
    if problems or args.check:
        return 2 if problems else 0
    logs = (root / args.logs)
    logs.mkdir(parents=True, exist_ok=True)

    for number in STOPPING:
        signal.signal(number, on_signal)
    results = []
    try:
        for n, m in enumerate(mutants, 1):
            print(f"[{n}/{len(mutants)}] {m['id']} ({m['file']}) ...", flush=True)
            start = time.monotonic()
            outcome, detail = try_mutant(m, args, root, logs)
            results.append((m["id"], outcome))
            print(f"    {outcome} in {time.monotonic() - start:.0f} s{': ' + detail if detail else ''}", flush=True)
        # The build tree holds the last mutant's binaries: build the restored sources again.
        print("rebuilding the unchanged sources ...", flush=True)
        with open(logs / "restore.log", "w") as log:
            if run(args.build, root, args.timeout, log) != 0:
                print(f"mutants: the rebuild failed (see {logs / 'restore.log'})", file=sys.stderr)
    except Interrupted as why:
        print(f"mutants: interrupted ({why}); every source is restored, the build tree may still hold a "
              f"mutant: build again before testing", file=sys.stderr)
        return 130

    survived = [i for i, o in results if o == "SURVIVED"]
    invalid = [i for i, o in results if o == "invalid"]
    print(f"{len(results)} mutants: {len(results) - len(survived) - len(invalid)} killed, "
          f"{len(survived)} survived, {len(invalid)} invalid")
    for i in survived:
        print(f"  SURVIVED {i}")
    for i in invalid:
        print(f"  invalid  {i}")
    return 1 if survived else 2 if invalid else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fails unless every given binary loads on Windows XP SP3: its OS and subsystem versions are at
most 5.1, it has no delay-loaded imports, and every function it imports is in the allow-list,
whose lines name the oldest Windows that has the function (2000 or XP).
Usage: check_xp_floor.py ALLOW_LIST BINARY..."""
import sys
from pathlib import Path

from pe_file import PeFile

XP = (5, 1)
OLD_ENOUGH = {"2000", "XP", "XPSP2", "XPSP3"}


def read_allow_list(path):
    allowed, problems = {}, []
    for number, line in enumerate(Path(path).read_text().splitlines(), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if len(words) != 3:
            problems.append(f"{path}:{number}: expected 'dll function oldest-windows', got {line!r}")
            continue
        dll, function, oldest = words
        if oldest not in OLD_ENOUGH:
            problems.append(f"{path}:{number}: {dll}!{function} needs Windows {oldest}, newer than XP SP3")
        allowed[(dll.lower(), function)] = oldest
    return allowed, problems


def main(allow_list, *binaries):
    allowed, problems = read_allow_list(allow_list)
    used = set()
    for binary in binaries:
        pe = PeFile(binary)
        name = Path(binary).name
        for what, version in (("OS", pe.os_version()), ("subsystem", pe.subsystem_version())):
            if version > XP:
                problems.append(f"{name}: {what} version {version[0]}.{version[1]} is newer than XP's 5.1")
        if pe.delay_import_count():
            problems.append(f"{name}: has delay-loaded imports, which this check does not read")
        for dll, function in pe.imports():
            key = (dll.lower(), function)
            used.add(key)
            if key not in allowed:
                problems.append(f"{name}: imports {dll}!{function}, which is not in {Path(allow_list).name}: "
                                "check its 'Minimum supported client' and add it, or avoid it")
    for dll, function in sorted(set(allowed) - used):
        problems.append(f"{Path(allow_list).name}: {dll}!{function} is imported by nothing: remove the line")
    for problem in problems:
        print(problem)
    print(f"{len(used)} imported functions in {len(binaries)} files; {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))

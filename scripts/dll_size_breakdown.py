#!/usr/bin/env python3
"""What a DLL is made of: the bytes each object file and each library member brings into it,
read from the GNU ld link map (-Wl,-Map), two DLLs side by side.

    dll_size_breakdown.py DUVISTO.map FLOOR.map [--top N]

Sizes are the input sections the linker placed (code, data, read-only data, unwind tables,
resources), before the file's alignment; debugging sections are left out. Rows are sorted by
what the first DLL has more than the second.
"""
import argparse
import collections
import re

SECTION_ONLY = re.compile(r"^ (\.[\w.$~]+|COMMON)\s*$")
PLACED = re.compile(r"^ (\.[\w.$~]+|COMMON)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def contributor(path):
    """A library member as "libstdc++.a(string-inst.o)", an object of ours by its file name."""
    path = path.strip()
    member = re.match(r"^(?:.*/)?([^/()]+\.a)\((.+)\)$", path)
    if member:
        library, name = member.groups()
        if library.startswith("libduvisto_") or name.endswith((".obj", ".res")):
            return name  # our own code, whichever static library it is linked from
        if name.startswith(library[:-2]):  # libuser32s00503.o, libmsvcrt_defs00141.o: one import each
            return f"{library}(import stubs)"
        return f"{library}({name})"
    return path.rsplit("/", 1)[-1]


def sizes(map_path):
    totals = collections.Counter()
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    lines = text[text.find("Linker script and memory map"):].splitlines()
    pending = None
    for line in lines:
        only = SECTION_ONLY.match(line)
        if only:
            pending = only.group(1)  # a long section name, its address on the next line
            continue
        placed = PLACED.match(line)
        section = (placed.group(1) or pending) if placed else None
        pending = None
        if not placed or section is None or section.startswith((".debug", ".stab")):
            continue
        size = int(placed.group(3), 16)
        if size:
            totals[contributor(placed.group(4))] += size
    return totals


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("first")
    parser.add_argument("second")
    parser.add_argument("--top", type=int, default=25)
    args = parser.parse_args()
    first, second = sizes(args.first), sizes(args.second)
    names = sorted(set(first) | set(second), key=lambda n: (-(first[n] - second[n]), -first[n]))
    print(f"{'bytes':>8} {'other':>8} {'more':>8}  object or library member")
    print(f"{sum(first.values()):8d} {sum(second.values()):8d} {sum(first.values()) - sum(second.values()):8d}  (all)")
    shown = [n for n in names if first[n] != second[n]][: args.top]
    for name in shown:
        print(f"{first[name]:8d} {second[name]:8d} {first[name] - second[name]:8d}  {name}")
    common = sorted((n for n in names if first[n] == second[n]), key=lambda n: -first[n])
    print(f"\nIn both, as large ({sum(first[n] for n in common)} bytes); the largest:")
    for name in common[: args.top]:
        print(f"{first[name]:8d}  {name}")


if __name__ == "__main__":
    main()

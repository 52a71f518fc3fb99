#!/usr/bin/env python3
"""Checks the includes between the folders of src/ against the README's layout table.

Each row of the table names a folder and the folders it may include. A file
may include its own folder and those, nothing else. The table itself must
allow no loop, and every folder of src/ must have a row, so a new folder is
placed deliberately. Prints every fault and exits 1 when there is one.
"""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
readme = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else src.parent / "README.md"
row = re.compile(r"^\| `([a-z]+)/` \|.*\|([^|]*)\|\s*$")
allowed = {}
for line in readme.read_text(encoding="utf-8").splitlines():
    found = row.match(line)
    if found:
        allowed[found.group(1)] = set(re.findall(r"`([a-z]+)`", found.group(2)))

faults = []
for folder, targets in sorted(allowed.items()):
    for target in sorted(targets - allowed.keys()):
        faults.append(f"{readme}: {folder} may include '{target}', which has no row")

# The allowed includes, followed from each folder, never lead back to it.
def reaches(start, goal, seen):
    for target in allowed.get(start, ()):
        if target == goal or (target not in seen and (seen.add(target) or reaches(target, goal, seen))):
            return True
    return False

for folder in sorted(allowed):
    if reaches(folder, folder, set()):
        faults.append(f"{readme}: the allowed includes of '{folder}' lead back to it")

include = re.compile(r'^\s*#\s*include\s+"([^/"]+)/[^"]+"', re.M)
for path in sorted(src.glob("*/*")):
    if path.suffix not in (".cpp", ".h", ".rc"):
        continue
    folder = path.parent.name
    if folder not in allowed:
        faults.append(f"{path}: folder '{folder}' has no row in {readme}")
        continue
    for target in include.findall(path.read_text(encoding="latin-1")):
        if target != folder and target not in allowed[folder]:
            faults.append(f"{path}: {folder} includes {target}, which its row does not allow")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)

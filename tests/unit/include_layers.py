#!/usr/bin/env python3
"""Checks that includes between the folders of src/ run one way, downwards.

Floors, top to bottom. A file may include its own folder, a folder of its own
floor, or a folder below. The one loop allowed: the Windows version line
(sysinfo) reports itself through the reporting routine while the log heading
asks for it. The remover's and the per-user program's top floors stand beside
the installer's two: each shares every floor below them, and none includes
another. Prints
every include that breaks this and exits 1; a folder that has no floor here is
an error too, so a new folder is placed deliberately.
"""
import pathlib
import re
import sys

FLOORS = [
    ["app"],                            # start-up and the main window
    ["install", "remove", "user"],      # the install driver; the remover; the per-user program
    ["discovery", "deploy", "browsers"],
    ["report"],
    ["sysinfo"],
    ["process"],                        # program-wide state, system DLL loading
    ["resources"],                      # resource ids
]
ALLOWED_UPWARD = {("sysinfo", "report")}
APART = [{"app", "remove"}, {"install", "remove"}, {"app", "user"}, {"install", "user"},
         {"remove", "user"}]

floor_of = {folder: level for level, folders in enumerate(FLOORS) for folder in folders}
src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
include = re.compile(r'^\s*#\s*include\s+"([^/"]+)/[^"]+"', re.M)
faults = []
for path in sorted(src.glob("*/*")):
    if path.suffix not in (".cpp", ".h", ".rc"):
        continue
    folder = path.parent.name
    if folder not in floor_of:
        faults.append(f"{path}: folder '{folder}' has no floor")
        continue
    for target in include.findall(path.read_text(encoding="latin-1")):
        if target not in floor_of:
            faults.append(f"{path}: includes from '{target}', which has no floor")
        elif target != folder and {folder, target} in APART:
            faults.append(f"{path}: {folder} includes {target}, which stands apart from it")
        elif floor_of[target] < floor_of[folder] and (folder, target) not in ALLOWED_UPWARD:
            faults.append(f"{path}: {folder} (floor {floor_of[folder]}) includes "
                          f"{target} (floor {floor_of[target]})")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)

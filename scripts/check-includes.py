#!/usr/bin/env python3
"""Checks that every #include "folder/..." in the floor folders points down.

The floors come from cmake/floors.txt, lowest first. A file of a floor folder
may include its own folder and the folders of lower floors, nothing beside or
above it. Backends (platform/sim, platform/win32, framework/headless,
framework/win32) are chosen by the programs: above the seams only the
programs, tests and tools on top name them, and only the win32 backends
include <windows.h>. Each offending line is printed as file:line; the exit
code is 1 when there is one. Usage: scripts/check-includes.py [ROOT]
"""
import pathlib
import re
import sys

BACKENDS = {"sim", "win32", "headless"}
SEAM_FOLDERS = {"platform", "framework"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = ("*.h", "*.hpp", "*.c", "*.cpp")


def read_floors(root):
    floors = {}
    lines = (root / "cmake" / "floors.txt").read_text().splitlines()
    for line in (line for line in lines if line and not line.startswith("#")):
        level = len(set(floors.values()))
        for folder in line.split():
            floors[folder] = level
    return floors


def backend_of(parts):
    """'sim' for platform/sim/..., None outside a backend folder."""
    if len(parts) > 2 and parts[0] in SEAM_FOLDERS and parts[1] in BACKENDS:
        return parts[1]
    return None


def problem(floors, source, target, system):
    folder = source[0]
    if system:
        if target.lower() == "windows.h" and backend_of(source) != "win32":
            return "only the win32 backends include <windows.h>"
        return None
    parts = target.split("/")
    if len(parts) < 2 or parts[0] not in floors:
        return None
    goal = parts[0]
    if goal != folder and floors[goal] > floors[folder]:
        return f"{folder} (floor {floors[folder]}) includes {goal}, a floor above it (floor {floors[goal]})"
    if goal != folder and floors[goal] == floors[folder]:
        return f"{folder} includes {goal}, a folder beside it on floor {floors[folder]}"
    if backend_of(parts) and not backend_of(source):
        return f"{folder} names the {parts[0]}/{parts[1]} backend, which only the programs on top choose"
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    floors = read_floors(root)
    offences = 0
    checked = 0
    for folder in sorted(floors):
        for pattern in SOURCES:
            for path in sorted((root / folder).rglob(pattern)):
                relative = path.relative_to(root)
                checked += 1
                text = path.read_text(errors="replace").splitlines()
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    why = problem(floors, relative.parts, match.group(2), match.group(1) == "<")
                    if why:
                        offences += 1
                        print(f"{relative}:{number}: {line.strip()}: {why}")
    if offences:
        print(f"include check: {offences} include(s) against the floors in {checked} files")
        return 1
    print(f"include check: {checked} files, every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fails when a folder of the suite includes a header of a folder above it.

The layers, bottom up: platform/ includes nothing of ours but itself; wordfilter/, common/,
controls/ and datastore/ include platform/ and one another, never a deliverable's folder;
browser/, manage/, cards/, appcentre/ and viewer/ include the layers below and themselves,
never one another; host/ may include everything; guard/, the system service, includes only the
shared layers and itself. Tests, benchmarks and tools are not checked.
Usage: check_layers.py [TOP FOLDER]
"""
import pathlib
import re
import sys

PLATFORM = {"platform"}
LOWER = {"wordfilter", "common", "controls", "datastore"}
MODULES = {"browser", "manage", "cards", "appcentre", "viewer"}
HOST = {"host"}
GUARD = {"guard"}
OURS = PLATFORM | LOWER | MODULES | HOST | GUARD


def allowed(folder):
    if folder in PLATFORM:
        return PLATFORM
    if folder in LOWER:
        return PLATFORM | LOWER
    if folder in MODULES or folder in GUARD:
        return PLATFORM | LOWER | {folder}
    return OURS


INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def main():
    top = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = []
    for folder in sorted(OURS):
        for path in sorted((top / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for m in INCLUDE.finditer(text):
                target = m.group(1).split("/")[0]
                if target in OURS and target not in allowed(folder):
                    line = text.count("\n", 0, m.start()) + 1
                    faults.append(f"{path.relative_to(top)}:{line}: {folder}/ may not include {m.group(1)}")
    for f in faults:
        print(f)
    print(f"layers: {len(faults)} wrong include(s)" if faults else "layers: every include goes down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks that the stub's sources include only downward.

    tests/stub/check-layers.py SOURCE_DIR

Each of the stub's folders is one layer, lowest first (the README's layout
section shows the same map). A file may include files of its own folder and
of the folders below it, never above: the worker threads reach the wizard
only through the events of engine/page_link.h, which its pages handle. The
builder includes only the portable format code. Prints every include that
breaks the map and exits 1 when there is one.
"""
import os
import re
import sys

# (layer, its folder), lowest first; a folder's subfolders are in its layer.
LAYERS = [
    ("resources", "resources"),
    ("format", "format"),
    ("platform", "platform"),
    ("text control", "linkstatic"),
    ("engine", "engine"),
    ("run state", "state"),
    ("uninstall", "uninstall"),
    ("worker threads", "threads"),
    ("wizard", "wizard"),
    ("start-up", "startup"),
]
FOLDERS = [folder for _, folder in LAYERS]
# What the builder may include of the stub's folders.
BUILDER_FOLDERS = ["format"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    top = path.split("/")[0]
    return FOLDERS.index(top) if top in FOLDERS else None


def includes(root, folder):
    """Yields (path, line number, included path) for the sources below `folder`."""
    for directory, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp", ".rc")):
                continue
            full = os.path.join(directory, name)
            path = os.path.relpath(full, root).replace(os.sep, "/")
            with open(full, encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = match.group(1)
                    if "/" not in target:  # beside the file itself
                        target = os.path.relpath(os.path.join(os.path.dirname(full), target), root)
                        target = target.replace(os.sep, "/")
                    yield path, number, target


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = []
    for folder in FOLDERS:
        rank = layer_of(folder)
        for path, number, target in includes(root, folder):
            target_rank = layer_of(target)
            if target_rank is not None and target_rank > rank:
                faults.append(f"{path}:{number}: {LAYERS[rank][0]} includes {target} "
                              f"({LAYERS[target_rank][0]}, a layer above)")
    for path, number, target in includes(root, "builder"):
        top = target.split("/")[0]
        if top in FOLDERS and top not in BUILDER_FOLDERS:
            faults.append(f"{path}:{number}: the builder includes {target}, which is the stub's own")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print("includes follow the layer map")
    return 0


if __name__ == "__main__":
    sys.exit(main())

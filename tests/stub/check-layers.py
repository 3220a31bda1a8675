#!/usr/bin/env python3
"""Checks that the stub's sources include only downward.

    tests/stub/check-layers.py SOURCE_DIR

The stub's files fall into layers, lowest first (the README's layout section
shows the same map). A file may include files of its own layer and of the
layers below it, never above: the worker threads reach the wizard only
through engine/page_link.h, which the wizard implements. Prints every
include that breaks the map and exits 1 when there is one.
"""
import fnmatch
import os
import re
import sys

# (layer, patterns of the files in it), lowest first. A file belongs to the
# first layer with a matching pattern.
LAYERS = [
    ("resources", ["resources/*"]),
    ("format", ["format/*"]),
    ("platform", ["platform/*"]),
    ("text control", ["linkstatic/*"]),
    ("engine", [
        "engine/page_link.h",
        "engine/passes.*", "engine/ask_retry.*",
        "engine/*_actions.cpp", "engine/*_action.cpp", "engine/*_routines.*", "engine/kept_deletions.*",
        "engine/shortcut.h", "engine/com_ptr.h", "engine/registry_roots_win32.h",
    ]),
    ("run state", ["state/*"]),
    ("uninstall", ["uninstall/*"]),
    ("worker threads", ["threads/*"]),
    ("wizard", ["wizard/*", "wizard/pages/*"]),
    ("start-up", ["startup/*"]),
]
FOLDERS = ["resources", "format", "platform", "linkstatic", "engine", "state", "uninstall", "threads", "wizard", "startup"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    for rank, (_, patterns) in enumerate(LAYERS):
        if any(fnmatch.fnmatch(path, pattern) for pattern in patterns):
            return rank
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = []
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".rc")):
                    continue
                full = os.path.join(directory, name)
                path = os.path.relpath(full, root).replace(os.sep, "/")
                rank = layer_of(path)
                if rank is None:
                    faults.append(f"{path}: in no layer; add it to the map")
                    continue
                with open(full, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = match.group(1)
                        if "/" not in target:  # beside the file itself
                            target = os.path.relpath(os.path.join(os.path.dirname(full), target), root)
                            target = target.replace(os.sep, "/")
                        if target.split("/")[0] not in FOLDERS:
                            continue  # the builder's or a library's header
                        target_rank = layer_of(target)
                        if target_rank is None:
                            faults.append(f"{path}:{number}: includes {target}, which is in no layer")
                        elif target_rank > rank:
                            faults.append(f"{path}:{number}: {LAYERS[rank][0]} includes {target} "
                                          f"({LAYERS[target_rank][0]}, a layer above)")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print("includes follow the layer map")
    return 0


if __name__ == "__main__":
    sys.exit(main())

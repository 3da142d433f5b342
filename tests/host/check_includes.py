#!/usr/bin/env python3
# The include rules of the tree, checked from the sources:
#   - a header of the file's own folder is named bare ("state.h"), any other
#     from the top of the tree ("setup/shell/state.h"), never with "../";
#   - setup's other folders include only the shell's base headers (the state,
#     the output, the waits, the alerts, the run modes, the dialog colour and
#     the exit status), never its driver (entry, dialogs, main window,
#     installation), which includes them in turn;
#   - no two modules (a .h/.cpp pair) need each other, directly or round a
#     circle.
# Usage: check_includes.py ROOT. Prints each breach; exit status 1 with any.
import os
import re
import sys

root = sys.argv[1]
folders = ["setup", "embed", "dunzip", "acrobat", "common", "meter", "pubkit", "tests"]
shell_base = {"state.h", "output.h", "wait.h", "alert.h", "alert_text.h", "run_mode.h",
              "dialog_colour.h", "exit_status.h"}
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
breaches = []
deps = {}

for top in folders:
    for folder, _, names in os.walk(os.path.join(root, top)):
        for name in names:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            module = os.path.splitext(rel)[0]
            deps.setdefault(module, set())
            for target in include.findall(open(path, encoding="utf-8", errors="replace").read()):
                if "/" not in target:
                    found = os.path.join(folder, target)
                    if not os.path.isfile(found):
                        breaches.append(f"{rel}: \"{target}\" is no file of its own folder")
                        continue
                else:
                    found = os.path.join(root, target)
                    if ".." in target.split("/") or not os.path.isfile(found):
                        breaches.append(f"{rel}: \"{target}\" is not named from the top of the tree")
                        continue
                    if os.path.dirname(found) == folder:
                        breaches.append(f"{rel}: \"{target}\" of its own folder is named bare")
                target_rel = os.path.relpath(found, root)
                if (target_rel.startswith("setup/shell/") and rel.startswith("setup/")
                        and not rel.startswith("setup/shell/")
                        and os.path.basename(target_rel) not in shell_base):
                    breaches.append(f"{rel}: includes the shell's driver {target_rel}")
                other = os.path.splitext(target_rel)[0]
                if other != module:
                    deps[module].add(other)

# Circles of modules: the strongly connected components of more than one.
index, low, stack, on, counter = {}, {}, [], set(), [0]
sys.setrecursionlimit(10000)


def visit(v):
    index[v] = low[v] = counter[0]
    counter[0] += 1
    stack.append(v)
    on.add(v)
    for w in deps.get(v, ()):
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        circle = []
        while True:
            w = stack.pop()
            on.discard(w)
            circle.append(w)
            if w == v:
                break
        if len(circle) > 1:
            breaches.append("modules in a circle: " + " -> ".join(sorted(circle)))


for v in list(deps):
    if v not in index:
        visit(v)
for line in breaches:
    print(line)
print(f"{len(deps)} modules read, {len(breaches)} breach(es)")
sys.exit(1 if breaches else 0)

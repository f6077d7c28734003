#!/usr/bin/env python3
"""Checks that every include of the product folders that names a product file points down the layers,
and that no header files include each other in a circle. Prints one line per fault (file:line) and exits 1 when there is any.

    check_includes.py [ROOT]     ROOT: the project's top folder (default: the one above this script)
"""
import os
import re
import sys

# What each product folder may include, besides itself.
FOLDERS = {
    "framework": set(),
    "files": {"framework"},
    "pos3d": {"files", "framework"},
    "parts": {"files", "framework"},
    "opengl": {"parts", "pos3d", "files", "framework"},
    "package": {"opengl", "parts", "pos3d", "files", "framework"},
    "apps": {"package", "opengl", "parts", "pos3d", "files", "framework"},
}
# The framework's own layers, bottom first: each may include itself and those below it.
FRAMEWORK_LAYERS = ["core", "graphics", "platform", "controls"]

SOURCE_SUFFIXES = (".h", ".hpp", ".inl", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)')


def layer_of(root, path):
    """The layer a file sits in: ("opengl", None), ("framework", "core"), or None outside the product."""
    parts = os.path.relpath(path, root).split(os.sep)
    if parts[0] not in FOLDERS:
        return None
    if parts[0] != "framework":
        return (parts[0], None)
    sub = parts[1] if len(parts) > 2 else ""
    return ("framework", sub)


def allowed(src, dst):
    """Whether a file of layer src may include one of layer dst; a reason when it may not."""
    if src[0] != dst[0]:
        if dst[0] in FOLDERS[src[0]]:
            return None
        return "%s/ may not include %s/" % (src[0], dst[0])
    if src[0] != "framework":
        return None
    if src[1] not in FRAMEWORK_LAYERS:
        return "framework/%s is not one of the framework's layers (%s)" % (src[1], ", ".join(FRAMEWORK_LAYERS))
    if dst[1] not in FRAMEWORK_LAYERS:
        return "framework/%s is not one of the framework's layers" % dst[1]
    if FRAMEWORK_LAYERS.index(dst[1]) > FRAMEWORK_LAYERS.index(src[1]):
        return "framework/%s may not include framework/%s, a layer above it" % (src[1], dst[1])
    return None


def includes(path):
    """(line number, include text, quoted) for each include outside comments."""
    found = []
    in_comment = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            text = line
            if in_comment:
                end = text.find("*/")
                if end < 0:
                    continue
                text = text[end + 2:]
                in_comment = False
            start = text.find("/*")
            if start >= 0 and text.find("*/", start) < 0:
                in_comment = True
                text = text[:start]
            m = INCLUDE.match(text)
            if m:
                found.append((number, m.group(1) or m.group(2), m.group(1) is not None))
    return found


def resolve(root, including, name, quoted):
    """The file an include names: beside the including file first (quoted only), then from the project's top."""
    for base in ((os.path.dirname(including), root) if quoted else (root,)):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            return candidate
    return None


def product_files(root):
    for folder in sorted(FOLDERS):
        top = os.path.join(root, folder)
        for dirpath, dirnames, filenames in os.walk(top):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(dirpath, name)


def find_cycles(graph):
    """Each include circle once, as a list of files that starts and ends with the same one."""
    cycles, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in graph.get(node, ()):
            if state.get(nxt) == "open":
                cycles.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node)
    return cycles


def check(root):
    root = os.path.abspath(root)
    faults = []
    graph = {}
    for path in product_files(root):
        src = layer_of(root, path)
        rel = os.path.relpath(path, root)
        for number, name, quoted in includes(path):
            target = resolve(root, path, name, quoted)
            if not target:
                continue
            dst = layer_of(root, target)
            if dst is None:
                continue
            reason = allowed(src, dst)
            if reason:
                faults.append('%s:%d: includes "%s": %s' % (rel, number, name, reason))
            if path.endswith((".h", ".hpp", ".inl")) and target.endswith((".h", ".hpp", ".inl")):
                graph.setdefault(rel, []).append(os.path.relpath(target, root))
    for cycle in find_cycles(graph):
        faults.append("%s: include cycle: %s" % (cycle[0], " -> ".join(cycle)))
    return faults


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print("%d include fault(s); the layers, top to bottom: apps, package, opengl, parts, pos3d, files, "
              "framework (controls, platform, graphics, core)" % len(faults))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Writes a compound file with libgsf, as a writer that is not ours. Arguments: the file, then
elements in any order:
    a/b/          a storage (parents are made as needed)
    a/b/name=N    a stream of N bytes; byte j is (j * 131 + seed) % 256, seed being the sum of
                  the path's bytes modulo 256
Exit status 2 when libgsf's bindings are not installed."""
import sys

try:
    import gi

    gi.require_version("Gsf", "1")
    from gi.repository import Gsf
except (ImportError, ValueError):
    sys.exit(2)


def pattern(path, size):
    seed = sum(path.encode()) % 256
    cycle = bytes((j * 131 + seed) % 256 for j in range(256))
    return (cycle * (size // 256 + 1))[:size]


def main():
    tree = {}
    for item in sys.argv[2:]:
        path, _, size = item.partition("=")
        parts = [p for p in path.split("/") if p]
        node = tree
        for part in parts[:-1] if size else parts:
            node = node.setdefault(part, {})
        if size:
            node[parts[-1]] = (path, int(size))

    def write(parent, node):
        for name, value in node.items():
            if isinstance(value, dict):
                child = parent.new_child(name, True)
                write(child, value)
            else:
                child = parent.new_child(name, False)
                child.write(pattern(*value))
            child.close()

    ole = Gsf.OutfileMSOle.new(Gsf.OutputStdio.new(sys.argv[1]))
    write(ole, tree)
    ole.close()


main()

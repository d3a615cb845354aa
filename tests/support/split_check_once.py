#!/usr/bin/python3
"""Runs ../shared/tools/split_check.py unchanged, on the same arguments, reading the source once.

The checker loads the source workbook afresh for every sheet it compares (twice: formulas and
cached values), which makes a workbook of 30 sheets cost 60 loads; openpyxl takes seconds for
each large one. Its comparison only reads the source, apart from the empty cells openpyxl makes
when the compared sheet is asked for a cell it lacks, which no other comparison looks at; so one
load of each kind serves them all. Outputs are still loaded by the checker itself.

Usage: split_check_once.py TOOLS_DIR SOURCE OUTPUT_DIR
"""
import sys


def main(argv):
    tools, args = argv[0], argv[1:]
    sys.path.insert(0, tools)
    import split_check  # noqa: E402

    source = args[0]
    fresh = split_check.load
    loaded = {}

    def load(path, data_only):
        if path != source:
            return fresh(path, data_only)
        if data_only not in loaded:
            loaded[data_only] = fresh(path, data_only)
        return loaded[data_only]

    split_check.load = load
    return split_check.main(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

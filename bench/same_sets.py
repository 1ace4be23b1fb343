#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
"""Compares two listings of duplicate sets as sets of sets.

Each listing holds sets of paths, one path a line, sets separated by empty
lines (what fdupes, jdupes, rmlint's fdupes output and twinscan-cli
--list groups print). Paths are made absolute and normalised, the order of
sets and of paths within a set does not count. Prints key=value lines; exits 1
when the sets differ, showing a few sets found by one side only.

    same_sets.py EXPECTED ACTUAL [--base DIR] [--name NAME]
"""

import argparse
import os
import sys


def read_sets(path: str, base: str) -> set:
    sets = set()
    with open(path, "rb") as listing:
        text = listing.read().decode("utf-8", "surrogateescape")
    for block in text.split("\n\n"):
        paths = [os.path.normpath(os.path.join(base, line)) for line in block.split("\n") if line]
        if paths:
            if len(set(paths)) != len(paths):
                sys.exit("%s: a set names one path twice: %s" % (path, paths))
            sets.add(frozenset(paths))
    return sets


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("expected")
    parser.add_argument("actual")
    parser.add_argument("--base", default=os.getcwd(), help="folder relative paths start from")
    parser.add_argument("--name", default="sets", help="prefix of the printed keys")
    args = parser.parse_args()

    expected = read_sets(args.expected, args.base)
    actual = read_sets(args.actual, args.base)
    missing = expected - actual
    extra = actual - expected
    print("%s_expected=%d %s_actual=%d %s_files=%d %s_equal=%s" % (
        args.name, len(expected), args.name, len(actual), args.name,
        sum(len(s) for s in actual), args.name, "yes" if not missing and not extra else "no"))
    for label, sets in (("only in " + args.expected, missing), ("only in " + args.actual, extra)):
        for paths in sorted(sorted(s) for s in sets)[:5]:
            shown = " | ".join(paths[:3]) + (" | ..." if len(paths) > 3 else "")
            print("%s: %d paths: %s" % (label, len(paths), shown), file=sys.stderr)
    sys.exit(1 if missing or extra else 0)


if __name__ == "__main__":
    main()

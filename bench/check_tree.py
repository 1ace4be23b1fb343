#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
"""Builds a folder tree for the benchmarks. Never makes links.

Three layouts:

bands (default, for check_vs_jdupes.sh): same-size groups of an original,
exact copies and near-copies that differ only in the last byte, spread over
subfolders; some files get a size of their own and are never candidates.

    check_tree.py FOLDER [--files N] [--min-size B] [--max-size B] [--group G] [--seed S]

peers (for peers.sh): files of many sizes (log-uniform over 64 bytes to
1 MiB, then scaled to about --bytes in total), a share of exact copies, a
share of same-size near-copies differing in one byte (in the first block, the
middle or the last byte, in turn), a share of empty files, in folders nested
up to six deep.

    check_tree.py FOLDER --layout peers [--files N] [--bytes B] [--copies F]
                  [--near F] [--empty F] [--seed S]

entries (for walk.sh and peers.sh): exactly --entries entries below
FOLDER: 200 folders of 4 subfolders each, the files spread over the
subfolders, file i holding i % 64 bytes (so many are empty or tiny and every
file shares its size).

    check_tree.py FOLDER --layout entries --entries N
"""

import argparse
import math
import os
import random

# Bytes of the block a "first block" near-copy differs in.
FIRST_BLOCK = 4096
MAX_DEPTH = 6


def write(path: str, content: bytes) -> None:
    with open(path, "wb") as out:
        out.write(content)


def make_bands(args: argparse.Namespace) -> str:
    rng = random.Random(args.seed)
    os.makedirs(args.folder, exist_ok=True)
    used_sizes = set()
    written = 0
    total_bytes = 0
    while written < args.files:
        if len(used_sizes) > args.max_size - args.min_size:
            raise SystemExit("not enough sizes for %d files; widen the size range" % args.files)
        size = rng.randint(args.min_size, args.max_size)
        if size in used_sizes:
            continue
        used_sizes.add(size)
        original = rng.randbytes(size)
        count = min(rng.randint(1, args.group), args.files - written)
        for i in range(count):
            if i == 0 or rng.random() < 0.5:
                content = original  # the original or an exact copy
            else:
                content = original[:-1] + bytes([(original[-1] + 1 + i) % 256])
            sub = os.path.join(args.folder, "d%02d" % rng.randrange(20), "e%02d" % rng.randrange(5))
            os.makedirs(sub, exist_ok=True)
            write(os.path.join(sub, "f%06d_%d.bin" % (written, i)), content)
            written += 1
            total_bytes += size
    return "files=%d bytes=%d sizes=%d" % (written, total_bytes, len(used_sizes))


def make_folders(rng: random.Random, root: str, count: int) -> list:
    """Creates `count` folders below root (root counts as the first), each
    under a random earlier one, no deeper than MAX_DEPTH."""
    folders = [(root, 0)]
    while len(folders) < count:
        parent, depth = folders[rng.randrange(len(folders))]
        if depth == MAX_DEPTH:
            continue
        path = os.path.join(parent, "dir%05d" % len(folders))
        os.mkdir(path)
        folders.append((path, depth + 1))
    return [path for path, _ in folders]


def make_peers(args: argparse.Namespace) -> str:
    rng = random.Random(args.seed)
    shares = args.copies + args.near + args.empty
    if min(args.copies, args.near, args.empty) < 0 or shares >= 1:
        raise SystemExit("--copies, --near and --empty must be >= 0 and add up to less than 1")
    copies = round(args.files * args.copies)
    near = round(args.files * args.near)
    empty = round(args.files * args.empty)
    originals = args.files - copies - near - empty
    if originals < 1:
        raise SystemExit("no room for originals; lower the shares or raise --files")

    # Each copy and near-copy belongs to a random original.
    copies_of = [0] * originals
    near_of = [0] * originals
    for _ in range(copies):
        copies_of[rng.randrange(originals)] += 1
    for _ in range(near):
        near_of[rng.randrange(originals)] += 1

    # Log-uniform raw sizes from 64 bytes to 1 MiB, scaled so that originals,
    # copies and near-copies add up to about args.bytes.
    raw = [math.exp(rng.uniform(math.log(64), math.log(1 << 20))) for _ in range(originals)]
    weight = sum(r * (1 + c + n) for r, c, n in zip(raw, copies_of, near_of))
    scale = args.bytes / weight
    sizes = [max(1, round(r * scale)) for r in raw]

    os.makedirs(args.folder, exist_ok=True)
    folders = make_folders(rng, args.folder, max(2, args.files // 25))
    ids = list(range(args.files))
    rng.shuffle(ids)  # names carry no hint of which files match
    next_id = iter(ids)

    def place(content: bytes) -> None:
        number = next(next_id)
        # Every 50th name holds spaces, so the output parsers must not split on them.
        name = "f %07d copy.bin" % number if number % 50 == 0 else "f%07d.bin" % number
        write(os.path.join(folders[rng.randrange(len(folders))], name), content)

    total = 0
    where = 0  # which byte the next near-copy changes: first block, middle, last
    for index in range(originals):
        size = sizes[index]
        original = rng.randbytes(size)
        place(original)
        for _ in range(copies_of[index]):
            place(original)
        for _ in range(near_of[index]):
            offset = (rng.randrange(min(size, FIRST_BLOCK)), size // 2, size - 1)[where]
            where = (where + 1) % 3
            changed = bytearray(original)
            changed[offset] ^= 1 + rng.randrange(255)
            place(bytes(changed))
        total += size * (1 + copies_of[index] + near_of[index])
    for _ in range(empty):
        place(b"")
    return "files=%d bytes=%d originals=%d copies=%d near=%d empty=%d folders=%d" % (
        args.files, total, originals, copies, near, empty, len(folders))


def make_entries(args: argparse.Namespace) -> str:
    tops, subs = 200, 4
    leaves = [os.path.join(args.folder, "dir%03d" % t, "sub%d" % s)
              for t in range(tops) for s in range(subs)]
    files = args.entries - tops - len(leaves)
    if files < 0:
        raise SystemExit("--entries must be at least %d" % (tops + len(leaves)))
    for leaf in leaves:
        os.makedirs(leaf)
    for i in range(files):
        write(os.path.join(leaves[i % len(leaves)], "file_%06d.dat" % i), b"x" * (i % 64))
    return "entries=%d folders=%d files=%d" % (args.entries, tops + len(leaves), files)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--layout", choices=("bands", "peers", "entries"), default="bands")
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--min-size", type=int, default=1024, help="bands: smallest size")
    parser.add_argument("--max-size", type=int, default=200 * 1024, help="bands: largest size")
    parser.add_argument("--group", type=int, default=4, help="bands: largest files per size")
    parser.add_argument("--bytes", type=int, default=50 * 1000 * 1000, help="peers: total size")
    parser.add_argument("--copies", type=float, default=0.30, help="peers: share of exact copies")
    parser.add_argument("--near", type=float, default=0.10, help="peers: share of near-copies")
    parser.add_argument("--empty", type=float, default=0.02, help="peers: share of empty files")
    parser.add_argument("--entries", type=int, default=499999, help="entries: entries in the tree")
    args = parser.parse_args()
    make = {"bands": make_bands, "peers": make_peers, "entries": make_entries}[args.layout]
    print(make(args))


if __name__ == "__main__":
    main()

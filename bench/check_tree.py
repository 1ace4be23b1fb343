#!/usr/bin/env python3
"""Builds a folder tree for twinscan-check-bench.

Files come in same-size groups: an original, exact copies of it, and
near-copies that differ from it only in the last byte, spread over
subfolders. Some files get a size of their own and are never candidates.

    check_tree.py FOLDER [--files N] [--min-size B] [--max-size B] [--seed S]
"""

import argparse
import os
import random


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--min-size", type=int, default=1024)
    parser.add_argument("--max-size", type=int, default=200 * 1024)
    parser.add_argument("--group", type=int, default=4, help="largest files per size")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

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
            with open(os.path.join(sub, "f%06d_%d.bin" % (written, i)), "wb") as out:
                out.write(content)
            written += 1
            total_bytes += size
    print("files=%d bytes=%d sizes=%d" % (written, total_bytes, len(used_sizes)))


if __name__ == "__main__":
    main()

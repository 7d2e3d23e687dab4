#!/usr/bin/env python3
"""Writes the benchmark's synthetic product: one large file and many small
ones three folders deep, all of real (random, non-sparse) content.

    make_product.py DIR BIG_MIB SMALL_COUNT SMALL_KIB
"""
import os
import random
import sys


def write_file(path, size, rng):
    with open(path, "wb") as out:
        left = size
        while left:
            step = min(left, 8 << 20)
            out.write(rng.randbytes(step))
            left -= step


def main():
    root, big_mib, small_count, small_kib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    rng = random.Random(20240611)
    os.makedirs(root)
    write_file(os.path.join(root, "ombrel.bin"), big_mib << 20, rng)
    # 16 files per folder, 16 folders per parent: res\a3\b7\f12.dat
    for i in range(small_count):
        folder = os.path.join(root, "res", "a%d" % (i // 256), "b%d" % (i // 16 % 16))
        os.makedirs(folder, exist_ok=True)
        write_file(os.path.join(folder, "f%d.dat" % (i % 16)), small_kib << 10, rng)


if __name__ == "__main__":
    main()

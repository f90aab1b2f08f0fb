#!/usr/bin/python3
"""Generates the create benchmark's data with a fixed seed.

usage: create_data.py FOLDER
Makes FOLDER/big.bin (2 GiB), FOLDER/tree (20,000 files of 1 B to 64 KiB in
nested folders, about 650 MB; tree/part0 alone holds a quarter of them) and
FOLDER/sparse.bin (5 GiB, sparse). Existing data is kept.
"""
import os
import random
import sys


def write_big(path, size):
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    rng = random.Random(1)
    chunk = 64 << 20
    with open(path + ".part", "wb") as f:
        for _ in range(size // chunk):
            f.write(rng.randbytes(chunk))
    os.rename(path + ".part", path)


def write_tree(root, count):
    done = os.path.join(root, ".complete")
    if os.path.exists(done):
        return
    rng = random.Random(2)
    pool = rng.randbytes(1 << 20)
    for i in range(count):
        # part0..part3, then two more levels of nesting.
        folder = os.path.join(root, "part%d" % (i * 4 // count), "d%02d" % (i % 37), "e%d" % (i % 5))
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(1, 64 << 10)
        start = rng.randrange(0, len(pool) - size)
        with open(os.path.join(folder, "f%05d.dat" % i), "wb") as f:
            f.write(pool[start:start + size])
    open(done, "w").close()


def write_sparse(path, size):
    with open(path, "ab") as f:
        f.truncate(size)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_big(os.path.join(folder, "big.bin"), 2 << 30)
    write_tree(os.path.join(folder, "tree"), 20000)
    write_sparse(os.path.join(folder, "sparse.bin"), 5 << 30)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Independent check of a torrent written by Brisolt.

usage: check_torrent.py TORRENT CONTENT

libtorrent must parse TORRENT, and every piece it lists must equal the SHA-1
(hashlib) of the content: CONTENT is the file of a single-file torrent, or the
folder that holds a multi-file torrent's top folder. Paths are taken as raw
bytes from the metainfo, so names that are not valid UTF-8 are read as they
were written. Prints "ok PIECES" and exits 0, or prints what differs and
exits 1.
"""
import hashlib
import os
import sys

import libtorrent as lt


def content_files(info, root):
    name = info[b"name"]
    if b"files" not in info:
        return [(root, info[b"length"])]
    return [(os.path.join(root, name, *f[b"path"]), f[b"length"]) for f in info[b"files"]]


def piece_digests(files, piece_length):
    digests, piece, filled = [], hashlib.sha1(), 0
    for path, length in files:
        with open(path, "rb") as f:
            left = length
            while left > 0:
                chunk = f.read(min(piece_length - filled, left))
                if not chunk:
                    raise SystemExit("short file: %r" % path)
                piece.update(chunk)
                filled += len(chunk)
                left -= len(chunk)
                if filled == piece_length:
                    digests.append(piece.digest())
                    piece, filled = hashlib.sha1(), 0
    if filled:
        digests.append(piece.digest())
    return digests


def main():
    torrent, root = sys.argv[1], os.fsencode(sys.argv[2])
    with open(torrent, "rb") as f:
        data = f.read()
    ti = lt.torrent_info(torrent)  # raises when libtorrent cannot parse it
    info = lt.bdecode(data)[b"info"]
    files = content_files(info, root)
    expected = piece_digests(files, ti.piece_length())
    problems = []
    if ti.total_size() != sum(length for _, length in files):
        problems.append("total size %d" % ti.total_size())
    if ti.num_pieces() != len(expected):
        problems.append("libtorrent sees %d pieces, content makes %d" % (ti.num_pieces(), len(expected)))
    for i in range(min(ti.num_pieces(), len(expected))):
        if bytes(ti.hash_for_piece(i)) != expected[i]:
            problems.append("piece %d differs" % i)
    if problems:
        print("\n".join(problems))
        return 1
    print("ok", len(expected))
    return 0


if __name__ == "__main__":
    sys.exit(main())

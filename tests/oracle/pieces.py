#!/usr/bin/python3
"""Piece digests of files read as one stream, by Python's hashlib.

usage: pieces.py PIECE_LENGTH FILE...
Prints one lower-case hex SHA-1 per piece; the last piece holds the rest, and
empty content gives no piece.
"""
import hashlib
import sys


def main():
    piece_length = int(sys.argv[1])
    piece, filled = hashlib.sha1(), 0
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            while chunk := f.read(piece_length - filled):
                piece.update(chunk)
                filled += len(chunk)
                if filled == piece_length:
                    print(piece.hexdigest())
                    piece, filled = hashlib.sha1(), 0
    if filled:
        print(piece.hexdigest())


if __name__ == "__main__":
    main()

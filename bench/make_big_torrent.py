#!/usr/bin/env python3
"""Writes a large multi-file torrent for the load benchmark.

100,000 files in nested folders with realistic names (music, photos, video,
documents, source trees), about a dozen to a folder, and 1,000,000 pieces of
random 20-byte hashes. The file lengths add up to exactly the content that the
pieces describe at a piece length of 256 KiB. A fixed seed makes the file the same on every run.

Usage: make_big_torrent.py [output path, default /tmp/brisolt_big.torrent]
                           [files, default 100000] [pieces, default 1000000]
"""

import random
import sys

SEED = 20240607
PIECE_LENGTH = 256 * 1024

WORDS = (
    "alpha amber autumn blue bridge canyon cedar city coast copper crystal dawn delta desert "
    "echo ember field forest garden glacier harbor hollow island jade lake lantern meadow "
    "midnight mirror mountain north ocean orchard paper prairie quiet rain river road "
    "sand shadow silver sky snow spring stone storm summer sun thunder timber valley "
    "velvet village water whisper willow winter"
).split()
ARTISTS = ["The Quiet Rivers", "Nina Holm", "Blue Canyon Trio", "Orchestre de Lyon", "DJ Ember", "Los Caminos"]
EXTENSIONS = {
    "music": [".flac", ".mp3", ".ogg"],
    "photos": [".jpg", ".png", ".CR2"],
    "video": [".mkv", ".mp4", ".srt"],
    "docs": [".pdf", ".odt", ".txt", ".md"],
    "src": [".c", ".h", ".cpp", ".py", ".rs", ".json"],
}


def title(rng, words):
    return " ".join(rng.choice(WORDS).capitalize() for _ in range(words))


def folder(rng):
    """A folder and how to name the i-th file in it, for one kind of content."""
    kind = rng.choice(list(EXTENSIONS))
    ext = rng.choice(EXTENSIONS[kind])
    if kind == "music":
        album = f"{rng.randint(1965, 2023)} - {title(rng, rng.randint(1, 3))}"
        path = ["Music", rng.choice(ARTISTS), album] + ([f"CD{rng.randint(1, 2)}"] if rng.random() < 0.2 else [])
        return path, lambda i: f"{i + 1:02d} - {title(rng, rng.randint(1, 4))}{ext}"
    if kind == "photos":
        year, month = rng.randint(2005, 2023), rng.randint(1, 12)
        path = ["Photos", str(year), f"{year}-{month:02d} {title(rng, 1)}"]
        return path, lambda i: f"IMG_{year}{month:02d}{rng.randint(1, 28):02d}_{i:04d}{ext}"
    if kind == "video":
        show, season = title(rng, 2), rng.randint(1, 9)
        path = ["Video", show, f"Season {season:02d}"]
        return path, lambda i: f"{show} S{season:02d}E{i + 1:02d} {title(rng, 3)}{ext}"
    if kind == "docs":
        path = ["Documents", title(rng, 1), title(rng, 2)]
        return path, lambda i: f"{i + 1:02d} {title(rng, rng.randint(2, 5))}{ext}"
    path = ["Source", "project-" + rng.choice(WORDS), *(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))]
    return path, lambda i: f"{rng.choice(WORDS)}_{i}{ext}"


def file_paths(rng, count):
    """count paths, about a dozen files per folder, as in real collections."""
    paths = []
    while len(paths) < count:
        path, name = folder(rng)
        for i in range(min(rng.randint(1, 24), count - len(paths))):
            paths.append(path + [name(i)])
    return paths


def bstr(b):
    if isinstance(b, str):
        b = b.encode("utf-8")
    return str(len(b)).encode() + b":" + b


def bint(n):
    return b"i%de" % n


def lengths(rng, count, total):
    """count lengths, lognormally spread, adding up to exactly total."""
    weights = [rng.lognormvariate(0.0, 1.5) for _ in range(count)]
    scale = total / sum(weights)
    result = [max(0, int(w * scale)) for w in weights]
    result[-1] += total - sum(result)
    if result[-1] < 0:
        raise SystemExit("length rounding went negative; change the seed")
    return result


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "/tmp/brisolt_big.torrent"
    file_count = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    piece_count = int(sys.argv[3]) if len(sys.argv) > 3 else 1_000_000
    rng = random.Random(SEED)
    total = (piece_count - 1) * PIECE_LENGTH + PIECE_LENGTH // 3
    parts = [b"d5:filesl"]
    for elements, length in zip(file_paths(rng, file_count), lengths(rng, file_count, total)):
        path = b"".join(bstr(element) for element in elements)
        parts.append(b"d6:length" + bint(length) + b"4:pathl" + path + b"ee")
    parts.append(b"e4:name" + bstr("Big Collection 2024"))
    parts.append(b"12:piece length" + bint(PIECE_LENGTH))
    parts.append(b"6:pieces" + bstr(rng.randbytes(20 * piece_count)))
    parts.append(b"e")
    info = b"".join(parts)
    torrent = (
        b"d8:announce"
        + bstr("http://tracker.example.org:6969/announce")
        + b"13:announce-listll"
        + bstr("http://tracker.example.org:6969/announce")
        + b"el"
        + bstr("udp://backup.example.net:1337/announce")
        + b"ee7:comment"
        + bstr("Load benchmark torrent")
        + b"10:created by"
        + bstr("make_big_torrent.py")
        + b"13:creation date"
        + bint(1717750000)
        + b"4:info"
        + info
        + b"e"
    )
    with open(out, "wb") as f:
        f.write(torrent)
    print(f"{out}: {len(torrent)} bytes, {file_count} files, {piece_count} pieces")


if __name__ == "__main__":
    main()

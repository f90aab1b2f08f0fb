#!/usr/bin/python3
"""What libtorrent reads of the keys beyond the core metainfo, and of a magnet link.

usage: extras.py TORRENT [MAGNET]
       extras.py --make transmission|mktorrent CONTENT OUT

Prints one line each: "hash H" (libtorrent's v1 info hash), "source S" (the
info dictionary's "source", or "-"), "webseeds URL...", then "key NAME SHA1"
for every key of the outer dictionary in file order, SHA1 being that of the
value's bytes as they stand in the file, and with MAGNET "magnet H
NAME|TRACKER|..." as libtorrent parses the link. Exits 1 when libtorrent
cannot parse either. --make writes OUT with another torrent maker.
"""
import hashlib
import subprocess
import sys

import libtorrent as lt


def value_end(data, at):
    """One past the bencoded value at data[at]."""
    c = data[at:at + 1]
    if c == b"i":
        return data.index(b"e", at) + 1
    if c in (b"l", b"d"):
        at += 1
        while data[at:at + 1] != b"e":
            at = value_end(data, at)
        return at + 1
    colon = data.index(b":", at)
    return colon + 1 + int(data[at:colon])


def outer_keys(data):
    at = 1
    while data[at:at + 1] != b"e":
        key_end = value_end(data, at)
        key = data[data.index(b":", at) + 1:key_end]
        end = value_end(data, key_end)
        yield key.decode(), hashlib.sha1(data[key_end:end]).hexdigest()
        at = end


def main():
    if sys.argv[1] == "--make":
        tool, content, out = sys.argv[2:5]
        if tool == "transmission":
            command = ["transmission-create", "-o", out, "-t", "http://tr.example/announce", "-c", "by tr", content]
        else:
            command = ["mktorrent", "-a", "http://mk.example/announce", "-o", out, content]
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return
    ti = lt.torrent_info(sys.argv[1])  # raises when libtorrent cannot parse it
    info = lt.bdecode(ti.info_section())
    print("hash", ti.info_hashes().v1)
    print("source", info.get(b"source", b"-").decode())
    print(" ".join(["webseeds"] + [w["url"] for w in ti.web_seeds()]))
    with open(sys.argv[1], "rb") as f:
        for key, digest in outer_keys(f.read()):
            print("key", key, digest)
    if len(sys.argv) > 2:
        p = lt.parse_magnet_uri(sys.argv[2])
        print("magnet", p.info_hashes.v1, "|".join([p.name] + list(p.trackers)))


if __name__ == "__main__":
    main()

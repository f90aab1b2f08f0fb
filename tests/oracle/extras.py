#!/usr/bin/python3
"""What libtorrent reads of the keys beyond the core metainfo, and of a magnet link.

usage: extras.py TORRENT [MAGNET]
       extras.py --make transmission|mktorrent|hybrid|v1extra|private0 CONTENT OUT

Prints one line each: "hash H" (libtorrent's v1 info hash), "source S" (the
info dictionary's "source", or "-"), "webseeds URL...", then "key NAME SHA1"
for every key of the outer dictionary in file order, SHA1 being that of the
value's bytes as they stand in the file, and with MAGNET "magnet H
NAME|TRACKER|..." as libtorrent parses the link; then "v2 H" (or "-"),
"pads N" (the files libtorrent takes for padding), "info NAME SHA1" for every
key of the info dictionary and "entrykeys N" (keys of the "files" entries
beyond length and path). Exits 1 when libtorrent cannot parse either.
--make writes OUT with another torrent maker; hybrid is libtorrent's default
(v1 and v2, padding files), v1extra a v1 torrent with "source", an unknown
info key, "mtime" in each file entry, "url-list" and two trackers per tier,
private0 one with "private" 0.
"""
import hashlib
import os
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


def libtorrent_made(kind, content, out):
    fs = lt.file_storage()
    lt.add_files(fs, content)
    ct = lt.create_torrent(fs, 16384, flags=0 if kind == "hybrid" else lt.create_torrent.v1_only)
    ct.add_tracker("http://lt.example/announce")
    lt.set_piece_hashes(ct, os.path.dirname(content))
    torrent = ct.generate()
    info = torrent[b"info"]
    if kind == "v1extra":
        info[b"source"] = b"SRC"
        info[b"x-unknown"] = [b"kept", 7]
        for f in info[b"files"]:
            f[b"mtime"] = 1234567890
        torrent[b"url-list"] = [b"http://seed.example/files/"]
        torrent[b"announce-list"] = [[b"http://lt.example/announce", b"http://b.example/a"], [b"http://c.example/a"]]
    elif kind == "private0":
        info[b"private"] = 0
    with open(out, "wb") as f:
        f.write(lt.bencode(torrent))


def main():
    if sys.argv[1] == "--make":
        tool, content, out = sys.argv[2:5]
        if tool in ("hybrid", "v1extra", "private0"):
            return libtorrent_made(tool, content, out)
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
    print("v2", ti.info_hashes().v2 if ti.info_hashes().has_v2() else "-")
    fs = ti.files()
    print("pads", sum(1 for i in range(fs.num_files()) if fs.file_flags(i) & lt.file_storage.flag_pad_file))
    section = ti.info_section()
    for key, digest in outer_keys(section):
        print("info", key, digest)
    entries = lt.bdecode(section).get(b"files", [])
    print("entrykeys", sum(len(set(e) - {b"length", b"path"}) for e in entries))


if __name__ == "__main__":
    main()

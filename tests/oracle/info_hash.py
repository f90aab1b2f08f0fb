#!/usr/bin/python3
"""What libtorrent reads from a torrent, for comparing with what Brisolt reports.

usage: info_hash.py TORRENT

Prints "INFOHASH FILES TOTALSIZE" (the v1 info hash as 40 lower-case hex
digits) and exits 0, or exits 1 when libtorrent cannot parse the file.
"""
import sys

import libtorrent as lt


def main():
    ti = lt.torrent_info(sys.argv[1])  # raises when libtorrent cannot parse it
    print("%s %d %d" % (ti.info_hashes().v1, ti.num_files(), ti.total_size()))


if __name__ == "__main__":
    main()

# Shared by the create benchmarks (sourced, not run): the data sets that
# bench/create_data.py makes in $data, warming the page cache, and the check
# that two torrents carry the same pieces.

declare -A sources=([big]=$data/big.bin [tree]=$data/tree [tree5k]=$data/tree/part0 [sparse]=$data/sparse.bin)
names=(big tree tree5k sparse)

# Reads every data set once, so that all contenders meet a warm page cache.
warm_cache() {
    local name
    for name in "${names[@]}"; do
        find "${sources[$name]}" -type f -print0 | xargs -0 cat >/dev/null
    done
}

# Fails unless the two torrents hold the same piece hashes: otherwise the
# times compare different work.
same_pieces() {
    /usr/bin/python3 - "$1" "$2" <<'PY'
import sys, libtorrent as lt
a, b = (lt.bdecode(open(p, "rb").read())[b"info"][b"pieces"] for p in sys.argv[1:])
sys.exit(0 if a == b else "pieces differ: " + sys.argv[1])
PY
}

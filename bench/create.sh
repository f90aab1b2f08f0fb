#!/usr/bin/env bash
# Side-by-side benchmark of brisolt-cli create against mktorrent and
# transmission-create: 256 KiB pieces, page cache warm, alternating rounds,
# medians, and every round's CPU time beside them (a bimodal result shows).
# Also, on the same data: 16 MiB pieces, brisolt on the AVX2 path, one thread
# each (brisolt --threads 1, mktorrent -t 1), brisolt verify, brisolt with
# each BRISOLT_READ_PATH choice (measured, the default; read; map; mapsome), and the
# reference reader (bench/ref_reader.cpp: open, read, close into one reused
# buffer, one reader per core: the two-core reading limit). Cache states: warm
# = the data set read right before each run (some virtual machines give page
# cache back to the host within a minute, unasked: read once per round, the
# later tools met a partly cold cache); cold = the page cache dropped
# (echo 3 >/proc/sys/vm/drop_caches, as root) before every single run of the
# 2 GiB file and the tree (coldbig, coldtree). Where dropping is not allowed,
# the cold rows are left out and the script says so.
# Data lives in $BENCH_DATA (default /tmp/brisolt-bench), generated once with
# a fixed seed. BEFORE_CLI=path/to/brisolt-cli adds that build as tool
# "before" on the 2 GiB file and the tree (both piece lengths), side by side.
# Peak private memory is measured in separate runs (see peak_private).
# Ends with the targets table. Usage: bench/create.sh [ROUNDS]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
data=${BENCH_DATA:-/tmp/brisolt-bench}
out=$(mktemp -d /tmp/brisolt-bench-out.XXXXXX)
trap 'rm -rf "$out"' EXIT

dir=build-bench-create
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_TESTS=OFF -DBRISOLT_BUILD_GUI=OFF \
    -DBRISOLT_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target brisolt-cli ref_reader -- -j2 >/dev/null
cli=$PWD/$dir/src/cli/brisolt-cli
reader=$PWD/$dir/bench/ref_reader
for tool in mktorrent transmission-create /usr/bin/time openssl; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

/usr/bin/python3 bench/create_data.py "$data"
cores=$(nproc)
load_before=$(cut -d' ' -f1 /proc/loadavg)

# Share of a data set's bytes in the page cache, in percent (fincore).
resident() {
    find "$1" -type f -print0 | xargs -0 fincore -b -n 2>/dev/null |
        awk '{r += $1; s += $3} END {printf "%.0f", s ? 100 * (r < s ? r : s) / s : 0}'
}

# One timed run: appends "tool dataset wall cpu maxrss_kb resident%" to
# $out/times, the last taken right before the run.
# Tools: brisolt, mktorrent, transmission, and the variants brisolt-avx2
# (forced AVX2 path), brisolt-t1 and mktorrent-t1 (one thread), brisolt-read,
# brisolt-map and brisolt-mapsome (BRISOLT_READ_PATH), verify (brisolt verify of this
# round's brisolt torrent) and reference (the reference reader). A dataset
# name ending in 16m means 16 MiB pieces; one starting with cold, a dropped
# page cache.
run() {
    local tool=$1 name=$2 source=$3 target=$out/$1-$2.torrent
    local kib=256 log=18
    [[ $name == *16m ]] && kib=16384 log=24
    rm -f "$target"
    local cmd
    case $tool in
    brisolt) cmd=("$cli" create "$source" -a http://t/a -l ${kib}kb -o "$target" -q) ;;
    brisolt-avx2) cmd=(env BRISOLT_SHA1_PATH=avx2 "$cli" create "$source" -a http://t/a -l ${kib}kb -o "$target" -q) ;;
    brisolt-t1) cmd=("$cli" create "$source" -a http://t/a -l ${kib}kb -o "$target" -q --threads 1) ;;
    brisolt-read | brisolt-map | brisolt-mapsome)
        cmd=(env BRISOLT_READ_PATH=${tool#brisolt-} "$cli" create "$source" -a http://t/a -l ${kib}kb -o "$target" -q) ;;
    verify) cmd=("$cli" verify "$out/brisolt-$2.torrent" "$(dirname "$source")" -q) ;;
    reference) cmd=("$reader" "$cores" "$source") ;;
    before) cmd=("$BEFORE_CLI" create "$source" -a http://t/a -l ${kib}kb -o "$target" -q) ;;
    mktorrent) cmd=(mktorrent -l $log -a http://t/a -o "$target" "$source") ;;
    mktorrent-t1) cmd=(mktorrent -t 1 -l $log -a http://t/a -o "$target" "$source") ;;
    transmission) cmd=(transmission-create -s $kib -t http://t/a -o "$target" "$source") ;;
    esac
    if [[ $name == cold* ]]; then
        drop_cache
    else
        find "$source" -type f -print0 | xargs -0 cat >/dev/null
    fi
    local share
    share=$(resident "$source")
    /usr/bin/time -f "%e %U %S %M" -o "$out/t" "${cmd[@]}" >/dev/null 2>&1
    read -r wall user sys rss <"$out/t"
    echo "$tool $name $wall $(awk "BEGIN {print $user + $sys}") $rss $share" >>"$out/times"
}

# Peak private memory of one brisolt run in KiB: the largest RssAnon that
# /proc/PID/status shows, sampled every few milliseconds while it runs. Mapped file
# pages are the page cache's (RssFile) and stay out; heap, stacks and piece
# buffers are in.
peak_private() {
    "$@" >/dev/null 2>&1 &
    local pid=$! peak=0 key value rest
    while [[ -r /proc/$pid/status ]]; do
        local seen=0
        while read -r key value rest; do
            [[ $key == RssAnon: ]] && { seen=1; ((value > peak)) && peak=$value; }
        done </proc/$pid/status 2>/dev/null || true
        ((seen)) || break
        sleep 0.001
    done
    wait $pid
    echo $peak
}

drop_cache() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}
cold=no
if (sync && echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then cold=yes; fi

. bench/create_common.sh
sources[big16m]=${sources[big]}
sources[tree16m]=${sources[tree]}
sources[coldbig]=${sources[big]}
sources[coldtree]=${sources[tree]}
all=("${names[@]}" big16m tree16m)
[[ $cold == yes ]] && all+=(coldbig coldtree)
# Page-cache read speed of the 2 GiB file with one reader per core: the
# bound once SHA-1 is no longer the limit.
read_speed() {
    local size part
    size=$(stat -c %s "${sources[big]}")
    part=$((size / cores / 1048576))
    local start end
    start=$(date +%s.%N)
    for ((i = 0; i < cores; i++)); do
        dd if="${sources[big]}" of=/dev/null bs=1M skip=$((i * part)) count=$part status=none &
    done
    wait
    end=$(date +%s.%N)
    awk "BEGIN {print $size / ($end - $start)}"
}
# Warm the page cache (and each tool's first start).
warm_cache
reads=()
for ((r = 0; r < rounds; r++)); do
    for name in "${all[@]}"; do
        # Alternate the order so that no tool always runs first.
        if ((r % 2 == 0)); then order=(brisolt mktorrent transmission); else order=(transmission mktorrent brisolt); fi
        [[ $name == big ]] && order+=(brisolt-avx2 brisolt-t1 mktorrent-t1)
        [[ " big tree coldbig coldtree " == *" $name "* ]] && order+=(brisolt-read brisolt-map brisolt-mapsome reference verify)
        [[ -n ${BEFORE_CLI:-} && " big big16m tree tree16m " == *" $name "* ]] && order+=(before)
        for tool in "${order[@]}"; do
            run "$tool" "$name" "${sources[$name]}"
        done
    done
    [[ $cold == yes ]] && warm_cache
    reads+=("$(read_speed)")
done
# The pieces must agree, or the times mean nothing.
for name in "${all[@]}"; do
    same_pieces "$out/brisolt-$name.torrent" "$out/mktorrent-$name.torrent"
done
same_pieces "$out/brisolt-avx2-big.torrent" "$out/mktorrent-big.torrent"
same_pieces "$out/brisolt-t1-big.torrent" "$out/mktorrent-big.torrent"
for name in big tree; do
    same_pieces "$out/brisolt-read-$name.torrent" "$out/mktorrent-$name.torrent"
    same_pieces "$out/brisolt-map-$name.torrent" "$out/mktorrent-$name.torrent"
    same_pieces "$out/brisolt-mapsome-$name.torrent" "$out/mktorrent-$name.torrent"
done
[[ -n ${BEFORE_CLI:-} ]] && same_pieces "$out/before-big.torrent" "$out/mktorrent-big.torrent"
# Peak private memory for each piece length the program offers, on the 2 GiB
# file and the tree.
: >"$out/memory"
for kib in 64 128 256 512 1024 2048 4096 8192 16384; do
    for name in big tree; do
        echo "$name $kib $(peak_private "$cli" create "${sources[$name]}" -a http://t/a -l ${kib}kb -o "$out/m.torrent" -q)" \
            >>"$out/memory"
    done
done
read_median=$(printf '%s\n' "${reads[@]}" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')

sha1_per_core=$(openssl speed -evp sha1 -bytes 16384 -seconds 2 2>/dev/null | awk '/^sha1/ {v=$NF; sub(/k$/, "", v); print v * 1000}')
echo "load average (1 min) before: $load_before, after: $(cut -d' ' -f1 /proc/loadavg) on $cores cores" \
    "(other work on the machine stretches wall times, not CPU times)"
if [[ $cold == yes ]]; then
    echo "cache states: warm (the data set read right before each run) and cold (coldbig, coldtree: the page" \
        "cache dropped with echo 3 >/proc/sys/vm/drop_caches before every single run)"
else
    echo "cache state: warm only; cold not measured, this machine does not allow dropping the page cache"
fi
/usr/bin/python3 - "$out/times" "$sha1_per_core" "$cores" "$rounds" "$read_median" "$out/memory" <<'PY'
import statistics, sys
from collections import defaultdict
times, sha1, cores, rounds, read = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4], float(sys.argv[5])
memory = [line.split() for line in open(sys.argv[6])]
runs = defaultdict(list)
resident = defaultdict(list)
for line in open(times):
    tool, name, wall, cpu, rss, share = line.split()
    runs[tool, name].append((float(wall), float(cpu), int(rss)))
    resident[name].append(int(share))
med = {k: tuple(statistics.median(x[i] for x in v) for i in range(3)) for k, v in runs.items()}
big = 2 << 30
sizes = {"big": big, "big16m": big, "coldbig": big, "sparse": 5 << 30}
print("SHA-1 per core (openssl, 16 KiB blocks): %.0f MB/s; page-cache read of the 2 GiB file with dd, %d readers: %.0f MB/s;"
      " medians of %s rounds" % (sha1 / 1e6, cores, read / 1e6, rounds))
print("%-8s %9s %9s %9s %9s %9s %9s %9s %8s %8s %8s" % ("data", "brisolt", "b.cpu", "b.MiB", "mktorr", "m.MiB",
      "tr.wall", "tr.cpu", "ratio", "cpu.rat", "ref%"))
for name in ("big", "tree", "tree5k", "sparse", "big16m", "tree16m", "coldbig", "coldtree"):
    if ("brisolt", name) not in med:
        continue
    b, m, t = med["brisolt", name], med["mktorrent", name], med["transmission", name]
    fastest = min(m[0], t[1])  # transmission polls every 0.5 s: its CPU time stands for its speed
    share = "%7.0f%%" % (100 * med["reference", name][0] / b[0]) if ("reference", name) in med else "       -"
    print("%-8s %8.2fs %8.2fs %9.1f %8.2fs %9.1f %8.2fs %8.2fs %7.2fx %7.2fx %s" % (name, b[0], b[1], b[2] / 1024,
          m[0], m[2] / 1024, t[0], t[1], fastest / b[0], min(m[1], t[1]) / b[1], share))
print("in the page cache right before each run, % of the data set's bytes, least and most: " + ", ".join(
      "%s %d-%d" % (name, min(v), max(v)) for name, v in resident.items()))
print("ratio: fastest of (mktorrent wall, transmission CPU) / brisolt wall; cpu.rat: least CPU of the two / brisolt CPU;")
print("ref%: the reference reader's wall time (one reader per core, open/read/close, nothing digested) as a share of")
print("brisolt's: how close brisolt comes to the two-core reading limit")
print("every round, wall/CPU seconds (rounds alternate the order of the tools):")
for name in ("big", "tree", "coldbig", "coldtree", "big16m", "tree16m"):
    for tool in ("brisolt", "brisolt-read", "brisolt-map", "brisolt-mapsome", "verify", "reference", "mktorrent", "transmission",
                 "brisolt-t1", "mktorrent-t1", "brisolt-avx2", "before"):
        if (tool, name) in runs:
            print("  %-8s %-16s %s" % (name, tool, "  ".join("%.2f/%.2f" % (w, c) for w, c, _ in runs[tool, name])))
print("BRISOLT_READ_PATH side by side, medians wall/CPU (measured is the default):")
for name in ("big", "tree", "coldbig", "coldtree"):
    if ("brisolt", name) in med:
        print("  %-8s %s" % (name, "  ".join("%s %.2f/%.2f" % (label, med[tool, name][0], med[tool, name][1])
              for label, tool in (("measured", "brisolt"), ("read", "brisolt-read"), ("map", "brisolt-map"),
                                  ("mapsome", "brisolt-mapsome"))
              if (tool, name) in med)))
b, m, t = med["brisolt", "big"], med["mktorrent", "big"], med["transmission", "big"]
fastest = min(m[0], t[1])
a = med["brisolt-avx2", "big"]
print("2 GiB file, AVX2 path forced: %.2fs, %.2fx the fastest peer" % (a[0], fastest / a[0]))
b1, m1 = med["brisolt-t1", "big"], med["mktorrent-t1", "big"]
print("2 GiB file, one thread: brisolt %.2fs (%.0f MB/s), mktorrent -t 1 %.2fs: %.2fx"
      % (b1[0], big / b1[0] / 1e6, m1[0], m1[0] / b1[0]))
print("16 MiB pieces against 256 KiB: 2 GiB file %.2fx the time, tree %.2fx"
      % (med["brisolt", "big16m"][0] / b[0], med["brisolt", "tree16m"][0] / med["brisolt", "tree"][0]))
per_file = [med["brisolt", n][0] / c for n, c in (("tree5k", 5000), ("tree", 20000))]
print("cost per file: %.1f us (5,000 files), %.1f us (20,000 files): ratio %.2f (1.00 = linear)"
      % (per_file[0] * 1e6, per_file[1] * 1e6, per_file[1] / per_file[0]))
print("b.MiB, m.MiB: maximum resident set, mapped page-cache pages included")
print("peak private memory (largest RssAnon, sampled every few ms), MiB, by piece length in KiB:")
for name in ("big", "tree"):
    print("  %-5s %s" % (name, "  ".join("%s: %.1f" % (k, int(v) / 1024) for n, k, v in memory if n == name)))
if any(tool == "before" for tool, _ in med):
    print("before (BEFORE_CLI) against this build, medians:")
    print("%-8s %9s %9s %9s %9s %8s %8s" % ("data", "before", "b.cpu", "after", "a.cpu", "wall.x", "cpu.x"))
    for name in ("big", "big16m", "tree", "tree16m"):
        if ("before", name) in med:
            o, n = med["before", name], med["brisolt", name]
            print("%-8s %8.2fs %8.2fs %8.2fs %8.2fs %7.2fx %7.2fx" % (name, o[0], o[1], n[0], n[1], o[0] / n[0], o[1] / n[1]))

def ratios(name):
    b, m, t = med["brisolt", name], med["mktorrent", name], med["transmission", name]
    return min(m[0], t[1]) / b[0], min(m[1], t[1]) / b[1]

def reference(name):
    # A speed share: wall time only (brisolt digests what the reader only reads).
    return med["reference", name][0] / med["brisolt", name][0], None

def verify(name):
    return med["verify", name][0] / med["brisolt", name][0], med["verify", name][1] / med["brisolt", name][1]

peak = max(int(v) for _, _, v in memory) / 1024
rows = []
for name in ("big", "coldbig"):
    if ("brisolt", name) in med:
        rows.append(("%s: 2 GiB, 256 KiB pieces, x fastest peer" % name, ">= 2.5", *ratios(name), 2.5))
        rows.append(("%s: share of the reference reader" % name, ">= 0.80", *reference(name), 0.8))
for name in ("tree", "coldtree"):
    if ("brisolt", name) in med:
        rows.append(("%s: 20,000 files, x fastest peer" % name, ">= 2", *ratios(name), 2))
        rows.append(("%s: share of the reference reader" % name, ">= 0.70", *reference(name), 0.7))
rows += [
    ("--threads 1, x mktorrent -t 1 (2 GiB)", ">= 2.5", m1[0] / b1[0], m1[1] / b1[1], 2.5),
    ("16 MiB pieces, time / 256 KiB time (2 GiB file)", "<= 1.10",
     med["brisolt", "big16m"][0] / med["brisolt", "big"][0], med["brisolt", "big16m"][1] / med["brisolt", "big"][1], -1.10),
    ("16 MiB pieces, time / 256 KiB time (tree)", "<= 1.10",
     med["brisolt", "tree16m"][0] / med["brisolt", "tree"][0], med["brisolt", "tree16m"][1] / med["brisolt", "tree"][1],
     -1.10),
]
for name in ("big", "tree"):
    rows.append(("verify / create, %s" % name, "<= 1.30", *verify(name), -1.30))
print("targets (wall: medians of wall times; cpu: the same with user+sys CPU seconds, which other work on the")
print("machine does not stretch):")
print("  %-50s %8s %8s %8s  %s" % ("target", "goal", "wall", "cpu", "met (wall, cpu)"))
for label, goal, w, c, bound in rows:
    ok = (lambda v: v >= bound) if bound > 0 else (lambda v: v <= -bound)
    if c is None:
        print("  %-50s %8s %7.2fx %8s  %s" % (label, goal, w, "-", "yes" if ok(w) else "no"))
    else:
        print("  %-50s %8s %7.2fx %7.2fx  %s, %s" % (label, goal, w, c, "yes" if ok(w) else "no", "yes" if ok(c) else "no"))
print("  %-50s %8s %7.1f MiB %17s" % ("peak private memory, every piece length", "< 64", peak, "yes" if peak < 64 else "no"))
PY

#!/usr/bin/env bash
# Side-by-side benchmark of brisolt-cli create against mktorrent and
# transmission-create: 256 KiB pieces, page cache warm, alternating rounds,
# medians. Data lives in $BENCH_DATA (default /tmp/brisolt-bench), generated
# once with a fixed seed. Usage: bench/create.sh [ROUNDS]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
data=${BENCH_DATA:-/tmp/brisolt-bench}
out=$(mktemp -d /tmp/brisolt-bench-out.XXXXXX)
trap 'rm -rf "$out"' EXIT

dir=build-bench-create
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_TESTS=OFF -DBRISOLT_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" --target brisolt-cli -- -j2 >/dev/null
cli=$PWD/$dir/src/cli/brisolt-cli
for tool in mktorrent transmission-create /usr/bin/time openssl; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

/usr/bin/python3 bench/create_data.py "$data"
cores=$(nproc)
load_before=$(cut -d' ' -f1 /proc/loadavg)

# One timed run: appends "tool dataset wall cpu maxrss_kb" to $out/times.
run() {
    local tool=$1 name=$2 source=$3 target=$out/$tool-$name.torrent
    rm -f "$target"
    local cmd
    case $tool in
    brisolt) cmd=("$cli" create "$source" -a http://t/a -l 256kb -o "$target" -q) ;;
    mktorrent) cmd=(mktorrent -l 18 -a http://t/a -o "$target" "$source") ;;
    transmission) cmd=(transmission-create -s 256 -t http://t/a -o "$target" "$source") ;;
    esac
    /usr/bin/time -f "%e %U %S %M" -o "$out/t" "${cmd[@]}" >/dev/null 2>&1
    read -r wall user sys rss <"$out/t"
    echo "$tool $name $wall $(awk "BEGIN {print $user + $sys}") $rss" >>"$out/times"
}

. bench/create_common.sh
# Warm the page cache (and each tool's first start).
warm_cache
for ((r = 0; r < rounds; r++)); do
    for name in "${names[@]}"; do
        # Alternate the order so that no tool always runs first.
        if ((r % 2 == 0)); then order=(brisolt mktorrent transmission); else order=(transmission mktorrent brisolt); fi
        for tool in "${order[@]}"; do
            run "$tool" "$name" "${sources[$name]}"
        done
    done
done
# The pieces must agree, or the times mean nothing.
for name in "${names[@]}"; do
    same_pieces "$out/brisolt-$name.torrent" "$out/mktorrent-$name.torrent"
done

sha1_per_core=$(openssl speed -evp sha1 -bytes 16384 -seconds 2 2>/dev/null | awk '/^sha1/ {v=$NF; sub(/k$/, "", v); print v * 1000}')
echo "load average (1 min) before: $load_before, after: $(cut -d' ' -f1 /proc/loadavg) on $cores cores" \
    "(other work on the machine stretches wall times, not CPU times)"
/usr/bin/python3 - "$out/times" "$sha1_per_core" "$cores" "$rounds" <<'PY'
import statistics, sys
from collections import defaultdict
times, sha1, cores, rounds = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
runs = defaultdict(list)
for line in open(times):
    tool, name, wall, cpu, rss = line.split()
    runs[tool, name].append((float(wall), float(cpu), int(rss)))
med = {k: tuple(statistics.median(x[i] for x in v) for i in range(3)) for k, v in runs.items()}
sizes = {"big": 2 << 30, "tree": None, "tree5k": None, "sparse": 5 << 30}
print("SHA-1 per core (openssl, 16 KiB blocks): %.0f MB/s; limit for %d cores: %.0f MB/s; medians of %s rounds"
      % (sha1 / 1e6, cores, sha1 * cores / 1e6, rounds))
print("%-7s %9s %9s %9s %9s %9s %9s %9s %8s %8s %8s" % ("data", "brisolt", "b.cpu", "b.MiB", "mktorr", "m.MiB",
      "tr.wall", "tr.cpu", "ratio", "cpu.rat", "SHA-1%"))
for name in ("big", "tree", "tree5k", "sparse"):
    b, m, t = med["brisolt", name], med["mktorrent", name], med["transmission", name]
    fastest = min(m[0], t[1])  # transmission polls every 0.5 s: its CPU time stands for its speed
    size = sizes[name]
    share = "%7.0f%%" % (100 * size / b[0] / (sha1 * cores)) if size else "       -"
    print("%-7s %8.2fs %8.2fs %9.1f %8.2fs %9.1f %8.2fs %8.2fs %7.2fx %7.2fx %s" % (name, b[0], b[1], b[2] / 1024,
          m[0], m[2] / 1024, t[0], t[1], fastest / b[0], min(m[1], t[1]) / b[1], share))
print("ratio: fastest of (mktorrent wall, transmission CPU) / brisolt wall; cpu.rat: least CPU of the two / brisolt CPU")
per_file = [med["brisolt", n][0] / c for n, c in (("tree5k", 5000), ("tree", 20000))]
print("cost per file: %.1f us (5,000 files), %.1f us (20,000 files): ratio %.2f (1.00 = linear)"
      % (per_file[0] * 1e6, per_file[1] * 1e6, per_file[1] / per_file[0]))
print("memory bound: 32 MiB + 4 x 256 KiB = 33.0 MiB")
PY

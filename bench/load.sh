#!/usr/bin/env bash
# Load time and memory of a large torrent: our TTorrentFile::Load against
# Debian's python3-libtorrent (lt.torrent_info), side by side in one run.
#
# Builds load_bench (Release) into build-bench-load/, writes the benchmark
# torrent with make_big_torrent.py (100,000 files, 1,000,000 pieces, fixed
# seed) unless it exists, then runs rounds in which the two contenders take
# turns, the order swapped every round. In each round each contender runs
#  - one process that loads the file RUNS times: the first load (a fresh
#    process, as when a user opens a file) and the median of the others
#    (memory already mapped) are timed separately;
#  - one process that loads it once, under /usr/bin/time -v, for its peak RSS;
#  - one process that starts up the same way and loads nothing (baseline), so
#    that the RSS growth due to the load can be told from the start-up cost.
# Only the load is timed (for libtorrent the constructor, which reads the file
# itself; for us both read+load and the load alone are shown). All figures are
# medians over the rounds.
#
# Usage: bench/load.sh [rounds, default 5] [loads per process, default 5] [torrent path]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
runs=${2:-5}
torrent=${3:-/tmp/brisolt_big.torrent}
dir=build-bench-load
python=/usr/bin/python3 # Debian's interpreter: the one that can import libtorrent

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_BENCH=ON -DBRISOLT_BUILD_TESTS=OFF \
    -DBRISOLT_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" --target load_bench -- -j2 >/dev/null
[ -f "$torrent" ] || "$python" bench/make_big_torrent.py "$torrent"

# libtorrent refuses metadata over 10 MB and 3,000,000 tokens by default; the
# limits are raised so that it loads the same file. Prints what load_bench does.
lt_script='
import statistics, sys, time
import libtorrent as lt
path, runs = sys.argv[1], int(sys.argv[2])
if runs <= 0:
    sys.exit(0)
limits = {"max_buffer_size": 1 << 30, "max_pieces": 1 << 24, "max_decode_tokens": 1 << 26}
times = []
for _ in range(runs):
    start = time.perf_counter()
    ti = lt.torrent_info(path, limits)
    times.append((time.perf_counter() - start) * 1000)
    files, pieces = ti.num_files(), ti.num_pieces()
    del ti
print(f"files {files} pieces {pieces}")
print(f"first_read_load_ms {times[0]:.1f}")
if runs > 1:
    print(f"read_load_ms {statistics.median(times[1:]):.1f}")
'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The command line of each contender (used through namerefs); the number of
# loads is appended.
# shellcheck disable=SC2034
ours=("$dir/bench/load_bench" "$torrent")
# shellcheck disable=SC2034
theirs=("$python" -c "$lt_script" "$torrent")

# peak_kb CONTENDER RUNS: the maximum resident set size of one process, in KiB.
peak_kb() {
    local -n cmd=$1
    /usr/bin/time -v -o "$work/time.txt" "${cmd[@]}" "$2" >/dev/null
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt"
}

# One round for one contender: each figure appended to $work/CONTENDER.FIGURE.
measure() {
    local who=$1 out key
    local -n cmd=$who
    out=$("${cmd[@]}" "$runs")
    grep '^files' <<<"$out" >"$work/$who.shape"
    for key in first_load_ms first_read_load_ms load_ms read_load_ms; do
        awk -v key="$key" '$1 == key { print $2 }' <<<"$out" >>"$work/$who.$key"
    done
    peak_kb "$who" 1 >>"$work/$who.rss"
    peak_kb "$who" 0 >>"$work/$who.base"
}

# median CONTENDER FIGURE: the median over the rounds, "-" when not measured.
median() {
    local file="$work/$1.$2"
    [ -s "$file" ] || {
        echo "-"
        return
    }
    sort -g "$file" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for ((r = 1; r <= rounds; r++)); do
    if ((r % 2)); then
        measure ours
        measure theirs
    else
        measure theirs
        measure ours
    fi
    echo "round $r/$rounds done" >&2
done

lt_version=$("$python" -c 'import libtorrent as lt; print(lt.__version__)')
echo
echo "$torrent: $(stat -c %s "$torrent") bytes"
echo "  ours: $(cat "$work/ours.shape"); libtorrent: $(cat "$work/theirs.shape")"
echo "$rounds rounds, $runs loads per timing process, medians over rounds; times in ms, memory in MiB"
echo "(first = first load in a fresh process; repeat = median of loads 2..$runs in that process)"
row() {
    local name=$1 who=$2
    awk -v name="$name" -v fl="$(median "$who" first_load_ms)" -v frl="$(median "$who" first_read_load_ms)" \
        -v rl="$(median "$who" load_ms)" -v rrl="$(median "$who" read_load_ms)" \
        -v rss="$(median "$who" rss)" -v base="$(median "$who" base)" \
        'BEGIN { printf "%-20s %12s %10s %13s %11s %10.1f %11.1f\n", name, frl, fl, rrl, rl, rss / 1024, (rss - base) / 1024 }'
}
printf '%-20s %12s %10s %13s %11s %10s %11s\n' "" "first" "first" "repeat" "repeat" "peak" "RSS growth"
printf '%-20s %12s %10s %13s %11s %10s %11s\n' contender "read+load" "load only" "read+load" "load only" "RSS" "over base"
row "brisolt Load" ours
row "libtorrent $lt_version" theirs

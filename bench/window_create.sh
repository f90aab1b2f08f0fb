#!/usr/bin/env bash
# The create action driven through the window (offscreen) against
# brisolt-cli create on the same data in the same run: 256 KiB pieces, page
# cache warm, alternating rounds, medians. Goal: the window reaches at least
# 0.9x the command line's throughput. Also reports the longest time the event
# loop went unserved during hashing, and how long "Abbrechen" takes to end a
# run with 16 MiB pieces. Data: bench/create_data.py in $BENCH_DATA (default
# /tmp/brisolt-bench). Usage: bench/window_create.sh [ROUNDS]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
data=${BENCH_DATA:-/tmp/brisolt-bench}
out=$(mktemp -d /tmp/brisolt-wbench-out.XXXXXX)
trap 'rm -rf "$out"' EXIT

dir=build-bench-window
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BUILD_TESTS=OFF -DBRISOLT_BUILD_GUI=ON \
    -DBRISOLT_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target brisolt-cli window_create_bench -- -j2 >/dev/null
cli=$PWD/$dir/src/cli/brisolt-cli
window=$PWD/$dir/bench/window_create_bench
export QT_QPA_PLATFORM=offscreen
# The window reads and writes its settings in a folder of its own.
export BRISOLT_INSTALL_DIR=$out/install/
mkdir -p "$BRISOLT_INSTALL_DIR"

/usr/bin/python3 bench/create_data.py "$data"
load_before=$(cut -d' ' -f1 /proc/loadavg)

# One timed run: appends "tool dataset wall cpu max_pause_ms" to $out/times;
# cpu is user + system seconds (the command line's whole process, the
# window's run from the click to its end).
run() {
    local tool=$1 name=$2 source=$3 target=$out/$tool-$name.torrent
    rm -f "$target"
    if [[ $tool == cli ]]; then
        /usr/bin/time -f "%e %U %S" -o "$out/t" "$cli" create "$source" -a http://t/a -l 256kb -o "$target" -q >/dev/null
        read -r wall user sys <"$out/t"
        echo "cli $name $wall $(awk "BEGIN {print $user + $sys}") -" >>"$out/times"
    else
        # 256kb is item 2 of the piece size list.
        read -r wall pause _ cpu _ < <("$window" "$source" "$target" 2 2>>"$out/window.err")
        [[ -n ${wall:-} ]] || { cat "$out/window.err" >&2; exit 1; }
        echo "window $name $wall $cpu $pause" >>"$out/times"
    fi
}

. bench/create_common.sh
warm_cache
for ((r = 0; r < rounds; r++)); do
    for name in "${names[@]}"; do
        if ((r % 2 == 0)); then order=(window cli); else order=(cli window); fi
        for tool in "${order[@]}"; do
            run "$tool" "$name" "${sources[$name]}"
        done
    done
done
# The same pieces from both, or the times mean nothing.
for name in "${names[@]}"; do
    same_pieces "$out/window-$name.torrent" "$out/cli-$name.torrent"
done

# 16 MiB pieces (item 8): longest pause over a whole run, then an abort a
# fifth of a second into the 5 GiB file; nothing may be written after the
# abort. A run that ended before the click has nothing to say about it.
read -r big16_wall big16_pause _ < <("$window" "${sources[big]}" "$out/big16.torrent" 8 2>>"$out/window.err")
read -r _ abort_pause _ _ abort_latency < <("$window" "${sources[sparse]}" "$out/abort16.torrent" 8 200 2>>"$out/window.err")
if [[ -n ${abort_latency:-} && -e $out/abort16.torrent ]]; then
    echo "aborted run wrote its torrent" >&2
    exit 1
fi

echo "load average (1 min) before: $load_before, after: $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores"
/usr/bin/python3 - "$out/times" "$rounds" <<'PY'
import statistics, sys
from collections import defaultdict
times, rounds = sys.argv[1], sys.argv[2]
walls, cpus, pauses = defaultdict(list), defaultdict(list), defaultdict(list)
for line in open(times):
    tool, name, wall, cpu, pause = line.split()
    walls[tool, name].append(float(wall))
    cpus[tool, name].append(float(cpu))
    if pause != "-":
        pauses[name].append(float(pause))
print("medians of %s rounds, 256 KiB pieces" % rounds)
print("%-7s %9s %9s %7s %9s %9s %8s %14s" % ("data", "cli", "window", "ratio", "cli.cpu", "win.cpu", "cpu.rat",
      "max pause ms"))
worst = worst_cpu = None
for name in ("big", "tree", "tree5k", "sparse"):
    c, w = statistics.median(walls["cli", name]), statistics.median(walls["window", name])
    cc, wc = statistics.median(cpus["cli", name]), statistics.median(cpus["window", name])
    ratio = c / w
    worst = ratio if worst is None else min(worst, ratio)
    worst_cpu = cc / wc if worst_cpu is None else min(worst_cpu, cc / wc)
    print("%-7s %8.2fs %8.2fs %6.2fx %8.2fs %8.2fs %7.2fx %14.1f" % (name, c, w, ratio, cc, wc, cc / wc,
          max(pauses[name])))
print("ratio: cli wall / window wall (throughput of the window relative to the command line); goal >= 0.90: %s"
      % ("met" if worst >= 0.9 else "NOT met"))
print("cpu.rat: cli CPU / window CPU (user + system), the same comparison unswayed by other work on the machine: %s"
      % ("met" if worst_cpu >= 0.9 else "NOT met"))
print("max pause: the longest time the window's event loop went unserved in any round (a 5 ms timer); goal <= 50 ms")
PY
abort="the run was over before the click"
[[ -n ${abort_latency:-} ]] && abort="the run ended ${abort_latency} ms after the click"
echo "16 MiB pieces, big: window ${big16_wall}s, longest event-loop pause ${big16_pause} ms;" \
    "abort 0.2 s into the 5 GiB file: $abort (longest pause ${abort_pause} ms)"

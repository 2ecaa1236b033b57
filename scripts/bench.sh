#!/usr/bin/env bash
# Builds every benchmark program (bench_*) in a tree of its own and prints, for each of them, how
# our implementations compare with their peers: ours / peer, from the medians of interleaved
# repetitions of one run, CPU time and real time. docs/performance.md shows this output.
#
#   scripts/bench.sh                  all programs
#   scripts/bench.sh bench_json       some of them
#
# K7_BENCH_DIR (build/bench), K7_BENCH_REPETITIONS (10) and K7_BENCH_MIN_TIME (0.2 seconds per
# repetition) change the defaults.
#
# The tree is configured like the default preset (RelWithDebInfo: -O2 -g -DNDEBUG, g++), the
# build the library ships from, with tests and applications left out. The programs run in a fresh
# environment that holds only PATH, HOME and the offscreen platform, the environment a user's
# process starts with: nothing the caller's shell carries (allocator settings, libraries loaded ahead) can
# change the figures.
#
# A program names its benchmarks Operation/Implementation[/argument] and declares which
# implementations are ours (bench/K7Bench.h); every other implementation of the same operation
# and argument is a peer. Benchmarks without a peer are listed with their times alone. User
# counters named *_us (microseconds), *_count, *_per_s or bytes_per_byte are compared as the times
# are, and listed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${K7_BENCH_DIR:-$root/build/bench}
repetitions=${K7_BENCH_REPETITIONS:-10}
min_time=${K7_BENCH_MIN_TIME:-0.2}

mkdir -p "$build"
(cd "$root" && cmake --preset default -B "$build" -DK7_BUILD_BENCH=ON -DK7_BUILD_TESTS=OFF \
     -DK7_BUILD_APPS=OFF) >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }

# Every bench_* executable the tree defines, wherever in bench/ it lives.
mapfile -t programs < <(ninja -C "$build" -t targets all |
                        sed -n 's/^\(\([^ ]*\/\)\{0,1\}bench_[A-Za-z0-9_]*\): CXX_EXECUTABLE_LINKER.*/\1/p' | sort)
if [ $# -gt 0 ]; then
    wanted=()
    for path in "${programs[@]}"; do
        for name in "$@"; do
            [ "$(basename "$path")" = "$name" ] && wanted+=("$path")
        done
    done
    programs=("${wanted[@]}")
fi
[ ${#programs[@]} -gt 0 ] || { echo "no benchmark programs found" >&2; exit 1; }

ninja -C "$build" $(for path in "${programs[@]}"; do basename "$path"; done) >"$build/build.log" 2>&1 ||
    { tail -50 "$build/build.log" >&2; exit 1; }


cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
compiler=$(g++ --version | head -1)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
results="$build/bench-results"
mkdir -p "$results"
rm -f "$results"/*.json

for path in "${programs[@]}"; do
    name=$(basename "$path")
    echo "running $name ..." >&2
    env -i PATH="$PATH" HOME="$HOME" QT_QPA_PLATFORM=offscreen "$build/$path" --benchmark_repetitions="$repetitions" \
        --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time" \
        --benchmark_report_aggregates_only=true --benchmark_format=json \
        --benchmark_out="$results/$name.json" --benchmark_out_format=json >/dev/null
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

python3 - "$results" "$cpu" "$(nproc)" "$load_before" "$load_after" "$compiler" "$repetitions" \
          "$min_time" <<'EOF'
import glob, json, os, sys

results, cpu, cores, load_before, load_after, compiler, repetitions, min_time = sys.argv[1:]

def text(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.1f} us"
    return f"{ns:.0f} ns"

unit_ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
print(f"CPU: {cpu} ({cores} cores); load average {load_before} before, {load_after} after")
print(f"Build: RelWithDebInfo (-O2 -g -DNDEBUG), {compiler}; "
      f"medians of {repetitions} interleaved repetitions, at least {min_time} s each")
print("Allocator: glibc defaults (a fresh environment)")

for path in sorted(glob.glob(os.path.join(results, "*.json"))):
    program = os.path.basename(path)[:-5]
    with open(path) as f:
        data = json.load(f)
    ours = set(filter(None, data["context"].get("k7_ours", "").split(",")))
    runs = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        # Google Benchmark appends the run's options (real_time, threads:2, ...) to the name.
        parts = [p for p in b["run_name"].split("/")
                 if p not in ("real_time", "process_time", "manual_time") and ":" not in p]
        operation = parts[0]
        implementation = parts[1] if len(parts) > 1 else parts[0]
        argument = "/".join(parts[2:])
        scale = unit_ns[b["time_unit"]]
        counters = {k: v for k, v in b.items()
                    if (k.endswith(("_us", "_count", "_per_s")) or k == "bytes_per_byte")
                    and isinstance(v, (int, float))}
        runs[(operation, argument, implementation)] = (b["cpu_time"] * scale, b["real_time"] * scale, counters)

    print(f"\n### {program}\n")
    pairs = []
    for (operation, argument, implementation), mine in runs.items():
        if implementation not in ours:
            continue
        for (op2, arg2, peer), theirs in runs.items():
            if (op2, arg2) == (operation, argument) and peer != implementation and peer not in ours:
                pairs.append((operation, argument, implementation, peer, mine, theirs))
    counter_names = sorted({k for *_, mine, theirs in pairs for k in mine[2] if k in theirs[2]})
    if pairs:
        header = ["Operation", "Ours", "Peer", "Ours CPU", "Peer CPU", "Ours / peer CPU", "Ours / peer real"]
        header += [f"Ours / peer {name}" for name in counter_names]
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for operation, argument, implementation, peer, mine, theirs in sorted(pairs):
            row = [operation + (f"/{argument}" if argument else ""), implementation, peer,
                   text(mine[0]), text(theirs[0]), f"{mine[0] / theirs[0]:.2f}", f"{mine[1] / theirs[1]:.2f}"]
            row += [f"{mine[2][name] / theirs[2][name]:.2f}" if name in mine[2] and theirs[2].get(name) else ""
                    for name in counter_names]
            print("| " + " | ".join(row) + " |")
    paired = {(p[0], p[1], p[2]) for p in pairs} | {(p[0], p[1], p[3]) for p in pairs}
    alone = [key for key in runs if key not in paired]
    if alone:
        print("\n| Benchmark without a peer | CPU | Real |")
        print("|---|---|---|")
        for operation, argument, implementation in sorted(alone):
            cpu_ns, real_ns, _ = runs[(operation, argument, implementation)]
            name = "/".join(filter(None, [operation, implementation if implementation != operation else "", argument]))
            print(f"| {name} | {text(cpu_ns)} | {text(real_ns)} |")
    names = sorted({k for r in runs.values() for k in r[2]})
    if names:
        print("\n| Benchmark | " + " | ".join(names) + " |")
        print("|---|" + "---|" * len(names))
        def shown(name, value):
            return f"{value:.1f} us" if name.endswith("_us") else f"{value:.2f}"
        for (operation, argument, implementation), (_, _, counters) in sorted(runs.items()):
            if counters:
                label = "/".join(filter(None, [operation, implementation, argument]))
                print(f"| {label} | " + " | ".join(shown(n, counters[n]) if n in counters else "" for n in names) + " |")
EOF

#!/usr/bin/env bash
# Installs what the benchmarks need, builds the benchmark programs (Release,
# into build-bench/; zephra_benchapp is the program's own start-up under a
# main that closes the window once painted), makes the hundred-year data once
# (kept in build-bench/bench-data/) and measures every figure side by side
# with its floor. Prints one line per figure,
#   RATIO <name> <measured> target <limit> holds|misses
# then the medians. Google Benchmark's own report goes to build-bench/bench.log.
# The server figures (pg-*) run against a throwaway PostgreSQL cluster
# (scripts/pgcluster.sh), started here and stopped at the end.
# --scale runs every figure on the whole calendar with long texts instead
# (full2k: 84,486 days of 2,000 characters, about 1.9 GB, made once into
# build-bench/bench-data/full2k-v1/), printed as "RATIO <name>@full2k ...".
# Extra arguments go to zephra_bench (--rounds N, --figures a,b, --benchmark_out=FILE).
# Exit status: 0 every figure holds, 1 one misses, 2 a figure could not be measured.
set -euo pipefail
cd "$(dirname "$0")/.."
dataSet=century
arguments=()
for argument in "$@"; do
    if [[ $argument == --scale ]]; then
        dataSet=full2k
    else
        arguments+=("$argument")
    fi
done
# A round of the whole calendar takes about eight minutes: three unless told.
if [[ $dataSet == full2k && " $* " != *" --rounds "* ]]; then
    arguments+=(--rounds 3)
fi
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"

build=${ZEPHRA_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=OFF -DZEPHRA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target zephra_benchapp zephra_bench zephra_bareqt zephra_barememory zephra_memprobe -j"$(nproc)" >/dev/null

export QT_QPA_PLATFORM=offscreen
log=$build/bench.log
# Bump the versions when bench/centurydata.cpp changes what it makes.
if [[ $dataSet == full2k ]]; then
    data=$build/bench-data/full2k-v1
else
    data=$build/bench-data/century-v2
fi
if [[ ! -e $data/VelmoraA.mdb || ! -e $data/VelmoraAWork.mdb ]]; then
    rm -rf "$data"
    "$build/zephra_bench" --make-data "$data" --data-set "$dataSet" >/dev/null 2>"$log" || { cat "$log" >&2; exit 2; }
fi

# The server figures run on a throwaway cluster, stopped however the run ends.
cluster=$(mktemp -d -u /tmp/zephra-bench-pg.XXXXXX)
trap 'scripts/pgcluster.sh stop "$cluster"' EXIT
scripts/pgcluster.sh start "$cluster" --durable >/dev/null

status=0
"$build/zephra_bench" --data "$data" --data-set "$dataSet" --server "$(head -n 1 "$cluster/address")" \
    ${arguments[@]+"${arguments[@]}"} 2>"$log" || status=$?
if ((status == 2)); then
    echo "Some figures could not be measured (full report in $log):" >&2
    grep -E '^FAILED' "$log" >&2 || tail -n 20 "$log" >&2
fi
exit "$status"

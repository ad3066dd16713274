#!/usr/bin/env bash
# Installs what the program needs, builds it (Release, into build/), makes the
# two empty data files where none exist yet, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${RUN_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=OFF -DZEPHRA_BUILD_BENCH=OFF >/dev/null
cmake --build build --target zephra -j"$(nproc)"

data=build/data
if [[ ! -e $data/VelmoraA.mdb && ! -e $data/VelmoraAWork.mdb ]]; then
    build/zephra --init-data "$data"
elif [[ ! -e $data/VelmoraA.mdb || ! -e $data/VelmoraAWork.mdb ]]; then
    echo "One of the two data files in $data is missing; existing files are never overwritten." >&2
fi
exec build/zephra "$@"

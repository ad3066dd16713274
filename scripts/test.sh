#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole test
# suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"

build=${ZEPHRA_TEST_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=ON -DZEPHRA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole test
# suite headless; then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzzers for a bounded time
# (scripts/sanitize.sh; ZEPHRA_SANITIZE_RUN=0 skips that part).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"

build=${ZEPHRA_TEST_BUILD:-build}
# LLVM's linker: the test programs link in a fraction of the system linker's time.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=ON -DZEPHRA_BUILD_BENCH=ON \
    -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld \
    -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
# The server engine's tests run against a throwaway cluster, stopped however the run ends.
cluster=$(mktemp -d -u /tmp/zephra-pg.XXXXXX)
trap 'scripts/pgcluster.sh stop "$cluster"' EXIT
scripts/pgcluster.sh start "$cluster"
ZEPHRA_TEST_SERVER=$(head -n 1 "$cluster/address")
export ZEPHRA_TEST_SERVER
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=1

if [[ ${ZEPHRA_SANITIZE_RUN:-1} != 0 ]]; then
    ZEPHRA_FUZZ_SECONDS=${ZEPHRA_FUZZ_SECONDS:-10} scripts/sanitize.sh || status=1
fi
exit $status

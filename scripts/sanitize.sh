#!/usr/bin/env bash
# Builds the program and its tests with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (into build-asan/), runs the whole test suite
# there, then runs each fuzzer for a bounded time (ZEPHRA_FUZZ_SECONDS, 30 s
# by default): the CTest tests labelled "fuzz".
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}" clang libclang-rt-14-dev lld

build=${ZEPHRA_ASAN_BUILD:-build-asan}

# -O0 with line tables only: the sanitizers check the same as at -O1 and their
# reports still name file and line, and the build takes a third less time,
# which the whole test run (both builds on two cores) needs more than the
# fuzzers need speed in their few seconds. LLVM's linker links the
# instrumented test programs in a fraction of the time of the system's.
CC=clang CXX=clang++ cmake -S . -B "$build" \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-gline-tables-only -O0" \
    -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld \
    -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld \
    -DZEPHRA_SANITIZE=ON -DZEPHRA_FUZZ=ON -DZEPHRA_BUILD_TESTS=ON -DZEPHRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The tests first, then the fuzzers, so that no fuzzer takes a core from a
# test that measures time. The tests that kill writers hundreds of times
# (label "kills") run in the Release build only: under the sanitizers they
# took a third of the time and check the files on the disk, not memory.
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -LE "fuzz|kills" || status=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -L fuzz || status=1
exit $status

#!/usr/bin/env bash
# Renders every page of the main window in both calendar modes to PNG files
# under a virtual X display. Usage: scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}" xvfb xauth
build=${ZEPHRA_TEST_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target screenshots -j"$(nproc)"
out=${1:-$build/screenshots}
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/app/screenshots" "$out"

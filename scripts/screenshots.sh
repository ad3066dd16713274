#!/usr/bin/env bash
# Renders every page of the main window in both calendar modes, the hint
# window, the previews of the journal and totals reports and the chart window
# (days, months, years; three years of months in 和暦) to PNG files, at
# the scale factors 1, 1.5 and 2 (QT_SCALE_FACTOR) on the offscreen platform:
# OUTPUT_DIR/scale-<factor>-<page>.png. Usage: scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${TEST_PACKAGES[@]}"
build=${ZEPHRA_TEST_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target screenshots chart_shots -j"$(nproc)"
out=${1:-$build/screenshots}
for scale in 1 1.5 2; do
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale "$build/tests/app/screenshots" "$out" "scale-$scale-"
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale "$build/tests/charts/chart_shots" "$out" "scale-$scale-"
done

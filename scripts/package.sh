#!/usr/bin/env bash
# Builds the Debian package of the program (Release, in build-package/),
# checks it with lintian, then unpacks it into a throwaway folder and starts
# the packaged program there headless.
#
# lintian reports no errors. The one warning that remains, and why:
#   W: initial-upload-closes-no-bugs — the package is made for the business's
#      own machines, not uploaded to Debian, so there is no bug asking for it
#      (an "intent to package") for its first changelog entry to close.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${RUN_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

build=build-package
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The objects are compiled as in the tested Release build (and come from ccache
# when that build made them); the link takes Debian's hardening flags
# (read-only relocations, and immediate binding so that they stay read-only).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEPHRA_BUILD_TESTS=OFF -DZEPHRA_BUILD_BENCH=OFF \
    -DZEPHRA_DEBIAN_LAYOUT=ON "${launcher[@]}" \
    -DCMAKE_EXE_LINKER_FLAGS="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_MODULE_LINKER_FLAGS="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
deb=${debs[0]}
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Installed-Size Depends

echo "lintian:"
report=$(lintian --display-info "$deb" 2>&1 | grep -v 'running with root privileges') || true
echo "${report:-  no tags}"
if grep -q '^E: ' <<<"$report"; then
    echo "lintian found errors in $deb." >&2
    exit 1
fi

# The packaged program, unpacked and started headless: it must find its
# libraries and plugins, print its help, and make the data files.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
export QT_QPA_PLATFORM=offscreen
export HOME=$scratch/home
unset XDG_DATA_HOME
program=$scratch/root/usr/bin/zephra
echo "Started from the unpacked package:"
"$program" --version
"$program" --help
"$program" --init-data "$scratch/data"
# Without a folder the files go to the user's folder, as for every installed program.
"$program" --init-data
test -f "$HOME/.local/share/zephra/data/VelmoraA.mdb"
# The modules loaded on first use come from /usr/lib/zephra: the Excel writer
# through an export, the earlier version's reader through its import, and the
# chart window with every symbol it needs resolved.
echo "Modules:"
ls "$scratch/root/usr/lib/zephra"
"$program" --export "$scratch/journal.xlsx" --from 2000/01/01 --to 2000/12/31
test -s "$scratch/journal.xlsx"
"$program" --import-legacy tests/fixtures/legacy/basic "$scratch/legacy" >/dev/null
test -f "$scratch/legacy/VelmoraA.mdb"
if ldd -r "$scratch/root/usr/lib/zephra/zephra-charts.so" 2>&1 | grep -E 'undefined symbol|not found'; then
    echo "The chart module does not load." >&2
    exit 1
fi
echo "Done: $deb"

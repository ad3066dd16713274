# Package lists shared by the set-up scripts.
# shellcheck disable=SC2034
RUN_PACKAGES=(
    cmake make g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n qt6-qpa-plugins
    libicu-dev libsqlite3-dev libpq-dev
    mdbtools-dev libglib2.0-dev
    libxlsxwriter-dev
    qt6-charts-dev libqt6opengl6-dev
    fonts-ipafont-gothic fonts-ipafont-mincho fonts-noto-color-emoji fontconfig
)
TEST_PACKAGES=(
    "${RUN_PACKAGES[@]}"
    libbenchmark-dev poppler-utils
    python3-openpyxl python3-holidays
    postgresql openssl lld
    desktop-file-utils appstream
)
PACKAGE_PACKAGES=(
    dpkg-dev lintian desktop-file-utils appstream
)

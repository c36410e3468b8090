# Shared set-up for scripts/run and scripts/test (sourced, not run).
# Installs what is missing, configures and builds in build/, lays out the
# runtime files beside the binary. Idempotent and quick when nothing changed.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${LUMETRA_BUILD_DIR:-$ROOT/build}"
PACKAGES=(qtbase5-dev libqt5sql5-sqlite libsqlite3-dev qtscript5-dev libqt5charts5-dev qtmultimedia5-dev
          libqt5multimedia5-plugins cmake g++ make sqlite3 poppler-utils fonts-dejavu-core ccache python3
          libbenchmark-dev gstreamer1.0-plugins-good gstreamer1.0-alsa)

install_missing_packages() {
    local missing=()
    for pkg in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local extra=("$@")
    local jobs
    jobs="$(nproc 2>/dev/null || echo 2)"
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}"
    fi
    cmake --build "$BUILD_DIR" --parallel "$jobs"
}

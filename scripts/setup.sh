# Shared set-up for scripts/run, scripts/test and scripts/fuzz (sourced, not run).
# Installs what is missing, configures and builds in build/, lays out the
# runtime files beside the binary. Idempotent and quick when nothing changed.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${LUMETRA_BUILD_DIR:-$ROOT/build}"
FUZZ_DIR="${LUMETRA_FUZZ_DIR:-$ROOT/build-fuzz}"
PACKAGES=(qtbase5-dev libqt5sql5-sqlite libsqlite3-dev qtscript5-dev libqt5charts5-dev qtmultimedia5-dev
          libqt5multimedia5-plugins cmake g++ make sqlite3 poppler-utils fonts-dejavu-core ccache python3
          libbenchmark-dev gstreamer1.0-plugins-good gstreamer1.0-alsa)
# libFuzzer and the sanitizers come with Debian's clang and its runtime.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

install_missing_packages() {
    local wanted=("$@")
    if [ ${#wanted[@]} -eq 0 ]; then
        wanted=("${PACKAGES[@]}")
    fi
    local missing=()
    for pkg in "${wanted[@]}"; do
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

build_jobs() {
    nproc 2>/dev/null || echo 2
}

configure_and_build() {
    local extra=("$@")
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}"
    fi
    cmake --build "$BUILD_DIR" --parallel "$(build_jobs)"
}

# The libFuzzer targets of fuzz/, with clang, in build-fuzz/.
build_fuzz_targets() {
    install_missing_packages "${PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    if [ ! -f "$FUZZ_DIR/CMakeCache.txt" ]; then
        CC=clang CXX=clang++ cmake -S "$ROOT/fuzz" -B "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$FUZZ_DIR" --parallel "$(build_jobs)"
}

fuzz_environment() {
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export QT_QPA_PLATFORM=offscreen
}

# Runs each target once over every input of its corpus in fuzz/corpus/,
# under the sanitizers: what fuzzing found must not fail again.
replay_fuzz_corpora() {
    fuzz_environment
    local corpus target
    for corpus in "$ROOT"/fuzz/corpus/*/; do
        target="$(basename "$corpus")"
        echo "Replaying fuzz/corpus/$target"
        "$FUZZ_DIR/fuzz_$target" -runs=0 -artifact_prefix="$FUZZ_DIR/" "$corpus"
    done
}

#!/usr/bin/env bash
# Pellavine's one entry point for newcomers and CI.
#   ./dev.sh run     install what is missing, build, split the sample workbooks into ./out
#   ./dev.sh test    install what is missing, build, run every test
#   ./dev.sh asan    the tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh fuzz    build the engine's fuzz target with clang and run it for FUZZ_SECONDS (60)
#   ./dev.sh bench   build and run the benchmarks
#   ./dev.sh gui     build and start the window
#   ./dev.sh package build the Debian package (build/pellavine_VERSION_ARCH.deb) and check it
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config git
          qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libzip-dev libdeflate-dev zlib1g-dev libexpat1-dev libpugixml-dev libxlsxwriter-dev
          python3 python3-openpyxl python3-lxml zip unzip time clang libclang-rt-14-dev
          libreoffice-calc-nogui
          python3-uno libreoffice-script-provider-python)
# Packaging: shlibdeps, the package checker, the desktop entry and metainfo validators.
PACKAGES+=(dpkg-dev lintian desktop-file-utils appstream)
JOBS=$(nproc)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

run_tests() {  # run_tests DIR
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" -j "$JOBS" --output-on-failure --no-tests=error
}

case "${1:-}" in
run)
    install_missing
    build build
    mkdir -p out
    shopt -s nullglob
    samples=(build/bin/Samples/*.xls*)
    if [ ${#samples[@]} -eq 0 ]; then
        echo "No sample workbooks were built; nothing to split."
        exit 1
    fi
    build/bin/pellavine-split -o out "${samples[@]}"
    echo "Split ${#samples[@]} sample workbooks into $(pwd)/out:"
    ls -1 out
    ;;
test)
    install_missing
    build build
    run_tests build
    ;;
asan)
    install_missing
    # The build runs our workbook generator; libxlsxwriter itself keeps a few bytes until exit,
    # which is theirs, not ours: leaks are judged on the tests only.
    ASAN_OPTIONS=detect_leaks=0 build build-asan -DPV_SANITIZE=ON -DPV_BUILD_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    ;;
fuzz)
    install_missing
    build build-fuzz -DPV_BUILD_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    fuzz/run.sh build-fuzz "${FUZZ_SECONDS:-60}"
    ;;
bench)
    install_missing
    build build -DCMAKE_BUILD_TYPE=Release
    bench/run.sh build
    ;;
gui)
    install_missing
    build build
    exec build/bin/pellavine
    ;;
package)
    install_missing
    # The package installs under /usr; the pages name that folder.
    build build -DCMAKE_INSTALL_PREFIX=/usr
    rm -f build/pellavine_*.deb
    (cd build && cpack -G DEB >/dev/null)
    deb=$(echo build/pellavine_*.deb)
    lintian --fail-on error "$deb"
    echo "Built $deb (install: sudo apt install ./$deb)"
    ;;
*)
    sed -n '2,10p' "$0"
    exit 2
    ;;
esac

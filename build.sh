#!/usr/bin/env bash
# Sets up a fresh machine, builds, and then either renders the preview or
# runs every test.
#
#   ./build.sh preview   install, build, render sorvane-preview.png
#   ./build.sh pictures  install, build, render the README's pictures into docs/
#   ./build.sh test      install, build (64-bit, 32-bit and Windows), run every test
#   ./build.sh sanitize  install, build with AddressSanitizer and UBSan (clang), run every test
#   ./build.sh tsan      install, build with ThreadSanitizer, run the tests that run threads
#   ./build.sh fuzz      install, build as sanitize does, run each fuzz target for a fixed time
#   ./build.sh build     install and build only
#   ./build.sh dev       build 64-bit and run its tests (after a first `test` or `build`)
#   ./build.sh windows   install, cross-build the Windows DLLs, run their tests
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build g++-multilib qemu-user clang-format clang libclang-rt-14-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libpng-dev libopenexr-dev pkgconf libcpp-httplib-dev
          libopencolorio-dev libtinyobjloader-dev libembree-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

# The Windows step's own: mingw-w64 for both sizes, and wine to run the tests.
windows_packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64)

# The studio's browser tests: Debian's chromium, and node with npm to drive it
# (a node that brings its own npm is kept).
browser_packages=(chromium)
command -v npm >/dev/null || browser_packages+=(nodejs npm)

# puppeteer-core, as the lock file pins it; it downloads no browser.
install_browser_test_tools() {
  npm ci --prefix tests/cli/studio/browser --no-audit --no-fund --ignore-scripts --loglevel=error
}

jobs=$(nproc)

# -O2, as the shipped libraries are built, without debug information: it
# takes a third of the compile time, and no test reads it. A tree configured
# by hand keeps CMake's RelWithDebInfo for the debugger.
optimised=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG")

build64() {
  cmake -S . -B build -G Ninja "${optimised[@]}"
  cmake --build build -j "$jobs"
}

# The mental ray library ships 32-bit: build it, its host and their tests at that size.
build32() {
  cmake -S . -B build-m32 -G Ninja "${optimised[@]}" \
    -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 \
    -DCMAKE_SHARED_LINKER_FLAGS=-m32 -DCMAKE_EXE_LINKER_FLAGS=-m32 \
    -DSORVANE_MAYA=OFF -DSORVANE_TOOLS=OFF -DSORVANE_BENCHMARKS=OFF
  cmake --build build-m32 -j "$jobs"
}

# buildTsan: the renderer's threads and what the hosts and plug-ins share,
# under ThreadSanitizer. Only the test programs that run threads are built
# and run (the ctest label "threads"): the rest is single-threaded, and the
# sanitize step checks it. -O1 with line tables: enough for its reports.
buildTsan() {
  local flags="-fsanitize=thread -fno-omit-frame-pointer"
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" \
    -DSORVANE_BENCHMARKS=OFF -DSORVANE_LAYOUT_CHECKS=OFF -DSORVANE_DEVKIT_BUILDS=OFF
  cmake --build build-tsan -j "$jobs" --target sorvane_threaded_tests
}

# The Windows DLLs, cross-built with mingw-w64. build-win64: both libraries,
# the Maya host as OpenMaya.dll and Foundation.dll, their suites under wine64.
# build-win32: the mental ray library that ships, its tables and calling
# convention; its suites run where wine can run 32-bit programs.
buildWindows() {
  cmake -S . -B build-win64 -G Ninja "${optimised[@]}" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
  cmake --build build-win64 -j "$jobs"
  cmake -S . -B build-win32 -G Ninja "${optimised[@]}" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake -DSORVANE_MAYA=OFF
  cmake --build build-win32 -j "$jobs"
}

testWindows() {
  ctest --test-dir build-win64 --output-on-failure -j "$jobs"
  ctest --test-dir build-win32 --output-on-failure -j "$jobs"
  # ctest names the skipped tests but not why; their output says.
  grep -h "^Skipped: " build-win32/Testing/Temporary/LastTest.log | sort -u || true
}

# The Maya evaluation's figures where the users run it: the win64 timing
# program under wine64, its JSON beside it.
timeWindows() {
  local wine
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  sh cmake/toolchains/wine-run.sh "$(pwd)/build-win64/wine" "$wine" \
    build-win64/bench/evaluation_timing.exe --benchmark_repetitions=3 \
    --benchmark_out=build-win64/evaluation_timing.json --benchmark_out_format=json
}

# One tree with AddressSanitizer and UBSan over everything (the hosts and
# the plug-ins they load are checked too), built by clang with libFuzzer's
# coverage, so the same build runs the tests (sanitize) and the fuzz targets
# (fuzz, fuzz/). The runtime is the shared one, so that the plug-ins, linked
# with --no-undefined, find it. -O1 keeps assertions (no NDEBUG). clang's
# check of calls through function pointers is left out: it exports type
# information for function types from every library, which the tests of
# what a plug-in exports rightly refuse. The checks of the sources and the
# devkit builds are the test step's: a sanitizer adds nothing to them.
buildAsan() {
  local flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize=function -fno-sanitize-recover=undefined"
  flags+=" -fno-omit-frame-pointer"
  local link="-fsanitize=address,undefined -shared-libsan -Wl,-rpath,$(clang++ -print-resource-dir)/lib/linux"
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link" -DCMAKE_MODULE_LINKER_FLAGS="$link" \
    -DSORVANE_BENCHMARKS=OFF -DSORVANE_FUZZ=ON -DSORVANE_LAYOUT_CHECKS=OFF -DSORVANE_DEVKIT_BUILDS=OFF
  cmake --build build-asan -j "$jobs"
}

case "${1:-}" in
  preview)
    install_missing
    build64
    build/bin/sorvane render
    echo "Wrote $(pwd)/sorvane-preview.png"
    ;;
  pictures)
    install_missing
    build64
    build/bin/sorvane render -o docs/preview.png
    build/bin/sorvane render --preset all --size 200 -o docs/contact-sheet.png
    build/bin/sorvane render --wedge scattering=0,0.5,1 --wedge backlight=0.05,0.5,0.95 --size 160 \
      -o docs/wedge-grid.png
    build/bin/sorvane render --environment build/environments/outdoor.exr --preset jade --exposure -1.5 \
      --wedge subsurfaceIntensity=0.2,0.015 --size 200 -o docs/environment.png
    build/bin/sorvane render --mesh torusknot --preset jade -o docs/mesh.png
    passes=$(mktemp -d)
    build/bin/sorvane render --passes --size 160 -o "$passes/breakdown.exr"
    mv "$passes/breakdown.passes.png" docs/breakdown.png
    rm -r "$passes"
    # The studio's page, as its browser tests take it.
    packages+=("${browser_packages[@]}")
    install_missing
    install_browser_test_tools
    SORVANE_COMMAND=build/bin/sorvane SORVANE_SCREENSHOT=docs/studio.png \
      node tests/cli/studio/browser/run.mjs
    ;;
  test)
    packages+=("${windows_packages[@]}" "${browser_packages[@]}")
    install_missing
    install_browser_test_tools
    build64
    build32
    buildWindows
    ctest --test-dir build --output-on-failure -j "$jobs"
    ctest --test-dir build-m32 --output-on-failure -j "$jobs"
    testWindows
    ;;
  sanitize)
    install_missing
    # Memory and undefined-behaviour errors.
    buildAsan
    ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"
    ;;
  tsan)
    install_missing
    buildTsan
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tests/tsan.supp" \
      ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads
    ;;
  fuzz)
    install_missing
    buildAsan
    fuzz/run.sh build-asan "$jobs"
    ;;
  build)
    install_missing
    build64
    ;;
  dev)
    # The quick loop: the 64-bit tree and its tests, nothing installed.
    build64
    ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
  windows)
    packages+=("${windows_packages[@]}")
    install_missing
    buildWindows
    testWindows
    timeWindows
    ;;
  *)
    echo "usage: $0 preview|pictures|test|sanitize|tsan|fuzz|build|dev|windows" >&2
    exit 2
    ;;
esac

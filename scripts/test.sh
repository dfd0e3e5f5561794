#!/usr/bin/env bash
# Builds and runs every test: the Windows build's tests under Wine, the unit
# tests and the wire tests (the real tool between two network namespaces, as
# root, one of them under valgrind), 60 seconds of fuzzing, then the unit
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
# STATION_SKIP_WINDOWS=1 leaves out the Windows part, which needs about
# 1.5 GB of packages.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
section() { echo "== $* (at ${SECONDS} s)"; }

need_packages cmake g++ make libgtest-dev
want_packages iproute2 isc-dhcp-client dhcpcd-base libcap2-bin valgrind

windows_exe=""
if [ "${STATION_SKIP_WINDOWS:-}" != 1 ]; then
    section "the Windows build, its unit tests under Wine"
    need_packages g++-mingw-w64-x86-64-posix wine wine64 file googletest
    cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
        -DSTATION_WIRE_TESTS=OFF >/dev/null
    cmake --build build/windows -j"$(build_jobs)"
    ctest --test-dir build/windows --output-on-failure
    windows_exe=$PWD/build/windows/station.exe
fi

section "unit tests and wire tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATION_WINDOWS_EXE="$windows_exe" >/dev/null
cmake --build build/test -j"$(build_jobs)"
ctest --test-dir build/test --output-on-failure

section "fuzzing intake and reply layout"
bash scripts/fuzz.sh "${STATION_FUZZ_SECONDS:-60}"

section "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DSTATION_SANITIZE=ON -DSTATION_WIRE_TESTS=OFF >/dev/null
cmake --build build/sanitize -j"$(build_jobs)"
ctest --test-dir build/sanitize --output-on-failure

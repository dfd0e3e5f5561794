#!/usr/bin/env bash
# Builds and runs every test: the unit tests and the wire tests (the real
# tool between two network namespaces, as root), then the unit tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake g++ make libgtest-dev
want_packages iproute2 isc-dhcp-client dhcpcd-base libcap2-bin

echo "== unit tests and wire tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j"$(jobs)"
ctest --test-dir build/test --output-on-failure

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DSTATION_SANITIZE=ON -DSTATION_WIRE_TESTS=OFF >/dev/null
cmake --build build/sanitize -j"$(jobs)"
ctest --test-dir build/sanitize --output-on-failure

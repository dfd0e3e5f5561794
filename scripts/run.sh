#!/usr/bin/env bash
# Builds the tool and runs it. Binding port 67 needs root or the
# CAP_NET_BIND_SERVICE capability: see the README.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

need_packages cmake g++ make
cmake -S . -B build/tool -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/tool --target station -j"$(build_jobs)" >/dev/null
exec ./build/tool/station "$@"

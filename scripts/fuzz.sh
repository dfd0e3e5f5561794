#!/usr/bin/env bash
# Fuzzes the intake filter and the reply layout for SECONDS (default 60).
# A finding fails the run; its input is left in build/fuzz/findings/ and
# belongs in tests/fuzz/seeds/ once fixed, so that every test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
seconds=${1:-60}

need_packages clang libclang-rt-14-dev cmake make
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSTATION_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz --target fuzz_intake -j"$(build_jobs)" >/dev/null
mkdir -p build/fuzz/corpus build/fuzz/findings
status=0
build/fuzz/tests/fuzz/fuzz_intake -max_total_time="$seconds" -max_len=65541 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/findings/ build/fuzz/corpus tests/fuzz/seeds >build/fuzz/log 2>&1 || status=$?
grep -E '^(#[0-9]+ *DONE|Done|stat::number_of_executed_units|stat::peak_rss_mb)' build/fuzz/log || true
if [ "$status" -ne 0 ]; then
    tail -40 build/fuzz/log
    echo "FAIL: the fuzzer found an input that breaks intake or layout: $(ls build/fuzz/findings/)"
    echo "      fix it, then add the input to tests/fuzz/seeds/"
    exit 1
fi
echo "fuzzing: no finding in $seconds s"

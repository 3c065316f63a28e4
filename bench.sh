#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks with the game's build flags and runs them.
# Arguments go to the benchmark program (for example --benchmark_filter=Match); the
# output, ending with the figures against their targets, is also kept in build-bench/.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
velok_install
velok_build "$VELOK_ROOT/build-bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELOK_BENCH=ON
stamp="$(date +%Y%m%d-%H%M%S)"
out="$VELOK_ROOT/build-bench/bench-$stamp"
"$VELOK_ROOT/build-bench/bench/velok_bench" --benchmark_color=false --benchmark_out="$out.json" \
    --benchmark_out_format=json "$@" \
    | tee "$out.txt"
echo "Kept in $out.txt and $out.json"

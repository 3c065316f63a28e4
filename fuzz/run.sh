#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/, writes their seed corpora,
# and runs each target over its seeds and its kept corpus for the seconds given
# (default 10), at most as many at once as there are cores (VELOK_FUZZ_JOBS
# sets fewer, for the build too). Targets are named without "_fuzz"; none names every target.
# Findings go to build-fuzz/artifacts/<target>/, logs to build-fuzz/logs/.
# The exit code is 1 when any target found something or clang++ is missing,
# 2 for an unknown target name. New inputs are kept in
# build-fuzz/corpus/<target>/ for the next run; with VELOK_FUZZ_KEEP=0 (the
# test script's short run) they go to a temporary corpus dropped afterwards.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-10}"
[ $# -gt 0 ] && shift
out="$VELOK_ROOT/build-fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed; the fuzz targets cannot be built"
  exit 1
fi

CC=clang CXX=clang++ cmake -S "$VELOK_ROOT" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELOK_FUZZ=ON >/dev/null
jobs_max="${VELOK_FUZZ_JOBS:-$(nproc)}"
cmake --build "$out" -j "$jobs_max" --target velok_fuzz >"$out/build.log" 2>&1 || {
  cat "$out/build.log"
  exit 1
}

rm -rf "$out/seeds"
"$out/fuzz/fuzz_seeds" "$out/seeds"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$VELOK_ROOT"/fuzz/*_fuzz.cpp; do
    n="$(basename "$f" .cpp)"
    targets+=("${n%_fuzz}")
  done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$VELOK_ROOT/tests/lsan.supp:print_suppressions=0"

mkdir -p "$out/logs"

corpus="$out/corpus"
if [ "${VELOK_FUZZ_KEEP:-1}" = 0 ]; then
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
fi

run_one() {
  local t="$1"
  mkdir -p "$corpus/$t" "$out/artifacts/$t"
  # Seeds first, then the kept corpus; new inputs go into the kept corpus.
  "$out/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
      -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$out/artifacts/$t/" \
      "$corpus/$t" "$out/seeds/$t" >"$out/logs/$t.log" 2>&1
}

# Every name is checked before any fuzzer starts.
for t in "${targets[@]}"; do
  if [ ! -x "$out/fuzz/${t}_fuzz" ]; then
    echo "fuzz: no target named $t"
    exit 2
  fi
done

declare -A pids
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do
    wait -n || true
  done
  run_one "$t" &
  pids[$t]=$!
done

status=0
for t in "${targets[@]}"; do
  if wait "${pids[$t]}"; then result="ok"; else result="FOUND"; status=1; fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/logs/$t.log" | tail -1)"
  secs="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$out/logs/$t.log" | tail -1)"
  printf 'fuzz: %-10s %-5s %10s executions in %4s s\n' "$t" "$result" "${runs:-?}" "${secs:-?}"
  grep -a "expected fatal exit" "$out/logs/$t.log" | grep -v " met 0 times" | sed "s/^/      /" || true
  if [ "$result" != ok ]; then
    grep -E "ERROR|SUMMARY|unexpected fatal|Test unit written|deadly signal|timeout" "$out/logs/$t.log" | head -8 || true
  fi
done
exit $status

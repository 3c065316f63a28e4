#!/usr/bin/env bash
# Installs what is missing, builds a normal and a sanitized tree (each with the
# sample game's data tree in its game/ folder, which the end-to-end tests play)
# and runs every test in both, then the threaded code's tests under the thread
# sanitizer and every fuzz target over its seeds for a few seconds.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
velok_install $VELOK_FUZZ_PACKAGES

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$VELOK_ROOT/tests/lsan.supp:print_suppressions=0"

status=0
run_tree() {
  local dir="$1"; shift
  velok_build "$dir" "$@"
  echo "== tests in $dir"
  (cd "$dir" && ctest -LE display --output-on-failure -j "$(nproc)") || status=1
  if (cd "$dir" && ctest -N -L display | grep -q "Total Tests: [1-9]"); then
    (cd "$dir" && xvfb-run -a -s "-screen 0 1024x768x16" \
        ctest -L display --output-on-failure) || status=1
  fi
}

run_tree "$VELOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tree "$VELOK_ROOT/build-san" -DCMAKE_BUILD_TYPE=Debug -DVELOK_SANITIZE=ON

# ThreadSanitizer cannot share a binary with AddressSanitizer: a third tree
# builds only the tests of the threaded code.
tsan="$VELOK_ROOT/build-tsan"
velok_build "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELOK_TSAN=ON -- test_threads
echo "== tests in $tsan"
(cd "$tsan" && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
    ctest -L tsan --output-on-failure -j "$(nproc)") || status=1

# Every fuzz target over its seeds and a few seconds of fuzzing (fuzz/README.md).
if command -v clang++ >/dev/null 2>&1; then
  echo "== fuzz targets"
  VELOK_FUZZ_KEEP=0 "$VELOK_ROOT/fuzz/run.sh" 3 || status=1
else
  echo "== fuzz targets skipped: clang++ is not installed"
fi
exit $status

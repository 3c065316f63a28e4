#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/, writes their seed corpora,
# and runs each target over its seeds and its kept corpus for the seconds given
# (default 10), at most as many processes at once as there are cores
# (VELOK_FUZZ_JOBS sets fewer, for the build too). VELOK_FUZZ_PROCS=n runs n
# processes per target over its one corpus. Targets are named without "_fuzz";
# none names every target. Findings go to build-fuzz/artifacts/<target>/.
# The exit code is 1 when any target found something or clang++ is missing,
# 2 for an unknown target name. New inputs are kept in
# build-fuzz/corpus/<target>/ for the next run, each process's log in
# build-fuzz/logs/<target>/, and the run is added to the target's record in
# build-fuzz/records/ (fuzz/README.md); with VELOK_FUZZ_KEEP=0 (the test
# script's short run) new inputs go to a temporary corpus dropped afterwards,
# the log to build-fuzz/logs/<target>.log, and nothing is recorded.
# "fuzz/run.sh --report [targets...]" prints the records and builds nothing.
set -euo pipefail
VELOK_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$VELOK_ROOT/tools/sh/common.sh"
out="$VELOK_ROOT/build-fuzz"
records="$out/records"

# The campaign's end for a target: this many executions, or this much CPU time
# with no coverage rise in the last stretch of it.
END_EXECS=10000000
END_CPU=7200
END_FLAT=1800

report() {
  local names=("$@")
  if [ ${#names[@]} -eq 0 ]; then
    for f in "$records"/*.runs.tsv; do
      [ -e "$f" ] && names+=("$(basename "$f" .runs.tsv)")
    done
  fi
  printf '%-9s %4s %12s %9s %6s %9s %9s %8s  %s\n' target runs executions cpu-h:mm cov rise-cpu since findings end
  for t in "${names[@]}"; do
    local runs="$records/$t.runs.tsv" rises="$records/$t.cov.tsv" found=0
    if [ ! -s "$runs" ]; then
      printf '%-9s no record\n' "$t"
      continue
    fi
    [ -d "$out/artifacts/$t" ] && found=$(find "$out/artifacts/$t" -type f | wc -l)
    # A rise is a coverage above every one recorded before it in time; the CPU
    # time at it counts every finished run's CPU time up to that moment, a run
    # that was going then by the share of its wall time already gone.
    awk -F '\t' -v t="$t" -v found="$found" -v endExecs=$END_EXECS -v endCpu=$END_CPU -v endFlat=$END_FLAT '
      function hm(s) { return sprintf("%d:%02d", int(s / 3600), int(s % 3600 / 60)) }
      FNR == 1 { file++ }
      /^#/ { next }
      file == 1 {
        n++; id[n] = $1; start[n] = $2; stop[n] = $3; execs += $4; cpu[n] = $5; total += $5
        if ($6 > cov) cov = $6
        done[$1] = 1
        next
      }
      file == 2 && ($1 in done) && $4 > best { best = $4; when = $2 }
      END {
        at = 0
        for (i = 1; i <= n; i++) {
          share = stop[i] > start[i] ? (when - start[i]) / (stop[i] - start[i]) : (when >= stop[i])
          if (share < 0) share = 0
          if (share > 1) share = 1
          at += cpu[i] * share
        }
        if (best > cov) cov = best
        since = total - at
        met = execs >= endExecs ? "met (executions)" : total >= endCpu && since >= endFlat ? "met (plateau)" : "open"
        if (found > 0) met = met ", findings open"
        printf "%-9s %4d %12d %9s %6d %9s %9s %8d  %s\n", t, n, execs, hm(total), cov, hm(at), hm(since), found, met
      }' "$runs" "$([ -e "$rises" ] && echo "$rises" || echo /dev/null)"
  done
}

if [ "${1:-}" = "--report" ]; then
  shift
  report "$@"
  exit 0
fi

seconds="${1:-10}"
[ $# -gt 0 ] && shift

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed; the fuzz targets cannot be built"
  exit 1
fi

CC=clang CXX=clang++ velok_configure "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELOK_FUZZ=ON
jobs_max="${VELOK_FUZZ_JOBS:-$(nproc)}"
procs="${VELOK_FUZZ_PROCS:-1}"
velok_compile "$out" "$jobs_max" velok_fuzz >"$out/build.log" 2>&1 || {
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

keep="${VELOK_FUZZ_KEEP:-1}"
corpus="$out/corpus"
if [ "$keep" = 0 ]; then
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
else
  mkdir -p "$records"
fi
run_id="$(date -u +%Y%m%dT%H%M%SZ)-$$"

# Passes libFuzzer's output on and, for a kept run, appends to the target's
# coverage record each rise of this process's coverage with the time it came.
rises_record() {
  local t="$1" id="$2" best=0 line cov execs now
  while IFS= read -r line; do
    printf '%s\n' "$line"
    [ "$keep" = 0 ] && continue
    case "$line" in
      "#"*" cov: "*)
        cov="${line#* cov: }"
        cov="${cov%% *}"
        if [ "$cov" -gt "$best" ] 2>/dev/null; then
          best="$cov"
          execs="${line%%[[:space:]]*}"
          printf -v now '%(%s)T' -1
          printf '%s\t%s\t%s\t%s\n' "$id" "$now" "${execs#\#}" "$cov" >>"$records/$t.cov.tsv"
        fi
        ;;
    esac
  done
}

log_of() {
  if [ "$keep" = 0 ]; then
    [ "$2" = 1 ] && echo "$out/logs/$1.log" || echo "$out/logs/$1-p$2.log"
  else
    echo "$out/logs/$1/$run_id-p$2.log"
  fi
}

# One process of a target; its CPU time (user and system) goes to a file
# beside its log, and a kept run adds its line to the target's run record.
run_one() {
  local t="$1" p="$2" log start status cpu execs cov
  log="$(log_of "$t" "$p")"
  mkdir -p "$corpus/$t" "$out/artifacts/$t" "$(dirname "$log")"
  start="$(date +%s)"
  # Seeds first, then the kept corpus; new inputs go into the kept corpus,
  # which every process of the target reads again as the others add to it.
  status=0
  { TIMEFORMAT='%3U %3S'; time "$out/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
      -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$out/artifacts/$t/" \
      "$corpus/$t" "$out/seeds/$t" 2>&1; } 2>"$log.cpu" | rises_record "$t" "$run_id-p$p" >"$log" || status=$?
  [ "$keep" = 0 ] && return $status
  cpu="$(awk '{ printf "%.1f", $1 + $2 }' "$log.cpu")"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  cov="$(grep -ao '^#[0-9]*[[:space:]].* cov: [0-9]*' "$log" | tail -1 | sed 's/.* cov: //')"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$run_id-p$p" "$start" "$(date +%s)" "${execs:-0}" "$cpu" "${cov:-0}" \
      "$([ $status = 0 ] && echo ok || echo FOUND)" "${log#$out/}" >>"$records/$t.runs.tsv"
  return $status
}

# Every name is checked before any fuzzer starts.
for t in "${targets[@]}"; do
  if [ ! -x "$out/fuzz/${t}_fuzz" ]; then
    echo "fuzz: no target named $t"
    exit 2
  fi
done
if [ "$keep" != 0 ]; then
  for t in "${targets[@]}"; do
    [ -s "$records/$t.runs.tsv" ] ||
      printf '#run\tstart\tend\texecutions\tcpu_s\tcov\tresult\tlog\n' >"$records/$t.runs.tsv"
    [ -s "$records/$t.cov.tsv" ] || printf '#run\ttime\texecutions\tcov\n' >"$records/$t.cov.tsv"
  done
fi

declare -A pids
for t in "${targets[@]}"; do
  for ((p = 1; p <= procs; p++)); do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do
      wait -n || true
    done
    run_one "$t" "$p" &
    pids[$t]+=" $!"
  done
done

status=0
for t in "${targets[@]}"; do
  result="ok"
  for pid in ${pids[$t]}; do
    wait "$pid" || { result="FOUND"; status=1; }
  done
  logs=()
  for ((p = 1; p <= procs; p++)); do
    logs+=("$(log_of "$t" "$p")")
  done
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "${logs[@]}" | awk '{ s += $1 } END { print s + 0 }')"
  secs="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "${logs[@]}" | tail -1)"
  printf 'fuzz: %-10s %-5s %10s executions in %4s s\n' "$t" "$result" "${runs:-?}" "${secs:-?}"
  grep -ah "expected fatal exit" "${logs[@]}" | grep -v " met 0 times" | sed "s/^/      /" || true
  if [ "$result" != ok ]; then
    grep -ahE "ERROR|SUMMARY|unexpected fatal|Test unit written|deadly signal|timeout" "${logs[@]}" | head -8 || true
  fi
done
exit $status

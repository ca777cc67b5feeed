#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a bounded time.
#
#   fuzz/run.sh [-j JOBS] [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGET names such as read_binary (default:
# every target, fuzz/fuzz_*.cpp but fuzz_support and fuzz_seeds); JOBS targets
# at a time (default 1).
#
# Seeds are written first by fuzz_seeds, from the project's own sample-file
# generator. The corpus each target grows stays in build/fuzz/corpus/<target>
# for the next run; a failing input is saved in build/fuzz/crashes/<target>/
# and the script fails. Any sanitizer report, leak, time-out (10 s for one
# input) or single allocation above 64 MB is a failure: no input is longer
# than 256 KiB (-max_len), so a reader that asks for more than 64 MB at once
# would be allocating what a header claims rather than what the file holds.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=1
if [ "${1:-}" = "-j" ]; then
  jobs=$2
  shift 2
fi
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    case $name in fuzz_support | fuzz_seeds) continue ;; esac
    targets+=("${name#fuzz_}")
  done
fi

cmake --preset fuzz >/dev/null
build_targets=(fuzz_seeds)
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build --preset fuzz -j2 --target "${build_targets[@]}"

root=$PWD/build/fuzz
bin=$root/fuzz
rm -rf "$root/seeds"
"$bin/fuzz_seeds" "$root/seeds"

# Scratch files of the targets go to memory when the machine has /dev/shm.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
  local t=$1
  mkdir -p "$root/corpus/$t" "$root/crashes/$t"
  "$bin/fuzz_$t" \
    -max_total_time="$seconds" -max_len=262144 \
    -malloc_limit_mb=64 -rss_limit_mb=1024 -timeout=10 \
    -dict="fuzz/$t.dict" -artifact_prefix="$root/crashes/$t/" \
    -print_final_stats=1 \
    "$root/corpus/$t" "$root/seeds/$t" >"$root/$t.log" 2>&1
}

failed=()
pids=()
names=()
wait_one() {
  local pid=${pids[0]} name=${names[0]}
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
  if ! wait "$pid"; then failed+=("$name"); fi
}
for t in "${targets[@]}"; do
  echo "== fuzz_$t: $seconds s (log: $root/$t.log)"
  run_target "$t" &
  pids+=($!)
  names+=("$t")
  if [ ${#pids[@]} -ge "$jobs" ]; then wait_one; fi
done
while [ ${#pids[@]} -gt 0 ]; do wait_one; done

for t in "${targets[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$root/$t.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$root/$t.log")
  corpus=$(find "$root/corpus/$t" -type f | wc -l)
  echo "fuzz_$t: ${runs:-?} runs, ${rate:-?} per second, corpus $corpus files"
done
if [ ${#failed[@]} -gt 0 ]; then
  for t in "${failed[@]}"; do
    echo "fuzz_$t FAILED; the end of its log:" >&2
    tail -n 60 "$root/$t.log" >&2
    echo "saved inputs: $(ls "$root/crashes/$t")" >&2
  done
  exit 1
fi
echo "no target found anything"

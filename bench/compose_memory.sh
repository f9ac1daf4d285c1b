#!/usr/bin/env bash
# Peak memory of composing a message with a 10 MB and a 100 MB attachment to
# /dev/null: the two maximum resident sizes should be about the same, because
# the message is produced one line at a time. $1 is a build dir configured
# with -DNORVANE_BENCH=ON.
set -euo pipefail
build=${1:?usage: compose_memory.sh BUILD_DIR}
program=$build/bench/bench_compose
[ -x "$program" ] || cmake --build "$build" --target bench_compose >/dev/null
for mb in 10 100; do
  log=$(mktemp)
  out=$(mktemp)
  /usr/bin/time -v "$program" --benchmark_filter="BM_ComposeToDevNull/$mb/" >"$out" 2>"$log"
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  rm -f "$log"
  grep -q "^BM_ComposeToDevNull/$mb/" "$out" || { echo "the ${mb} MB benchmark did not run" >&2; rm -f "$out"; exit 1; }
  rm -f "$out"
  echo "compose to /dev/null, ${mb} MB attachment: maximum resident size ${rss} kB"
done

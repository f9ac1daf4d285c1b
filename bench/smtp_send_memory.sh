#!/usr/bin/env bash
# Peak memory of sending one message with a 10 MB and a 100 MB attachment
# through the SMTP client to a discarding server in the same process: the two
# maximum resident sizes should be about the same, because the text is
# produced one line at a time and only after the socket has sent the one
# before. $1 is a build dir configured with -DNORVANE_BENCH=ON.
set -euo pipefail
build=${1:?usage: smtp_send_memory.sh BUILD_DIR}
program=$build/bench/bench_smtp_send
[ -x "$program" ] || cmake --build "$build" --target bench_smtp_send >/dev/null
for mb in 10 100; do
  log=$(mktemp)
  out=$(mktemp)
  /usr/bin/time -v "$program" --benchmark_filter="BM_SendMail/$mb/" >"$out" 2>"$log"
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  rm -f "$log"
  grep -q "^BM_SendMail/$mb/" "$out" || { echo "the ${mb} MB benchmark did not run" >&2; rm -f "$out"; exit 1; }
  rm -f "$out"
  echo "SMTP send, ${mb} MB attachment: maximum resident size ${rss} kB"
done

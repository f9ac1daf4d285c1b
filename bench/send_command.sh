#!/usr/bin/env bash
# The whole main job from the command line: `norvane send --sandbox` of the
# demo project with its recipients replaced by COUNT generated ones (two merge
# fields, the demo's body and attachment), the sandbox
# receiving in the same process and writing every message to disk, the
# project saved every few seconds and at the end. Prints messages per second
# and the maximum resident size. JOURNAL=false measures without the run
# journal. Usage: bench/send_command.sh BUILD_DIR [COUNT] [CONNECTIONS]
set -euo pipefail
build=${1:?usage: send_command.sh BUILD_DIR [COUNT] [CONNECTIONS]}
count=${2:-2000}
connections=${3:-50}
journal=${JOURNAL:-true}
norvane=$(realpath "$build")/src/norvane
cd "$(dirname "$0")/.."  # the demo's attachment path is relative to the source tree
[ -x "$norvane" ] || cmake --build "$build" --target norvane >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NORVANE_CONFIG=$work/Norvane.reg

{
  echo "Email,Name,City"
  for i in $(seq 1 "$count"); do echo "user$i@bench$((i % 97)).test,Name $i,City $((i % 13))"; done
} >"$work/recipients.csv"
cp data/demo/demo.nvp "$work/p.nvp"
"$norvane" import "$work/p.nvp" "$work/recipients.csv" --replace >/dev/null
"$norvane" config set Connection/From "Bench <bench@norvane.test>"
"$norvane" config set Delivery/Journal "$journal"
start=$(date +%s.%N)
/usr/bin/time -v "$norvane" send "$work/p.nvp" --sandbox --dir "$work/mail" --connections "$connections" \
  >"$work/out.txt" 2>"$work/time.txt" || true
end=$(date +%s.%N)
rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
sent=$(find "$work/mail" -name '*.eml' | wc -l)
awk -v n="$sent" -v a="$start" -v b="$end" -v r="$rss" -v c="$connections" 'BEGIN {
  printf "norvane send --sandbox (journal '"$journal"'): %d messages, %d connections, %.2f s, %.0f messages/s, max RSS %s kB\n",
    n, c, b - a, n / (b - a), r }'

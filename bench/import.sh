#!/usr/bin/env bash
# End-to-end `norvane import` of a 1,000,000-line CSV (6 columns) into a new
# project, saved at the end: wall seconds and the process's peak resident size.
# Usage: bench/import.sh BUILD_DIR [LINES]
set -euo pipefail
build=${1:?build dir}
lines=${2:-1000000}
norvane=$build/src/norvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v n="$lines" 'BEGIN {
  print "First,Last,EMail,City,Zip,Phone"
  for (i = 0; i < n; i++) printf "Ann%d,\"Doe, Jr\",ann%d@example.test,Oslo,%d,+47 555 %d\r\n", i, i, 10000 + i % 90000, i % 10000
}' > "$work/list.csv"
/usr/bin/time -f "import: %e s wall, %U s user, %S s system, peak %M KB" \
  "$norvane" import "$work/p.nvp" "$work/list.csv" > "$work/out.txt"
cat "$work/out.txt"
echo "csv bytes: $(stat -c %s "$work/list.csv"), project bytes: $(stat -c %s "$work/p.nvp")"

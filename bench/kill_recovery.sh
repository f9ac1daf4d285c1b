#!/usr/bin/env bash
# Kills `norvane send --sandbox` with SIGKILL at a random moment of a mailing
# (some recipients answered slowly, so the run lasts several seconds), then
# checks what a user would: every message the sandbox received is recorded in
# the reopened project as delivered (or delivered-but-unconfirmed), and a
# second send delivers no address twice.
# Usage: bench/kill_recovery.sh BUILD_DIR [TRIALS] [RECIPIENTS]
set -euo pipefail
build=${1:?usage: kill_recovery.sh BUILD_DIR [TRIALS] [RECIPIENTS]}
trials=${2:-20}
count=${3:-3000}
norvane=$(realpath "$build")/src/norvane
[ -x "$norvane" ] || cmake --build "$build" --target norvane >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export NORVANE_CONFIG=$work/Norvane.reg
"$norvane" config set Connection/From "Bench <bench@norvane.test>" >/dev/null

{
  echo "Email"
  for i in $(seq 1 "$count"); do
    if [ $((i % 60)) -eq 0 ]; then echo "slow-$((i % 4 + 1))+$i@slow.test"; else echo "user$i@bench$((i % 97)).test"; fi
  done
} >"$work/recipients.csv"

failed=0
for trial in $(seq 1 "$trials"); do
  dir=$work/t$trial
  mkdir -p "$dir"
  "$norvane" import "$dir/p.nvp" "$work/recipients.csv" --first-line header >/dev/null
  delay=$(awk -v s="$RANDOM" 'BEGIN { srand(s); printf "%.2f", rand() * 5 }')
  "$norvane" send "$dir/p.nvp" --sandbox --dir "$dir/mail" --connections 50 >"$dir/first.txt" 2>&1 &
  pid=$!
  sleep "$delay"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  before=$(awk -F'\t' '$4 != "-"' "$dir/mail/index.txt" 2>/dev/null | wc -l)
  "$norvane" results "$dir/p.nvp" --csv >"$dir/results.csv" 2>"$dir/recovered.txt"
  "$norvane" send "$dir/p.nvp" --sandbox --dir "$dir/mail" --connections 50 >"$dir/second.txt" 2>&1 || true
  /usr/bin/python3 - "$dir" "$trial" "$delay" "$before" <<'PY' || failed=$((failed + 1))
import csv, sys
folder, trial, delay, before = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
delivered_texts = {"Delivered and available to the recipient!"}
received_first, received_all = set(), {}
with open(folder + "/mail/index.txt", encoding="utf-8", errors="replace") as index:
    for number, line in enumerate(index):
        fields = line.rstrip("\n").split("\t")
        if len(fields) < 4 or fields[3] == "-":
            continue
        received_all[fields[2]] = received_all.get(fields[2], 0) + 1
        if number < before:
            received_first.add(fields[2])
rows = {row["Email"]: row["Result"] for row in csv.DictReader(open(folder + "/results.csv", encoding="utf-8"))}
unrecorded = [a for a in received_first if not (rows.get(a) in delivered_texts or rows.get(a, "").startswith("Unconfirmed"))]
unconfirmed = sum(1 for r in rows.values() if r.startswith("Unconfirmed"))
twice = [a for a, n in received_all.items() if n > 1]
recovered = open(folder + "/recovered.txt", encoding="utf-8").read().strip() or "-"
print(f"trial {trial}: killed after {delay} s, {len(received_first)} received, "
      f"{unconfirmed} unconfirmed, {len(unrecorded)} received but not recorded, "
      f"{len(twice)} delivered twice after a second send; {recovered}")
sys.exit(1 if unrecorded or twice else 0)
PY
done
echo "kill_recovery: $((trials - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]

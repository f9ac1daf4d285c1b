#!/usr/bin/env bash
# Reliability against hostile peers and damaged files, bounded in count and
# time (a few minutes). For each case: how many were tried, crashes, hangs,
# open descriptors and resident memory before and after, and every outcome.
#
# - The delivery engine (bench/tools/engine_probe, several rounds in one
#   process) against SMTP servers on 127.0.0.61 that misbehave one way each
#   (bench/tools/hostile_peers.py), and against DNS servers on 127.0.0.62 that
#   answer wrongly, their exchange an accepting server on 127.0.0.63.
# - `norvane results` on truncations and byte flips of a real project file.
#
# Usage: bench/reliability.sh BUILD_DIR [REPORT.md]
# BUILD_DIR must be configured with -DNORVANE_BENCH=ON (for engine_probe);
# the two programs are built there when missing. The table goes to stdout,
# and to REPORT.md when given (its section between the markers is replaced).
set -euo pipefail
build=$(realpath "${1:?usage: reliability.sh BUILD_DIR [REPORT.md]}")
report=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
probe=$build/bench/engine_probe
norvane=$build/src/norvane
peers="/usr/bin/python3 $here/tools/hostile_peers.py"
[ -x "$probe" ] && [ -x "$norvane" ] || cmake --build "$build" --target engine_probe norvane -- -j2 >/dev/null

work=$(mktemp -d)
peer_pids=()
stop_peers() {
  for pid in "${peer_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${peer_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  peer_pids=()
}
trap 'stop_peers; rm -rf "$work"' EXIT

# start_peer KIND MODE ADDRESS [MX]: starts a hostile peer, sets PEER_PORT.
start_peer() {
  local log=$work/peer-$1-$2.log
  $peers "$@" >"$log" 2>&1 &
  peer_pids+=($!)
  for _ in $(seq 1 50); do
    if grep -q '^ready' "$log"; then
      PEER_PORT=$(awk '/^ready/ {print $2}' "$log")
      return 0
    fi
    sleep 0.1
  done
  echo "peer $* did not start: $(cat "$log")" >&2
  exit 1
}

rows=()
# probe_case NAME PROBE_ARGS...: runs the engine, one table row.
probe_case() {
  local name=$1 out=$work/probe.out status=0
  shift
  local started=$SECONDS
  timeout 300 "$probe" "$@" >"$out" 2>"$work/probe.err" || status=$?
  local seconds=$((SECONDS - started))
  local tried rounds crashes=0 hangs=0
  tried=$(awk '/^round=/ {for (i = 1; i <= NF; i++) if ($i ~ /^outcomes=/) {
      n = split(substr($i, 10), p, ","); for (j = 1; j <= n; j++) {split(p[j], kv, ":"); s += kv[2]}}}
      END {print s + 0}' "$out")
  rounds=$(grep -c '^round=' "$out" || true)
  if [ "$status" -ge 128 ] || grep -q 'ERROR: AddressSanitizer' "$work/probe.err"; then crashes=1; fi
  if [ "$status" -eq 124 ] || [ "$status" -eq 3 ]; then hangs=1; fi
  local fds0 rss0 fds1 rss1 fdsN rssN outcomes
  fds0=$(sed -n 's/^baseline fds=\([0-9]*\).*/\1/p' "$out")
  rss0=$(sed -n 's/^baseline .*rss_kb=\([0-9]*\).*/\1/p' "$out")
  fds1=$(sed -n 's/^round=1 .*fds=\([0-9]*\).*/\1/p' "$out")
  rss1=$(sed -n 's/^round=1 .*rss_kb=\([0-9]*\).*/\1/p' "$out")
  fdsN=$(grep '^round=' "$out" | tail -n 1 | sed -n 's/.*fds=\([0-9]*\).*/\1/p')
  rssN=$(grep '^round=' "$out" | tail -n 1 | sed -n 's/.*rss_kb=\([0-9]*\).*/\1/p')
  outcomes=$(grep '^round=' "$out" | sed -n 's/.*outcomes=//p' | paste -sd '|' | sed 's/|/ \/ /g')
  [ "$status" -eq 0 ] || outcomes="$outcomes (exit status $status)"
  rows+=("| $name | $tried in $rounds rounds | $crashes | $hangs | $fds0 → $fds1 → $fdsN | $rss0 → $rss1 → $rssN | $outcomes | $seconds s |")
  echo "${rows[-1]}"
}

smtp_case() {  # smtp_case NAME MODE PROBE_ARGS...
  local name=$1 mode=$2
  shift 2
  start_peer smtp "$mode" 127.0.0.61
  probe_case "$name" --gateway 127.0.0.61 --port "$PEER_PORT" "$@"
  stop_peers
}

dns_case() {  # dns_case NAME MODE PROBE_ARGS...
  local name=$1 mode=$2
  shift 2
  start_peer smtp accept 127.0.0.63
  local smtp_port=$PEER_PORT
  start_peer dns "$mode" 127.0.0.62 127.0.0.63
  probe_case "$name" --dns 127.0.0.62 --dns-port "$PEER_PORT" --port "$smtp_port" "$@"
  stop_peers
}

echo "| Case | Recipients | Crashes | Hangs | Descriptors: before → round 1 → last | Resident kB: before → round 1 → last | Outcomes per round (code:count) | Time |"
echo "|---|---|---|---|---|---|---|---|"
common=(--count 50 --connections 10 --timeout 2 --rounds 3 --limit 60)
smtp_case "SMTP: accepting server (control)" accept "${common[@]}"
smtp_case "SMTP: 10 MB reply line" huge_line "${common[@]}"
smtp_case "SMTP: endless continuation lines" endless "${common[@]}"
smtp_case "SMTP: 1 byte per second" slow --count 20 --connections 10 --timeout 1 --rounds 2 --limit 60
smtp_case "SMTP: reset in the middle of DATA" reset_mid_data "${common[@]}" --body-bytes 200000
smtp_case "SMTP: NUL bytes in replies" nul_bytes "${common[@]}"
smtp_case "SMTP: no greeting" no_greeting --count 20 --connections 10 --timeout 1 --rounds 2 --limit 60
smtp_case "SMTP: connection closed after \".\"" close_after_dot "${common[@]}"
smtp_case "SMTP: 421 to everything" reply_421 "${common[@]}"
smtp_case "SMTP: silent, 2,000 recipients x 200 connections" no_greeting \
  --count 2000 --connections 200 --timeout 1 --rounds 2 --limit 120
dns_case "DNS: valid answer (control)" valid "${common[@]}"
dns_case "DNS: wrong id" wrong_id --count 20 --connections 10 --timeout 1 --rounds 2 --limit 60
dns_case "DNS: wrong question" wrong_question --count 20 --connections 10 --timeout 1 --rounds 2 --limit 60
dns_case "DNS: truncated answer" truncated "${common[@]}"
dns_case "DNS: compression pointer loop" pointer_loop "${common[@]}"
dns_case "DNS: counts of 65535" huge_counts "${common[@]}"
dns_case "DNS: random bytes" garbage --count 20 --connections 10 --timeout 1 --rounds 2 --limit 60

# Damaged project files: every 7th truncation (and the first 64) and 400 runs of one to
# four random byte flips of the demo project, each read by `norvane results`.
project_case() {
  local source=$root/data/demo/demo.nvp size tried=0 crashes=0 hangs=0 peak=0 status rss
  local -A codes=()
  size=$(stat -c %s "$source")
  local started=$SECONDS
  /usr/bin/time -f %M -o "$work/rss" "$norvane" results "$source" >/dev/null 2>&1 || true
  local clean_rss
  clean_rss=$(cat "$work/rss")
  run_one() {
    status=0
    NORVANE_CONFIG=$work/Norvane.reg timeout 10 /usr/bin/time -f %M -o "$work/rss" \
      "$norvane" results "$work/p.nvp" >/dev/null 2>"$work/results.err" || status=$?
    tried=$((tried + 1))
    # /usr/bin/time reports a signal death as "Command terminated by signal N".
    if grep -q 'terminated by signal' "$work/rss" || [ "$status" -ge 128 ]; then crashes=$((crashes + 1)); fi
    if [ "$status" -eq 124 ]; then hangs=$((hangs + 1)); fi
    rss=$(tail -n 1 "$work/rss")
    [ "${rss:-0}" -gt "$peak" ] && peak=$rss
    codes[$status]=$((${codes[$status]:-0} + 1))
  }
  for ((n = 0; n < size; n++)); do
    if [ "$n" -lt 64 ] || [ $((n % 7)) -eq 0 ]; then
      head -c "$n" "$source" >"$work/p.nvp"
      run_one
    fi
  done
  /usr/bin/python3 - "$source" "$work/flips" <<'EOF'
import os, random, sys
data = open(sys.argv[1], "rb").read()
os.makedirs(sys.argv[2], exist_ok=True)
random.seed(1995)
for i in range(400):
    b = bytearray(data)
    for _ in range(random.randint(1, 4)):
        b[random.randrange(len(b))] = random.randrange(256)
    open(os.path.join(sys.argv[2], "%03d.nvp" % i), "wb").write(b)
EOF
  for file in "$work"/flips/*.nvp; do
    cp "$file" "$work/p.nvp"
    run_one
  done
  local summary=""
  for code in $(printf '%s\n' "${!codes[@]}" | sort -n); do summary+="exit $code: ${codes[$code]}, "; done
  rows+=("| Project file: truncations and byte flips read by \`norvane results\` | $tried files | $crashes | $hangs | one process per file | clean file $clean_rss, peak $peak (maximum resident) | ${summary%, } | $((SECONDS - started)) s |")
  echo "${rows[-1]}"
}
project_case

if [ -n "$report" ]; then
  table=$work/table.md
  {
    echo "| Case | Recipients | Crashes | Hangs | Descriptors: before → round 1 → last | Resident kB: before → round 1 → last | Outcomes per round (code:count) | Time |"
    echo "|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
  } >"$table"
  /usr/bin/python3 - "$report" "$table" <<'EOF'
import sys
report, table = sys.argv[1], open(sys.argv[2]).read()
text = open(report).read()
begin, end = "<!-- results begin -->\n", "<!-- results end -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
open(report, "w").write(head + begin + table + end + tail)
EOF
fi

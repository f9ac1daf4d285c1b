#!/usr/bin/env bash
# `norvane send` of a project of COUNT recipients (default 1,000,000) over 1,000
# domains into one smtp-sink, MX answers from dnsmasq, DNS answers cached and
# connections reused (--reuse), 50 connections; run once at a tenth of COUNT
# too, so that the two peak resident sizes show whether memory grows with the
# messages sent or only with the recipient list. While a run goes, the project
# file is watched: every periodic save replaces it (a new inode), so the count
# of inodes seen is the count of saves that happened during the run.
# Usage: bench/million_send.sh RELEASE_BUILD_DIR [COUNT]
set -euo pipefail
build=${1:?release build dir}
count=${2:-1000000}
norvane=$(realpath "$build")/src/norvane
[ -x "$norvane" ] || cmake --build "$build" --target norvane >/dev/null
here=$(dirname "$0")
source "$here/lib/peers.sh"
start_dnsmasq_domains 1000 3600
start_sink
work=$(mktemp -d)
export NORVANE_CONFIG=$work/Norvane.reg
"$norvane" config set Connection/From "Bench <bench@norvane.test>" >/dev/null

for n in $((count / 10)) "$count"; do
  project=$work/p$n.nvp
  awk -v n="$n" 'BEGIN { print "Email,Name"; for (i = 1; i <= n; i++) printf "user%d@d%d.bench.test,Name %d\n", i, i % 1000, i }' \
    >"$work/r.csv"
  printf 'Dear <Name>,\n\nthe spring prices are out.\n' |
    "$norvane" new "$project" --to "<Name> <<Email>>" --subject "Prices for <Name>" --body - >/dev/null
  "$norvane" import "$project" "$work/r.csv" >/dev/null
  rm -f "$work/r.csv"
  : >"$work/samples"
  # Every half second: the project file's inode and the sending process's resident size.
  (while :; do
    pid=$(pgrep -n -f "src/norvane send $project" || true)
    rss=$([ -n "$pid" ] && awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    echo "$(stat -c %i "$project" 2>/dev/null) ${rss:-0}" >>"$work/samples"
    sleep 0.5
  done) &
  watcher=$!
  start=$(date +%s.%N)
  /usr/bin/time -v "$norvane" send "$project" --yes --reuse --connections 50 \
    --dns "127.0.0.1:$DNS_PORT" --resolver "127.0.0.1:$DNS_PORT" --port "$SMTP_PORT" \
    >"$work/out.txt" 2>"$work/time.txt" || { cat "$work/out.txt" "$work/time.txt" >&2; exit 1; }
  end=$(date +%s.%N)
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu=$(awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {print u + s}' "$work/time.txt")
  delivered=$("$norvane" results "$project" --csv | grep -c 'Delivered and available' || true)
  saves=$(awk '{print $1}' "$work/samples" | sort -u | wc -l)
  # Resident size at each quarter of the run: flat once the list is loaded, if nothing grows per message.
  quarters=$(awk '$2 > 0 {r[n++] = $2} END {
    for (q = 1; q <= 4; q++) printf "%s%.1f", (q > 1 ? " / " : ""), r[int(q * (n - 1) / 4)] / 1024 }' "$work/samples")
  awk -v n="$n" -v d="$delivered" -v a="$start" -v b="$end" -v r="$rss" -v c="$cpu" -v s="$saves" -v q="$quarters" 'BEGIN {
    printf "norvane send --reuse: %d recipients, %d delivered, %.1f s, %.0f messages/s, %.3f ms CPU/message, max RSS %.1f MB (at each quarter of the run: %s MB), %d project files seen during the run\n",
      n, d, b - a, n / (b - a), 1000 * c / n, r / 1024, q, s }'
  tail -3 "$work/out.txt"
  rm -f "$project" "$project.journal"
done
rm -rf "$work"

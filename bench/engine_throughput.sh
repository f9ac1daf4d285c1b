#!/usr/bin/env bash
# Messages per second through the delivery engine (a DNS query per recipient,
# merge data, one SMTP session per message) against Postfix's smtp-source
# sending the same number of ~1 KB messages at the same concurrency to the same
# smtp-sink. Usage: bench/engine_throughput.sh BUILD_DIR [COUNT]
set -euo pipefail
build=${1:?build dir}
count=${2:-5000}
here=$(dirname "$0")
source "$here/lib/peers.sh"
start_dnsmasq
start_sink

now() { date +%s.%N; }
printf '%-12s %12s %12s %8s\n' connections engine/s smtp-source/s ratio
for c in 10 50 200; do
  t0=$(now)
  "$build/bench/engine_send" --dns 127.0.0.1 --dns-port "$DNS_PORT" --resolver "127.0.0.1:$DNS_PORT" \
    --port "$SMTP_PORT" --domain bench.test --count "$count" --connections "$c" --body-bytes 1024 >/dev/null
  t1=$(now)
  smtp-source -s "$c" -m "$count" -l 1024 -f bench@norvane.test -t user@bench.test -M localhost \
    "127.0.0.2:$SMTP_PORT"
  t2=$(now)
  awk -v c="$c" -v n="$count" -v a="$t0" -v b="$t1" -v d="$t2" 'BEGIN {
    e = n / (b - a); s = n / (d - b);
    printf "%-12d %12.0f %12.0f %8.2f\n", c, e, s, e / s }'
done

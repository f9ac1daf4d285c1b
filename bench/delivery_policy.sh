#!/usr/bin/env bash
# Direct delivery with the delivery policy against Postfix's smtp-source at the
# same concurrency into the same smtp-sink, with MX answers from dnsmasq for
# 100 domains (all served by mx.bench.test, time to live 300 s):
#   plain   a DNS question and a host lookup per recipient, one connection each
#   cache   DNS answers kept for the run (DNS / CacheAnswers)
#   reuse   cache and connections reused (send --reuse), 100 messages each
# smtp-source sends one message per connection, smtp-source -d the next message
# over the same connection; "cache/src" and "reuse/src-d" are the ratios the
# policy is judged by. CPU per message is the client's own (getrusage for the
# engine, /usr/bin/time for smtp-source).
# Usage: bench/delivery_policy.sh RELEASE_BUILD_DIR [COUNT] [CONNECTIONS...]
set -euo pipefail
build=${1:?release build dir}
count=${2:-3000}
shift $(($# >= 2 ? 2 : $#))
connections=("$@")
[ ${#connections[@]} -gt 0 ] || connections=(10 50 200)
here=$(dirname "$0")
source "$here/lib/peers.sh"
start_dnsmasq_domains 100 300
start_sink

now() { date +%s.%N; }
engine() {
  "$build/bench/engine_send" --dns 127.0.0.1 --dns-port "$DNS_PORT" --resolver "127.0.0.1:$DNS_PORT" \
    --port "$SMTP_PORT" --domain bench.test --domains 100 --count "$count" --connections "$1" \
    --body-bytes 1024 "${@:2}"
}
# Prints "rate cpu_ms_per_message" for smtp-source with the given options.
source_run() {
  local c=$1
  shift
  local t0 t1 cpu
  t0=$(now)
  cpu=$(/usr/bin/time -f "%U %S" smtp-source "$@" -s "$c" -m "$count" -l 1024 -f bench@norvane.test \
    -t user@d1.bench.test -M localhost "127.0.0.2:$SMTP_PORT" 2>&1 >/dev/null | tail -1)
  t1=$(now)
  awk -v n="$count" -v a="$t0" -v b="$t1" -v cpu="$cpu" 'BEGIN {
    split(cpu, p, " "); printf "%.0f %.3f\n", n / (b - a), 1000 * (p[1] + p[2]) / n }'
}
rate_of() { sed -n 's/.* \([0-9.]*\) msg\/s, \([0-9.]*\) ms CPU\/msg.*/\1 \2/p'; }

printf '%-6s %-8s %8s %8s %8s %8s %8s %9s %11s  %s\n' conns count plain/s cache/s reuse/s src/s src-d/s cache/src reuse/src-d \
  "CPU ms/msg: plain cache reuse src src-d"
for c in "${connections[@]}"; do
  read -r plain plainCpu < <(engine "$c" --cache 0 | rate_of)
  read -r cache cacheCpu < <(engine "$c" --cache 1 | rate_of)
  read -r reuse reuseCpu < <(engine "$c" --cache 1 --reuse 1 | rate_of)
  read -r src srcCpu < <(source_run "$c")
  read -r srcd srcdCpu < <(source_run "$c" -d)
  awk -v c="$c" -v n="$count" -v p="$plain" -v k="$cache" -v r="$reuse" -v s="$src" -v d="$srcd" \
    -v cp="$plainCpu" -v ck="$cacheCpu" -v cr="$reuseCpu" -v cs="$srcCpu" -v cd="$srcdCpu" 'BEGIN {
    printf "%-6d %-8d %8.0f %8.0f %8.0f %8.0f %8.0f %9.2f %11.2f  %s %s %s %s %s\n",
      c, n, p, k, r, s, d, k / s, r / d, cp, ck, cr, cs, cd }'
done

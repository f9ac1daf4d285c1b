#!/usr/bin/env bash
# A mailing of COUNT recipients (default 1,000,000) over 1,000 domains, all
# served by one smtp-sink, with DNS answers cached and connections reused, at
# 50 connections; run once at a tenth of COUNT too, so that the peak resident
# memory of both shows whether it grows with the messages sent or only with
# the recipient list. Usage: bench/million_recipients.sh RELEASE_BUILD_DIR [COUNT]
set -euo pipefail
build=${1:?release build dir}
count=${2:-1000000}
here=$(dirname "$0")
source "$here/lib/peers.sh"
start_dnsmasq_domains 1000 3600
start_sink

for n in $((count / 10)) "$count"; do
  "$build/bench/engine_send" --dns 127.0.0.1 --dns-port "$DNS_PORT" --resolver "127.0.0.1:$DNS_PORT" \
    --port "$SMTP_PORT" --domain bench.test --domains 1000 --count "$n" --connections 50 \
    --body-bytes 1024 --cache 1 --reuse 1
done

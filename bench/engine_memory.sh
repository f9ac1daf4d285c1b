#!/usr/bin/env bash
# Peak resident memory of a run with one attachment of 2 MB and of 20 MB: it
# must not grow with the attachment, since every copy streams line by line.
# Usage: bench/engine_memory.sh BUILD_DIR [RECIPIENTS]
set -euo pipefail
build=${1:?build dir}
count=${2:-2000}
here=$(dirname "$0")
source "$here/lib/peers.sh"
start_dnsmasq
start_sink

for mb in 2 20; do
  file="$peers_dir/attachment-$mb.bin"
  head -c $((mb * 1024 * 1024)) /dev/urandom >"$file"
  /usr/bin/time -v "$build/bench/engine_send" --dns 127.0.0.1 --dns-port "$DNS_PORT" \
    --resolver "127.0.0.1:$DNS_PORT" --port "$SMTP_PORT" --domain bench.test --count "$count" \
    --connections 50 --attachment "$file" 2>"$peers_dir/time-$mb.log" | sed "s/^/$mb MB: /"
  grep -E 'Maximum resident set size' "$peers_dir/time-$mb.log" | sed "s/^\s*/$mb MB: /"
done

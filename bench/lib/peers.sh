# Shared by the end-to-end measurements: starts dnsmasq and smtp-sink on
# loopback (ports picked at random and retried) and stops them on exit.
# Source it; it sets DNS_PORT and SMTP_PORT. MX host mx.bench.test is 127.0.0.2.
# start_dnsmasq passes its arguments to dnsmasq (more records, --local-ttl).

set -euo pipefail
peers_dir=$(mktemp -d)
peer_pids=()
stop_peers() {
  for pid in "${peer_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$peers_dir"
}
trap stop_peers EXIT

start_dnsmasq() {
  for _ in 1 2 3 4 5; do
    DNS_PORT=$((20000 + RANDOM % 30000))
    dnsmasq --keep-in-foreground --no-resolv --no-hosts --conf-file=/dev/null \
      --listen-address=127.0.0.1 --bind-interfaces --port="$DNS_PORT" --local=/test/ \
      --mx-host=bench.test,mx.bench.test,10 --address=/mx.bench.test/127.0.0.2 "$@" \
      2>"$peers_dir/dnsmasq.log" &
    local pid=$!
    sleep 0.3
    if kill -0 "$pid" 2>/dev/null; then peer_pids+=("$pid"); return 0; fi
  done
  echo "dnsmasq did not start: $(cat "$peers_dir/dnsmasq.log")" >&2
  return 1
}

# MX records for d0 ... d(COUNT-1).bench.test, all served by mx.bench.test, with time to live TTL.
start_dnsmasq_domains() {
  local count=$1 ttl=$2
  local records=(--local-ttl="$ttl")
  for d in $(seq 0 $((count - 1))); do records+=("--mx-host=d$d.bench.test,mx.bench.test,10"); done
  start_dnsmasq "${records[@]}"
}

start_sink() {
  for _ in 1 2 3 4 5; do
    SMTP_PORT=$((20000 + RANDOM % 30000))
    smtp-sink -u root -m 1000 "$@" "127.0.0.2:$SMTP_PORT" 1024 2>"$peers_dir/sink.log" &
    local pid=$!
    sleep 0.3
    if kill -0 "$pid" 2>/dev/null; then peer_pids+=("$pid"); return 0; fi
  done
  echo "smtp-sink did not start: $(cat "$peers_dir/sink.log")" >&2
  return 1
}

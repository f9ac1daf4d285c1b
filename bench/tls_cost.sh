#!/usr/bin/env bash
# The cost of TLS per message: COUNT ~1 KB messages through the delivery engine at 50
# connections, one SMTP session per message, to aiosmtpd (tests/support/smtp_tls_peer.py, the
# test suite's STARTTLS/AUTH server) on loopback: in plain text, then with each kind of TLS the
# program speaks. Prints messages per second, the wall time per message as a ratio to the plain
# run, and the engine's own CPU time per message (the server's share is the rest).
# Usage: bench/tls_cost.sh BUILD_DIR [COUNT]
set -euo pipefail
build=${1:?build dir}
count=${2:-2000}
here=$(cd "$(dirname "$0")" && pwd)
peer="$here/../tests/support/smtp_tls_peer.py"
work=$(mktemp -d)
peer_pid=
cleanup() {
  [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$work/key.pem" \
  -out "$work/cert.pem" -days 2 -subj /CN=127.0.0.42 -addext subjectAltName=IP:127.0.0.42 2>/dev/null

# start_peer MODE [extra options]: sets PORT once the server answers.
start_peer() {
  local mode=$1
  shift
  for _ in 1 2 3 4 5; do
    PORT=$((20000 + RANDOM % 30000))
    mkdir -p "$work/out"
    rm -f "$work/peer.out"  # the last peer's "ready" must not be taken for this one's
    /usr/bin/python3 "$peer" 127.0.0.42 "$PORT" "$work/out" --mode "$mode" --cert "$work/cert.pem" \
      --key "$work/key.pem" --discard "$@" >"$work/peer.out" 2>"$work/peer.err" &
    peer_pid=$!
    for _ in $(seq 50); do
      grep -q ready "$work/peer.out" 2>/dev/null && return 0
      kill -0 "$peer_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$peer_pid" 2>/dev/null || true
    wait "$peer_pid" 2>/dev/null || true
  done
  echo "smtp_tls_peer.py did not start: $(cat "$work/peer.err")" >&2
  return 1
}
stop_peer() {
  kill "$peer_pid" 2>/dev/null || true
  wait "$peer_pid" 2>/dev/null || true
  peer_pid=
}

printf '%-26s %10s %12s %8s %14s\n' run msg/s ms/msg ratio engine_CPU_ms
base=
run() {
  local name=$1 mode=$2 tls=$3
  shift 3
  local -a peer_options=() engine_options=()
  if [ "${1:-}" = auth ]; then
    peer_options=(--user bench --password "bench pass")
    engine_options=(--user bench --password "bench pass")
  fi
  start_peer "$mode" "${peer_options[@]}"
  local line
  line=$("$build/bench/engine_send" --gateway 127.0.0.42 --port "$PORT" --tls "$tls" --ca-file "$work/cert.pem" \
    --domain bench.test --count "$count" --connections 50 --body-bytes 1024 "${engine_options[@]}") || true
  stop_peer
  case "$line" in
    *" $count delivered, 0 failed"*) ;;
    *) echo "$name: $line" >&2; exit 1 ;;
  esac
  local seconds cpu
  seconds=$(sed -E 's/.* ([0-9.]+) s, .*/\1/' <<<"$line")
  cpu=$(sed -E 's/.* ([0-9.]+) ms CPU\/msg.*/\1/' <<<"$line")
  [ -z "$base" ] && base=$seconds
  awk -v name="$name" -v n="$count" -v s="$seconds" -v b="$base" -v cpu="$cpu" 'BEGIN {
    printf "%-26s %10.0f %12.2f %8.2f %14.3f\n", name, n / s, 1000 * s / n, s / b, cpu }'
}

run "plain (HELO)" starttls none
run "opportunistic STARTTLS" starttls opportunistic
run "STARTTLS, checked" starttls starttls
run "TLS from the first byte" implicit implicit
run "STARTTLS + AUTH PLAIN" starttls starttls auth

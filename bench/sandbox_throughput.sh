#!/usr/bin/env bash
# The sandbox's SMTP side under load, against Postfix's smtp-sink writing every
# message to its own file as the sandbox does: N messages of about 1 KB from
# smtp-source at 10, 50 and 200 sessions, rates and their ratio. Then the
# sandbox's maximum resident size after receiving one 2 MB and one 20 MB
# message, which should be about the same (messages stream to disk).
# $1 is a build dir holding src/norvane (a Release build for fair figures).
set -euo pipefail
build=${1:?usage: sandbox_throughput.sh BUILD_DIR}
program=$build/src/norvane
[ -x "$program" ] || cmake --build "$build" --target norvane >/dev/null
total=${SANDBOX_BENCH_MESSAGES:-2000}
work=$(mktemp -d)
sandbox_pid=
sink_pid=
cleanup() {
  [ -n "$sandbox_pid" ] && kill "$sandbox_pid" 2>/dev/null || true
  [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Starts the sandbox (under /usr/bin/time when $2 is given) on the port in $port.
start_sandbox() {
  local dir=$1 timelog=${2:-}
  port=$(free_port)
  if [ -n "$timelog" ]; then
    /usr/bin/time -v -o "$timelog" "$program" sandbox --dir "$dir" --dns-port 0 --smtp-port "$port" >"$work/sandbox.out" 2>&1 &
  else
    "$program" sandbox --dir "$dir" --dns-port 0 --smtp-port "$port" >"$work/sandbox.out" 2>&1 &
  fi
  sandbox_pid=$!
  for _ in $(seq 100); do grep -q 'SMTP server' "$work/sandbox.out" 2>/dev/null && break; sleep 0.05; done
}

stop_sandbox() {
  # SIGINT reaches the program itself even when /usr/bin/time is its parent.
  pkill -INT -P "$sandbox_pid" 2>/dev/null || kill -INT "$sandbox_pid"
  wait "$sandbox_pid" || true
  sandbox_pid=
}

rate() {  # sessions port -> messages per second
  local start end
  start=$(date +%s.%N)
  smtp-source -s "$1" -m "$total" -l 1000 -f from@bench.test -t to@bench.test -M bench.test "127.0.0.1:$2" >/dev/null
  end=$(date +%s.%N)
  python3 -c "print(round($total / ($end - $start)))"
}

printf '%-9s %16s %16s %7s\n' sessions sandbox_msg/s smtp-sink_msg/s ratio
for sessions in 10 50 200; do
  start_sandbox "$work/mail-$sessions"
  ours=$(rate "$sessions" "$port")
  stop_sandbox

  port=$(free_port)
  mkdir -p "$work/sink-$sessions"
  # As root smtp-sink runs as nobody, which must be able to write there.
  user=(); [ "$(id -u)" -eq 0 ] && user=(-u nobody) && chmod 711 "$work" && chmod 777 "$work/sink-$sessions"
  smtp-sink "${user[@]}" -d "$work/sink-$sessions/%H%M%S." "127.0.0.1:$port" 512 2>/dev/null &
  sink_pid=$!
  sleep 0.3
  theirs=$(rate "$sessions" "$port")
  kill "$sink_pid"; wait "$sink_pid" 2>/dev/null || true; sink_pid=
  printf '%-9s %16s %16s %7s\n' "$sessions" "$ours" "$theirs" "$(python3 -c "print(round($ours / $theirs, 2))")"
done

for mb in 2 20; do
  start_sandbox "$work/big-$mb" "$work/time-$mb"
  smtp-source -s 1 -m 1 -l $((mb * 1024 * 1024)) -f from@bench.test -t to@bench.test -M bench.test "127.0.0.1:$port" >/dev/null
  stop_sandbox
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time-$mb")
  size=$(stat -c %s "$work"/big-$mb/*.eml)
  echo "sandbox receiving one ${mb} MB message (${size} bytes stored): maximum resident size ${rss} kB"
done

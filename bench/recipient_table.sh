#!/usr/bin/env bash
# The main window's recipient list with 1,000,000 rows on Qt's offscreen
# platform: open + first paint, a jump to the last row, the cost of one
# outcome update, and the peak resident size.
# Usage: bench/recipient_table.sh BUILD_DIR [ROWS] [UPDATES]
set -euo pipefail
build=${1:?build dir}
rows=${2:-1000000}
updates=${3:-10000}
probe=$build/bench/recipient_table_probe
if [ ! -x "$probe" ]; then
  echo "recipient_table_probe is not built (NORVANE_GUI off?)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
NORVANE_CONFIG="$work/settings.reg" QT_QPA_PLATFORM=offscreen "$probe" "$rows" "$updates"

#!/usr/bin/env bash
# Times the viewer's start to its first painted window and to the loaded map
# page, COUNT times, each in a fresh scratch HOME, under one Xvfb.
#   bench/window-start.sh [BUILD_DIR] [COUNT]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
count=${2:-10}
program="$build/bin/korvid-start"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for i in $(seq 1 "$1"); do
    home="$2/run$i"; mkdir -p "$home/runtime"; chmod 700 "$home/runtime"
    HOME="$home" XDG_RUNTIME_DIR="$home/runtime" KV_BENCH_T0_NS=$(date +%s%N) \
      "$0" 2>/dev/null | tail -1
  done
' "$program" "$count" "$scratch"

#!/usr/bin/env bash
# Times how long a second viewer start takes to hand over to the running
# viewer and exit with -42. Runs under its own Xvfb and a scratch HOME.
#   bench/second-start.sh [BUILD_DIR] [COUNT]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
count=${2:-20}
korvid="$build/bin/korvid"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/runtime" && chmod 700 "$scratch/runtime"
export HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$0" 2>/dev/null & first=$!
  sleep 3
  total=0; worst=0
  for i in $(seq 1 "$1"); do
    t0=$(date +%s%N)
    set +e; "$0" 2>/dev/null; code=$?; set -e
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    [ "$code" -eq 214 ] || { echo "second start exited with $code" >&2; exit 1; }
    total=$((total + ms)); [ "$ms" -gt "$worst" ] && worst=$ms
  done
  kill "$first"
  echo "{\"starts\": $1, \"mean_ms\": $((total / $1)), \"max_ms\": $worst}"
' "$korvid" "$count"

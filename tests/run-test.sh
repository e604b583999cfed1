#!/usr/bin/env bash
# Runs one test program in a fresh home of its own: HOME, XDG_RUNTIME_DIR and
# the XDG folders point into a temporary folder that is removed afterwards.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/korvid-test.XXXXXX")
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  chmod -R u+w "$root" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
mkdir -p "$root/home" "$root/runtime" "$root/tmp"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_RUNTIME_DIR="$root/runtime"
export XDG_CONFIG_HOME="$root/home/.config"
export XDG_DATA_HOME="$root/home/.local/share"
export XDG_CACHE_HOME="$root/home/.cache"
export KV_TEST_TMP="$root/tmp"
unset XDG_CURRENT_DESKTOP
# No session bus unless a test starts its own: an address that leads nowhere
# keeps libdbus from auto-launching a daemon that would outlive the test.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$root/no-session-bus"
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-xcb}"
export KORVID_TESTING=1
if [ -n "${KV_TEST_PRELOAD:-}" ]; then
  export LD_PRELOAD="$KV_TEST_PRELOAD${LD_PRELOAD:+:$LD_PRELOAD}"
fi
# Every test gets an X display of its own: keyboard focus and window
# activation belong to a display, so two window tests sharing one (ctest -j)
# would take the keys from each other. The server picks a free display
# number itself (-displayfd), so tests started together never collide.
if [ "${KV_TEST_SHARED_DISPLAY:-0}" != 1 ] && command -v Xvfb >/dev/null; then
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$root/display" \
    2>"$root/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$root/display" ] && break
    sleep 0.05
  done
  if [ -s "$root/display" ]; then
    export DISPLAY=":$(tr -d '[:space:]' <"$root/display")"
  else
    echo "run-test.sh: Xvfb did not start; staying on DISPLAY=${DISPLAY:-}" >&2
    cat "$root/xvfb.log" >&2
  fi
fi
"$@"

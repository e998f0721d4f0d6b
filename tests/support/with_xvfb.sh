#!/usr/bin/env bash
# Runs a command on an X server of its own. Xvfb picks a free display number
# itself (-displayfd), so suites started at the same moment never share one:
# two `xvfb-run -a` can pick the same number, and one then runs its command on
# the other's server, which refuses it and goes away when that suite ends.
#   with_xvfb.sh WIDTHxHEIGHTxDEPTH COMMAND [ARG...]
set -euo pipefail
screen=$1
shift
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  cat "$work/xvfb.log" >&2
  echo "with_xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
status=0
DISPLAY=":$(cat "$work/display")" "$@" || status=$?
exit "$status"

#!/usr/bin/env bash
# scripts/run refuses what it cannot do in one line with exit code 2, before
# anything is installed or started; and a check leaves no process of its world
# behind (wine server, Xvfb, socat, the line watcher).
#
#   run_test.sh ARCH EXE     the refusals, then one --check of EXE
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
run=$root/scripts/run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
refused() {
  local name=$1 code lines
  shift
  timeout 10 "$run" "$@" >"$work/out" 2>"$work/err" </dev/null
  code=$?
  lines=$(cat "$work/out" "$work/err" | wc -l)
  if [ "$code" -ne 2 ] || [ "$lines" -ne 1 ] || ! grep -q '^scripts/run: ' "$work/err"; then
    echo "FAIL $name: exit $code, $lines lines: $(cat "$work/out" "$work/err")"
    failures=$((failures + 1))
  else
    echo "ok   $name: $(cat "$work/err")"
  fi
}

refused "an unknown option" --bogus
refused "a device that does not exist" --device /nonexistent
refused "an unknown architecture" --arch win16
refused "--board with --device" --board --device /dev/null

# The processes that still carry the run world's prefix in their environment.
prefix="WINEPREFIX=$root/build/run-wine/prefix"
world_processes() {
  local dir
  for dir in /proc/[0-9]*; do
    tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "$prefix" &&
      echo "${dir#/proc/} $(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null)"
  done
}

if [ $# -ge 2 ]; then
  "$run" --check --arch "$1" --exe "$2" || { echo "FAIL the check itself"; failures=$((failures + 1)); }
  # The wine server leaves a moment after its last client.
  for ((i = 0; i < 50; i++)); do
    left=$(world_processes)
    [ -z "$left" ] && break
    sleep 0.1
  done
  if [ -n "$left" ]; then
    echo "FAIL left behind after --check:"
    echo "$left"
    failures=$((failures + 1))
  else
    echo "ok   nothing of the run world is left after --check"
  fi
fi
exit $((failures > 0))

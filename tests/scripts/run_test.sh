#!/usr/bin/env bash
# scripts/run refuses what it cannot do in one line with exit code 2, before
# anything is installed or started; and a check leaves no process of its world
# behind (wine server, Xvfb, socat, the line watcher).
#
#   run_test.sh [ARCH EXE]     the refusals, then one --check of EXE
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

refused() {
  local out code
  out=$(timeout 10 "$root/scripts/run" "$@" 2>&1 </dev/null)
  code=$?
  if [ $code -ne 2 ] || [ "$(wc -l <<<"$out")" -ne 1 ] || [[ $out != "scripts/run: "* ]]; then
    fail "$*: exit $code: $out"
  else
    echo "ok   $*: $out"
  fi
}
refused --bogus
refused --device /nonexistent
refused --arch win16
refused --board --device /dev/null

# What still carries the run world's prefix in its environment.
world_processes() {
  grep -lxzF "WINEPREFIX=$root/build/run-wine/prefix" /proc/[0-9]*/environ 2>/dev/null
}
if [ $# -ge 2 ]; then
  "$root/scripts/run" --check --arch "$1" --exe "$2" || fail "the check itself"
  # The wine server leaves a moment after its last client.
  for ((i = 0; i < 50; i++)); do
    left=$(world_processes)
    [ -n "$left" ] || break
    sleep 0.1
  done
  [ -z "$left" ] || fail "left behind after --check: $(for f in $left; do tr '\0' ' ' <"${f%environ}cmdline"; echo; done)"
fi
exit $((failures > 0))

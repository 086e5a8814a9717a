#!/usr/bin/env bash
# The board program refuses firmware it cannot run: one line on standard
# error, exit code 1, and no link left at the port's path.
#
#   bad_input_test.sh BOARD_DIR
set -u
board_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c 100 "$board_dir/relay_switch.elf" >"$work/truncated.elf"
printf 'not firmware at all\n' >"$work/text.elf"

failures=0
check() {
  local name=$1 firmware=$2 code lines
  # A board that took the firmware would run until stopped.
  timeout 5 "$board_dir/board" "$firmware" "$work/uart" 2>"$work/err" >/dev/null </dev/null
  code=$?
  lines=$(wc -l <"$work/err")
  if [ "$code" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q '^board: ' "$work/err" || [ -e "$work/uart" ]; then
    echo "FAIL $name: exit $code, $lines lines: $(cat "$work/err")"
    failures=$((failures + 1))
  else
    echo "ok   $name: $(cat "$work/err")"
  fi
  rm -f "$work/uart"
}

check "missing firmware" "$work/missing.elf"
check "not an ELF file" "$work/text.elf"
check "an ELF file for another machine" "$board_dir/board"
check "a truncated AVR ELF file" "$work/truncated.elf"
exit $((failures > 0))

#!/usr/bin/env bash
# A KESTRELON_EXIT_AFTER_MS that is no number of milliseconds ends the
# program with status 2 instead of letting it run forever.
set -u
program=$1
export KESTRELON_DISPLAY=headless
for value in soon -5 " 10" 10ms 0x10 99999999999999999999; do
  KESTRELON_EXIT_AFTER_MS="$value" timeout 30 "$program" 2>/dev/null
  status=$?
  if [ "$status" -ne 2 ]; then
    echo "KESTRELON_EXIT_AFTER_MS='$value' gave status $status"
    exit 1
  fi
done

#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP close the main window, and the program ends
# through its usual shutdown with status 0.
set -u
set -m # background jobs keep the default SIGINT action
program=$1
export KESTRELON_DISPLAY=headless
unset KESTRELON_EXIT_AFTER_MS

# True once process $1 catches signal $2: its handler is in place.
catches() {
  local mask
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask >> ($2 - 1)) & 1 ))
}

for name in TERM INT HUP; do
  number=$(kill -l "$name")
  "$program" &
  pid=$!
  for _ in $(seq 1000); do
    catches "$pid" "$number" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  if ! catches "$pid" "$number"; then
    echo "SIG$name: the program never caught the signal"
    kill -KILL "$pid" 2>/dev/null
    exit 1
  fi
  kill "-$name" "$pid"
  for _ in $(seq 1000); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "SIG$name: the program did not end"
    kill -KILL "$pid"
    exit 1
  fi
  wait "$pid"
  status=$?
  if [ "$status" -ne 0 ]; then
    echo "SIG$name: the program ended with status $status"
    exit 1
  fi
done

#!/usr/bin/env bash
# Runs one test suite with its output kept in build/logs/NAME.log and prints one line:
# "NAME: N passed, N failed". Understands GoogleTest and Python unittest (-v) output.
set -u
name=$1; shift
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/build/logs"
log=$root/build/logs/$name.log
"$@" >"$log" 2>&1
status=$?
passed=$(grep -c -E '^\[       OK \]|\.\.\. ok$' "$log")
failed=$(grep -c -E '^\[  FAILED  \] .*\([0-9]+ ms\)$|\.\.\. (FAIL|ERROR)$' "$log")
# A crash or a broken build counts as a failure even when no test said so.
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
echo "$name: $passed passed, $failed failed"
echo "$passed $failed" >>"$root/build/logs/summary"
if [ "$status" -ne 0 ]; then
  echo "---- last lines of $log ----"
  tail -n 40 "$log"
fi
exit "$status"

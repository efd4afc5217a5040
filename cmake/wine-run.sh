#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest. The program's output goes
# through a file rather than straight into ctest's pipe: Wine starts its
# desktop process from the first program that opens a window, and that
# process inherits the program's standard handles and outlives it (by about
# 2 s, or for good while anything else holds the desktop), so that ctest,
# which reads until every writer of the pipe has gone, would wait on it.
set -u
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" 2>&1
rc=$?
cat "$out"
exit "$rc"

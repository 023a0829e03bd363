#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest, with its output through a file. Wine's own
# services, started by the program when they are first needed, inherit the program's
# output; were that CTest's pipe, the test would only end when they do.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc

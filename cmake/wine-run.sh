#!/bin/bash
# Runs one Windows program under Wine for CTest: wine-run.sh LOADER PROGRAM ARGS...
#
# Wine itself now and then fails a run that the program had no part in, and
# such a run is made once more:
# - Wine 8's loader, built on glibc 2.36, can fail glibc's exit-time check
#   ("Inconsistency detected by ld.so: dl-fini.c ... _dl_fini") when one of
#   Wine's own threads loads a library while the process ends. By then the
#   program has finished and printed its result.
# - Wine can fail before the program starts: the run fails and the program
#   has printed nothing (every test program prints a line first).
# A run in which a test failed (GoogleTest printed a "[  FAILED  ]" line) is
# never made again, whatever Wine said: the second run could pass and hide
# the failure. Every other outcome, and a second failure of either kind,
# stands as it is.
# When a failed run printed nothing, what Wine said goes to standard output
# too, because CTest's test discovery shows only that.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    "$@" >"$out" 2>"$err"
    rc=$?
    [ $rc -eq 0 ] && break
    grep -q '^\[  FAILED  \]' "$out" "$err" && break
    if grep -q 'Inconsistency detected by ld.so: dl-fini.c' "$err" "$out"; then
        why="Wine's loader failed glibc's exit check"
    elif [ ! -s "$out" ]; then
        why="the program printed nothing"
    else
        break
    fi
    [ $attempt = 2 ] && break
    echo "wine-run.sh: exit code $rc and $why; running the program once more" >&2
    sed 's/^/wine-run.sh: first run: /' "$err" | tail -20 >&2
done
cat "$out"
if [ $rc -ne 0 ] && [ ! -s "$out" ]; then cat "$err"; else cat "$err" >&2; fi
exit $rc

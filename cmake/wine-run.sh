#!/bin/bash
# Runs one Windows program under Wine for CTest: wine-run.sh LOADER PROGRAM ARGS...
#
# Wine 8's loader, built on glibc 2.36, now and then fails glibc's exit-time
# check ("Inconsistency detected by ld.so: dl-fini.c ... _dl_fini") when one of
# Wine's own threads loads a library while the process ends. By then the
# program has finished and printed its result. Such a run is made once more;
# every other outcome, including a second such failure, stands as it is.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    "$@" >"$out" 2>"$err"
    rc=$?
    if [ $rc -ne 0 ] && [ $attempt = 1 ] && grep -q 'Inconsistency detected by ld.so: dl-fini.c' "$err" "$out"; then
        echo "wine-run.sh: Wine's loader failed glibc's exit check (exit code $rc); running the program once more" >&2
        continue
    fi
    break
done
cat "$out"
cat "$err" >&2
exit $rc

#!/bin/bash
# The compiled help file holds every page that its contents, its index and
# its pages' links name, and carries the title the program's Help looks for
# (an open help window with that title makes Help do nothing).
#   chm_contents_test.sh CHM SOURCE_DIR
set -u
chm=$1 src=$2
title="Quillmere for MS Exchange OST - MS Outlook PST"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

[ -s "$chm" ] || { echo "FAIL no help file $chm"; exit 1; }
listing=$(chmls -n list "$chm" 2>/dev/null | grep '^/')
has() { grep -qxF "/$1" <<<"$listing"; }

# Pages named by the contents and the index, and linked from the pages.
targets=$(sed -n 's/.*name="Local" value="\([^"#]*\).*/\1/p' "$src/toc.hhc" "$src/index.hhk")
targets+=$'\n'$(grep -ho 'href="[^"#:]*' "$src"/*.htm | sed 's/^href="//')
count=0
for t in $(sort -u <<<"$targets"); do
    count=$((count + 1))
    has "$t" || fail "$t is named but not in the help file"
done
[ $count -ge 7 ] || fail "only $count pages and links found"

system=$(mktemp)
chmls extract "$chm" /#SYSTEM "$system" >/dev/null 2>&1
grep -qaF "$title" "$system" || fail "the help file's title is not \"$title\""
grep -qaF "index.htm" "$system" || fail "no default topic"
rm -f "$system"

if [ $failures -eq 0 ]; then echo "all $count pages and links present, title set"; fi
exit $((failures > 0))

#!/usr/bin/env bash
# Every manual page renders without a single warning, both through groff's
# man macros with all warnings on and through man itself, and stands alone.
set -u
dir=$1
if ! command -v groff >/dev/null; then
  echo "groff is not installed (scripts/deps.sh installs it): check skipped"
  exit 77
fi
fail=0
pages=("$dir"/*.1)
[ -e "${pages[0]}" ] || { echo "FAIL: no manual pages in $dir"; exit 1; }
for page in "${pages[@]}"; do
  warnings=$(groff -man -ww -z "$page" 2>&1)
  if command -v man >/dev/null; then
    warnings+=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  fi
  if [ -n "$warnings" ]; then
    echo "FAIL: $page:"; echo "$warnings"; fail=1
  fi
  # Every page stands alone: it sends its reader to no other document.
  if grep -qi 'readme' "$page"; then
    echo "FAIL: $page refers to the README"; fail=1
  fi
  # Every page has the sections a reader looks for.
  for section in NAME SYNOPSIS DESCRIPTION FILES "EXIT STATUS"; do
    grep -q "^\.SH \"\?$section\"\?\$" "$page" || { echo "FAIL: $page has no $section section"; fail=1; }
  done
done
[ "$fail" -eq 0 ] && echo "checked: ${pages[*]##*/}"
exit "$fail"

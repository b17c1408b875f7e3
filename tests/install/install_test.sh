#!/usr/bin/env bash
# cmake --install of a build into a scratch prefix: every program in bin/,
# runnable, and its manual page in share/man/man1/.
set -u
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/velk-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail=0

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"; rm -f "$prefix.log"
  echo "FAIL: cmake --install"
  exit 1
fi
rm -f "$prefix.log"

for program in velkscrub velkprune velktally velkconf; do
  exe="$prefix/bin/$program"
  page="$prefix/share/man/man1/$program.1"
  if [ ! -x "$exe" ]; then
    echo "FAIL: $program is not installed as an executable in bin/"; fail=1; continue
  fi
  [ -f "$page" ] || { echo "FAIL: no manual page $program.1 in share/man/man1/"; fail=1; }
  # The installed program runs where it was put: its usage text touches no
  # file and ends with status 0. velkscrub has no usage text (it ignores
  # arguments it does not know and runs), so it is not started here.
  [ "$program" = velkscrub ] && continue
  out=$(cd "$prefix" && "$exe" '/?' </dev/null 2>&1); status=$?
  if [ "$status" -ne 0 ] || ! grep -qi usage <<<"$out"; then
    echo "FAIL: $exe /? ended with status $status:"; echo "$out"; fail=1
  fi
done
# The usage text must not have left data files in the prefix or beside the
# programs.
stray=$(find "$prefix" -type f -iname '*.DAT')
[ -z "$stray" ] || { echo "FAIL: files made by the usage text: $stray"; fail=1; }

[ "$fail" -eq 0 ] && echo "installed: $(cd "$prefix" && find . -type f | sort | tr '\n' ' ')"
exit "$fail"

#!/bin/sh
# wine-run.sh PREFIX WINE PROGRAM [ARG...]   run a Windows program under WINE
# wine-run.sh PREFIX WINE --boot             create or update the prefix once
#
# The prefix is private to the build tree. When SORVANE_WINE_PROBE names a
# program that prints "wine runs this size", it is run first: a test whose
# programs wine cannot run here ends with status 77 (ctest: skipped) and the
# reason, rather than failing.
prefix=$1
wine=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

skip() {
  echo "Skipped: wine cannot run these programs on this machine: $*"
  exit 77
}

if [ "$wine" = none ]; then
  if [ -n "${SORVANE_WINE_PROBE:-}" ]; then
    skip "no wine loader for this size is installed (32-bit programs need Debian's wine32:i386)"
  fi
  echo "wine-run.sh: no wine loader was found when the build was configured" >&2
  exit 1
fi
if [ -n "${SORVANE_WINE_PROBE:-}" ]; then
  said=$("$wine" "$SORVANE_WINE_PROBE" 2>&1) || true
  [ "$said" = "wine runs this size" ] || skip "$(printf '%s' "$said" | head -n 3 | tr '\n' ' ')"
fi
if [ "${1:-}" = --boot ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  server="$(dirname "$wine")/wineserver"
  [ -x "$server" ] || server=wineserver
  exec "$server" -w
fi
exec "$wine" "$@"

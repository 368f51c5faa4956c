#!/bin/sh
# Runs one Windows program of the cross build under wine: ctest's emulator for that build.
# WINEPREFIX names the prefix (`make test-windows` makes a throwaway one); without it a prefix
# of this user's own in the temporary folder is used, never the user's ~/.wine.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/talvex-wine-$(id -u)}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec wine "$@"

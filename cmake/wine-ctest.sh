#!/bin/sh
# Runs the Windows build's tests under wine, in a throwaway prefix that is removed afterwards.
# Usage: wine-ctest.sh <build folder> [jobs]
set -eu
build=$1
jobs=${2:-2}
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/talvex-wine-XXXXXX")
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# Only the wine server of this prefix is ended.
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT INT TERM

start=$(date +%s)
wineboot --init >/dev/null 2>&1
wineserver -w
echo "wine prefix made in $(( $(date +%s) - start )) s"
cd "$build"
ctest --output-on-failure -j "$jobs"

#!/bin/sh
# Installs the build into a throwaway prefix, then builds and runs a consumer against it twice:
# through the CMake package and through talvexcore.pc.
set -eu
build=$1; consumer=$2; cxx=$3
prefix=$(mktemp -d "${TMPDIR:-/tmp}/talvex-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/talvex/TalvexCore.h"

cmake -S "$consumer" -B "$prefix/cbuild" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/cbuild" >/dev/null
"$prefix/cbuild/consumer"

libdir=$(dirname "$(find "$prefix" -name talvexcore.pc | head -n 1)")
flags=$(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs talvexcore)
# shellcheck disable=SC2086
"$cxx" -std=c++17 "$consumer/main.cpp" -o "$prefix/pcconsumer" $flags -Wl,-rpath,"$prefix/lib"
"$prefix/pcconsumer"
echo "consumer builds passed"

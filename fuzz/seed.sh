#!/bin/sh
# Builds the fuzzers' seed corpora: the data and settings files that the test suite writes
# (the tests run with their folders kept), and the hand-written seeds of fuzz/seeds/.
# Usage: fuzz/seed.sh <plain build folder> <corpus folder>
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
corpus=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT

# The tests that write data objects and settings files, each in its own kept folder.
(cd "$build" && TMPDIR="$scratch" TALVEX_KEEP_TEST_DIR=1 \
  ctest -j2 -R '^(data|core\.DIni|experiment)\.' >/dev/null 2>&1) || true
chmod -R u+rwx "$scratch" 2>/dev/null || true

# Copies each file (at most 64 KiB, so that the fuzzers stay fast) under its checksum.
collect() { # target, find pattern
  mkdir -p "$corpus/$1"
  find "$scratch" -type f -iname "$2" -size -65k 2>/dev/null | while read -r f; do
    cp "$f" "$corpus/$1/$(md5sum < "$f" | cut -c1-16)"
  done
}
collect fuzz_wvf '*.wvf'
collect fuzz_dmt '*.dmt'
collect fuzz_dpt '*.dpt'
collect fuzz_dgm '*.dgm'
collect fuzz_ini '*.ini'

# One seed per line of the hand-written lists. A string seed's first character stands for
# the operation byte: A conversions, F printf formats, B to E splits by the space rule, the
# line rule, one character and two characters.
lines() { # target, list, prefix command
  mkdir -p "$corpus/$1"
  i=0
  while IFS= read -r line; do
    i=$((i + 1))
    printf '%s' "$line" | $3 > "$corpus/$1/seed$i"
  done < "$here/seeds/$2"
}
strings_op() {
  read -r l || true
  case "$l" in
    A*) printf '\001%s' "${l#?}" ;;
    F*) printf '\140%s' "${l#?}" ;;
    B*) printf '\207%s' "${l#?}" ;;
    C*) printf '\210%s' "${l#?}" ;;
    D*) printf '\211%s' "${l#?}" ;;
    *)  printf '\214%s' "${l#?}" ;;
  esac
}
lines fuzz_expr expr.txt cat
lines fuzz_strings strings.txt strings_op
for t in fuzz_wvf fuzz_dmt fuzz_dpt fuzz_dgm fuzz_ini fuzz_expr fuzz_strings; do
  echo "seeds for $t: $(ls "$corpus/$t" | wc -l)"
done

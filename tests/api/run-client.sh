#!/bin/sh
# Runs one client test in a fresh folder with its own profile and share tables.
# Usage: run-client.sh status|stdout COMMAND...
#   status: the command's exit status decides; all its output is shown.
#   stdout: its standard output alone decides (a line "N passed, 0 failed" and no "FAIL"
#           line); standard error, where GDL puts display warnings, is shown only on failure.
set -u
mode=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/talvex-client-XXXXXX") || exit 1
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
mkdir -p "$dir/home/.local/share" "$dir/work"
export HOME="$dir/home" XDG_DATA_HOME="$dir/home/.local/share"
export TALVEX_SMB_CONF="$dir/smb.conf" TALVEX_MOUNTS="$dir/mounts"
cd "$dir/work" || exit 1

if [ "$mode" = status ]; then
  "$@"
  exit $?
fi

"$@" >"$dir/stdout" 2>"$dir/stderr" </dev/null
cat "$dir/stdout"
if grep -q '^FAIL' "$dir/stdout" || ! grep -Eq '^[0-9]+ passed, 0 failed$' "$dir/stdout"; then
  echo "--- standard error ---"
  cat "$dir/stderr"
  exit 1
fi
exit 0

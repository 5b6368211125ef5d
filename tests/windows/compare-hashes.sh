#!/usr/bin/env bash
# Fails unless a DLL under Wine produced the same frame hashes as the Linux library.
#   compare-hashes.sh LINUX_HASH_TOOL WINDOWS_HASH_FILE
# Exits 77 (skipped) when either side is missing: the Linux build is not there, or Wine did
# not run the suite.
set -u
tool="$1"
windows="$2"
[ -x "$tool" ] || { echo "compare-hashes: no $tool (build the Linux library first); skipped"; exit 77; }
[ -s "$windows" ] || { echo "compare-hashes: no $windows (the Wine suite did not run); skipped"; exit 77; }
linux=$(mktemp)
trap 'rm -f "$linux"' EXIT
"$tool" >"$linux" || exit 1
if ! diff -u "$linux" <(tr -d '\r' <"$windows"); then
  echo "the DLL's frames differ from the Linux library's" >&2
  exit 1
fi
echo "$(wc -l <"$linux") frame hashes equal to the Linux library's"

#!/usr/bin/env bash
# Compiles the resource script with the Windows resource compiler and checks that the result
# holds the three dialogs, the version block and the icon.
#   tests/check-resources.sh WINDRES RC_FILE
set -eu
windres="$1"
rc="$2"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

args=(-I "$(dirname "$rc")")
# windres preprocesses with the cross compiler of its target; without one, the host's
# compiler does, pointed at the cross headers.
target=$(basename "$windres" | sed 's/-windres$//')
if ! command -v "$target-gcc" >/dev/null 2>&1; then
  include=/usr/share/mingw-w64/include
  [ -d "/usr/$target/include" ] && include="/usr/$target/include"
  args+=(--preprocessor=gcc --preprocessor-arg=-E --preprocessor-arg=-xc
         --preprocessor-arg=-DRC_INVOKED --preprocessor-arg=-D_WIN32 -I "$include")
fi
"$windres" "${args[@]}" "$rc" -O coff -o "$out/kvtc.res.o"
"$windres" "${args[@]}" "$rc" -O rc -o "$out/kvtc.decoded.rc"

for want in '"CONFIGURE" DIALOG' '"COMPRESSOR" DIALOG' '"DECOMPRESSOR" DIALOG' \
            'FILEVERSION 2, 74, 0, 0' 'RT_GROUP_ICON' 'CAPTION "Configure"'; do
  grep -qF "$want" "$out/kvtc.decoded.rc" || { echo "missing from the resources: $want" >&2; exit 1; }
done
echo "$rc compiles with $windres"

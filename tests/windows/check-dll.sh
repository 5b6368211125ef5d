#!/usr/bin/env bash
# Fails unless the DLL exports DriverProc alone, under that plain name, and imports nothing
# but libraries every Windows system has (the C++ runtime and threads are linked in). On 32-bit
# Windows the export must also be the stdcall function with 20 bytes of arguments that a
# driver host calls, DriverProc@20.
#   check-dll.sh OBJDUMP DLL
set -eu
objdump="$1"
dll="$2"
dump=$("$objdump" -p "$dll")

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^[ \t]*\[/ { print $NF; next }
               on { on = 0 }' <<<"$dump")
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | sort -u)
allowed="kernel32.dll user32.dll gdi32.dll winmm.dll msvcrt.dll"

status=0
if [ "$exports" != "DriverProc" ]; then
  echo "$dll exports: $(echo $exports)" >&2
  status=1
fi
for lib in $imports; do
  case " $allowed " in
    *" $lib "*) ;;
    *) echo "$dll imports $lib, which is not a system library" >&2; status=1 ;;
  esac
done
# The code the export points at, by the DLL's own symbol table (when it has one).
nm="${objdump%objdump}nm"
if grep -q 'file format pei-i386' <<<"$dump" && command -v "$nm" >/dev/null; then
  base=$(awk '/^ImageBase/ { print $2 }' <<<"$dump")
  rva=$(awk '/Export RVA/ { print $(NF - 2) }' <<<"$dump")
  target=$(printf '%08x' $((0x$base + 0x$rva)))
  if ! "$nm" "$dll" | grep -q "^$target T _DriverProc@20\$"; then
    echo "$dll: the export does not lead to the stdcall DriverProc@20" >&2
    status=1
  fi
fi
[ $status = 0 ] && echo "$dll exports only DriverProc and imports only $(echo $imports)"
exit $status

#!/usr/bin/env bash
# Fails unless the DLL exports DriverProc alone, under that plain name, and imports nothing
# but libraries every Windows system has (the C++ runtime and threads are linked in).
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
[ $status = 0 ] && echo "$dll exports only DriverProc and imports only $(echo $imports)"
exit $status

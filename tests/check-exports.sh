#!/usr/bin/env bash
# Fails unless the shared library's dynamic symbol table defines DriverProc and nothing else.
set -eu
lib="$1"
defined=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort -u)
if [ "$defined" != "DriverProc" ]; then
  echo "exported symbols of $lib:" >&2
  echo "$defined" >&2
  exit 1
fi
echo "$lib exports only DriverProc"

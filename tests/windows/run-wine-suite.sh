#!/usr/bin/env bash
# Runs the Windows host of a cross build under Wine, in a Wine prefix cached in the build
# directory, from a working directory of its own, under a virtual X server when none is set.
#   run-wine-suite.sh BUILD_DIR ARCH [host options...]
# The host installs the codec through its INF file, from a folder laid out as its users get it:
# kvtc.inf, kvtc32.dll and (for 64-bit Windows, which gets both) kvtc64.dll; the 64-bit run
# takes the 32-bit DLL from KVTC_WIN32_DLL. Exits 77 (skipped) when no Wine for ARCH is at hand.
set -u
build=$(cd "$1" && pwd) || exit 2
arch="$2"
shift 2

case "$arch" in
  x86_64) wine=$(command -v wine64 || echo /usr/lib/wine/wine64); winearch=win64 ;;
  i686)   wine=$(command -v wine || true); winearch=win32 ;;
  *) echo "run-wine-suite: unknown architecture '$arch'" >&2; exit 2 ;;
esac
# A 32-bit host needs Wine's 32-bit loader, which Debian's 64-bit Wine does not bring.
if [ ! -x "$wine" ] || { [ "$arch" = i686 ] && [ ! -e /usr/lib/wine/wine ]; }; then
  echo "run-wine-suite: no Wine for $arch here; skipped (make test-win32 runs the 32-bit suite)"
  exit 77
fi
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

export WINEPREFIX="$build/wine-prefix" WINEARCH=$winearch WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=" # no runtime installers in a test prefix
if [ ! -e "$WINEPREFIX/.kvtc-ready" ]; then
  rm -rf "$WINEPREFIX"
  echo "run-wine-suite: creating the Wine prefix $WINEPREFIX"
  # Windows draw their own frames and captions, as there is no window manager to do it.
  { "$wine" wineboot -i &&
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f &&
    "$wineserver" -w; } >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log" >&2; exit 1; }
  touch "$WINEPREFIX/.kvtc-ready"
fi

windows_path() { echo "Z:${1//\//\\}"; }
run="$build/wine-run"
rm -rf "$run" "$build/wine-out"  # nothing of an earlier run may pass for this one
package="$run/package"
mkdir -p "$package" "$build/wine-out"
cp "$(dirname "$0")/../../src/driver/kvtc.inf" "$package/" || exit 2
if [ "$arch" = x86_64 ]; then
  cp "$build/kvtc.dll" "$package/kvtc64.dll" || exit 2
  [ -f "${KVTC_WIN32_DLL:-}" ] ||
    { echo "run-wine-suite: no 32-bit kvtc.dll (KVTC_WIN32_DLL); build both DLLs" >&2; exit 2; }
  cp "$KVTC_WIN32_DLL" "$package/kvtc32.dll" || exit 2
else
  cp "$build/kvtc.dll" "$package/kvtc32.dll" || exit 2
fi
# The AVI file of the Linux tool, when the linux-avi test made one.
[ -s "$build/linux-avi/linux.avi" ] && set -- --linux-avi "$(windows_path "$build/linux-avi")" "$@"
cd "$run"
# The host, then a wait for Wine's own processes to end while the X server is still there.
# The wait is bounded: a process Wine started for itself (a prefix update under qemu can take
# many minutes) is ended rather than waited for, as the host's status is already known.
command=(bash -c '"$@"; status=$?; timeout 120 "$WINESERVER" -w || "$WINESERVER" -k; exit $status' host
         "$wine" "$build/wintest/kvtc_wintest.exe" "$(windows_path "$package/kvtc.inf")"
         --out "$(windows_path "$build/wine-out")" "$@")
export WINESERVER="$wineserver"
if [ -z "${DISPLAY:-}" ]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "run-wine-suite: no X display and no xvfb-run; skipped" >&2
    exit 77
  fi
  command=(xvfb-run -a -s "-screen 0 1024x768x24" "${command[@]}")
fi
"${command[@]}"
status=$?
# The host saves its screenshots as BMP files; the documentation takes PNG.
if command -v ffmpeg >/dev/null; then
  for shot in "$build/wine-out"/*.bmp; do
    [ -e "$shot" ] || continue
    ffmpeg -v error -y -i "$shot" "${shot%.bmp}.png" && rm -f "$shot"
  done
fi
exit $status

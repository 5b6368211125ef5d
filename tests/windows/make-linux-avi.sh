#!/usr/bin/env bash
# An AVI file written by the Linux tool, for the Windows host to open with the system's AVI
# library: a short ffmpeg test clip encoded by "kvtc encode", and the pictures "kvtc decode
# --raw" makes of it (24-bit RGB, top row first), which the host's frames must equal.
#   make-linux-avi.sh KVTC_TOOL OUT_DIR
# Writes OUT_DIR/linux.avi and OUT_DIR/linux.rgb; exits 77 (skipped) without the tool or ffmpeg.
set -u
tool="$1"
out="$2"
command -v ffmpeg >/dev/null || { echo "make-linux-avi: no ffmpeg; skipped"; exit 77; }
[ -x "$tool" ] || { echo "make-linux-avi: no $tool (build with the tool); skipped"; exit 77; }
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KVTC_SYSTEM_DIR="$work"  # the default settings, not the saved ones of this machine
ffmpeg -v error -f lavfi -i testsrc2=size=176x144:rate=15 -frames:v 12 -pix_fmt yuv420p \
  "$work/clip.y4m" &&
  "$tool" encode "$work/clip.y4m" -o "$work/linux.avi" --keyint 1 -q &&
  "$tool" decode "$work/linux.avi" -o "$work/linux.rgb" --raw --output-format rgb24 -q || exit 1
mv "$work/linux.avi" "$work/linux.rgb" "$out/"
pictures=$(($(stat -c %s "$out/linux.rgb") / (176 * 144 * 3)))
echo "make-linux-avi: $(stat -c %s "$out/linux.avi") bytes of AVI, $pictures pictures"

#!/usr/bin/env bash
# AVI files that the system's AVI library wrote with the DLL under Wine, read on Linux: FFmpeg
# sees "Kvt1" frames with key frames, and the kvtc tool decodes every frame.
#   check-avi-interop.sh KVTC_TOOL AVI...
# Exits 77 (skipped) when ffprobe, the tool or the files are missing.
set -u
tool="$1"
shift
command -v ffprobe >/dev/null || { echo "check-avi-interop: no ffprobe; skipped"; exit 77; }
[ -x "$tool" ] || { echo "check-avi-interop: no $tool (build with the tool); skipped"; exit 77; }
for avi in "$@"; do
  [ -s "$avi" ] || { echo "check-avi-interop: no $avi (the Wine suite did not write it); skipped"; exit 77; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
for avi in "$@"; do
  name=$(basename "$avi")
  tag=$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_tag_string -of csv=p=0 "$avi")
  packets=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$avi")
  frames=$(grep -c . <<<"$packets")
  keys=$(grep -c K <<<"$packets")
  if [ "$tag" != Kvt1 ] || [ "$frames" -lt 1 ] || [ "$keys" -lt 1 ] || [ "${packets:0:1}" != K ]; then
    echo "$name: ffprobe reads tag '$tag', $frames frames, $keys key frames" >&2
    status=1
  fi
  if ! "$tool" decode "$avi" -o "$out/$name.y4m" >"$out/decode.log" 2>&1; then
    echo "$name: kvtc decode failed:" >&2
    cat "$out/decode.log" >&2
    status=1
  elif [ "$(grep -ao FRAME "$out/$name.y4m" | wc -l)" != "$frames" ]; then
    echo "$name: kvtc decode gave $(grep -ao FRAME "$out/$name.y4m" | wc -l) pictures of $frames" >&2
    status=1
  else
    echo "$name: tag $tag, $frames frames, $keys key frames; kvtc decodes all $frames"
  fi
done
exit $status

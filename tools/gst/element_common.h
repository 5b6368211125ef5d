// What kvtcenc and kvtcdec share: the compressed caps, the three-way switch their properties
// use for choices that otherwise keep the saved settings, and the way a session's error
// reaches the bus.
#pragma once

#include <optional>

#include "host/bitmap_info.h"

#include <gst/gst.h>

namespace kvtc::gst {

// The compressed stream between the elements: picture size, frame rate and, as codec_data,
// the codec's 38-byte state block (which tells the decimation the frames were coded with).
#define KVTC_COMPRESSED_CAPS                                                          \
  "video/x-kvtc, width=(int)[2,2147483647], height=(int)[2,2147483647], "              \
  "framerate=(fraction)[0/1,2147483647/1]"

// Registers an enumeration type once; `values` ends with a zeroed entry and lives for good.
GType EnumType(gsize& once, const char* name, const GEnumValue* values);

// "default" keeps the saved setting (or what the stream is tagged with); "off" and "on" set it.
enum Switch { kSwitchDefault = 0, kSwitchOff = 1, kSwitchOn = 2 };
GType SwitchGetType();
inline std::optional<bool> SwitchValue(int s) {
  if (s == kSwitchDefault) return std::nullopt;
  return s == kSwitchOn;
}

// The bitmap format of a stream of compressed frames of width x height tagged `fourcc`, as a
// host describes it to the decompressor.
host::BitmapInfo CompressedHeader(int width, int height, DWORD fourcc);

}  // namespace kvtc::gst

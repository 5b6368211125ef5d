// The codec's Windows types come before GLib's TRUE and FALSE macros.
#include "platform/win32_types.h"
#include "gst/element_common.h"

namespace kvtc::gst {

GType EnumType(gsize& once, const char* name, const GEnumValue* values) {
  if (g_once_init_enter(&once)) g_once_init_leave(&once, g_enum_register_static(name, values));
  return once;
}

GType SwitchGetType() {
  static gsize type = 0;
  static const GEnumValue values[] = {
      {kSwitchDefault, "Keep the saved setting or the stream's", "default"},
      {kSwitchOff, "Off", "off"},
      {kSwitchOn, "On", "on"},
      {0, nullptr, nullptr}};
  return EnumType(type, "GstKvtcSwitch", values);
}

host::BitmapInfo CompressedHeader(int width, int height, DWORD fourcc) {
  host::BitmapInfo info;
  BITMAPINFOHEADER& h = info.header();
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = fourcc;
  h.biSizeImage = static_cast<DWORD>(static_cast<unsigned long long>(width) * height * 3 / 2);
  return info;
}

}  // namespace kvtc::gst

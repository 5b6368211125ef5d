// The codec's Windows types come before GLib's TRUE and FALSE macros.
#include "platform/win32_types.h"
#include "gst/stream_source.h"

#include "kvtc/avi_reader.h"

namespace kvtc::gst {

std::optional<StoredStream> StoredStreamUpstream(GstPad* pad) {
  GstQuery* query = gst_query_new_uri();
  gchar* uri = nullptr;
  if (gst_pad_peer_query(pad, query)) gst_query_parse_uri(query, &uri);
  gst_query_unref(query);
  gchar* path = uri ? g_filename_from_uri(uri, nullptr, nullptr) : nullptr;
  g_free(uri);
  if (!path) return std::nullopt;
  StoredStream stream;
  stream.path = path;
  g_free(path);

  const tool::AviReader avi(stream.path);
  avi.RequireKvtStream();
  stream.format = avi.Video().format;
  stream.codecState = avi.Video().codecState;
  stream.rateNum = static_cast<int>(avi.Video().rateNum);
  stream.rateDen = static_cast<int>(avi.Video().rateDen);
  stream.sourceWidth = avi.Video().shownWidth;
  stream.sourceHeight = avi.Video().shownHeight;
  return stream;
}

}  // namespace kvtc::gst

// kvtcdec: KVT Codec frames in ("video/x-kvtc", or a "Kvt1" stream from an AVI), raw
// pictures out in the layout downstream takes, through a decompression session of the host
// layer with the display choices of the element's properties.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

G_BEGIN_DECLS

#define GST_TYPE_KVTC_DEC (gst_kvtc_dec_get_type())
G_DECLARE_FINAL_TYPE(GstKvtcDec, gst_kvtc_dec, GST, KVTC_DEC, GstVideoDecoder)

G_END_DECLS

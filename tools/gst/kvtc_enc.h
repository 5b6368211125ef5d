// kvtcenc: raw pictures in, KVT Codec frames out ("video/x-kvtc"), through a compression
// session of the host layer. The codec's key frames are the stream's sync points, and a
// force-key-unit request is answered with a key frame.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

G_BEGIN_DECLS

#define GST_TYPE_KVTC_ENC (gst_kvtc_enc_get_type())
G_DECLARE_FINAL_TYPE(GstKvtcEnc, gst_kvtc_enc, GST, KVTC_ENC, GstVideoEncoder)

G_END_DECLS

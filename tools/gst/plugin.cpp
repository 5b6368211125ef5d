// The kvtc plugin: kvtcenc and kvtcdec.
#include <gst/gst.h>

#include "gst/kvtc_dec.h"
#include "gst/kvtc_enc.h"

static gboolean plugin_init(GstPlugin* plugin) {
  return gst_element_register(plugin, "kvtcenc", GST_RANK_PRIMARY, GST_TYPE_KVTC_ENC) &&
         gst_element_register(plugin, "kvtcdec", GST_RANK_PRIMARY, GST_TYPE_KVTC_DEC);
}

#define PACKAGE "kvtc"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, kvtc,
                  "KVT Codec: conditional-replenishment video for slow links", plugin_init,
                  KVTC_VERSION, "LGPL", "kvtc", "https://localhost/kvtc")

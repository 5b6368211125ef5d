// The codec's Windows types come before GLib's TRUE and FALSE macros.
#include "platform/win32_types.h"
#include "gst/kvtc_enc.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "gst/element_common.h"
#include "host/codec_settings.h"
#include "host/compressor.h"
#include "host/frame_clock.h"
#include "host/frame_pacer.h"
#include "host/host_errors.h"
#include "kvtc/input_conversion.h"
#include "stream/plane_geometry.h"

GST_DEBUG_CATEGORY_STATIC(kvtc_enc_debug);
#define GST_CAT_DEFAULT kvtc_enc_debug

namespace {

using kvtc::host::Compressor;
using kvtc::host::CompressorChoices;
using kvtc::tool::InputConverter;
using kvtc::tool::InputFormat;

// Unset integer properties keep the saved setting.
constexpr int kUnset = -1;

enum Preset { kPresetSaved, kPresetLan, kPresetIsdn, kPresetModem };
enum Filter { kFilterSaved, kFilterNone, kFilterMedian, kFilterSmooth };

GType PresetGetType() {
  static gsize type = 0;
  static const GEnumValue values[] = {
      {kPresetSaved, "The saved settings", "saved"},
      {kPresetLan, "Local network", "lan"},
      {kPresetIsdn, "ISDN line", "isdn"},
      {kPresetModem, "Modem line", "modem"},
      {0, nullptr, nullptr}};
  return kvtc::gst::EnumType(type, "GstKvtcPreset", values);
}

GType FilterGetType() {
  static gsize type = 0;
  static const GEnumValue values[] = {
      {kFilterSaved, "The saved filter", "saved"},
      {kFilterNone, "No filter", "none"},
      {kFilterMedian, "Median filter", "median"},
      {kFilterSmooth, "Smoothing filter", "smooth"},
      {0, nullptr, nullptr}};
  return kvtc::gst::EnumType(type, "GstKvtcFilter", values);
}

struct Properties {
  int preset = kPresetSaved;
  int quality = kUnset;
  int threshold = kUnset;
  int refresh = kUnset;
  int radius = kUnset;
  int losslessLuma = kvtc::gst::kSwitchDefault;
  int losslessChroma = kvtc::gst::kSwitchDefault;
  bool gray = false;
  int filter = kFilterSaved;
  int decimate = kUnset;
  int keyIntMax = kUnset;
  bool colorChanges = false;
  bool sceneCut = true;
  int bitrate = 0;  // kbit/s; 0: no rate control
  int maxFrameBytes = 0;
};

struct Session {
  std::unique_ptr<InputConverter> converter;
  std::unique_ptr<Compressor> compressor;
  std::unique_ptr<kvtc::host::FramePacer> pacer;
  GstVideoInfo input;
  AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
  AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
  unsigned keyInterval = 0;
  guint64 frames = 0;
  // Where the pictures fall at the stream's frame rate: a camera that skips frame times leaves
  // the link idle for them, and the rate control is told so.
  std::optional<kvtc::host::FrameClock> clock;
};

enum {
  PROP_0,
  PROP_PRESET,
  PROP_QUALITY,
  PROP_THRESHOLD,
  PROP_REFRESH,
  PROP_RADIUS,
  PROP_LOSSLESS_LUMA,
  PROP_LOSSLESS_CHROMA,
  PROP_GRAY,
  PROP_FILTER,
  PROP_DECIMATE,
  PROP_KEY_INT_MAX,
  PROP_COLOR_CHANGES,
  PROP_SCENE_CUT,
  PROP_BITRATE,
  PROP_MAX_FRAME_BYTES,
};

// The raw layouts taken, and the bitmap layout each is handed to the codec in.
struct RawLayout {
  GstVideoFormat gst;
  AVPixelFormat av;
  InputFormat codec;
};
constexpr RawLayout kRawLayouts[] = {
    {GST_VIDEO_FORMAT_BGR, AV_PIX_FMT_BGR24, InputFormat::Rgb24},
    {GST_VIDEO_FORMAT_BGRx, AV_PIX_FMT_BGR0, InputFormat::Rgb32},
    {GST_VIDEO_FORMAT_RGB15, AV_PIX_FMT_RGB555, InputFormat::Rgb555},
    {GST_VIDEO_FORMAT_YUY2, AV_PIX_FMT_YUYV422, InputFormat::Yuy2},
    {GST_VIDEO_FORMAT_UYVY, AV_PIX_FMT_UYVY422, InputFormat::Cyuv},
    {GST_VIDEO_FORMAT_GRAY8, AV_PIX_FMT_GRAY8, InputFormat::Gray8},
};

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format=(string){ BGR, BGRx, RGB15, YUY2, UYVY, GRAY8 }, "
                    "width=(int)[2,2147483647], height=(int)[2,2147483647], "
                    "framerate=(fraction)[0/1,2147483647/1]"));
GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS(KVTC_COMPRESSED_CAPS));

// What the properties ask of the compressor, as `kvtc encode`'s options do; throws
// std::invalid_argument for values the codec does not take.
CompressorChoices ChoicesFrom(const Properties& p) {
  CompressorChoices c;
  if (p.preset != kPresetSaved) {
    c.preset = p.preset == kPresetLan    ? kvtc::settings::Preset::Lan
               : p.preset == kPresetIsdn ? kvtc::settings::Preset::Isdn
                                         : kvtc::settings::Preset::Modem;
  }
  if (p.threshold != kUnset) c.threshold = static_cast<BYTE>(p.threshold);
  if (p.quality != kUnset) {
    if (c.threshold) throw std::invalid_argument("quality and threshold cannot both be set");
    c.threshold = kvtc::host::ThresholdForFrameQuality(static_cast<DWORD>(p.quality));
  }
  if (p.refresh != kUnset) c.refreshPeriod = static_cast<BYTE>(p.refresh);
  if (p.radius != kUnset) {
    if (p.radius != 0 && p.radius != 2 && p.radius != 4 && p.radius != 8 && p.radius != 16) {
      throw std::invalid_argument("radius must be 0, 2, 4, 8 or 16 (got " +
                                  std::to_string(p.radius) + ")");
    }
    c.searchRadius = static_cast<BYTE>(p.radius);
  }
  c.losslessLuma = kvtc::gst::SwitchValue(p.losslessLuma);
  c.losslessChroma = kvtc::gst::SwitchValue(p.losslessChroma);
  if (p.gray) c.sendGray = true;
  if (p.colorChanges) c.chromaChange = true;
  if (p.filter != kFilterSaved) c.filter = static_cast<kvtc::host::NoiseFilter>(p.filter - 1);
  if (p.decimate != kUnset) {
    if (p.decimate != 1 && p.decimate != 2 && p.decimate != 4 && p.decimate != 8) {
      throw std::invalid_argument("decimate must be 1, 2, 4 or 8 (got " +
                                  std::to_string(p.decimate) + ")");
    }
    c.decimation = static_cast<BYTE>(p.decimate == 1 ? 0 : p.decimate);
  }
  return c;
}

}  // namespace

struct _GstKvtcEnc {
  GstVideoEncoder parent;
  GMutex lock;  // guards props against set_property while a session starts
  Properties* props;
  Session* session;
};

G_DEFINE_TYPE(GstKvtcEnc, gst_kvtc_enc, GST_TYPE_VIDEO_ENCODER)

static void gst_kvtc_enc_set_property(GObject* object, guint id, const GValue* value,
                                      GParamSpec* pspec) {
  GstKvtcEnc* self = GST_KVTC_ENC(object);
  g_mutex_lock(&self->lock);
  Properties& p = *self->props;
  switch (id) {
    case PROP_PRESET: p.preset = g_value_get_enum(value); break;
    case PROP_QUALITY: p.quality = g_value_get_int(value); break;
    case PROP_THRESHOLD: p.threshold = g_value_get_int(value); break;
    case PROP_REFRESH: p.refresh = g_value_get_int(value); break;
    case PROP_RADIUS: p.radius = g_value_get_int(value); break;
    case PROP_LOSSLESS_LUMA: p.losslessLuma = g_value_get_enum(value); break;
    case PROP_LOSSLESS_CHROMA: p.losslessChroma = g_value_get_enum(value); break;
    case PROP_GRAY: p.gray = g_value_get_boolean(value); break;
    case PROP_FILTER: p.filter = g_value_get_enum(value); break;
    case PROP_DECIMATE: p.decimate = g_value_get_int(value); break;
    case PROP_KEY_INT_MAX: p.keyIntMax = g_value_get_int(value); break;
    case PROP_COLOR_CHANGES: p.colorChanges = g_value_get_boolean(value); break;
    case PROP_SCENE_CUT: p.sceneCut = g_value_get_boolean(value); break;
    case PROP_BITRATE: p.bitrate = g_value_get_int(value); break;
    case PROP_MAX_FRAME_BYTES: p.maxFrameBytes = g_value_get_int(value); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
  g_mutex_unlock(&self->lock);
}

static void gst_kvtc_enc_get_property(GObject* object, guint id, GValue* value,
                                      GParamSpec* pspec) {
  GstKvtcEnc* self = GST_KVTC_ENC(object);
  g_mutex_lock(&self->lock);
  const Properties& p = *self->props;
  switch (id) {
    case PROP_PRESET: g_value_set_enum(value, p.preset); break;
    case PROP_QUALITY: g_value_set_int(value, p.quality); break;
    case PROP_THRESHOLD: g_value_set_int(value, p.threshold); break;
    case PROP_REFRESH: g_value_set_int(value, p.refresh); break;
    case PROP_RADIUS: g_value_set_int(value, p.radius); break;
    case PROP_LOSSLESS_LUMA: g_value_set_enum(value, p.losslessLuma); break;
    case PROP_LOSSLESS_CHROMA: g_value_set_enum(value, p.losslessChroma); break;
    case PROP_GRAY: g_value_set_boolean(value, p.gray); break;
    case PROP_FILTER: g_value_set_enum(value, p.filter); break;
    case PROP_DECIMATE: g_value_set_int(value, p.decimate); break;
    case PROP_KEY_INT_MAX: g_value_set_int(value, p.keyIntMax); break;
    case PROP_COLOR_CHANGES: g_value_set_boolean(value, p.colorChanges); break;
    case PROP_SCENE_CUT: g_value_set_boolean(value, p.sceneCut); break;
    case PROP_BITRATE: g_value_set_int(value, p.bitrate); break;
    case PROP_MAX_FRAME_BYTES: g_value_set_int(value, p.maxFrameBytes); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
  g_mutex_unlock(&self->lock);
}

static void gst_kvtc_enc_finalize(GObject* object) {
  GstKvtcEnc* self = GST_KVTC_ENC(object);
  delete self->session;
  delete self->props;
  g_mutex_clear(&self->lock);
  G_OBJECT_CLASS(gst_kvtc_enc_parent_class)->finalize(object);
}

static gboolean gst_kvtc_enc_stop(GstVideoEncoder* encoder) {
  GstKvtcEnc* self = GST_KVTC_ENC(encoder);
  delete self->session;
  self->session = nullptr;
  return TRUE;
}

static gboolean gst_kvtc_enc_set_format(GstVideoEncoder* encoder, GstVideoCodecState* state) {
  GstKvtcEnc* self = GST_KVTC_ENC(encoder);
  const GstVideoInfo& info = state->info;
  const RawLayout* layout = nullptr;
  for (const RawLayout& l : kRawLayouts) {
    if (l.gst == GST_VIDEO_INFO_FORMAT(&info)) layout = &l;
  }
  if (!layout) return FALSE;  // the template admits no other

  // Pictures the session cannot take are accepted without a session, so that the first of
  // them stops the flow with the error posted here, once.
  delete self->session;
  self->session = nullptr;
  // The codec works on 2x2 blocks: an odd last row or column is left out.
  const int width = GST_VIDEO_INFO_WIDTH(&info) & ~1;
  const int height = GST_VIDEO_INFO_HEIGHT(&info) & ~1;
  auto session = std::make_unique<Session>();
  try {
    g_mutex_lock(&self->lock);
    const Properties props = *self->props;
    g_mutex_unlock(&self->lock);
    kvtc::settings::SettingsRecord settings = kvtc::host::SavedSettings();
    kvtc::host::ApplyCompressorChoices(ChoicesFrom(props), settings);
    const DWORD quality = props.quality != kUnset
                              ? static_cast<DWORD>(props.quality)
                              : kvtc::host::FrameQualityForThreshold(settings.bThreshold);
    session->keyInterval = static_cast<unsigned>(
        props.keyIntMax != kUnset ? props.keyIntMax : settings.bKeyInterval);
    session->converter = std::make_unique<InputConverter>(layout->codec, width, height);
    kvtc::host::PacingChoices pacing;
    pacing.sceneCuts = props.sceneCut;
    if (props.bitrate > 0) {
      if (GST_VIDEO_INFO_FPS_N(&info) <= 0 || GST_VIDEO_INFO_FPS_D(&info) <= 0) {
        throw std::invalid_argument("bitrate needs a stream of fixed frame rate");
      }
      pacing.link = kvtc::host::LinkBudget{
          props.bitrate * 1000.0,
          static_cast<double>(GST_VIDEO_INFO_FPS_N(&info)) / GST_VIDEO_INFO_FPS_D(&info),
          static_cast<std::size_t>(props.maxFrameBytes)};
      // As kvtc encode: on a slow link luma goes at half resolution unless it was asked for.
      const auto f = static_cast<std::size_t>(kvtc::stream::DecimationFactor(settings.bDecimation));
      const std::size_t pixels =
          static_cast<std::size_t>(width) / f * (static_cast<std::size_t>(height) / f);
      if (!kvtc::gst::SwitchValue(props.losslessLuma) &&
          kvtc::host::LinkWantsHalfResolutionLuma(*pacing.link, pixels)) {
        settings.bLosslessLuma = 0;
      }
    }
    session->compressor = std::make_unique<Compressor>(
        session->converter->Header(), settings, session->converter->RequiredInputCode(), quality);
    if (props.threshold != kUnset || props.quality != kUnset) pacing.finest = settings.bThreshold;
    session->pacer = std::make_unique<kvtc::host::FramePacer>(*session->compressor, pacing);
    const gint n = GST_VIDEO_INFO_FPS_N(&info), d = GST_VIDEO_INFO_FPS_D(&info);
    const double fps = n > 0 && d > 0 ? static_cast<double>(n) / d : 0;
    session->clock.emplace(fps, fps / GST_SECOND);
  } catch (const std::invalid_argument& e) {
    GST_ELEMENT_ERROR(self, LIBRARY, SETTINGS, ("%s", e.what()), (nullptr));
    return TRUE;
  } catch (const std::exception& e) {
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("%s", e.what()),
                      ("%dx%d %s pictures", GST_VIDEO_INFO_WIDTH(&info),
                       GST_VIDEO_INFO_HEIGHT(&info), GST_VIDEO_INFO_NAME(&info)));
    return TRUE;
  }
  session->input = info;
  session->pixelFormat = layout->av;
  session->range = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255 ? AVCOL_RANGE_JPEG
                                                                          : AVCOL_RANGE_MPEG;

  const kvtc::host::StateBlock block = session->compressor->State();
  GstBuffer* codecData = gst_buffer_new_memdup(block.data(), block.size());
  GstCaps* caps = gst_caps_new_simple("video/x-kvtc", "width", G_TYPE_INT, width, "height",
                                      G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION,
                                      GST_VIDEO_INFO_FPS_N(&info), GST_VIDEO_INFO_FPS_D(&info),
                                      "codec_data", GST_TYPE_BUFFER, codecData, nullptr);
  gst_buffer_unref(codecData);
  GstVideoCodecState* out = gst_video_encoder_set_output_state(encoder, caps, state);
  // The input's size would otherwise go into the caps, odd row and column included.
  GST_VIDEO_INFO_WIDTH(&out->info) = width;
  GST_VIDEO_INFO_HEIGHT(&out->info) = height;
  gst_video_codec_state_unref(out);

  self->session = session.release();
  return gst_video_encoder_negotiate(encoder);
}

static GstFlowReturn gst_kvtc_enc_handle_frame(GstVideoEncoder* encoder,
                                               GstVideoCodecFrame* frame) {
  GstKvtcEnc* self = GST_KVTC_ENC(encoder);
  Session* session = self->session;
  if (!session) {
    gst_video_codec_frame_unref(frame);
    return GST_FLOW_ERROR;
  }
  GstVideoFrame in;
  if (!gst_video_frame_map(&in, &session->input, frame->input_buffer, GST_MAP_READ)) {
    GST_ELEMENT_ERROR(self, STREAM, ENCODE, ("cannot read an input picture"), (nullptr));
    gst_video_codec_frame_unref(frame);
    return GST_FLOW_ERROR;
  }

  // The picture as the converter takes it: a view of the mapped buffer, nothing copied.
  kvtc::tool::FramePtr picture(av_frame_alloc());
  picture->format = session->pixelFormat;
  picture->width = GST_VIDEO_FRAME_WIDTH(&in);
  picture->height = GST_VIDEO_FRAME_HEIGHT(&in);
  picture->color_range = session->range;
  picture->data[0] = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&in, 0));
  picture->linesize[0] = GST_VIDEO_FRAME_PLANE_STRIDE(&in, 0);

  const bool requestKey =
      session->frames == 0 ||
      (session->keyInterval != 0 && session->frames % session->keyInterval == 0) ||
      GST_VIDEO_CODEC_FRAME_IS_FORCE_KEYFRAME(frame);
  GstFlowReturn ret = GST_FLOW_OK;
  try {
    const GstClockTime pts = frame->pts;
    const kvtc::host::FramePlace place = session->clock->Place(
        GST_CLOCK_TIME_IS_VALID(pts) ? std::optional(static_cast<std::int64_t>(pts)) : std::nullopt);
    for (std::int64_t h = 0; h < place.held; ++h) session->pacer->Hold();
    const kvtc::host::PacedFrame out =
        session->pacer->Compress(session->converter->Convert(*picture), requestKey);
    // A frame the link cannot take leaves without an output buffer: the encoder base class
    // drops it, and the decoder shows the last picture again.
    if (!out.dropped) {
      frame->output_buffer = gst_buffer_new_memdup(out.bytes.data(), out.bytes.size());
    }
    if (out.key) GST_VIDEO_CODEC_FRAME_SET_SYNC_POINT(frame);
    ++session->frames;
  } catch (const std::exception& e) {
    GST_ELEMENT_ERROR(self, STREAM, ENCODE, ("%s", e.what()), (nullptr));
    ret = GST_FLOW_ERROR;
  }
  gst_video_frame_unmap(&in);
  if (ret != GST_FLOW_OK) {
    gst_video_codec_frame_unref(frame);
    return ret;
  }
  return gst_video_encoder_finish_frame(encoder, frame);
}

static void gst_kvtc_enc_class_init(GstKvtcEncClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  GstVideoEncoderClass* video = GST_VIDEO_ENCODER_CLASS(klass);
  object->set_property = gst_kvtc_enc_set_property;
  object->get_property = gst_kvtc_enc_get_property;
  object->finalize = gst_kvtc_enc_finalize;
  video->stop = gst_kvtc_enc_stop;
  video->set_format = gst_kvtc_enc_set_format;
  video->handle_frame = gst_kvtc_enc_handle_frame;

  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_MUTABLE_READY);
  g_object_class_install_property(
      object, PROP_PRESET,
      g_param_spec_enum("preset", "Preset",
                        "Threshold, refresh, lossless options, filter and search radius of a "
                        "preset, before the other properties",
                        PresetGetType(), kPresetSaved, flags));
  g_object_class_install_property(
      object, PROP_QUALITY,
      g_param_spec_int("quality", "Quality",
                       "Quality sent with every frame, 0..10000 (10000 best; -1: from the "
                       "threshold)",
                       kUnset, 10000, kUnset, flags));
  g_object_class_install_property(
      object, PROP_THRESHOLD,
      g_param_spec_int("threshold", "Threshold", "Change threshold 0..30 (0 best; -1: saved)",
                       kUnset, 30, kUnset, flags));
  g_object_class_install_property(
      object, PROP_REFRESH,
      g_param_spec_int("refresh", "Refresh period",
                       "Refresh every block within so many frames, 0..255 (0 off; -1: saved)",
                       kUnset, 255, kUnset, flags));
  g_object_class_install_property(
      object, PROP_RADIUS,
      g_param_spec_int("radius", "Search radius",
                       "Motion search radius: 0, 2, 4, 8 or 16 pixels (-1: saved)", kUnset, 16,
                       kUnset, flags));
  g_object_class_install_property(
      object, PROP_LOSSLESS_LUMA,
      g_param_spec_enum("lossless-luma", "Lossless luma", "Code every luma sample",
                        kvtc::gst::SwitchGetType(), kvtc::gst::kSwitchDefault, flags));
  g_object_class_install_property(
      object, PROP_LOSSLESS_CHROMA,
      g_param_spec_enum("lossless-chroma", "Lossless chroma", "Code every chroma sample",
                        kvtc::gst::SwitchGetType(), kvtc::gst::kSwitchDefault, flags));
  g_object_class_install_property(
      object, PROP_GRAY,
      g_param_spec_boolean("gray", "Grey", "Send grey scale only", FALSE, flags));
  g_object_class_install_property(
      object, PROP_FILTER,
      g_param_spec_enum("filter", "Noise filter", "Noise filter on the input", FilterGetType(),
                        kFilterSaved, flags));
  g_object_class_install_property(
      object, PROP_DECIMATE,
      g_param_spec_int("decimate", "Decimation",
                       "Shrink the picture by 1 (none), 2, 4 or 8 before coding (-1: saved)",
                       kUnset, 8, kUnset, flags));
  g_object_class_install_property(
      object, PROP_KEY_INT_MAX,
      g_param_spec_int("key-int-max", "Key-frame interval",
                       "A key frame every so many frames (0: the first only; -1: saved)", kUnset,
                       G_MAXINT, kUnset, flags));

  g_object_class_install_property(
      object, PROP_COLOR_CHANGES,
      g_param_spec_boolean("color-changes", "Colour changes",
                           "Change detection also compares colour: a block whose colour "
                           "changed is sent even when its luma did not",
                           FALSE, flags));
  g_object_class_install_property(
      object, PROP_SCENE_CUT,
      g_param_spec_boolean("scene-cut", "Key frames at scene cuts",
                           "Ask for a key frame where a new scene starts", TRUE, flags));
  g_object_class_install_property(
      object, PROP_BITRATE,
      g_param_spec_int("bitrate", "Bitrate",
                       "Fit the stream to a link of so many kbit/s: each frame's quality is "
                       "chosen from what recent frames cost, and frames the link cannot take "
                       "are dropped (0: off)",
                       0, 1000000, 0, flags));
  g_object_class_install_property(
      object, PROP_MAX_FRAME_BYTES,
      g_param_spec_int("max-frame-bytes", "Largest frame",
                       "With a bitrate: no frame above so many bytes (0: no limit)", 0,
                       G_MAXINT, 0, flags));

  gst_element_class_add_static_pad_template(element, &sink_template);
  gst_element_class_add_static_pad_template(element, &src_template);
  gst_element_class_set_static_metadata(
      element, "KVT Codec encoder", "Codec/Encoder/Video",
      "Conditional-replenishment video coding for slow links", "The KVTC developers");
  gst_type_mark_as_plugin_api(PresetGetType(), static_cast<GstPluginAPIFlags>(0));
  gst_type_mark_as_plugin_api(FilterGetType(), static_cast<GstPluginAPIFlags>(0));
  gst_type_mark_as_plugin_api(kvtc::gst::SwitchGetType(), static_cast<GstPluginAPIFlags>(0));
  GST_DEBUG_CATEGORY_INIT(kvtc_enc_debug, "kvtcenc", 0, "KVT Codec encoder");
}

static void gst_kvtc_enc_init(GstKvtcEnc* self) {
  g_mutex_init(&self->lock);
  self->props = new Properties();
  self->session = nullptr;
}

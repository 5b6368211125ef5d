// The codec's Windows types come before GLib's TRUE and FALSE macros.
#include "platform/win32_types.h"
#include "gst/kvtc_dec.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gst/element_common.h"
#include "gst/stream_source.h"
#include "host/codec_settings.h"
#include "host/decompressor.h"
#include "host/host_errors.h"
#include "kvtc/decode_pipeline.h"
#include "stream/plane_geometry.h"

GST_DEBUG_CATEGORY_STATIC(kvtc_dec_debug);
#define GST_CAT_DEFAULT kvtc_dec_debug

namespace {

using kvtc::host::Decompressor;
using kvtc::host::OutputFormat;

struct Properties {
  double gamma = 0;  // 0: saved
  int showGray = kvtc::gst::kSwitchDefault;
  int zoom = 0;    // 0: by the stream's decimation, back to its source's size
  int interp = 0;  // 0: as the stream is tagged
  int sharpen = kvtc::gst::kSwitchDefault;
  int width = 0;   // for streams that do not say their size
  int height = 0;
};

struct Session {
  std::unique_ptr<Decompressor> decompressor;
  OutputFormat format = OutputFormat::Rgb24;
  std::size_t rowBytes = 0;   // of the codec's pictures
  std::size_t shownBytes = 0;  // of the part of each row that shows the source
};

enum {
  PROP_0,
  PROP_GAMMA,
  PROP_SHOW_GRAY,
  PROP_ZOOM,
  PROP_INTERP,
  PROP_SHARPEN,
  PROP_WIDTH,
  PROP_HEIGHT,
};

// The output layouts, in the order they are preferred: 24-bit RGB first, as `kvtc decode`.
struct RawLayout {
  GstVideoFormat gst;
  OutputFormat codec;
};
constexpr RawLayout kRawLayouts[] = {
    {GST_VIDEO_FORMAT_BGR, OutputFormat::Rgb24},  {GST_VIDEO_FORMAT_BGRx, OutputFormat::Rgb32},
    {GST_VIDEO_FORMAT_RGB15, OutputFormat::Rgb555}, {GST_VIDEO_FORMAT_YUY2, OutputFormat::Yuy2},
    {GST_VIDEO_FORMAT_GRAY8, OutputFormat::Gray8},
};

// "Kvt1" and its display variants, as an AVI demuxer reports their FOURCCs.
#define KVTC_AVI_CAPS                                                                      \
  "video/x-avi-unknown, fourcc=(int){ 829716043, 1098151499, 1114928715, 1131705931, "     \
  "1635022411, 1651799627, 1668576843 }"

GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(KVTC_COMPRESSED_CAPS "; " KVTC_AVI_CAPS));
GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format=(string){ BGR, BGRx, RGB15, YUY2, GRAY8 }, "
                    "width=(int)[1,2147483647], height=(int)[1,2147483647], "
                    "framerate=(fraction)[0/1,2147483647/1]"));

// What the stream is: its bitmap format, the decimation it was coded with and its frame rate.
struct StreamDescription {
  kvtc::host::BitmapInfo format;
  BYTE decimation = 0;
  std::uint32_t sourceWidth = 0;  // before padding to whole blocks; 0 when not stored
  std::uint32_t sourceHeight = 0;
  int rateNum = 0;
  int rateDen = 1;
};

BYTE DecimationOf(const GValue* codecData) {
  if (!codecData || !GST_VALUE_HOLDS_BUFFER(codecData)) return 0;
  GstBuffer* buffer = gst_value_get_buffer(codecData);
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return 0;
  const BYTE d = kvtc::tool::StoredDecimation(std::span<const std::uint8_t>(map.data, map.size));
  gst_buffer_unmap(buffer, &map);
  return d;
}

}  // namespace

struct _GstKvtcDec {
  GstVideoDecoder parent;
  GMutex lock;
  Properties* props;
  Session* session;
};

G_DEFINE_TYPE(GstKvtcDec, gst_kvtc_dec, GST_TYPE_VIDEO_DECODER)

static void gst_kvtc_dec_set_property(GObject* object, guint id, const GValue* value,
                                      GParamSpec* pspec) {
  GstKvtcDec* self = GST_KVTC_DEC(object);
  g_mutex_lock(&self->lock);
  Properties& p = *self->props;
  switch (id) {
    case PROP_GAMMA: p.gamma = g_value_get_double(value); break;
    case PROP_SHOW_GRAY: p.showGray = g_value_get_enum(value); break;
    case PROP_ZOOM: p.zoom = g_value_get_int(value); break;
    case PROP_INTERP: p.interp = g_value_get_int(value); break;
    case PROP_SHARPEN: p.sharpen = g_value_get_enum(value); break;
    case PROP_WIDTH: p.width = g_value_get_int(value); break;
    case PROP_HEIGHT: p.height = g_value_get_int(value); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
  g_mutex_unlock(&self->lock);
}

static void gst_kvtc_dec_get_property(GObject* object, guint id, GValue* value,
                                      GParamSpec* pspec) {
  GstKvtcDec* self = GST_KVTC_DEC(object);
  g_mutex_lock(&self->lock);
  const Properties& p = *self->props;
  switch (id) {
    case PROP_GAMMA: g_value_set_double(value, p.gamma); break;
    case PROP_SHOW_GRAY: g_value_set_enum(value, p.showGray); break;
    case PROP_ZOOM: g_value_set_int(value, p.zoom); break;
    case PROP_INTERP: g_value_set_int(value, p.interp); break;
    case PROP_SHARPEN: g_value_set_enum(value, p.sharpen); break;
    case PROP_WIDTH: g_value_set_int(value, p.width); break;
    case PROP_HEIGHT: g_value_set_int(value, p.height); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
  g_mutex_unlock(&self->lock);
}

static void gst_kvtc_dec_finalize(GObject* object) {
  GstKvtcDec* self = GST_KVTC_DEC(object);
  delete self->session;
  delete self->props;
  g_mutex_clear(&self->lock);
  G_OBJECT_CLASS(gst_kvtc_dec_parent_class)->finalize(object);
}

static gboolean gst_kvtc_dec_stop(GstVideoDecoder* decoder) {
  GstKvtcDec* self = GST_KVTC_DEC(decoder);
  delete self->session;
  self->session = nullptr;
  return TRUE;
}

// The stream's description from its caps, the size properties or the file upstream; posts
// the error and returns false when none tells the picture size.
static bool Describe(GstKvtcDec* self, GstCaps* caps, const Properties& props,
                     StreamDescription& stream) {
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  int width = 0;
  int height = 0;
  gst_structure_get_int(s, "width", &width);
  gst_structure_get_int(s, "height", &height);
  gst_structure_get_fraction(s, "framerate", &stream.rateNum, &stream.rateDen);
  int fourcc = static_cast<int>(kvtc::MakeFourcc("Kvt1"));
  gst_structure_get_int(s, "fourcc", &fourcc);
  stream.decimation = DecimationOf(gst_structure_get_value(s, "codec_data"));
  if (width <= 0 || height <= 0) {
    width = props.width;
    height = props.height;
  }
  if (width > 0 && height > 0) {
    stream.format = kvtc::gst::CompressedHeader(width, height, static_cast<DWORD>(fourcc));
    return true;
  }
  try {
    if (auto stored = kvtc::gst::StoredStreamUpstream(GST_VIDEO_DECODER_SINK_PAD(self))) {
      stream.format = stored->format;
      stream.decimation = kvtc::tool::StoredDecimation(stored->codecState);
      stream.rateNum = stored->rateNum;
      stream.rateDen = stored->rateDen;
      stream.sourceWidth = stored->sourceWidth;
      stream.sourceHeight = stored->sourceHeight;
      GST_INFO_OBJECT(self, "picture size %dx%d from %s", stored->format.header().biWidth,
                      stored->format.header().biHeight, stored->path.c_str());
      return true;
    }
  } catch (const std::exception& e) {
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("%s", e.what()), (nullptr));
    return false;
  }
  GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                    ("the KVT Codec stream does not say its picture size: set the width and "
                     "height properties of kvtcdec"),
                    ("caps %" GST_PTR_FORMAT " carry no size, and upstream is no local file",
                     caps));
  return false;
}

// The first output layout, in order of preference, that downstream takes.
static const RawLayout* ChooseLayout(GstKvtcDec* self, int zoom) {
  GstCaps* allowed = gst_pad_get_allowed_caps(GST_VIDEO_DECODER_SRC_PAD(self));
  const RawLayout* chosen = nullptr;
  for (const RawLayout& l : kRawLayouts) {
    if (zoom > 1 && !kvtc::host::Zoomable(l.codec)) continue;
    GstCaps* candidate = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                             gst_video_format_to_string(l.gst), nullptr);
    const bool taken = !allowed || gst_caps_can_intersect(allowed, candidate);
    gst_caps_unref(candidate);
    if (taken) {
      chosen = &l;
      break;
    }
  }
  if (allowed) gst_caps_unref(allowed);
  return chosen;
}

static gboolean gst_kvtc_dec_set_format(GstVideoDecoder* decoder, GstVideoCodecState* state) {
  GstKvtcDec* self = GST_KVTC_DEC(decoder);
  g_mutex_lock(&self->lock);
  const Properties props = *self->props;
  g_mutex_unlock(&self->lock);

  // A stream that cannot be described is accepted without a session, so that its first
  // frame stops the flow with the error posted here, once.
  delete self->session;
  self->session = nullptr;
  StreamDescription stream;
  if (!Describe(self, state->caps, props, stream)) return TRUE;
  // A decimated stream is shown at its source's size unless the zoom property says otherwise,
  // where a zooming layout is taken.
  int zoom = props.zoom;
  const RawLayout* layout = ChooseLayout(self, zoom > 0 ? zoom : 1);
  if (zoom == 0) {
    const int stored = static_cast<int>(kvtc::stream::DecimationFactor(stream.decimation));
    zoom = layout && kvtc::host::Zoomable(layout->codec) ? stored : 1;
  }
  if (!layout) {
    GST_ELEMENT_ERROR(self, CORE, NEGOTIATION,
                      ("downstream takes none of the decoder's layouts%s",
                       zoom > 1 ? " that zoom (BGR, BGRx, RGB15, GRAY8)" : ""),
                      (nullptr));
    return TRUE;
  }

  kvtc::host::DisplayChoices display;
  display.format = layout->codec;
  if (props.gamma > 0) display.gamma = static_cast<float>(props.gamma);
  display.showGray = kvtc::gst::SwitchValue(props.showGray);
  display.zoom = zoom;
  if (props.interp > 0) display.interp = props.interp;
  display.sharpen = kvtc::gst::SwitchValue(props.sharpen);
  auto session = std::make_unique<Session>();
  try {
    if (zoom != 1 && zoom != 2 && zoom != 4 && zoom != 8) {
      throw std::invalid_argument("zoom must be 1, 2, 4 or 8 (got " + std::to_string(zoom) +
                                  ")");
    }
    if (props.interp == 3) throw std::invalid_argument("interp must be 1, 2 or 4 (got 3)");
    session->decompressor = std::make_unique<Decompressor>(stream.format, stream.decimation,
                                                           display, kvtc::host::SavedSettings());
  } catch (const std::invalid_argument& e) {
    GST_ELEMENT_ERROR(self, LIBRARY, SETTINGS, ("%s", e.what()), (nullptr));
    return TRUE;
  } catch (const std::exception& e) {
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("%s", e.what()), (nullptr));
    return TRUE;
  }
  session->format = layout->codec;
  const Decompressor& d = *session->decompressor;
  session->rowBytes = kvtc::host::OutputRowBytes(layout->codec, d.Width());
  // The padding to whole blocks is cropped off.
  const BITMAPINFOHEADER& h = stream.format.header();
  const int width = kvtc::host::ShownExtent(stream.sourceWidth, h.biWidth, d.Width());
  const int height = kvtc::host::ShownExtent(stream.sourceHeight, std::abs(h.biHeight), d.Height());
  session->shownBytes = kvtc::host::OutputRowBytes(layout->codec, width);

  GstVideoCodecState* out =
      gst_video_decoder_set_output_state(decoder, layout->gst, width, height, state);
  if (stream.rateNum > 0 && stream.rateDen > 0) {
    GST_VIDEO_INFO_FPS_N(&out->info) = stream.rateNum * d.PicturesPerFrame();
    GST_VIDEO_INFO_FPS_D(&out->info) = stream.rateDen;
  }
  gst_video_codec_state_unref(out);
  self->session = session.release();
  return gst_video_decoder_negotiate(decoder);
}

// Copies one picture of the codec into a buffer of the negotiated layout (rows padded to the
// buffer's stride).
static bool CopyPicture(GstKvtcDec* self, std::span<const std::uint8_t> bitmap, GstBuffer* buffer) {
  GstVideoCodecState* state = gst_video_decoder_get_output_state(GST_VIDEO_DECODER(self));
  GstVideoFrame frame;
  const bool mapped = gst_video_frame_map(&frame, &state->info, buffer, GST_MAP_WRITE);
  gst_video_codec_state_unref(state);
  if (!mapped) return false;
  const std::size_t rowBytes = self->session->rowBytes;
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
  auto* out = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  const std::size_t rows = bitmap.size() / rowBytes;
  for (std::size_t y = 0; y < rows && y < static_cast<std::size_t>(GST_VIDEO_FRAME_HEIGHT(&frame));
       ++y) {
    std::memcpy(out + y * stride, bitmap.data() + y * rowBytes, self->session->shownBytes);
  }
  gst_video_frame_unmap(&frame);
  return true;
}

static GstFlowReturn gst_kvtc_dec_handle_frame(GstVideoDecoder* decoder,
                                               GstVideoCodecFrame* frame) {
  GstKvtcDec* self = GST_KVTC_DEC(decoder);
  Session* session = self->session;
  if (!session) {
    gst_video_decoder_drop_frame(decoder, frame);
    return GST_FLOW_ERROR;
  }
  GstMapInfo in;
  if (!gst_buffer_map(frame->input_buffer, &in, GST_MAP_READ)) {
    gst_video_decoder_drop_frame(decoder, frame);
    return GST_FLOW_ERROR;
  }
  // Interpolation gives several pictures a frame: the first goes out as the frame's, the
  // others follow it, spread over the frame's duration.
  const int pictures = session->decompressor->PicturesPerFrame();
  std::vector<GstBuffer*> extra;
  GstFlowReturn ret = GST_FLOW_OK;
  kvtc::host::FrameOutcome outcome;
  try {
    int index = 0;
    outcome = session->decompressor->Decode(
        std::span<const std::uint8_t>(in.data, in.size), [&](std::span<const std::uint8_t> bitmap) {
          if (ret != GST_FLOW_OK) return;
          GstBuffer* target = nullptr;
          if (index == 0) {
            ret = gst_video_decoder_allocate_output_frame(decoder, frame);
            target = frame->output_buffer;
          } else {
            target = gst_video_decoder_allocate_output_buffer(decoder);
            if (!target) ret = GST_FLOW_ERROR;
            else extra.push_back(target);
          }
          if (ret == GST_FLOW_OK && !CopyPicture(self, bitmap, target)) ret = GST_FLOW_ERROR;
          ++index;
        });
  } catch (const std::exception& e) {
    GST_ELEMENT_ERROR(self, STREAM, DECODE, ("%s", e.what()), (nullptr));
    ret = GST_FLOW_ERROR;
  }
  gst_buffer_unmap(frame->input_buffer, &in);
  if (ret == GST_FLOW_OK && !outcome.decoded) {
    // A damaged frame counts against max-errors; under it, the picture before stands in,
    // marked corrupted, and the bus hears of it.
    GST_VIDEO_DECODER_ERROR(decoder, 1, STREAM, DECODE, ("a damaged frame"),
                            ("frame %u: %s", frame->system_frame_number, outcome.problem.c_str()),
                            ret);
    if (ret == GST_FLOW_OK) {
      GST_VIDEO_CODEC_FRAME_FLAG_SET(frame, GST_VIDEO_CODEC_FRAME_FLAG_CORRUPTED);
      GST_ELEMENT_WARNING(self, STREAM, DECODE, ("a damaged frame"),
                          ("frame %u: %s; the picture before it stands in",
                           frame->system_frame_number, outcome.problem.c_str()));
    }
  }
  if (ret != GST_FLOW_OK) {
    for (GstBuffer* b : extra) gst_buffer_unref(b);
    gst_video_decoder_drop_frame(decoder, frame);
    return ret;
  }

  const GstClockTime pts = frame->pts;
  const GstClockTime step =
      GST_CLOCK_TIME_IS_VALID(frame->duration) ? frame->duration / pictures : GST_CLOCK_TIME_NONE;
  if (pictures > 1 && GST_CLOCK_TIME_IS_VALID(step)) frame->duration = step;
  ret = gst_video_decoder_finish_frame(decoder, frame);
  for (std::size_t i = 0; i < extra.size(); ++i) {
    GstBuffer* b = extra[i];
    if (ret == GST_FLOW_OK) {
      if (GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(step)) {
        GST_BUFFER_PTS(b) = pts + step * (i + 1);
        GST_BUFFER_DURATION(b) = step;
      }
      ret = gst_pad_push(GST_VIDEO_DECODER_SRC_PAD(decoder), b);
    } else {
      gst_buffer_unref(b);
    }
  }
  return ret;
}

static void gst_kvtc_dec_class_init(GstKvtcDecClass* klass) {
  GObjectClass* object = G_OBJECT_CLASS(klass);
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  GstVideoDecoderClass* video = GST_VIDEO_DECODER_CLASS(klass);
  object->set_property = gst_kvtc_dec_set_property;
  object->get_property = gst_kvtc_dec_get_property;
  object->finalize = gst_kvtc_dec_finalize;
  video->stop = gst_kvtc_dec_stop;
  video->set_format = gst_kvtc_dec_set_format;
  video->handle_frame = gst_kvtc_dec_handle_frame;

  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_MUTABLE_READY);
  g_object_class_install_property(
      object, PROP_GAMMA,
      g_param_spec_double("gamma", "Gamma", "Display gamma 0.5..2.0 (0: saved)", 0.0, 2.0, 0.0,
                          flags));
  g_object_class_install_property(
      object, PROP_SHOW_GRAY,
      g_param_spec_enum("show-gray", "Show grey", "Display in grey scale",
                        kvtc::gst::SwitchGetType(), kvtc::gst::kSwitchDefault, flags));
  g_object_class_install_property(
      object, PROP_ZOOM,
      g_param_spec_int("zoom", "Zoom",
                       "Enlarge the picture 1 (none), 2, 4 or 8 times (0: by the stream's "
                       "decimation, back to its source's size)",
                       0, 8, 0, flags));
  g_object_class_install_property(
      object, PROP_INTERP,
      g_param_spec_int("interp", "Interpolation",
                       "1, 2 or 4 pictures a frame by temporal interpolation (0: as the stream "
                       "is tagged)",
                       0, 4, 0, flags));
  g_object_class_install_property(
      object, PROP_SHARPEN,
      g_param_spec_enum("sharpen", "Sharpen", "Sharpen the luma", kvtc::gst::SwitchGetType(),
                        kvtc::gst::kSwitchDefault, flags));
  g_object_class_install_property(
      object, PROP_WIDTH,
      g_param_spec_int("width", "Width",
                       "Picture width of a stream whose caps and source do not say it (0: "
                       "unknown)",
                       0, G_MAXINT, 0, flags));
  g_object_class_install_property(
      object, PROP_HEIGHT,
      g_param_spec_int("height", "Height",
                       "Picture height of a stream whose caps and source do not say it (0: "
                       "unknown)",
                       0, G_MAXINT, 0, flags));

  gst_element_class_add_static_pad_template(element, &sink_template);
  gst_element_class_add_static_pad_template(element, &src_template);
  gst_element_class_set_static_metadata(element, "KVT Codec decoder", "Codec/Decoder/Video",
                                        "Decodes conditional-replenishment video",
                                        "The KVTC developers");
  GST_DEBUG_CATEGORY_INIT(kvtc_dec_debug, "kvtcdec", 0, "KVT Codec decoder");
}

static void gst_kvtc_dec_init(GstKvtcDec* self) {
  g_mutex_init(&self->lock);
  self->props = new Properties();
  self->session = nullptr;
  // Frames arrive whole from the demuxer or the depayloader.
  gst_video_decoder_set_packetized(GST_VIDEO_DECODER(self), TRUE);
}

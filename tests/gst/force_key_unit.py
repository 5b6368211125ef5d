"""Asks kvtcenc for a key unit at the 10th of 30 frames (key frames otherwise only first) and
prints the frames that come out without DELTA_UNIT. Needs GStreamer's Python bindings."""
import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstVideo", "1.0")
from gi.repository import Gst, GstVideo  # noqa: E402

Gst.init(None)
pipeline = Gst.parse_launch(
    "videotestsrc num-buffers=30 pattern=ball ! video/x-raw,format=BGR,width=160,height=120 "
    "! kvtcenc key-int-max=0 ! fakesink name=sink sync=false")
keys, count = [], [0]


def probe(pad, info):
    if not info.get_buffer().has_flags(Gst.BufferFlags.DELTA_UNIT):
        keys.append(count[0])
    count[0] += 1
    if count[0] == 10:
        pad.push_event(GstVideo.video_event_new_upstream_force_key_unit(
            Gst.CLOCK_TIME_NONE, True, 1))
    return Gst.PadProbeReturn.OK


pipeline.get_by_name("sink").get_static_pad("sink").add_probe(Gst.PadProbeType.BUFFER, probe)
pipeline.set_state(Gst.State.PLAYING)
pipeline.get_bus().timed_pop_filtered(60 * Gst.SECOND,
                                      Gst.MessageType.EOS | Gst.MessageType.ERROR)
pipeline.set_state(Gst.State.NULL)
print(keys, count[0])

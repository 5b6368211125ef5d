#!/usr/bin/env python3
"""kvtcenc and kvtcdec in real GStreamer pipelines, checked against the kvtc tool.

    gst_pipelines_test.py KVTC_TOOL PLUGIN_DIR FOOTAGE_DIR WORK_DIR
"""

import math
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts"))
import gst_link  # noqa: E402

KVTC, PLUGINS, FOOTAGE, WORK = (os.path.abspath(a) for a in sys.argv[1:5])
W, H, RATE, FRAMES = 176, 96, 15, 24  # whole blocks: the tool pads other sizes, the elements not
PROBE = re.compile(r"probe: last-message = chain .*?flags: [0-9a-f]+ ([^,]*),")


def gst(*args, ok=True):
    r = subprocess.run(["gst-launch-1.0", *args], capture_output=True, text=True, timeout=120)
    if ok and r.returncode != 0:
        raise AssertionError(f"gst-launch failed: {r.stdout[-1500:]}{r.stderr}")
    return r


def kvtc(*args):
    subprocess.run([KVTC, *args, "-q"], check=True, timeout=120)


def path(name):
    return os.path.join(WORK, name)


def read(name):
    with open(path(name), "rb") as f:
        return f.read()


def frames_of(pipeline, tag):
    """Runs `pipeline` into numbered files; returns [(bytes, delta-unit flag)] per buffer."""
    out = path(tag)
    os.makedirs(out, exist_ok=True)
    r = gst("-v", *pipeline, "!", "identity", "name=probe", "silent=false", "!", "multifilesink",
            f"location={out}/%05d")
    flags = ["delta-unit" in m.group(1) for m in PROBE.finditer(r.stdout)]
    frames = sorted(os.listdir(out))
    return [(read(os.path.join(tag, f)), d) for f, d in zip(frames, flags)]


def psnr(a, b):
    mse = sum((x - y) * (x - y) for x, y in zip(a, b)) / len(a)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def setUpModule():
    os.makedirs(WORK, exist_ok=True)
    os.environ["GST_PLUGIN_PATH"] = PLUGINS
    os.environ["XDG_CONFIG_HOME"] = path("config")  # the codec's defaults, not a user's
    os.environ.pop("KVTC_SYSTEM_DIR", None)
    clip = os.path.join(FOOTAGE, "tree.avi")
    for pix, name in (("bgr24", "in.bgr"), ("yuyv422", "in.yuy2")):
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", clip, "-frames:v", str(FRAMES),
                        "-vf", f"scale={W}:{H}", "-pix_fmt", pix, "-f", "rawvideo", path(name)],
                       check=True)
    kvtc("encode", path("in.bgr"), "--size", f"{W}x{H}", "--pix-fmt", "bgr24", "--rate",
         str(RATE), "--refresh", "8", "--radius", "4", "-o", path("ref.avi"))


class Encode(unittest.TestCase):
    def test_frames_and_key_flags_equal_kvtc_encode(self):
        cases = [  # (kvtc encode options, kvtcenc properties, input)
            ([], [], "bgr"),
            (["--preset", "modem", "--refresh", "16", "--radius", "4", "--keyint", "10"],
             ["preset=modem", "refresh=16", "radius=4", "key-int-max=10"], "bgr"),
            (["--lossless-luma", "--lossless-chroma", "--threshold", "5"],
             ["lossless-luma=on", "lossless-chroma=on", "threshold=5"], "bgr"),
            (["--gray", "--filter", "median", "--decimate", "2", "--quality", "9000"],
             ["gray=true", "filter=median", "decimate=2", "quality=9000"], "bgr"),
            (["--input-format", "yuy2", "--keyint", "5"], ["key-int-max=5"], "yuy2"),
            (["--bitrate", "1000", "--color-changes", "--no-scene-cut"],
             ["bitrate=1000", "color-changes=true", "scene-cut=false"], "bgr"),
        ]
        for n, (options, props, fmt) in enumerate(cases):
            with self.subTest(options=options):
                pix, stride = ("bgr24", 3 * W) if fmt == "bgr" else ("yuyv422", 2 * W)
                kvtc("encode", path(f"in.{'bgr' if fmt == 'bgr' else 'yuy2'}"), "--size",
                     f"{W}x{H}", "--pix-fmt", pix, "--rate", str(RATE), *options, "-o",
                     path(f"enc{n}.avi"))
                want = frames_of(["filesrc", f"location={path(f'enc{n}.avi')}", "!", "avidemux"],
                                 f"want{n}")
                got = frames_of(["filesrc", f"location={path('in.' + ('bgr' if fmt == 'bgr' else 'yuy2'))}",
                                 "!", "rawvideoparse", f"width={W}", f"height={H}",
                                 f"format={'bgr' if fmt == 'bgr' else 'yuy2'}",
                                 f"framerate={RATE}/1", f"plane-strides=<{stride}>", "!",
                                 "kvtcenc", *props], f"got{n}")
                self.assertEqual(len(got), FRAMES)
                self.assertTrue(want == got, "frames or key flags differ")
                self.assertFalse(got[0][1], "the first frame is a key frame")

    def test_a_source_that_skips_frame_times_is_paced_as_kvtc_encode_paces_it(self):
        # 24 pictures over 44 frame times: the link drains through the skipped ones.
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        f"testsrc2=size={W}x{H}:rate={RATE}", "-frames:v", "24", "-vf",
                        "setpts='N+4*floor(N/4)'", "-fps_mode", "passthrough", "-c:v", "rawvideo",
                        "-pix_fmt", "bgr24", path("gaps.avi")], check=True, timeout=120)
        kvtc("encode", path("gaps.avi"), "--bitrate", "64", "-o", path("gaps_ref.avi"))
        want = frames_of(["filesrc", f"location={path('gaps_ref.avi')}", "!", "avidemux"],
                         "gaps_want")
        got = frames_of(["filesrc", f"location={path('gaps.avi')}", "!", "avidemux", "!",
                         "videoconvert", "!", "video/x-raw,format=BGR", "!", "kvtcenc",
                         "bitrate=64"], "gaps_got")
        self.assertLess(len(got), 24)  # the link drops some
        self.assertTrue(want == got, "frames or key flags differ")

    def test_a_force_key_unit_is_answered_with_a_key_frame(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "force_key_unit.py")
        r = subprocess.run(["/usr/bin/python3", script], capture_output=True, text=True,
                           timeout=120)
        self.assertEqual(r.stdout.strip(), "[0, 10] 30", r.stderr)


class Decode(unittest.TestCase):
    def test_avidemux_kvtcdec_equals_kvtc_decode_raw(self):
        cases = [  # (kvtc decode options, kvtcdec properties, format, bytes a pixel)
            (["--output-format", "rgb24"], [], "BGR", 3),
            (["--output-format", "rgb32"], [], "BGRx", 4),
            (["--output-format", "rgb555"], [], "RGB15", 2),
            (["--output-format", "yuy2"], [], "YUY2", 2),
            (["--output-format", "gray8"], [], "GRAY8", 1),
            (["--zoom", "2", "--gamma", "1.5", "--show-gray"],
             ["zoom=2", "gamma=1.5", "show-gray=on"], "BGR", 3),
            (["--output-format", "rgb32", "--interp", "2", "--sharpen"],
             ["interp=2", "sharpen=on"], "BGRx", 4),
        ]
        for n, (options, props, fmt, bpp) in enumerate(cases):
            with self.subTest(options=options):
                kvtc("decode", path("ref.avi"), "--raw", *options, "-o", path(f"want{n}.raw"))
                gst("filesrc", f"location={path('ref.avi')}", "!", "avidemux", "!", "kvtcdec",
                    *props, "!", f"video/x-raw,format={fmt}", "!", "filesink",
                    f"location={path(f'got{n}.raw')}")
                width = W * (2 if "zoom=2" in props else 1)
                self.assertTrue(read(f"want{n}.raw") ==
                                gst_link.unpad(read(f"got{n}.raw"), width, bpp))

    def test_a_padded_decimated_avi_plays_at_its_source_size(self):
        # 702x498 is coded at 352x256 (decimated by 2, padded to whole blocks): kvtcdec zooms
        # by the stored decimation and crops to the stored source size, as kvtc decode does.
        w, h, frames = 702, 498, 3
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        f"testsrc2=size={w}x{h}:rate=15", "-frames:v", str(frames),
                        path("odd.y4m")], check=True, timeout=120)
        kvtc("encode", path("odd.y4m"), "-o", path("odd.avi"))
        kvtc("decode", path("odd.avi"), "--raw", "-o", path("odd-want.raw"))
        gst("filesrc", f"location={path('odd.avi')}", "!", "avidemux", "!", "kvtcdec", "!",
            "video/x-raw,format=BGR", "!", "filesink", f"location={path('odd-got.raw')}")
        got, want = gst_link.unpad(read("odd-got.raw"), w), read("odd-want.raw")
        coded_w, coded_h = 704, 512  # what --raw gives: the padded size, zoomed back
        self.assertEqual(len(got), frames * w * h * 3)
        self.assertEqual(len(want), frames * coded_w * coded_h * 3)
        cropped = b"".join(want[(f * coded_h + y) * coded_w * 3:][:w * 3]
                           for f in range(frames) for y in range(h))
        self.assertTrue(got == cropped)

    def test_a_stream_without_size_asks_for_it_and_plays_with_it(self):
        with open(path("ref.avi"), "rb") as f:
            r = subprocess.run(["gst-launch-1.0", "fdsrc", "!", "avidemux", "!", "kvtcdec", "!",
                                "fakesink", "async=false"], stdin=f, capture_output=True,
                               text=True, timeout=60)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("set the width and height properties of kvtcdec", r.stdout + r.stderr)
        kvtc("decode", path("ref.avi"), "--raw", "-o", path("nosize-want.raw"))
        with open(path("ref.avi"), "rb") as f:
            subprocess.run(["gst-launch-1.0", "-q", "fdsrc", "!", "avidemux", "!", "kvtcdec",
                            f"width={W}", f"height={H}", "!", "filesink",
                            f"location={path('nosize-got.raw')}"], stdin=f, check=True, timeout=60)
        self.assertTrue(read("nosize-want.raw") == gst_link.unpad(read("nosize-got.raw"), W))


class Link(unittest.TestCase):
    def test_loopback_link(self):
        # Loss-free, the pictures are the tool's decode of the tool's encode, byte for byte.
        kvtc("encode", path("in.bgr"), "--size", f"{W}x{H}", "--pix-fmt", "bgr24", "--rate",
             str(RATE), "--refresh", "6", "--radius", "0", "--keyint", "0", "-o",
             path("link.avi"))
        kvtc("decode", path("link.avi"), "--raw", "-o", path("link-want.raw"))
        props = ["refresh=6", "radius=0", "key-int-max=0"]
        sent = gst_link.run_link(path("in.bgr"), W, H, RATE, path("clean.raw"), props)
        self.assertEqual([i for i, _ in sent], list(range(FRAMES)))
        clean = gst_link.unpad(read("clean.raw"), W)
        self.assertTrue(read("link-want.raw") == clean)

        # With loss, every picture a refresh period after the last loss is back within 0.5 dB
        # of the loss-free one (against the source picture). identity draws its losses from an
        # unseeded generator: at 20% it drops the same frames every run, one of them early.
        size, source, checked = W * H * 3, read("in.bgr"), 0
        sent = gst_link.run_link(path("in.bgr"), W, H, RATE, path("lossy.raw"), props, 0.2)
        shown = gst_link.displayed(gst_link.unpad(read("lossy.raw"), W), sent, FRAMES, size)
        received = {i for i, _ in sent}
        last_loss = None
        for i in range(FRAMES):
            if i not in received:
                last_loss = i
            elif last_loss is not None and i - last_loss > 6:
                at = slice(i * size, (i + 1) * size)
                self.assertGreater(psnr(shown[i], source[at]), psnr(clean[at], source[at]) - 0.5,
                                   f"frame {i}, {i - last_loss} after a loss")
                checked += 1
        self.assertGreater(checked, 0, "no picture came a refresh period after a loss")

class Trouble(unittest.TestCase):
    def test_bad_input_gives_a_clear_error_never_a_crash(self):
        # The sinks do not preroll: gst-launch then never waits on them after an error.
        cases = [  # (pipeline, what the message says)
            (["videotestsrc", "num-buffers=2", "!", "video/x-raw,format=I420", "!", "kvtcenc",
              "!", "fakesink", "async=false"], "kvtcenc0 can't handle caps"),
            (["videotestsrc", "num-buffers=2", "!", "video/x-raw,format=BGR", "!", "kvtcenc",
              "radius=3", "!", "fakesink", "async=false"], "radius must be 0, 2, 4, 8 or 16"),
            (["filesrc", f"location={path('ref.avi')}", "!", "avidemux", "!", "kvtcdec",
              "zoom=3", "!", "fakesink", "async=false"], "zoom must be 1, 2, 4 or 8"),
        ]
        for pipeline, message in cases:
            with self.subTest(message=message):
                r = gst(*pipeline, ok=False)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(message, r.stdout + r.stderr)

    def test_a_truncated_frame_is_reported_and_the_stream_goes_on(self):
        frames = frames_of(["filesrc", f"location={path('ref.avi')}", "!", "avidemux"], "cut")
        cut = os.path.join(path("cut"), "00005")
        with open(cut, "r+b") as f:
            f.truncate(len(frames[5][0]) // 2)
        caps = f"video/x-kvtc,width={W},height={H},framerate={RATE}/1"
        r = gst("multifilesrc", f"location={path('cut')}/%05d", f"caps={caps}", "!", "kvtcdec",
                "!", "video/x-raw,format=BGR", "!", "filesink", f"location={path('cut.raw')}")
        self.assertIn("a damaged frame", r.stdout + r.stderr)
        pictures = gst_link.unpad(read("cut.raw"), W)
        size = W * H * 3
        self.assertEqual(len(pictures), FRAMES * size)
        self.assertTrue(pictures[5 * size:6 * size] == pictures[4 * size:5 * size])

    def test_a_size_change_renegotiates(self):
        r = gst("-v", "concat", "name=c", "!", "kvtcenc", "!", "kvtcdec", "!", "fakesink",
                "silent=false", "videotestsrc", "num-buffers=3", "!",
                "video/x-raw,width=160,height=120,format=BGR", "!", "c.", "videotestsrc",
                "num-buffers=3", "!", "video/x-raw,width=320,height=240,format=YUY2", "!", "c.")
        sizes = re.findall(r"last-message = chain .*?\((\d+) bytes", r.stdout)
        self.assertEqual(sizes, ["57600"] * 3 + ["230400"] * 3)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)

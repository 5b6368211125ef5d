"""A live KVTC link over loopback UDP, made of GStreamer's own elements.

Sender:   raw pictures ! kvtcenc ! identity drop-probability=LOSS ! rtpgstpay ! udpsink
Receiver: udpsrc ! rtpgstdepay ! kvtcdec ! filesink

Frames are dropped whole before the payloader, as a lost packet loses its frame at the
depayloader. The sender reports every frame it puts on the wire, so each received picture can
be matched with the picture it was coded from.
"""

import os
import re
import signal
import socket
import subprocess
import time

RTP_CAPS = "application/x-rtp,media=application,clock-rate=90000,encoding-name=X-GST"
_SENT = re.compile(r"sent: last-message = chain .*?\((\d+) bytes, .*?pts: (\d+):(\d+):([\d.]+)")


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _port_taken(port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind(("127.0.0.1", port))
        except OSError:
            return True
    return False


def _wait_for(condition, seconds=20):
    end = time.monotonic() + seconds
    while not condition() and time.monotonic() < end:
        time.sleep(0.05)


def raw_source(path, width, height, rate):
    """A gst-launch fragment reading packed BGR pictures from `path`."""
    return ["filesrc", f"location={path}", "!", "rawvideoparse", f"width={width}",
            f"height={height}", "format=bgr", f"framerate={rate}/1",
            f"plane-strides=<{3 * width}>"]


def run_link(source, width, height, rate, received, encoder=(), loss=0.0, decoder=()):
    """Runs the link once; the received pictures (BGR, GStreamer's row padding) go to
    `received`. Returns [(frame index, compressed bytes)] for every frame sent."""
    if os.path.exists(received):
        os.remove(received)
    port = free_port()
    receiver = subprocess.Popen(
        ["gst-launch-1.0", "-q", "-e", "udpsrc", f"port={port}", "buffer-size=16777216",
         f"caps={RTP_CAPS}", "!", "rtpgstdepay", "!", "kvtcdec", *decoder, "!",
         "video/x-raw,format=BGR", "!", "filesink", "buffer-mode=unbuffered",
         f"location={received}"],
        stderr=subprocess.PIPE, text=True)
    # The receiver listens before the first packet leaves.
    _wait_for(lambda: _port_taken(port) or receiver.poll() is not None)
    sender = subprocess.run(
        ["gst-launch-1.0", "-v", *raw_source(source, width, height, rate), "!", "kvtcenc",
         *encoder, "!", "identity", f"drop-probability={loss}", "!", "identity", "name=sent",
         "silent=false", "!", "rtpgstpay", "!", "udpsink", "host=127.0.0.1", f"port={port}",
         "sync=false"],
        capture_output=True, text=True)
    sent = []
    for m in _SENT.finditer(sender.stdout):
        seconds = int(m.group(2)) * 3600 + int(m.group(3)) * 60 + float(m.group(4))
        sent.append((round(seconds * rate), int(m.group(1))))
    picture = row_bytes(width) * height
    # Then it has every picture decoded before it is stopped.
    _wait_for(lambda: os.path.exists(received) and os.path.getsize(received) >= len(sent) * picture)
    receiver.send_signal(signal.SIGINT)
    _, receiver_err = receiver.communicate(timeout=30)
    if sender.returncode != 0 or receiver.returncode != 0:
        raise RuntimeError(f"link failed:\n{sender.stderr}{sender.stdout[-2000:]}{receiver_err}")
    pictures = os.path.getsize(received) // picture
    if pictures != len(sent):
        raise RuntimeError(f"the link lost frames of its own: {len(sent)} sent, {pictures} "
                           "received")
    return sent


def row_bytes(width, bytes_per_pixel=3):
    """GStreamer's packed-row stride: rows padded to 4 bytes."""
    return (width * bytes_per_pixel + 3) & ~3


def unpad(data, width, bytes_per_pixel=3):
    """Pictures with GStreamer's padded rows, as packed rows."""
    stride, packed = row_bytes(width, bytes_per_pixel), width * bytes_per_pixel
    if stride == packed:
        return data
    out = bytearray()
    for row in range(len(data) // stride):
        out += data[row * stride:row * stride + packed]
    return bytes(out)


def displayed(received, sent, frames, picture_bytes):
    """What the receiver shows at every frame: the last picture it received (nothing but black
    before the first)."""
    pictures = [received[i * picture_bytes:(i + 1) * picture_bytes] for i in range(len(sent))]
    shown, current, k = [], bytes(picture_bytes), 0
    for i in range(frames):
        if k < len(sent) and sent[k][0] == i:
            current = pictures[k]
            k += 1
        shown.append(current)
    return shown


# Writes the seed inputs of the encoder fuzzer: pictures of every input layout at whole-block
# and odd sizes, under the LAN preset, with lossless luma and chroma, a search radius, a
# refresh period, decimation, grey and the noise filters, over a few frames that move. The
# layout of an input is described at the top of encode_frames.cpp.
import os, struct
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'encode_frames')
LAYOUTS = ['rgb24', 'rgb32', 'rgb555', 'pal8', 'grey4', 'yuy2', 'yuv', 'cyuv', 'yvu9']

# Offsets 20-37 of the state block: force key, threshold, key interval, refresh period,
# lossless luma, lossless chroma, flags, search radius, decimation, input format, decoder
# mode, output format, variant, component bits (3), component count, reserved.
def fields(threshold=8, key_interval=0, period=0, luma=0, chroma=0, flags=0, radius=0,
           decimation=0):
    return bytes([0, threshold, key_interval, period, luma, chroma, flags, radius, decimation,
                  2, 0, 2, 0, 8, 8, 8, 3, 0])

def seed(width, height, layout, frames, top_down=False, table=0, **settings):
    shape = (height - 1) | (0x40 if top_down else 0)
    out = bytes([width - 1, shape, LAYOUTS.index(layout)]) + fields(**settings) + bytes([table])
    out += bytes((i * 29 + (i // 7) * 3) & 255 for i in range(96))
    for n, (key, move) in enumerate(frames):
        out += bytes([key | (move << 2)]) + struct.pack('<H', 9000 - n * 500) + bytes([n * 11])
        out += bytes((n * 17 + i * 5) & 255 for i in range(48))
    return out

MOVING = [(1, 0), (0, 0x09), (0, 0x12), (1, 0), (0, 0x08)]
seeds = {
    'rgb24_lan': seed(32, 24, 'rgb24', MOVING),
    'rgb32_radius_period': seed(40, 32, 'rgb32', MOVING, radius=8, period=16),
    'rgb555_lossless': seed(24, 16, 'rgb555', MOVING, luma=1, chroma=1),
    'pal8_odd_top_down': seed(29, 19, 'pal8', MOVING, top_down=True, table=1),
    'grey4_key_interval': seed(16, 16, 'grey4', MOVING, key_interval=2),
    'yuy2_decimated': seed(48, 32, 'yuy2', MOVING, decimation=2, radius=4),
    'yuv_median_smooth': seed(24, 24, 'yuv', MOVING, flags=0x0C, threshold=2),
    'cyuv_grey': seed(32, 16, 'cyuv', MOVING, flags=0x01),
    'yvu9_tiny': seed(5, 3, 'yvu9', MOVING),
    'rgb24_high_threshold': seed(48, 40, 'rgb24', MOVING, threshold=60, radius=15),
}
os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)

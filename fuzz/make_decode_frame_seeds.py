# Writes the seed inputs of the DecodeFrame fuzzer: hand-built valid frames (key frames,
# unchanged frames, motion, refresh, lossless, grey and packed samples) for several picture
# sizes, output codes, decoder modes and display options. Each input is the four option bytes
# the fuzzer reads, then frames, each with a 16-bit little-endian length.
import os, struct
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'decode_frame')

class Frame:
    def __init__(s, flags, period=0, radius=0, phase=0):
        s.flags, s.period, s.radius, s.phase = flags, period, radius, phase
        s.b, s.r, s.lits = [], [], []
    def B(s, v, n=1):
        for i in range(n): s.b.append((v >> i) & 1)
        return s
    def R(s, bit): s.r.append(1 if bit else 0); return s
    def L(s, v): s.lits.append(v); return s
    def RL(s, v): return s.R(1).L(v)
    def build(s):
        def pack(bits):
            out = bytearray((len(bits) + 7) // 8)
            for i, bit in enumerate(bits):
                if bit: out[i >> 3] |= 1 << (i & 7)
            return bytes(out)
        h = bytearray([s.flags])
        if s.flags & 0x10: h.append(s.period)
        if s.flags & 0x20: h.append(s.radius)
        if s.period: h.append(s.phase)
        if s.flags & 0x40:
            lits = s.lits + [0] * (len(s.lits) % 2)
            samples = bytes(((15 - lits[i] // 17) << 4) | (15 - lits[i + 1] // 17)
                            for i in range(0, len(lits), 2))
        else:
            samples = bytes(s.lits)
        bb, rb = pack(s.b), pack(s.r)
        return bytes(h) + struct.pack('<H', len(samples)) + samples + struct.pack('<H', len(bb)) + bb + rb + bytes([(sum(bb) + sum(rb)) % 256])

def key(blocks, y, u=128, v=128, flags=0, step=0):
    f = Frame(0x01 | flags)
    grey = flags & 0x48
    for b in range(blocks):
        yy = (y + step * b) % 216
        for _ in range(4): f.L(yy)
        if not grey:
            for c in (u, v): f.L(c).RL(c).RL(c).RL(c)
        lc = (flags & 0x04) and not grey
        for q in range(4):
            for _ in range(3):
                f.RL(yy)
                if lc: f.RL(u).R(0)
            if flags & 0x02:
                f.B(1).B(0xF, 4)
                for _ in range(12): f.RL((yy + q) % 216)
    return f.build()

def still(blocks, flags=0):
    return Frame(flags).B(0, blocks).build()

def changed(blocks, y, radius=0, flags=0, period=0, phase=0):
    fl = flags | (0x20 if radius else 0) | (0x10 if period else 0)
    f = Frame(fl, period, radius, phase)
    ll = flags & 0x02
    grey = flags & 0x48
    k = 0
    if radius:
        k = 3
        while 2 ** k < 8 * radius - 3: k += 1
        centre = 4 * radius
        if not ll: k, centre = k - 1, 2 * radius
    refresh = set(range(phase, blocks, period)) if period else set()
    for b in range(blocks):
        if b in refresh:
            for _ in range(4): f.L(y)
            if not grey:
                for c in (100, 150): f.L(c).RL(c).RL(c).RL(c)
            for q in range(4):
                f.RL(y).RL(y).RL(y)
                if ll: f.B(0)
            continue
        if b % 3 == 2:
            f.B(0); continue
        f.B(1)
        if radius:
            if b == 0:  # moved down and right by one step
                f.B(0b111, 3)
                x = yv = centre + 1
                for i in range(k): f.B((x >> i) & 1).B((yv >> i) & 1)
            else:
                f.B(0)
            f.B(1)
        for q in range(4):
            f.B(1)
            if ll: f.B(0b1011, 4)
        for q in range(4):
            f.RL(y + q)
            if not grey:
                f.RL(90).R(0)
        lc = (flags & 0x04) and not grey
        def chroma_steps():
            if lc: f.RL(70).R(0)
        for q in range(4):
            if ll:  # cell flags 1, 1, 0, 1: steps for cells 1 and 0, then detail for 0 and 3
                f.RL(y); chroma_steps()
                f.R(0); chroma_steps()
                f.B(1).B(1).B(0).B(1)
                f.R(0).RL(y).R(0)
                f.R(0).R(0).R(0)
            else:
                f.R(0); chroma_steps()
                f.RL(y); chroma_steps()
                f.R(0); chroma_steps()
    return f.build()

def seed(name, size, decim, code, mode, options, frames):
    data = bytes([size | (decim << 4), code, mode, options])
    for fr in frames:
        data += struct.pack('<H', len(fr)) + fr
    with open(os.path.join(OUT, name), 'wb') as out:
        out.write(data)

os.makedirs(OUT, exist_ok=True)
# 16x16: 4 blocks; 24x8: 3; 8x8: 1; 13x11: 1; 5x3: none; 40x24: 15; 64x48: 48 (dec 2: 32x24, 12)
seed('rgb24_motion', 0, 0, 2, 0, 0x00, [key(4, 100, 90, 170), still(4), changed(4, 60, radius=4), changed(4, 80, period=3, phase=1)])
seed('cube_lossless', 3, 0, 8, 0, 0x10, [key(1, 50, 140, 100, flags=0x02), changed(1, 70, radius=2, flags=0x02), still(1)])
seed('no_blocks', 4, 0, 1, 2, 0x01, [Frame(0x01).build(), Frame(0).build(), Frame(0x08).build()])
seed('grey_zoom_level2', 7, 1, 0, 2, 0x02 | 0x04, [key(12, 30, flags=0x08, step=11), changed(12, 120, radius=8, flags=0x08), still(12), still(12), still(12), key(12, 200, flags=0x08)])
seed('packed_grey4', 1, 0, 12, 0, 0x01, [key(3, 102, flags=0x40), changed(3, 51, flags=0x40), still(3, 0x40)])
seed('rgb555_show_grey', 5, 0, 3, 4, 0x08 | 0x20, [key(15, 10, 60, 200, step=13), changed(15, 99, radius=16), changed(15, 180, flags=0x02 | 0x04)])
seed('yuv422_odd', 6, 0, 0, 0, 0x30, [key(8, 77, 40, 220, flags=0x04), changed(8, 12, radius=1), still(8)])
seed('grey8_bad_checksum', 2, 0, 11, 8, 0x40, [key(1, 180), key(1, 20)[:-1] + b'\x00', still(1)])
print(sorted(os.listdir(OUT)))

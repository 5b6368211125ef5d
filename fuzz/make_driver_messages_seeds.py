# Writes the seed inputs of the DriverProc fuzzer: a settings file (the LAN preset, a damaged
# gamma, a short file) and command sequences that compress pictures of several layouts,
# decompress into several destinations, and save, restore and reload the state. The layout of
# an input is described at the top of driver_messages.cpp.
import os, struct
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'driver_messages')
DEPTH = {0: 0, 1: 1, 4: 2, 6: 3, 8: 4, 9: 5, 12: 6, 15: 7, 16: 8, 24: 9, 32: 10, 48: 11}
COMP = {'RGB': 0, 'YUY2': 1, 'YUV ': 2, 'cyuv': 3, 'YVU9': 4, 'YUV9': 5, 'Kvt1': 6, 'KvtC': 7}

def settings(gamma=1.0, flags=0x10, radius=0, decimation=0, mode=0, out_code=2):
    return (b'KVTC' + struct.pack('<IfII', 0, gamma, 160, 120) +
            bytes([0, 8, 0, 128, 1, 0, flags, radius, decimation, 2, mode, out_code, 0, 8, 8, 8, 3, 0]))

def header(w, h, depth, comp, top_down=False, palette=False):
    shape = (0x20 if top_down else 0) | (0x02 if palette else 0)
    out = bytes([shape, w, h, DEPTH[depth], COMP[comp]])
    if palette:
        out += b''.join(bytes([(i & 3) * 85, ((i >> 2) & 7) * 36, (i >> 5) * 36, 0]) for i in range(256))
    return out

def compress(instance, w, h, depth, comp, key, picture_seed):
    n = (depth * w + 31) // 32 * 4 * h
    pic = bytes((picture_seed * 7 + i * 13 + (i // 97) * 5) & 255 for i in range(n))
    return (bytes([0x00 | (instance << 4)]) + header(w, h, depth, comp, palette=(depth == 8)) + pic +
            struct.pack('<I', 0) + bytes([key, 0]) + struct.pack('<H', 7333))

def state_save_restore():
    return bytes([0x04, 38]) + bytes(38) + bytes([1, 0]) + bytes([0x04, 0, 2])

seeds = {
    'lan_rgb24_two_frames': settings() + compress(0, 32, 24, 24, 'RGB', 1, 1) + compress(0, 32, 24, 24, 'RGB', 0, 2),
    'radius_yuy2_then_state': settings(radius=8) + compress(0, 48, 32, 16, 'YUY2', 1, 3) + state_save_restore(),
    'pal8_and_grey4': settings() + compress(0, 24, 16, 8, 'RGB', 1, 4) + compress(1, 24, 16, 4, 'RGB', 1, 5),
    'damaged_gamma_palette': settings(gamma=float('nan'), mode=3, out_code=8) +
        bytes([0x03]) + header(32, 24, 8, 'Kvt1') + header(32, 24, 8, 'RGB') + bytes([6, 0]),
    'short_settings_file': settings()[:20],
}
os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)

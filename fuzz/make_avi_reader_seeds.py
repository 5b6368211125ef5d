# Writes the seed inputs of the AVI reader fuzzer: small files laid out as the kvtc tool and
# other muxers write them (an index counting from the movi list or from the file's start, a
# "rec " list, JUNK padding, the state in the format's extra data, an audio stream first),
# and damaged ones (cut inside a frame, an index that points nowhere, a chunk that runs past
# its list, no index). The last two bytes of an input choose where the fuzzer cuts it.
import os, struct
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'avi_reader')

def chunk(cid, body):
    return cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')

def lst(kind, body):
    return chunk(b'LIST', kind + body)

def bih(w=32, h=24, extra=b''):
    return struct.pack('<IiiHHIIiiII', 40 + len(extra), w, h, 1, 24, 0x3174764B, w * h * 3 // 2,
                       0, 0, 0, 0) + extra

STATE = b'KVTC' + bytes(4) + struct.pack('<fII', 1.0, 32, 24) + bytes(18)

def strl(kind=b'vids', frames=3, state=True, in_format=False):
    strh = kind + b'KVTC' + struct.pack('<IHHIIIIIIIIHHHH', 0, 0, 0, 0, 1, 15, 0, frames, 0,
                                        0xFFFFFFFF, 0, 0, 0, 32, 24)
    body = chunk(b'strh', strh) + chunk(b'strf', bih(extra=STATE if in_format else b''))
    if state and not in_format:
        body += chunk(b'strd', STATE)
    return lst(b'strl', body + chunk(b'strn', b'KVT Codec\0'))

def avi(frames, streams=None, rec=False, junk=False, index='movi', riff_extra=0, stream_id=b'00'):
    streams = streams or [strl(frames=len(frames))]
    avih = chunk(b'avih', struct.pack('<IIIIIIIIII', 66666, 0, 0, 0x10, len(frames), 0,
                                      len(streams), 0, 32, 24) + bytes(16))
    hdrl = lst(b'hdrl', avih + b''.join(streams))
    head = b'RIFF\0\0\0\0AVI ' + hdrl + (chunk(b'JUNK', bytes(30)) if junk else b'')
    movi_start = len(head) + 8  # the movi list type
    body, idx = b'', b''
    for i, f in enumerate(frames):
        c = chunk(stream_id + b'dc', f)
        offset = movi_start + 4 + len(body)
        if rec:
            c = lst(b'rec ', c)
            offset += 12
        body += c
        base = movi_start if index == 'movi' else 0
        idx += stream_id + b'dc' + struct.pack('<III', 0x10 if i == 0 else 0, offset - base, len(f))
    data = head + lst(b'movi', body) + (chunk(b'idx1', idx) if index else b'')
    return data[:4] + struct.pack('<I', len(data) - 8 + riff_extra) + data[8:]

FRAMES = [bytes((i * 7 + n) & 255 for i in range(20 + 5 * n)) for n in range(3)]
good = avi(FRAMES)
seeds = {
    'tool_layout': good + b'\x40\x01',
    'index_from_file_start': avi(FRAMES, index='file') + b'\x00\x01',
    'rec_lists_and_junk': avi(FRAMES, rec=True, junk=True) + b'\x90\x00',
    'state_in_format': avi(FRAMES, streams=[strl(in_format=True)]),
    'audio_stream_first': avi(FRAMES, streams=[strl(b'auds', state=False), strl()], stream_id=b'01'),
    'no_index': avi(FRAMES, index=None),
    'cut_inside_frame': good[:len(good) - 16 * 3 - 8 - 10],
    'riff_longer_than_file': avi(FRAMES, riff_extra=500),
    'index_points_nowhere': good[:-16] + b'00dc' + struct.pack('<III', 0x10, 12345, 99),
}
movi = good.index(b'movi')
damaged = bytearray(good)
damaged[movi + 8:movi + 12] = struct.pack('<I', 0x7FFFFFF0)  # the first frame's size
seeds['frame_past_its_list'] = bytes(damaged)
os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)

# Writes the icon seeds in fuzz/corpus/icon/: small classic bitmap entries of every depth the
# reader takes, a file with several entries, and a PNG entry. Run with python3 from anywhere.
import struct, zlib, os
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'icon')

def bitmap(w, h, bits, used=None, alpha=True):
    colours = (1 << bits) if bits <= 8 else 0
    n = colours if used is None else used
    hdr = struct.pack('<IiiHHIIiiII', 40, w, 2*h, 1, bits, 0, 0, 0, 0, used or 0, 0)
    pal = b''.join(struct.pack('<BBBB', (i*37)&255, (i*91)&255, (i*13)&255, 0) for i in range(n))
    stride = (w*bits + 31)//32*4
    rows = b''
    for y in range(h):
        row = bytearray(stride)
        for x in range(w):
            v = (x + y) % max(n, 1) if bits <= 8 else 0
            if bits == 1: row[x//8] |= (v & 1) << (7 - x%8)
            elif bits == 4: row[x//2] |= (v & 15) << (0 if x%2 else 4)
            elif bits == 8: row[x] = v
            elif bits == 24: row[x*3:x*3+3] = bytes([x*8&255, y*8&255, 128])
            else: row[x*4:x*4+4] = bytes([x*8&255, y*8&255, 128, (255 if (x+y)%3 else 0) if alpha else 0])
        rows += row
    mstride = (w + 31)//32*4
    mask = b''
    for y in range(h):
        m = bytearray(mstride)
        for x in range(w):
            if (x*y) % 5 == 0: m[x//8] |= 1 << (7 - x%8)
        mask += m
    return hdr + pal + rows + mask

def ico(entries):
    out = struct.pack('<HHH', 0, 1, len(entries))
    off = 6 + 16*len(entries)
    body = b''
    for w, h, bits, data in entries:
        out += struct.pack('<BBBBHHII', w & 255, h & 255, 0, 0, 1, bits, len(data), off + len(body))
        body += data
    return out + body

def png(w, h):
    raw = b''.join(b'\0' + bytes(3*w) for _ in range(h))
    chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

files = {
    'bmp1-16x16.ico': ico([(16, 16, 1, bitmap(16, 16, 1))]),
    'bmp4-5x3.ico': ico([(5, 3, 4, bitmap(5, 3, 4))]),
    'bmp8-used0-8x8.ico': ico([(8, 8, 8, bitmap(8, 8, 8, used=None))]),
    'bmp8-used3-8x8.ico': ico([(8, 8, 8, bitmap(8, 8, 8, used=3))]),
    'bmp24-7x7.ico': ico([(7, 7, 24, bitmap(7, 7, 24))]),
    'bmp32-alpha-16x16.ico': ico([(16, 16, 32, bitmap(16, 16, 32))]),
    'bmp32-mask-9x9.ico': ico([(9, 9, 32, bitmap(9, 9, 32, alpha=False))]),
    'several.ico': ico([(16, 16, 4, bitmap(16, 16, 4)), (32, 32, 1, bitmap(32, 32, 1)),
                        (32, 32, 32, bitmap(32, 32, 32)), (0, 0, 8, bitmap(8, 8, 8))]),
    'png-entry.ico': ico([(16, 16, 32, png(16, 16))]),
}
for name, data in files.items():
    open(os.path.join(OUT, name), 'wb').write(data)

#!/usr/bin/env python3
"""Writes a PNG of an X window dump (the frame buffer Xvfb keeps with -fbdir), optionally cropped.

    xwd2png.py SCREEN.xwd OUT.png [LEFT TOP WIDTH HEIGHT]

Only the 24/32-bit TrueColor dumps Xvfb writes are understood.
"""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, version, _fmt, depth, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = header[7], header[11], header[12], header[19]
    if version != 7 or bits_per_pixel != 32:
        raise SystemExit(f"{path}: unsupported dump (version {version}, {bits_per_pixel} bits per pixel)")
    offset = header_size + ncolors * 12
    little = byte_order == 0
    rows = []
    for y in range(height):
        row = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * 4]
        out = bytearray(width * 3)
        # Pixels are 0x00RRGGBB words in the dump's byte order.
        if little:
            out[0::3], out[1::3], out[2::3] = row[2::4], row[1::4], row[0::4]
        else:
            out[0::3], out[1::3], out[2::3] = row[1::4], row[2::4], row[3::4]
        rows.append(bytes(out))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        out.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) not in (3, 7):
        raise SystemExit(__doc__)
    width, height, rows = read_xwd(argv[1])
    if len(argv) == 7:
        left, top, w, h = (int(v) for v in argv[3:7])
        left, top = max(left, 0), max(top, 0)
        w, h = min(w, width - left), min(h, height - top)
        rows = [row[left * 3:(left + w) * 3] for row in rows[top:top + h]]
        width, height = w, h
    write_png(argv[2], width, height, rows)


if __name__ == "__main__":
    main(sys.argv)

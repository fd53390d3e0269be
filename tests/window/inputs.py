"""Makes the game's input files the way players end up with them: re-saved in another bitmap or
sound format, cut short, overwritten with noise, or a record file from some other program. Every
maker writes into a given folder and is deterministic (fixed seeds, no clock)."""

import os
import random
import struct
import subprocess

from harness import DATA

EMPTY = -1
LEVELS, PLACES = 5, 10
RECORD_SIZE = 4 * LEVELS * PLACES + 4


# --- the record file -------------------------------------------------------------------------

def record_bytes(times=None, level=1, fill=EMPTY):
    """The 204 bytes of a record file: `times` maps (level, place), both from 1, to a time in
    hundredths; every other place holds `fill`."""
    entries = [fill] * (LEVELS * PLACES)
    for (lv, place), t in (times or {}).items():
        entries[PLACES * (lv - 1) + place - 1] = t
    return struct.pack(f"<{LEVELS * PLACES}i", *entries) + struct.pack("<i", level)


def stored_level(data):
    return struct.unpack_from("<i", data, 200)[0]


def with_level(data, level):
    """`data` (at least 204 bytes) with its Level field replaced."""
    return data[:200] + struct.pack("<i", level) + data[204:]


def random_bytes(n, seed):
    return random.Random(seed).randbytes(n)


# --- bitmaps ---------------------------------------------------------------------------------

def bmp_header(data):
    """(width, signed height, bits per pixel, compression) from a BITMAPINFOHEADER or later."""
    width, height, _planes, bpp, compression = struct.unpack_from("<iiHHI", data, 18)
    return width, height, bpp, compression


def convert(out, *args, coder="BMP3", source=None):
    """Writes `out` with ImageMagick from the default sprite sheet in the given BMP coder
    ("BMP3": a BITMAPINFOHEADER; "BMP": a V4/V5 header)."""
    subprocess.run(["convert", source or os.path.join(DATA, "pic.bmp"), *args, f"{coder}:{out}"],
                   check=True, capture_output=True)
    with open(out, "rb") as f:
        return f.read()


def top_down(bottom_up: bytes) -> bytes:
    """The same 24-bit bitmap stored top row first, as a negative height says."""
    offset = struct.unpack_from("<I", bottom_up, 10)[0]
    width, height, bpp, compression = bmp_header(bottom_up)
    assert bpp == 24 and compression == 0 and height > 0, (bpp, compression, height)
    stride = (3 * width + 3) & ~3
    rows = [bottom_up[offset + stride * y: offset + stride * (y + 1)] for y in range(height)]
    header = bytearray(bottom_up[:offset])
    struct.pack_into("<i", header, 22, -height)
    return bytes(header) + b"".join(reversed(rows))


def rle4(four_bit: bytes) -> bytes:
    """A 4-bit palette bitmap re-encoded with BI_RLE4, in runs of one colour (ImageMagick writes
    run-length encoding for 8-bit bitmaps only)."""
    offset = struct.unpack_from("<I", four_bit, 10)[0]
    width, height, bpp, compression = bmp_header(four_bit)
    assert bpp == 4 and compression == 0 and height > 0, (bpp, compression, height)
    stride = ((width + 7) // 8) * 4
    encoded = bytearray()
    for y in range(height):
        row = four_bit[offset + stride * y: offset + stride * (y + 1)]
        pixels = [row[x // 2] >> 4 if x % 2 == 0 else row[x // 2] & 15 for x in range(width)]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and pixels[x + run] == pixels[x]:
                run += 1
            encoded += bytes((run, pixels[x] << 4 | pixels[x]))
            x += run
        encoded += b"\x00\x00"  # end of line
    encoded += b"\x00\x01"  # end of bitmap
    header = bytearray(four_bit[:offset])
    struct.pack_into("<I", header, 30, 2)  # BI_RLE4
    struct.pack_into("<I", header, 34, len(encoded))
    struct.pack_into("<I", header, 2, offset + len(encoded))
    return bytes(header) + bytes(encoded)


def claimed_size(width, height, bpp=24, compression=0, pixels=bytes(16)):
    """A bitmap header claiming width x height, followed by only `pixels` (and a grey scale
    palette for a palette format)."""
    palette = b"".join(bytes((i, i, i, 0)) for i in range(1 << bpp)) if bpp <= 8 else b""
    offset = 54 + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels),
                       2835, 2835, 0, 0)
    return file_header + info + palette + pixels


# --- sounds ----------------------------------------------------------------------------------

def sox(source, out, *effects_and_format):
    """Writes `out` with sox from one of the default sounds; arguments before "--" are output
    format options, after it effects."""
    fmt, effects = list(effects_and_format), []
    if "--" in fmt:
        i = fmt.index("--")
        fmt, effects = fmt[:i], fmt[i + 1:]
    subprocess.run(["sox", os.path.join(DATA, source), *fmt, out, *effects], check=True,
                   capture_output=True)
    with open(out, "rb") as f:
        return f.read()


def wav_data_offset(wav: bytes) -> int:
    """Where the samples of the 'data' chunk begin."""
    assert wav[:4] == b"RIFF" and wav[8:12] == b"WAVE"
    pos = 12
    while pos + 8 <= len(wav):
        chunk, size = struct.unpack_from("<4sI", wav, pos)
        if chunk == b"data":
            return pos + 8
        pos += 8 + size + (size & 1)
    raise ValueError("no data chunk")


def wav_format(wav: bytes):
    """(channels, rate, bits per sample) of the 'fmt ' chunk."""
    pos = 12
    while pos + 8 <= len(wav):
        chunk, size = struct.unpack_from("<4sI", wav, pos)
        if chunk == b"fmt ":
            _tag, channels, rate, _bps, _align, bits = struct.unpack_from("<HHIIHH", wav, pos + 8)
            return channels, rate, bits
        pos += 8 + size + (size & 1)
    raise ValueError("no fmt chunk")

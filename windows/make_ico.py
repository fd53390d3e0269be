"""make_ico.py OUT.ico PNG...: a Windows icon holding the PNG pictures as they are (Windows
reads PNG-compressed icon images since Vista), each entry sized from its PNG header."""
import struct
import sys


def main(out, pngs):
    images = []
    for path in pngs:
        with open(path, "rb") as f:
            data = f.read()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            sys.exit(f"{path}: not a PNG file")
        width, height = struct.unpack(">II", data[16:24])
        images.append((width, height, data))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for width, height, data in images:
        # 256 is written as 0; 32 bits a pixel, one plane.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + entries + b"".join(d for _, _, d in images))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])

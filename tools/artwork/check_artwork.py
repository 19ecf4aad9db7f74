#!/usr/bin/python3
"""Checks the file formats of the generated artwork in a resources folder.

    check_artwork.py RESOURCES_DIR
    check_artwork.py --self-test RESOURCES_DIR

The first form checks every file gen-artwork writes: presence, JPEG baseline
frames and sizes, 24-bit uncompressed BMP, 16-colour ICO images with their
masks, and PNG headers and chunks.  It prints one line per problem, naming the
file, and exits with status 1 if there is any.

The second form damages copies of the files in a temporary folder, one fault
at a time, and makes sure the check notices each of them.

Conventions checked for ICO: each image is 4 bits per pixel and its directory
entry gives bColorCount = 16 (the number of palette colours, as is usual for
images with fewer than 256 colours), wPlanes = 1 and wBitCount = 4.
"""

import os
import shutil
import struct
import sys
import tempfile
import zlib

PICTURE_COUNT = 8
PICTURE_SIZE = (107, 65)
BANNER_SIZE = (374, 29)
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# Image sizes inside each icon file, in file order.
ICO_SIZES = {
    "main.ico": (32, 64),
    "search.ico": (32, 16, 64),
}
PNG_ALLOWED_CHUNKS = {b"IHDR", b"pHYs", b"IDAT", b"IEND"}
# Start-of-frame markers other than baseline (0xC0): extended, progressive,
# lossless and arithmetic-coded frames.
NON_BASELINE_SOF = {0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF}


class Fault(Exception):
    pass


def expected_files():
    """Relative path -> checker for every generated file."""
    files = {}
    for i in range(PICTURE_COUNT):
        files[f"pictures/type{i}.jpg"] = lambda d, s=1: check_jpeg(d, s)
        files[f"pictures/type{i}@2x.jpg"] = lambda d, s=2: check_jpeg(d, s)
    files["banner.bmp"] = lambda d: check_bmp(d, 1)
    files["banner@2x.bmp"] = lambda d: check_bmp(d, 2)
    for name, sizes in ICO_SIZES.items():
        files[name] = lambda d, sizes=sizes: check_ico(d, sizes)
    for n in HICOLOR_SIZES:
        files[f"icons/hicolor/{n}x{n}/apps/model-xref.png"] = lambda d, n=n: check_png(d, n)
    files["README.md"] = check_readme
    return files


def check_jpeg(data, scale):
    if data[:2] != b"\xff\xd8":
        raise Fault("no JPEG SOI marker")
    if data[-2:] != b"\xff\xd9":
        raise Fault("no JPEG EOI marker at the end")
    pos = 2
    sof0 = None
    while True:
        if pos + 4 > len(data) or data[pos] != 0xFF:
            raise Fault(f"broken JPEG marker structure at byte {pos}")
        marker = data[pos + 1]
        if marker == 0xFF:          # fill byte
            pos += 1
            continue
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        segment = data[pos + 4:pos + 2 + length]
        if len(segment) != length - 2:
            raise Fault(f"JPEG segment 0x{marker:02X} runs past the end of the file")
        if marker in NON_BASELINE_SOF:
            raise Fault(f"JPEG has a non-baseline frame (SOF marker 0x{marker:02X})")
        if marker == 0xC0:
            if sof0 is not None:
                raise Fault("JPEG has more than one SOF0 frame")
            sof0 = segment
        if marker == 0xDA:          # start of scan: header segments end here
            break
        pos += 2 + length
    if sof0 is None:
        raise Fault("JPEG has no SOF0 (baseline) frame")
    precision, height, width, components = struct.unpack(">BHHB", sof0[:6])
    want = (PICTURE_SIZE[0] * scale, PICTURE_SIZE[1] * scale)
    if (width, height) != want:
        raise Fault(f"JPEG is {width}x{height}, expected {want[0]}x{want[1]}")
    if precision != 8:
        raise Fault(f"JPEG sample precision is {precision}, expected 8")
    if components != 3:
        raise Fault(f"JPEG has {components} components, expected 3 (colour)")


def check_bmp(data, scale):
    if len(data) < 54 or data[:2] != b"BM":
        raise Fault("no BMP signature 'BM'")
    file_size, _, offset = struct.unpack("<IIL", data[2:14])
    if file_size != len(data):
        raise Fault(f"BMP header says {file_size} bytes, file has {len(data)}")
    (header_size, width, height, planes, bits, compression,
     image_size) = struct.unpack("<IiiHHII", data[14:38])
    if header_size != 40:
        raise Fault(f"BMP info header is {header_size} bytes, expected BITMAPINFOHEADER (40)")
    want = (BANNER_SIZE[0] * scale, BANNER_SIZE[1] * scale)
    if (width, abs(height)) != want:
        raise Fault(f"BMP is {width}x{abs(height)}, expected {want[0]}x{want[1]}")
    if planes != 1:
        raise Fault(f"BMP has {planes} planes, expected 1")
    if bits != 24:
        raise Fault(f"BMP has {bits} bits per pixel, expected 24")
    if compression != 0:
        raise Fault(f"BMP compression is {compression}, expected 0 (BI_RGB)")
    stride = (width * 3 + 3) // 4 * 4
    if offset + stride * abs(height) != len(data):
        raise Fault(f"BMP pixel data does not fill the file: offset {offset}, "
                    f"{stride * abs(height)} bytes of rows, file {len(data)} bytes")
    if image_size not in (0, stride * abs(height)):
        raise Fault(f"BMP image size field {image_size} does not match the rows")


def check_ico(data, sizes):
    if len(data) < 6:
        raise Fault("ICO too short")
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        raise Fault("not an ICO file (ICONDIR reserved/type wrong)")
    if count != len(sizes):
        raise Fault(f"ICO has {count} images, expected {len(sizes)}")
    end_of_directory = 6 + 16 * count
    next_offset = end_of_directory
    for i, size in enumerate(sizes):
        entry = data[6 + 16 * i:6 + 16 * (i + 1)]
        if len(entry) != 16:
            raise Fault("ICO directory runs past the end of the file")
        w, h, colours, res, planes, bits, length, offset = struct.unpack("<BBBBHHII", entry)
        w, h = w or 256, h or 256
        where = f"ICO image {i}"
        if (w, h) != (size, size):
            raise Fault(f"{where} is {w}x{h}, expected {size}x{size}")
        if colours != 16:
            raise Fault(f"{where} directory colour count is {colours}, expected 16")
        if res != 0:
            raise Fault(f"{where} reserved byte is {res}, expected 0")
        if planes != 1 or bits != 4:
            raise Fault(f"{where} directory says {planes} planes, {bits} bits, expected 1 and 4")
        if offset != next_offset:
            raise Fault(f"{where} starts at {offset}, expected {next_offset}")
        xor_stride = (size * 4 + 31) // 32 * 4
        and_stride = (size + 31) // 32 * 4
        want_length = 40 + 16 * 4 + (xor_stride + and_stride) * size
        if length != want_length:
            raise Fault(f"{where} has {length} bytes of data, expected {want_length}")
        image = data[offset:offset + length]
        if len(image) != length:
            raise Fault(f"{where} runs past the end of the file")
        (header_size, bw, bh, bplanes, bbits, compression, image_size, _, _, used,
         _) = struct.unpack("<IiiHHIIiiII", image[:40])
        if header_size != 40:
            raise Fault(f"{where} header is {header_size} bytes, expected 40")
        if (bw, bh) != (size, 2 * size):
            raise Fault(f"{where} bitmap header is {bw}x{bh}, expected {size}x{2 * size}")
        if bplanes != 1 or bbits != 4 or compression != 0:
            raise Fault(f"{where} bitmap is {bplanes} planes, {bbits} bits, compression "
                        f"{compression}; expected 1, 4, 0")
        if used not in (0, 16):
            raise Fault(f"{where} uses {used} palette colours, expected 16")
        if image_size not in (0, (xor_stride + and_stride) * size):
            raise Fault(f"{where} image size field {image_size} does not match its rows")
        mask = image[40 + 64 + xor_stride * size:]
        opaque = sum(8 - bin(byte).count("1") for row in range(size)
                     for byte in mask[row * and_stride:row * and_stride + size // 8])
        if opaque == 0:
            raise Fault(f"{where} is entirely transparent")
        if opaque == size * size:
            raise Fault(f"{where} has no transparent pixel")
        next_offset = offset + length
    if next_offset != len(data):
        raise Fault(f"ICO has {len(data) - next_offset} stray bytes after the last image")


def check_png(data, size):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Fault("no PNG signature")
    pos = 8
    chunks = []
    while pos < len(data):
        if pos + 12 > len(data):
            raise Fault("PNG chunk runs past the end of the file")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise Fault(f"PNG chunk {kind!r} runs past the end of the file")
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        if zlib.crc32(kind + body) != crc:
            raise Fault(f"PNG chunk {kind!r} has a bad CRC")
        chunks.append((kind, body))
        pos += 12 + length
    if not chunks or chunks[0][0] != b"IHDR" or len(chunks[0][1]) != 13:
        raise Fault("PNG does not start with an IHDR chunk")
    if chunks[-1][0] != b"IEND":
        raise Fault("PNG does not end with IEND")
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    if (width, height) != (size, size):
        raise Fault(f"PNG is {width}x{height}, expected {size}x{size}")
    if depth != 8 or colour != 6:
        raise Fault(f"PNG is bit depth {depth}, colour type {colour}; expected 8-bit RGBA (6)")
    extra = sorted({kind.decode("latin-1") for kind, _ in chunks} - {k.decode() for k in PNG_ALLOWED_CHUNKS})
    if extra:
        raise Fault(f"PNG has chunks that may vary or carry metadata: {', '.join(extra)}")


def check_readme(data):
    text = data.decode("utf-8", "replace")
    if "gen-artwork" not in text:
        raise Fault("README does not name the generator")


def check(root):
    """Returns a list of 'path: problem' lines."""
    problems = []
    for rel, checker in expected_files().items():
        path = os.path.join(root, rel)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            problems.append(f"{path}: missing or unreadable ({e.strerror})")
            continue
        try:
            checker(data)
        except Fault as e:
            problems.append(f"{path}: {e}")
        except (struct.error, IndexError) as e:
            problems.append(f"{path}: truncated or malformed ({e})")
    return problems


def patched(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def jpeg_marker_offset(data, marker):
    pos = 2
    while data[pos + 1] != marker:
        pos += 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
    return pos


def self_test(root):
    """Each fault must be reported, naming the damaged file."""
    if check(root):
        print("self-test needs a valid resources folder to start from:", file=sys.stderr)
        for line in check(root):
            print("  " + line, file=sys.stderr)
        return 1

    def progressive(d):
        return patched(d, jpeg_marker_offset(d, 0xC0) + 1, b"\xc2")

    def jpeg_height(d):
        return patched(d, jpeg_marker_offset(d, 0xC0) + 5, struct.pack(">H", 66))

    def ico_entry(d, field_offset, value):
        return patched(d, 6 + field_offset, value)

    faults = [
        ("pictures/type3.jpg", "missing", None),
        ("pictures/type0.jpg", "progressive frame", progressive),
        ("pictures/type5@2x.jpg", "wrong height", jpeg_height),
        ("pictures/type1.jpg", "not a JPEG", lambda d: b"\x00" + d[1:]),
        ("banner.bmp", "32 bits per pixel", lambda d: patched(d, 28, struct.pack("<H", 32))),
        ("banner@2x.bmp", "RLE compression", lambda d: patched(d, 30, struct.pack("<I", 1))),
        ("banner.bmp", "wrong width", lambda d: patched(d, 18, struct.pack("<i", 375))),
        ("main.ico", "8 bits per pixel", lambda d: ico_entry(d, 6, struct.pack("<H", 8))),
        ("main.ico", "colour count 0", lambda d: ico_entry(d, 2, b"\x00")),
        ("search.ico", "image height not doubled", lambda d: patched(
            d, struct.unpack("<I", d[18:22])[0] + 8, struct.pack("<i", 32))),
        ("search.ico", "truncated", lambda d: d[:-10]),
        ("search.ico", "missing 64 px image", lambda d: patched(d, 4, struct.pack("<H", 2))),
        ("icons/hicolor/48x48/apps/model-xref.png", "wrong size", lambda d: patched(
            d, 16, struct.pack(">I", 47))),
        ("icons/hicolor/16x16/apps/model-xref.png", "time stamp chunk", lambda d: d[:33] + (
            struct.pack(">I", 7) + b"tIME" + b"\x07\xe8\x01\x01\x00\x00\x00"
            + struct.pack(">I", zlib.crc32(b"tIME\x07\xe8\x01\x01\x00\x00\x00"))) + d[33:]),
        ("README.md", "empty", lambda d: b""),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for rel, what, damage in faults:
            copy = os.path.join(tmp, "res")
            shutil.rmtree(copy, ignore_errors=True)
            shutil.copytree(root, copy)
            path = os.path.join(copy, rel)
            if damage is None:
                os.remove(path)
            else:
                with open(path, "rb") as f:
                    data = f.read()
                with open(path, "wb") as f:
                    f.write(damage(data))
            problems = check(copy)
            named = [p for p in problems if p.startswith(path + ":")]
            others = [p for p in problems if not p.startswith(path + ":")]
            if not named or others:
                failures += 1
                print(f"self-test: {rel} ({what}) not reported correctly: {problems}", file=sys.stderr)
    if failures:
        return 1
    print(f"self-test: all {len(faults)} injected faults were reported")
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "--self-test":
        return self_test(argv[2])
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: check_artwork.py [--self-test] RESOURCES_DIR", file=sys.stderr)
        return 2
    problems = check(argv[1])
    for line in problems:
        print("FAIL " + line)
    if problems:
        return 1
    print(f"artwork OK: {len(expected_files())} files in {argv[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""Screenshots and what their pixels show: a window drawn, text in a box, an access key's
underline, an icon. Rectangles are (x, y, width, height) on the screen."""

import os
import subprocess
from collections import Counter

from e2e_support import check, log, run_quiet


def _tool(name):
    """ImageMagick's tools as Debian installs them, else whatever PATH finds."""
    path = os.path.join("/usr/bin", name)
    return path if os.access(path, os.X_OK) else name


IMPORT = _tool("import")
CONVERT = _tool("convert")
IDENTIFY = _tool("identify")


def capture(path, display=None):
    """Saves the whole screen of display (by default DISPLAY's) as a PNG file."""
    subprocess.run([IMPORT, *(["-display", display] if display else []), "-window", "root",
                    path], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                   timeout=20)


def gray_pixels(png, rect):
    """The grey levels (0 black - 255 white) of a rectangle of a screenshot, as rows."""
    x, y, w, h = rect
    data = subprocess.run([CONVERT, png, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                           "-colorspace", "Gray", "-depth", "8", "pgm:-"],
                          check=True, stdout=subprocess.PIPE, timeout=20).stdout
    # Binary PGM: "P5", width, height, maxval, then one byte a pixel.
    fields = data.split(maxsplit=4)
    check(fields[0] == b"P5", "convert did not write a PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4]
    return [list(pixels[r * width:(r + 1) * width]) for r in range(height)]


def ink_pixels(rows):
    """rows with every pixel that stands out from the commonest grey (text, on a light or a
    dark background) made 0 and every other pixel 255."""
    background = Counter(p for row in rows for p in row).most_common(1)[0][0]
    return [[0 if abs(p - background) > 100 else 255 for p in row] for row in rows]


def dark_runs(row, threshold=110):
    """(start, length) of each run of dark pixels in a row."""
    runs, start = [], None
    for i, value in enumerate(row + [255]):
        if value < threshold and start is None:
            start = i
        elif value >= threshold and start is not None:
            runs.append((start, i - start))
            start = None
    return runs


def check_access_key(png, rect, letter_at, name, inset=2):
    """The caption of a button (one without descenders) in rect has its access key underlined:
    its lowest row of ink is one short line under one letter, which starts near letter_at (a
    share of the caption's width)."""
    x, y, w, h = rect
    rows = ink_pixels(gray_pixels(png, (x + inset, y + inset, w - 2 * inset, h - 2 * inset)))
    dark_rows = [r for r, row in enumerate(rows) if dark_runs(row)]
    check(dark_rows, f'"{name}": no caption drawn in {rect}')
    lowest = dark_rows[-1]
    # Above the underline, after a blank row or two, the letters; above them a blank gap again.
    bottom = lowest - 1
    while bottom >= 0 and bottom not in dark_rows and lowest - bottom <= 3:
        bottom -= 1
    check(bottom < lowest - 1 and bottom in dark_rows,
          f'"{name}": the lowest dark row is not set apart below the caption\'s letters')
    top = bottom
    while top - 1 in dark_rows:
        top -= 1
    columns = [c for r in range(top, bottom + 1) for start, length in dark_runs(rows[r])
               for c in range(start, start + length)]
    left, right = min(columns), max(columns)
    runs = dark_runs(rows[lowest])
    check(len(runs) == 1, f'"{name}": the lowest caption row has {len(runs)} dark runs, not '
          f"one underline: {runs}")
    start, length = runs[0]
    start, width = start - left, right - left + 1
    check(3 <= length <= width / 2, f'"{name}": the lowest caption row is {length} px wide of a '
          f"{width} px caption: not an underline under one letter")
    check(abs(start / width - letter_at) < 0.12, f'"{name}": underline at {start}/{width} px, '
          f"expected near {letter_at:.0%} of the caption")
    log(f'"{name}": access key underlined ({length} px at {start}/{width})')


def region_differs(png_a, png_b, rect, min_fraction=0.05):
    a = gray_pixels(png_a, rect)
    b = gray_pixels(png_b, rect)
    changed = sum(1 for ra, rb in zip(a, b) for pa, pb in zip(ra, rb) if abs(pa - pb) > 40)
    total = max(1, rect[2] * rect[3])
    return changed / total >= min_fraction


def is_drawn(png, rect):
    """Whether a window's area is painted: a window is mapped black until it paints."""
    pixels = [p for row in gray_pixels(png, rect) for p in row]
    return sum(1 for p in pixels if p < 8) < len(pixels) / 4


def has_text(png, rect, inset=3):
    """Whether a rectangle, less its frame, shows text that stands out from its background,
    light or dark."""
    x, y, w, h = rect
    rows = gray_pixels(png, (x + inset, y + inset, w - 2 * inset, h - 2 * inset))
    pixels = [p for row in ink_pixels(rows) for p in row]
    return sum(1 for p in pixels if p == 0) > len(pixels) / 200


def ico_images(path):
    """The images of an .ico file as ImageMagick reads them: {(width, height): [ARGB, ...]}."""
    images = {}
    count = len(run_quiet([IDENTIFY, path]).splitlines())
    for index in range(count):
        geometry = run_quiet([IDENTIFY, "-format", "%w %h", f"{path}[{index}]"]).split()
        w, h = int(geometry[0]), int(geometry[1])
        raw = subprocess.run([CONVERT, f"{path}[{index}]", "-depth", "8", "rgba:-"],
                             check=True, capture_output=True, timeout=20).stdout
        images[(w, h)] = [(raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
                          for i in range(0, len(raw), 4)]
    return images


def same_icon(argb_a, argb_b):
    """Two ARGB images agree: the same transparency, and the same colour where opaque."""
    return len(argb_a) == len(argb_b) and all(
        a >> 24 == b >> 24 and (a >> 24 == 0 or a & 0xFFFFFF == b & 0xFFFFFF)
        for a, b in zip(argb_a, argb_b))

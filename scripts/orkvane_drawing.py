"""Small raster drawing for the program icon and the demo icons.

Shapes are antialiased from their signed distance (half a pixel of soft
edge), so no supersampling is needed. Python standard library only.
"""
import math
import struct
import zlib


def hex_colour(text, alpha=1.0):
    """'#RRGGBB' to an (r, g, b, a) tuple of floats in 0..1."""
    text = text.lstrip('#')
    return (int(text[0:2], 16) / 255.0, int(text[2:4], 16) / 255.0, int(text[4:6], 16) / 255.0, alpha)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


class Canvas:
    """A square or rectangular RGBA image, straight (not premultiplied) alpha."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (width * height)

    def _blend(self, x, y, colour, coverage):
        if coverage <= 0.0:
            return
        index = y * self.width + x
        dr, dg, db, da = self.pixels[index]
        sr, sg, sb, sa = colour
        sa *= min(coverage, 1.0)
        out_a = sa + da * (1.0 - sa)
        if out_a <= 0.0:
            return
        keep = da * (1.0 - sa)
        self.pixels[index] = ((sr * sa + dr * keep) / out_a, (sg * sa + dg * keep) / out_a,
                              (sb * sa + db * keep) / out_a, out_a)

    def fill_shape(self, distance, colour_at, bounds):
        """Fills where distance(px, py) < 0; colour_at(px, py) gives the colour."""
        x0, y0, x1, y1 = bounds
        for y in range(max(0, int(y0) - 1), min(self.height, int(math.ceil(y1)) + 1)):
            py = y + 0.5
            for x in range(max(0, int(x0) - 1), min(self.width, int(math.ceil(x1)) + 1)):
                px = x + 0.5
                coverage = 0.5 - distance(px, py)
                if coverage > 0.0:
                    self._blend(x, y, colour_at(px, py), coverage)

    def rounded_rect(self, x0, y0, x1, y1, radius, colour):
        """colour: a tuple, or a function (px, py) -> tuple for gradients."""
        radius = max(0.0, min(radius, (x1 - x0) / 2.0, (y1 - y0) / 2.0))
        cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

        def distance(px, py):
            qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
            outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
            return outside + min(max(qx, qy), 0.0) - radius

        colour_at = colour if callable(colour) else (lambda px, py: colour)
        self.fill_shape(distance, colour_at, (x0, y0, x1, y1))

    def circle(self, cx, cy, r, colour):
        colour_at = colour if callable(colour) else (lambda px, py: colour)
        self.fill_shape(lambda px, py: math.hypot(px - cx, py - cy) - r, colour_at, (cx - r, cy - r, cx + r, cy + r))

    def polygon(self, points, colour):
        """A convex polygon, points in clockwise or counter-clockwise order."""
        edges = []
        n = len(points)
        area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1] for i in range(n))
        sign = 1.0 if area > 0 else -1.0
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            length = math.hypot(bx - ax, by - ay)
            # Outward normal of the edge.
            nx, ny = sign * (by - ay) / length, -sign * (bx - ax) / length
            edges.append((nx, ny, nx * ax + ny * ay))

        def distance(px, py):
            return max(nx * px + ny * py - c for nx, ny, c in edges)

        colour_at = colour if callable(colour) else (lambda px, py: colour)
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        self.fill_shape(distance, colour_at, (min(xs), min(ys), max(xs), max(ys)))

    def rgba_bytes(self):
        out = bytearray()
        for r, g, b, a in self.pixels:
            out += bytes((round(r * 255), round(g * 255), round(b * 255), round(a * 255)))
        return bytes(out)

    def png_bytes(self):
        raw = self.rgba_bytes()
        stride = self.width * 4
        rows = b''.join(b'\x00' + raw[y * stride:(y + 1) * stride] for y in range(self.height))

        def chunk(kind, data):
            return (struct.pack('>I', len(data)) + kind + data
                    + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

        header = struct.pack('>IIBBBBB', self.width, self.height, 8, 6, 0, 0, 0)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9))
                + chunk(b'IEND', b''))

    def dib_bytes(self):
        """32-bit BGRA rows bottom-up followed by the 1-bit AND mask, as an
        icon directory entry stores a bitmap image."""
        raw = self.rgba_bytes()
        header = struct.pack('<IiiHHIIiiII', 40, self.width, self.height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = bytearray()
        for y in range(self.height - 1, -1, -1):
            for x in range(self.width):
                i = (y * self.width + x) * 4
                colour += bytes((raw[i + 2], raw[i + 1], raw[i], raw[i + 3]))
        mask_stride = ((self.width + 31) // 32) * 4
        mask = bytearray()
        for y in range(self.height - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(self.width):
                if raw[(y * self.width + x) * 4 + 3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        return header + bytes(colour) + bytes(mask)


def ico_bytes(canvases):
    """An .ico file: bitmap images below 256 pixels, PNG for 256."""
    images = [c.png_bytes() if c.width >= 256 else c.dib_bytes() for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(canvases))
    offset = 6 + 16 * len(canvases)
    for canvas, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)

#!/usr/bin/python3
"""Writes the DXF fixtures of the outline-import tests with ezdxf.

Letters are taken from a TrueType font (DejaVu Sans; its quadratic glyph
contours are read here directly) and written as SPLINE entities of several
kinds: quadratic (the font's own curves), cubic (each piece raised to degree
3, knots running 0..n), and cubic through fit points (C2, one knot per
point).  A full circle is written as a rational quadratic spline.  Beside each
file, <name>.lengths holds one line per spline: its number and its length
(computed here from the spline itself, densely sampled).

Run once with Debian's python3-ezdxf:  /usr/bin/python3 make_dxf_fixtures.py
"""
import math
import os
import struct
import sys

import ezdxf
from ezdxf.math import BSpline, global_bspline_interpolation, rational_bspline_from_arc

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))
HEIGHT = 100.0  # mm per em


class TrueType:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.b = f.read()
        n = struct.unpack_from(">H", self.b, 4)[0]
        self.tables = {}
        for i in range(n):
            tag, _, off, length = struct.unpack_from(">4sIII", self.b, 12 + 16 * i)
            self.tables[tag.decode("latin-1")] = (off, length)
        head = self.tables["head"][0]
        self.units = struct.unpack_from(">H", self.b, head + 18)[0]
        self.loc_format = struct.unpack_from(">h", self.b, head + 50)[0]
        self.cmap = self._cmap()

    def _cmap(self):
        base = self.tables["cmap"][0]
        _, count = struct.unpack_from(">HH", self.b, base)
        for i in range(count):
            pid, eid, off = struct.unpack_from(">HHI", self.b, base + 4 + 8 * i)
            sub = base + off
            if pid == 3 and eid == 1 and struct.unpack_from(">H", self.b, sub)[0] == 4:
                seg2 = struct.unpack_from(">H", self.b, sub + 6)[0]
                seg = seg2 // 2
                ends = struct.unpack_from(">%dH" % seg, self.b, sub + 14)
                starts = struct.unpack_from(">%dH" % seg, self.b, sub + 16 + seg2)
                deltas = struct.unpack_from(">%dh" % seg, self.b, sub + 16 + 2 * seg2)
                ro_pos = sub + 16 + 3 * seg2
                ros = struct.unpack_from(">%dH" % seg, self.b, ro_pos)
                table = {}
                for k in range(seg):
                    for c in range(starts[k], ends[k] + 1):
                        if c == 0xFFFF:
                            continue
                        if ros[k] == 0:
                            g = (c + deltas[k]) & 0xFFFF
                        else:
                            p = ro_pos + 2 * k + ros[k] + 2 * (c - starts[k])
                            g = struct.unpack_from(">H", self.b, p)[0]
                            if g:
                                g = (g + deltas[k]) & 0xFFFF
                        table[c] = g
                return table
        raise RuntimeError("no unicode cmap")

    def _glyph_offset(self, g):
        loca = self.tables["loca"][0]
        if self.loc_format == 0:
            a, b = struct.unpack_from(">HH", self.b, loca + 2 * g)
            return 2 * a, 2 * b
        return struct.unpack_from(">II", self.b, loca + 4 * g)

    def contours(self, ch):
        """The glyph's contours as lists of (x, y, on_curve), in font units."""
        g = self.cmap[ord(ch)]
        a, b = self._glyph_offset(g)
        p = self.tables["glyf"][0] + a
        nc = struct.unpack_from(">h", self.b, p)[0]
        if nc < 0:
            raise RuntimeError("composite glyph %r" % ch)
        ends = struct.unpack_from(">%dH" % nc, self.b, p + 10)
        npts = ends[-1] + 1
        q = p + 10 + 2 * nc
        ilen = struct.unpack_from(">H", self.b, q)[0]
        q += 2 + ilen
        flags = []
        while len(flags) < npts:
            f = self.b[q]
            q += 1
            flags.append(f)
            if f & 8:
                r = self.b[q]
                q += 1
                flags.extend([f] * r)
        def coords(short, same):
            nonlocal q
            out, v = [], 0
            for f in flags:
                if f & short:
                    d = self.b[q]
                    q += 1
                    v += d if f & same else -d
                elif not f & same:
                    v += struct.unpack_from(">h", self.b, q)[0]
                    q += 2
                out.append(v)
            return out
        xs = coords(2, 16)
        ys = coords(4, 32)
        result, start = [], 0
        for e in ends:
            result.append([(xs[i], ys[i], bool(flags[i] & 1)) for i in range(start, e + 1)])
            start = e + 1
        return result


def quad_pieces(contour, scale, dx):
    """Closed chain of quadratic Bezier pieces (p0, c, p1) in mm."""
    pts = [((x * scale) + dx, y * scale, on) for x, y, on in contour]
    n = len(pts)
    # Start at an on-curve point (or the midpoint of two off-curve ones).
    k = next((i for i in range(n) if pts[i][2]), None)
    if k is None:
        a, b = pts[0], pts[1]
        pts = [((a[0] + b[0]) / 2, (a[1] + b[1]) / 2, True)] + pts[1:] + pts[:1]
        k = 0
    pts = pts[k:] + pts[:k]
    pts.append(pts[0])
    pieces, cur, ctrl = [], pts[0][:2], None
    for x, y, on in pts[1:]:
        if on:
            if ctrl is None:
                ctrl = ((cur[0] + x) / 2, (cur[1] + y) / 2)  # a straight piece
            pieces.append((cur, ctrl, (x, y)))
            cur, ctrl = (x, y), None
        else:
            if ctrl is not None:
                mid = ((ctrl[0] + x) / 2, (ctrl[1] + y) / 2)
                pieces.append((cur, ctrl, mid))
                cur = mid
            ctrl = (x, y)
    if ctrl is not None:
        pieces.append((cur, ctrl, pts[0][:2]))
    return pieces


def quadratic_spline(pieces):
    ctrl = [pieces[0][0]]
    for _, c, p1 in pieces:
        ctrl += [c, p1]
    n = len(pieces)
    knots = [0.0] * 3 + [float(i) for i in range(1, n) for _ in (0, 1)] + [float(n)] * 3
    return 2, ctrl, knots, None


def cubic_spline(pieces):
    ctrl = [pieces[0][0]]
    for p0, c, p1 in pieces:
        ctrl += [(p0[0] + 2 / 3 * (c[0] - p0[0]), p0[1] + 2 / 3 * (c[1] - p0[1])),
                 (p1[0] + 2 / 3 * (c[0] - p1[0]), p1[1] + 2 / 3 * (c[1] - p1[1])), p1]
    n = len(pieces)
    knots = [0.0] * 4 + [float(i) for i in range(1, n) for _ in (0, 1, 2)] + [float(n)] * 4
    return 3, ctrl, knots, None


def fitted_spline(pieces):
    # Points along the glyph, a few per piece, closing on the first.
    fit = []
    for p0, c, p1 in pieces:
        for t in (0.0, 0.5):
            u = 1 - t
            fit.append((u * u * p0[0] + 2 * u * t * c[0] + t * t * p1[0],
                        u * u * p0[1] + 2 * u * t * c[1] + t * t * p1[1]))
    fit.append(fit[0])
    s = global_bspline_interpolation(fit, degree=3, method="chord")
    ctrl = [(v.x, v.y) for v in s.control_points]
    return 3, ctrl, list(s.knots()), None


def length(degree, ctrl, knots, weights):
    s = BSpline(ctrl, order=degree + 1, knots=knots, weights=weights)
    pts = list(s.approximate(segments=max(4000, 400 * len(ctrl))))
    return sum(math.hypot(pts[i + 1].x - pts[i].x, pts[i + 1].y - pts[i].y) for i in range(len(pts) - 1))


def write(name, splines):
    doc = ezdxf.new("R2010")
    doc.header["$INSUNITS"] = 4  # the letters are drawn in millimetres
    msp = doc.modelspace()
    lines = []
    for i, (degree, ctrl, knots, weights) in enumerate(splines, 1):
        e = msp.add_spline(dxfattribs={"layer": "LETTERS"})
        e.dxf.degree = degree
        e.control_points = [(x, y, 0) for x, y in ctrl]
        e.knots = knots
        if weights:
            e.weights = weights
        lines.append("%d %.9f" % (i, length(degree, ctrl, knots, weights)))
    doc.saveas(os.path.join(HERE, name + ".dxf"))
    with open(os.path.join(HERE, name + ".lengths"), "w") as f:
        f.write("\n".join(lines) + "\n")


def letters(font, text, kind):
    scale = HEIGHT / font.units
    out, dx = [], 0.0
    for ch in text:
        for contour in font.contours(ch):
            out.append(kind(quad_pieces(contour, scale, dx)))
        dx += 80.0
    return out


def main():
    font = TrueType(FONT)
    write("letters_quadratic", letters(font, "Ag8", quadratic_spline))
    write("letters_cubic", letters(font, "BRe", cubic_spline))
    write("letters_fitted", letters(font, "S5", fitted_spline))
    c = rational_bspline_from_arc(center=(0, 0), radius=50, start_angle=0, end_angle=360, segments=4)
    circle = (c.degree, [(v.x, v.y) for v in c.control_points], list(c.knots()), list(c.weights()))
    write("circle_rational", [circle])
    return 0


if __name__ == "__main__":
    sys.exit(main())

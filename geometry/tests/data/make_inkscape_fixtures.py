#!/usr/bin/python3
"""Writes the DXF fixtures in the shape of a design tool's R14 export.

The shape is that of Inkscape's "Desktop Cutting Plotter (AutoCAD DXF R14)"
export: group codes right-aligned in three columns, LF line ends, numbers
with six decimals, entities with subclass markers (100) and no extrusion
group (210).  Curved runs are SPLINE entities interpolating fit points with
chord-length knots (cubic, clamped, zero curvature at both ends; the fit
points follow as 11/21/31); straight runs are LWPOLYLINE or LINE entities.
The header names a drawing unit that does not match the drawing (inches),
as such tools often do: the coordinates are millimetres.

  inkscape_letter_d.dxf    the letter D: its two bowls as SPLINEs, the
                           outer stem and a frame as LWPOLYLINEs, the inner
                           stem as a LINE
  inkscape_letters_lw.dxf  the letters L and I as closed LWPOLYLINEs only

Run once with any python3 (no modules needed):
    python3 make_inkscape_fixtures.py
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


# ------------------------------------------------------------- B-spline maths

def basis(knots, degree, i, t):
    """Value of the i-th B-spline basis function at t (Cox-de Boor)."""
    if degree == 0:
        last = knots[-1]
        if knots[i] <= t < knots[i + 1]:
            return 1.0
        # The end of the domain belongs to the last non-empty span.
        if t == last and knots[i] < knots[i + 1] == last:
            return 1.0
        return 0.0
    value = 0.0
    a = knots[i + degree] - knots[i]
    if a > 0:
        value += (t - knots[i]) / a * basis(knots, degree - 1, i, t)
    b = knots[i + degree + 1] - knots[i + 1]
    if b > 0:
        value += (knots[i + degree + 1] - t) / b * basis(knots, degree - 1, i + 1, t)
    return value


def second_derivative_row(knots, n, t):
    """Second derivatives of the n cubic basis functions at t, by the
    derivative formula of B-splines."""
    def d1(i, p, x):
        v = 0.0
        a = knots[i + p] - knots[i]
        if a > 0:
            v += p / a * basis(knots, p - 1, i, x)
        b = knots[i + p + 1] - knots[i + 1]
        if b > 0:
            v -= p / b * basis(knots, p - 1, i + 1, x)
        return v

    def d2(i, p, x):
        v = 0.0
        a = knots[i + p] - knots[i]
        if a > 0:
            v += p / a * d1(i, p - 1, x)
        b = knots[i + p + 1] - knots[i + 1]
        if b > 0:
            v -= p / b * d1(i + 1, p - 1, x)
        return v

    return [d2(i, 3, t) for i in range(n)]


def solve(matrix, rhs):
    """Gaussian elimination with partial pivoting."""
    n = len(rhs)
    m = [row[:] + [rhs[k]] for k, row in enumerate(matrix)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(c + 1, n):
            f = m[r][c] / m[c][c]
            for k in range(c, n + 1):
                m[r][k] -= f * m[c][k]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        x[r] = (m[r][n] - sum(m[r][k] * x[k] for k in range(r + 1, n))) / m[r][r]
    return x


def interpolate(fits):
    """Cubic through the fit points with chord-length parameters and zero
    curvature at both ends: (knots, control points)."""
    d = [0.0]
    for a, b in zip(fits, fits[1:]):
        d.append(d[-1] + math.hypot(b[0] - a[0], b[1] - a[1]))
    knots = [d[0]] * 3 + d + [d[-1]] * 3
    n = len(fits) + 2
    rows = [[basis(knots, 3, i, t) for i in range(n)] for t in d]
    rows.append(second_derivative_row(knots, n, d[0]))
    rows.append(second_derivative_row(knots, n, d[-1]))
    xs = solve(rows, [p[0] for p in fits] + [0.0, 0.0])
    ys = solve(rows, [p[1] for p in fits] + [0.0, 0.0])
    return knots, list(zip(xs, ys))


# ------------------------------------------------------------- DXF text

class Dxf:
    def __init__(self):
        self.lines = []
        self.handle = 0x100

    def pair(self, code, value):
        self.lines.append("%3d" % code)
        self.lines.append(str(value))

    def next_handle(self):
        self.handle += 1
        return "%x" % self.handle

    def header(self):
        for code, value in [(0, "SECTION"), (2, "HEADER"),
                            (9, "$ACADVER"), (1, "AC1014"),
                            (9, "$HANDSEED"), (5, "FFFF"),
                            (9, "$INSUNITS"), (70, "     1"),    # inches: not what the drawing uses
                            (9, "$MEASUREMENT"), (70, "     1"),
                            (0, "ENDSEC"),
                            (0, "SECTION"), (2, "TABLES"),
                            (0, "TABLE"), (2, "LAYER"), (5, "2"), (100, "AcDbSymbolTable"), (70, "1"),
                            (0, "LAYER"), (5, "50"), (100, "AcDbSymbolTableRecord"),
                            (100, "AcDbLayerTableRecord"), (2, "0"), (70, "0"), (6, "CONTINUOUS"),
                            (0, "ENDTAB"),
                            (0, "ENDSEC"),
                            (0, "SECTION"), (2, "BLOCKS"),
                            (0, "BLOCK"), (5, "20"), (100, "AcDbEntity"), (8, "0"),
                            (100, "AcDbBlockBegin"), (2, "*MODEL_SPACE"), (70, "     0"),
                            (10, "0.0"), (20, "0.0"), (30, "0.0"), (3, "*MODEL_SPACE"), (1, ""),
                            (0, "ENDBLK"), (5, "21"), (100, "AcDbEntity"), (8, "0"), (100, "AcDbBlockEnd"),
                            (0, "ENDSEC"),
                            (0, "SECTION"), (2, "ENTITIES")]:
            self.pair(code, value)

    def footer(self):
        for code, value in [(0, "ENDSEC"),
                            (0, "SECTION"), (2, "OBJECTS"),
                            (0, "DICTIONARY"), (5, "C"), (100, "AcDbDictionary"),
                            (0, "ENDSEC"),
                            (0, "EOF")]:
            self.pair(code, value)

    def entity(self, name, subclass):
        self.pair(0, name)
        self.pair(5, self.next_handle())
        self.pair(100, "AcDbEntity")
        self.pair(8, "0")
        self.pair(62, "7")
        self.pair(100, subclass)

    def spline(self, fits):
        knots, ctrl = interpolate(fits)
        self.entity("SPLINE", "AcDbSpline")
        self.pair(70, "0")
        self.pair(71, "3")
        self.pair(72, len(knots))
        self.pair(73, len(ctrl))
        self.pair(74, len(fits))
        for k in knots:
            self.pair(40, "%f" % k)
        for x, y in ctrl:
            self.pair(10, "%f" % x)
            self.pair(20, "%f" % y)
            self.pair(30, "0.0")
        for x, y in fits:
            self.pair(11, "%f" % x)
            self.pair(21, "%f" % y)
            self.pair(31, "0.0")

    def lwpolyline(self, points, closed):
        self.entity("LWPOLYLINE", "AcDbPolyline")
        self.pair(90, len(points))
        self.pair(70, 1 if closed else 0)
        for x, y in points:
            self.pair(10, "%f" % x)
            self.pair(20, "%f" % y)
            self.pair(30, "0.0")

    def line(self, a, b):
        self.entity("LINE", "AcDbLine")
        self.pair(10, "%f" % a[0])
        self.pair(20, "%f" % a[1])
        self.pair(30, "0.0")
        self.pair(11, "%f" % b[0])
        self.pair(21, "%f" % b[1])
        self.pair(31, "0.0")

    def write(self, name):
        with open(os.path.join(HERE, name), "w", newline="\n") as f:
            f.write("\n".join(self.lines) + "\n")


def bowl(x0, top, bottom, width, steps=8):
    """Fit points of a D's bowl from (x0, top) round to (x0, bottom)."""
    cy = (top + bottom) / 2
    r = (top - bottom) / 2
    pts = []
    for k in range(steps + 1):
        a = math.pi / 2 - math.pi * k / steps
        pts.append((round(x0 + width * math.cos(a), 6), round(cy + r * math.sin(a), 6)))
    pts[0] = (x0, top)
    pts[-1] = (x0, bottom)
    return pts


def main():
    d = Dxf()
    d.header()
    d.spline(bowl(0.0, 100.0, 0.0, 80.0))
    d.lwpolyline([(0.0, 0.0), (0.0, 100.0)], False)
    d.spline(bowl(20.0, 80.0, 20.0, 45.0, 6))
    d.line((20.0, 20.0), (20.0, 80.0))
    d.lwpolyline([(-10.0, -10.0), (100.0, -10.0), (100.0, 110.0), (-10.0, 110.0)], True)
    d.footer()
    d.write("inkscape_letter_d.dxf")

    lw = Dxf()
    lw.header()
    lw.lwpolyline([(0, 0), (60, 0), (60, 15), (15, 15), (15, 100), (0, 100)], True)
    lw.lwpolyline([(80, 0), (95, 0), (95, 100), (80, 100)], True)
    lw.footer()
    lw.write("inkscape_letters_lw.dxf")


if __name__ == "__main__":
    main()

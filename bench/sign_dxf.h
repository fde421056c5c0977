// The benchmark sign: a DXF drawing of hundreds of letters (1137 at 5.5 MB),
// each three closed cubic spline contours on wobbly ellipses (an outer
// contour of 12 pieces and two counters of 8), laid out 60 to a row.
#pragma once
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace velbend::bench {

inline std::string Num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.10g", v);
    return b;
}

// One closed contour around (cx, cy): n cubic Bezier pieces on a wobbly
// ellipse, as a clamped cubic spline with triple inner knots.
inline void AddContour(std::string& out, int& handle, std::mt19937& rng, double cx, double cy, double rx, double ry,
                int n) {
    std::uniform_real_distribution<double> wob(0.85, 1.15);
    std::vector<std::pair<double, double>> on(n);
    for (int i = 0; i < n; ++i) {
        double a = 6.283185307179586 * i / n;
        double w = wob(rng);
        on[i] = {cx + rx * w * std::cos(a), cy + ry * w * std::sin(a)};
    }
    std::vector<std::pair<double, double>> ctrl;
    for (int i = 0; i < n; ++i) {
        auto p0 = on[i], p1 = on[(i + 1) % n];
        auto pm = on[(i + n - 1) % n], pn = on[(i + 2) % n];
        ctrl.push_back(p0);
        ctrl.push_back({p0.first + (p1.first - pm.first) / 6, p0.second + (p1.second - pm.second) / 6});
        ctrl.push_back({p1.first - (pn.first - p0.first) / 6, p1.second - (pn.second - p0.second) / 6});
    }
    ctrl.push_back(on[0]);
    std::vector<double> knots(4, 0.0);
    for (int i = 1; i < n; ++i)
        for (int k = 0; k < 3; ++k) knots.push_back(static_cast<double>(i) / n);
    for (int k = 0; k < 4; ++k) knots.push_back(1.0);

    char h[16];
    std::snprintf(h, sizeof h, "%X", handle++);
    out += "  0\nSPLINE\n  5\n" + std::string(h) + "\n330\n1F\n100\nAcDbEntity\n  8\nLETTERS\n100\nAcDbSpline\n";
    out += "210\n0.0\n220\n0.0\n230\n1.0\n 70\n8\n 71\n3\n 72\n" + std::to_string(knots.size()) + "\n 73\n" +
           std::to_string(ctrl.size()) + "\n 74\n0\n 42\n0.0000001\n 43\n0.0000001\n";
    for (double k : knots) out += " 40\n" + Num(k) + "\n";
    for (auto [x, y] : ctrl) out += " 10\n" + Num(x) + "\n 20\n" + Num(y) + "\n 30\n0.0\n";
}

// The whole drawing, grown until it reaches `bytes` bytes.
inline std::string SignDxf(int& letters, int& splines, size_t bytes = 5500000) {
    std::mt19937 rng(2024);
    std::string out =
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1024\n  9\n$EXTMIN\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
        "  9\n$EXTMAX\n 10\n4000.0\n 20\n4000.0\n 30\n0.0\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
    int handle = 0x100;
    letters = 0;
    splines = 0;
    while (out.size() < bytes) {
        double cx = 60.0 * (letters % 60), cy = 120.0 * (letters / 60);
        AddContour(out, handle, rng, cx, cy, 25, 45, 12);
        AddContour(out, handle, rng, cx, cy + 12, 10, 14, 8);
        AddContour(out, handle, rng, cx, cy - 18, 8, 10, 8);
        splines += 3;
        ++letters;
    }
    out += "  0\nENDSEC\n  0\nEOF\n";
    return out;
}

}  // namespace velbend::bench

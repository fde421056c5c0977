// The area by scan lines as a straightforward transcription: every edge is
// tested on every line.  Kept beside the tests and the benchmark as the
// reference the sweep must match to the last bit.
#pragma once
#include <cmath>
#include <vector>

#include "velbend/geometry/area.h"

namespace velbend::reference {

// 1 crossing (x set), 4 an end point on the line, 0 no crossing.
inline int EdgeCrossing(const AreaContour& c, size_t i, size_t j, double y, double& x) {
    if (std::fabs(c.Y[i] - y) <= 1e-5 || std::fabs(c.Y[j] - y) <= 1e-5) return 4;
    if ((c.Y[i] < y && c.Y[j] < y) || (c.Y[i] > y && c.Y[j] > y)) return 0;
    x = c.X[j] - (c.Y[j] - y) * (c.X[j] - c.X[i]) / (c.Y[j] - c.Y[i]);
    return 1;
}

// 1 strip measured, 2 no crossing, 0 line unusable.
inline int ScanLineCrossings(const AreaContour& c, double y, double d, double& strip) {
    strip = 0;
    const size_t n = c.Y.size();
    std::vector<double> xs;
    for (size_t k = 0; k < n; ++k) {
        double x = 0;
        int r = EdgeCrossing(c, k, k + 1 < n ? k + 1 : 0, y, x);
        if (r == 4) return 0;
        if (r == 1) xs.push_back(x);
    }
    if (xs.empty()) return 2;
    if (xs.size() % 2 != 0) return 0;
    for (size_t a = 0; a < xs.size(); ++a)  // neighbour exchange
        for (size_t b = 0; b + 1 < xs.size() - a; ++b)
            if (xs[b] > xs[b + 1]) std::swap(xs[b], xs[b + 1]);
    for (size_t k = 0; k + 1 < xs.size(); k += 2) strip = strip + std::fabs(xs[k + 1] - xs[k]) * d;
    return 1;
}

inline double ContourArea(const AreaContour& c) {
    if (c.Y.empty()) return 0;
    double area = 0;
    double y = c.Y[FindStartPoint(c)];
    for (;;) {
        y = y - 0.1;
        double d = 0.1;
        for (;;) {
            double strip = 0;
            int r = ScanLineCrossings(c, y, d, strip);
            if (r == 1) {
                area = area + strip;
                break;
            }
            if (r == 2) return area;
            y = y - 0.01;
            d = d + 0.01;
        }
    }
}

inline double TotalArea(const std::vector<AreaContour>& cs) {
    double total = 0;
    for (size_t i = 1; i < cs.size(); ++i) {
        if (cs[i].Y.empty()) continue;
        double a = reference::ContourArea(cs[i]);
        if (cs[i].Kind == 3) total = total + a;
        else if (cs[i].Kind == 2) total = total - a;
    }
    return total;
}

}  // namespace velbend::reference

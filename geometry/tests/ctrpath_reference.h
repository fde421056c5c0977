// Straightforward scans of the control-path builder, kept beside the tests
// and the benchmark as the reference the fast passes must match: every
// corner scans up to 1000 records either way, every point up to 10000.
#pragma once
#include <cmath>
#include <vector>

#include "velbend/geometry/ctrpath.h"

namespace velbend::reference {

inline double Dist(const CtrPPoint& a, double x, double y) {
    double dx = a.X - x;
    double dy = a.Y - y;
    return std::sqrt(dx * dx + dy * dy);
}

inline void RemoveCornersInZones(std::vector<CtrPPoint>& r, const CtrPSettings& s) {
    const long n = static_cast<long>(r.size());
    auto mark = [&](long j) {
        if (j < 0 || j >= n || r[j].Kind == 3) return;
        r[j].Kind = 4;
    };
    for (long m = 0; m < n; ++m) {
        if (r[m].Kind != 2) continue;
        const double B = r[m].B;
        if (!(B > 0.1 && B < 179.9)) continue;
        const double Z = CutterZone(B, s.MillRadius, s.MillRadiusCoef);
        for (long j = m + 1; j <= m + 1000 && j < n; ++j) {
            if (r[j].Kind == 3) break;
            if (r[j].Kind != 2) continue;
            if (Dist(r[j], r[m].X, r[m].Y) < Z) {
                mark(j);
                mark(j - 1);
                mark(j + 1);
            } else {
                break;
            }
        }
        for (long j = m - 1; j >= m - 1000 && j >= 0; --j) {
            if (r[j].Kind == 3) break;
            if (r[j].Kind != 2) continue;
            if (Dist(r[j], r[m].X, r[m].Y) < Z) {
                mark(j);
                mark(j - 1);
                mark(j + 1);
            } else {
                break;
            }
        }
    }
    std::vector<CtrPPoint> out;
    for (const CtrPPoint& p : r)
        if (p.Kind != 4) out.push_back(p);
    r = out;
}

inline void ThinNearCorners(std::vector<CtrPPoint>& r, const CtrPSettings& s) {
    const long n = static_cast<long>(r.size());
    std::vector<CtrPPoint> out;
    for (long i = 0; i < n; ++i) {
        bool keep = true;
        if (r[i].Kind == 0) {
            for (long j = i - 1; j >= i - 10000 && j >= 0; --j) {
                if (r[j].Kind != 2 && r[j].Kind != 3) continue;
                const CtrPPoint& p = r[j].Kind == 3 ? r[j + 1] : r[j];
                TurnZones z = ZonesOfTurn(r[j].B, s);
                if (!(Dist(r[i], p.X, p.Y) > z.Zc + z.Zo)) keep = false;
                break;
            }
            for (long j = i + 1; j <= i + 10000 && j < n; ++j) {
                if (r[j].Kind != 2 && r[j].Kind != 3) continue;
                const CtrPPoint& p = r[j].Kind == 3 ? r[j - 1] : r[j];
                TurnZones z = ZonesOfTurn(r[j].B, s);
                if (!(Dist(r[i], p.X, p.Y) > z.Zc + z.Zo)) keep = false;
                break;
            }
        }
        if (keep) out.push_back(r[i]);
    }
    r = out;
}

}  // namespace velbend::reference

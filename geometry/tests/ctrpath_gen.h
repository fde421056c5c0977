// Varied control-path records for comparing the fast passes with the
// reference scans: blocks of straight and arc points with corners and
// splices whose zones overlap.
#pragma once
#include <random>
#include <vector>

#include "velbend/geometry/ctrpath.h"

namespace velbend::testgen {

inline std::vector<CtrPPoint> RandomPath(unsigned seed, int records, double spacing = 1.0) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> uni(0, 1);
    std::vector<CtrPPoint> r;
    double x = 0, y = 0, heading = 0;
    while (static_cast<int>(r.size()) < records) {
        CtrPPoint h;
        h.Kind = 3;
        h.A = uni(rng) < 0.5 ? 3 : 2;
        h.B = uni(rng) * 360 - 180;
        r.push_back(h);
        const double sx = x, sy = y;
        const int len = 5 + static_cast<int>(uni(rng) * 400);
        r.push_back({x, y, 1, 0, 0, 0});
        for (int k = 0; k < len && static_cast<int>(r.size()) < records; ++k) {
            double u = uni(rng);
            double step = spacing * (0.2 + uni(rng));
            x += step * std::cos(heading);
            y += step * std::sin(heading);
            if (u < 0.08) {
                double turn = uni(rng) * 360 - 180;
                if (uni(rng) < 0.3) turn = 90;
                heading -= turn * 3.14159265358979 / 180;
                r.push_back({x, y, 1, 0, 0, 0});
                r.push_back({x, y, static_cast<int16_t>(uni(rng) < 0.85 ? 2 : 5), 0, turn, 0});
                r.push_back({x, y, 1, 0, 0, 0});
            } else {
                heading += (uni(rng) - 0.5) * 0.2;
                r.push_back({x, y, 0, uni(rng) < 0.5 ? 0 : 20 * uni(rng), uni(rng), uni(rng) * 0.01});
            }
        }
        if (uni(rng) < 0.5) r.push_back({sx, sy, 1, 0, 0, 0});  // closed
        else r.push_back({x, y, 1, 0, 0, 0});
        CtrPPoint c;
        c.Kind = 3;
        c.B = uni(rng) * 360 - 180;
        r.push_back(c);
        x += 30;
    }
    return r;
}

}  // namespace velbend::testgen

// Control-path builder on a sign of 30000 records: the linear passes
// against the straightforward scans (up to 1000 records either way for
// every corner, up to 10000 for every point).
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "../geometry/tests/ctrpath_reference.h"
#include "velbend/geometry/ctrpath.h"

using namespace velbend;

namespace {

// Letters as long smooth contours with a few sharp corners each: what a
// channel-letter sign gives after picking.
std::vector<CtrPPoint> Sign(int records) {
    std::vector<CtrPPoint> r;
    const double pi = 3.14159265358979;
    int contour = 0;
    while (static_cast<int>(r.size()) < records) {
        const double cx = 120.0 * (contour % 8), cy = 200.0 * (contour / 8), rad = 50;
        r.push_back({0, 0, 3, 3, -90, 0});
        const int points = 4000;
        for (int i = 0; i <= points; ++i) {
            double a = 2 * pi * i / points;
            double x = cx + rad * std::cos(a), y = cy + rad * std::sin(a) * (1 + 0.3 * std::sin(3 * a));
            if (i == 0 || i == points) {
                r.push_back({x, y, 1, 0, 0, 0});
            } else if (i % 1000 == 0) {
                r.push_back({x, y, 1, 0, 0, 0});
                r.push_back({x, y, 2, 0, i % 2000 == 0 ? 120.0 : 60.0, 0});
                r.push_back({x, y, 1, 0, 0, 0});
            } else {
                r.push_back({x, y, 0, rad, 2 * pi / points, 0});
            }
        }
        r.push_back({0, 0, 3, 0, -90, 0});
        ++contour;
    }
    r.resize(static_cast<size_t>(records));
    return r;
}

const CtrPSettings kSettings{1.5, 3, 1};

void BM_CtrPPasses(benchmark::State& state) {
    const std::vector<CtrPPoint> base = Sign(30000);
    for (auto _ : state) {
        std::vector<CtrPPoint> r = base;
        RemoveCornersInZones(r, kSettings);
        ThinNearCorners(r, kSettings);
        OffsetPath(r, kSettings.Offset);
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_CtrPPasses)->Unit(benchmark::kMillisecond);

void BM_CtrPPassesReference(benchmark::State& state) {
    const std::vector<CtrPPoint> base = Sign(30000);
    for (auto _ : state) {
        std::vector<CtrPPoint> r = base;
        reference::RemoveCornersInZones(r, kSettings);
        reference::ThinNearCorners(r, kSettings);
        OffsetPath(r, kSettings.Offset);
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_CtrPPassesReference)->Unit(benchmark::kMillisecond);

// The whole build from the text of PointForControl.dat to that of CtrP.dat.
void BM_BuildCtrPText(benchmark::State& state) {
    const std::vector<CtrPPoint> base = Sign(30000);
    const std::string input = FormatCtrP(base, {});
    for (auto _ : state) benchmark::DoNotOptimize(BuildCtrPText(input, kSettings, {}));
}
BENCHMARK(BM_BuildCtrPText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

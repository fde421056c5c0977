// Area of a 1 m x 1 m sign of 30000 edges: the sweep against the plain
// scan-line transcription, which tests every edge on every 0.1 mm line.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "../geometry/tests/area_reference.h"
#include "velbend/geometry/area.h"

using namespace velbend;

namespace {

std::vector<AreaContour> Sign() {
    const double pi = 3.14159265358979;
    std::vector<AreaContour> cs(1);
    auto ring = [&](int16_t kind, double cx, double cy, double r, int n) {
        AreaContour c;
        c.Kind = kind;
        for (int i = 0; i < n; ++i) {
            double a = 2 * pi * i / n;
            double rr = r * (1 + 0.1 * std::sin(7 * a));
            c.X.push_back(cx + rr * std::cos(a));
            c.Y.push_back(cy + rr * std::sin(a));
        }
        cs.push_back(c);
    };
    ring(3, 500, 500, 450, 20000);  // about 1 m high
    ring(2, 300, 500, 100, 5000);
    ring(2, 700, 500, 100, 5000);
    return cs;
}

void BM_AreaSweep(benchmark::State& state) {
    const std::vector<AreaContour> cs = Sign();
    for (auto _ : state) benchmark::DoNotOptimize(TotalArea(cs));
}
BENCHMARK(BM_AreaSweep)->Unit(benchmark::kMillisecond);

void BM_AreaScanLinesReference(benchmark::State& state) {
    const std::vector<AreaContour> cs = Sign();
    for (auto _ : state) benchmark::DoNotOptimize(reference::TotalArea(cs));
}
BENCHMARK(BM_AreaScanLinesReference)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// Import of a large DXF sign: hundreds of letters, each a few closed cubic
// spline contours, written once into a temporary program folder.
//   BM_ReadDXF           CoreAlgorithm::ReadDXF on the file (with Temp.dat)
//   BM_ReadDXFBytes      the reader alone on bytes already in memory
//   BM_DxflibParse       dxflib reading the same file into its callbacks
//   BM_WholeImport       ReadDXF, DisplayPointGen, ThinDisplayPoints,
//                        RemoveDuplicateLines and LoadDisplayPoints
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/testsupport/tempdir.h"
#include "sign_dxf.h"

#ifdef VELBEND_HAVE_DXFLIB
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#endif

namespace {

constexpr int kComp = 10;

struct Sign {
    velbend::testing::TempHome home;
    std::string path;
    std::string bytes;
    int letters = 0;
    int splines = 0;
    Sign() {
        bytes = velbend::bench::SignDxf(letters, splines);
        path = (home / "sign.dxf").string();
        home.Write("sign.dxf", bytes);
    }
};

Sign& TheSign() {
    static Sign s;
    return s;
}

void Counters(benchmark::State& state) {
    Sign& s = TheSign();
    state.counters["MB"] = s.bytes.size() / 1e6;
    state.counters["letters"] = s.letters;
    state.counters["splines"] = s.splines;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.bytes.size()));
}

void BM_ReadDXF(benchmark::State& state) {
    Sign& s = TheSign();
    velbend::RecordingOperator op;
    velbend::CoreAlgorithm core;
    for (auto _ : state) {
        bool ok = core.ReadDXF(s.path, op, 1);
        if (!ok || core.SplineCount != s.splines) state.SkipWithError("read failed");
    }
    Counters(state);
}
BENCHMARK(BM_ReadDXF)->Unit(benchmark::kMillisecond);

void BM_ReadDXFBytes(benchmark::State& state) {
    Sign& s = TheSign();
    velbend::CoreAlgorithm core;
    for (auto _ : state) {
        std::string why = core.ReadDXFBytes(s.bytes, 1);
        benchmark::DoNotOptimize(why);
    }
    Counters(state);
}
BENCHMARK(BM_ReadDXFBytes)->Unit(benchmark::kMillisecond);

#ifdef VELBEND_HAVE_DXFLIB
struct SplineCollector : DL_CreationAdapter {
    int splines = 0;
    std::vector<double> knots, xs, ys;
    void addSpline(const DL_SplineData&) override { ++splines; }
    void addControlPoint(const DL_ControlPointData& d) override {
        xs.push_back(d.x);
        ys.push_back(d.y);
    }
    void addKnot(const DL_KnotData& d) override { knots.push_back(d.k); }
};

void BM_DxflibParse(benchmark::State& state) {
    Sign& s = TheSign();
    for (auto _ : state) {
        SplineCollector c;
        DL_Dxf dxf;
        if (!dxf.in(s.path, &c) || c.splines != s.splines) state.SkipWithError("dxflib failed");
        benchmark::DoNotOptimize(c.xs.data());
    }
    Counters(state);
}
BENCHMARK(BM_DxflibParse)->Unit(benchmark::kMillisecond);
#endif

void BM_WholeImport(benchmark::State& state) {
    Sign& s = TheSign();
    velbend::RecordingOperator op;
    velbend::CoreAlgorithm core;
    core.TranParas(0.1, 5, 30, kComp, 45, 105.0);
    velbend::DisplayTables tables;
    for (auto _ : state) {
        bool ok = core.ReadDXF(s.path, op, 1) && core.DisplayPointGen(op, 1) && velbend::ThinDisplayPoints(op, 1) &&
                  velbend::RemoveDuplicateLines(op, 1);
        if (!ok) state.SkipWithError("import failed");
        // The main window then loads the tables; they hold at most 100001
        // points, so a sign this large is refused there with a message.
        velbend::ParseDisplayPoints(s.home.Read("PointForDisplay.dat"), tables, 1);
    }
    Counters(state);
    state.counters["display_lines"] =
        static_cast<double>(std::count(std::istreambuf_iterator<char>(std::ifstream(s.home / "PointForDisplay.dat").rdbuf()),
                                       std::istreambuf_iterator<char>(), '\n'));
}
BENCHMARK(BM_WholeImport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

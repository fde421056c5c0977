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

#ifdef VELBEND_HAVE_DXFLIB
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#endif

namespace {

constexpr int kComp = 10;

std::string Num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.10g", v);
    return b;
}

// One closed contour around (cx, cy): n cubic Bezier pieces on a wobbly
// ellipse, as a clamped cubic spline with triple inner knots.
void AddContour(std::string& out, int& handle, std::mt19937& rng, double cx, double cy, double rx, double ry,
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

struct Sign {
    velbend::testing::TempHome home;
    std::string path;
    std::string bytes;
    int letters = 0;
    int splines = 0;
    Sign() {
        std::mt19937 rng(2024);
        std::string out =
            "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1024\n  9\n$EXTMIN\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
            "  9\n$EXTMAX\n 10\n4000.0\n 20\n4000.0\n 30\n0.0\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
        int handle = 0x100;
        while (out.size() < 5500000) {
            double cx = 60.0 * (letters % 60), cy = 120.0 * (letters / 60);
            AddContour(out, handle, rng, cx, cy, 25, 45, 12);
            AddContour(out, handle, rng, cx, cy + 12, 10, 14, 8);
            AddContour(out, handle, rng, cx, cy - 18, 8, 10, 8);
            splines += 3;
            ++letters;
        }
        out += "  0\nENDSEC\n  0\nEOF\n";
        bytes = out;
        path = (home / "sign.dxf").string();
        home.Write("sign.dxf", out);
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

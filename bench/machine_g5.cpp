// G5.dat generation for a sign of 20 letters x 10 pieces: the whole Run
// call (writing the program from CtrP.dat, saving it, loading it back).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "../machine/tests/machine_fixture.h"
#include "velbend/machine/program_writer.h"

namespace {

using velbend::testing::MachineFixture;

std::string Pt(double x, double y, int k, double a = 0, double b = 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.6f %.6f %d %.6f %.6f 0.000000\r\n", x, y, k, a, b);
    return buf;
}

// One letter: a 60 x 40 outline whose top side is a flat arc of radius 300
// (bent continuously), three slotted corners, a bent corner in the middle
// of the bottom side, and a tight arc that is slotted.
std::string Letter(double ox) {
    std::string s = "SPLINE -90.000000 3.0\r\n" + Pt(ox, 0, 1);
    auto corner = [&](double x, double y, double b) {
        s += Pt(x, y, 1) + Pt(x, y, 2, 0, b) + Pt(x, y, 1);
    };
    s += Pt(ox + 30, 0, 0);
    corner(ox + 30, 0, -10);  // bent by the mechanism
    s += Pt(ox + 60, 0, 0);
    corner(ox + 60, 0, -90);
    s += Pt(ox + 60, 37, 0) + Pt(ox + 60, 40, 0, 3, 0.5);  // tight arc
    corner(ox + 60, 40, -90);
    for (int i = 1; i <= 6; ++i) {
        const double x = ox + 60 - i * 10.0;
        s += Pt(x, 40 + std::sin(i * 0.5), 0, 300, 0.033);
    }
    corner(ox, 40, -90);
    s += Pt(ox, 0, 1) + "SPLINE -90.000000 0.0\r\n";
    return s;
}

void BM_RunWritesG5(benchmark::State& state) {
    MachineFixture f;
    auto& s = f.sys();
    s.gBendMechanisms = 2;
    s.gCutTimes = 1;
    std::string ctrp;
    for (int i = 0; i < 20; ++i) ctrp += Letter(i * 100.0);
    f.home.Write("CtrP.dat", ctrp);
    f.c().panel.Text5 = "10";

    int64_t lines = 0;
    for (auto _ : state) {
        f.c().run.gRunning = 0;
        velbend::Command_Run_Click(f.c());
        if (f.c().run.gRunning != velbend::kTrue) {
            state.SkipWithError(("not started: " + f.op.LastText()).c_str());
            break;
        }
        lines += f.c().run.gNcLineCount;
    }
    state.counters["lines"] = static_cast<double>(f.c().run.gNcLineCount);
    state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RunWritesG5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

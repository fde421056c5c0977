// The run timer during a run: CPU time of one Timer2_Timer tick (goal: well
// under 0.3 ms, 1 % of the 30 ms tick) and the lines a run hands on per
// second of host time when the card's clock is advanced by hand, once on
// the in-process card model and once on the card library's simulated card
// (when the library beside this program can run it).
#include <benchmark/benchmark.h>
#include <time.h>

#include <memory>
#include <string>
#include <vector>

#include "../machine/tests/card_model.h"
#include "../machine/tests/machine_fixture.h"
#include "../machine/tests/sim_card.h"
#include "velbend/machine/run_timer.h"

namespace {

using namespace velbend;
using velbend::testing::CardModel;
using velbend::testing::SimCard;

// A letter-like program: feeds with slotting blocks, pat bends, merged
// feed steps and interpolated arcs.
std::vector<std::string> BenchProgram() {
    std::vector<std::string> p = {"G90 G01", "G92 X0"};
    double x = 0;
    auto num = [](double v) {
        char b[32];
        std::snprintf(b, sizeof b, "%.4f", v);
        return std::string(b);
    };
    for (int piece = 0; piece < 40; ++piece) {
        p.insert(p.end(), {"G04 P200", "M16", "M10", "Z-5.0000 F0500", "Z0 F0500", "M11", "M17"});
        for (int k = 0; k < 5; ++k) {  // merged feed steps
            x += 1;
            p.push_back("X" + num(x) + " F3000");
        }
        for (int k = 0; k < 8; ++k) {  // pats
            x += 2;
            p.push_back("G01 X" + num(x) + " F3000");
            p.push_back("G05 Y" + num(20 + k % 3) + " F2000");
            p.push_back("G05 Y10.0000 F2000");
        }
        for (int k = 0; k < 20; ++k) {  // an arc bent while fed
            x += 1.5;
            p.push_back("X" + num(x) + " Y" + num(10 + 0.2 * k));
        }
        p.push_back("G05 Y0 F2000");
    }
    p.push_back("M30");
    return p;
}

struct Bench {
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx{params, op};
    std::unique_ptr<SimCard> sim;
    std::vector<std::string> program = BenchProgram();

    explicit Bench(bool simulated) {
        velbend::testing::TestMachine(params);
        params.gSysParaTable.gAxisPara[1].Acceleration = 0.1;
        ctx.panel.Timer2Interval = 30;
        if (simulated)
            sim = std::make_unique<SimCard>(ctx.card);
        else
            CardModel::Install(ctx.card);
    }
    bool Usable() const { return !sim || sim->Usable(); }
    void Advance() {
        if (sim) {
            sim->Advance(30);
        } else {
            CardModel::Get().Advance(30);
            CardModel::Get().ClearLog();  // the model's call log is not the program's cost
        }
    }
    void Load() {
        auto& run = ctx.run;
        run.gNcLines = program;
        run.gNcLineCount = static_cast<int16_t>(program.size());
        run.gNcLineIndex = 0;
        run.mLastXPulses = run.mLastYPulses = 0;
        run.gTestRunning = kTrue;
        op.messages.clear();
    }
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// CPU time of one tick while a run executes (card time advanced outside).
void TickDuringRun(benchmark::State& state, bool simulated) {
    Bench b(simulated);
    if (!b.Usable()) {
        state.SkipWithError(b.sim->Why().c_str());
        return;
    }
    b.Load();
    double longest = 0;
    for (auto _ : state) {
        b.Advance();
        if (b.ctx.run.gTestRunning != kTrue) b.Load();
        double t0 = ThreadCpuSeconds();
        Timer2_Timer(b.ctx);
        double t = ThreadCpuSeconds() - t0;
        state.SetIterationTime(t);
        if (t > longest) longest = t;
    }
    // The longest tick: one that plans and queues a whole interpolated run.
    state.counters["longest_us"] = longest * 1e6;
}

// Lines handed on per second of host time, the card's clock advanced by
// hand 30 ms per tick.
void LinesPerSecond(benchmark::State& state, bool simulated) {
    Bench b(simulated);
    if (!b.Usable()) {
        state.SkipWithError(b.sim->Why().c_str());
        return;
    }
    int64_t lines = 0, ticks = 0;
    for (auto _ : state) {
        b.Load();
        while (b.ctx.run.gTestRunning == kTrue) {
            b.Advance();
            Timer2_Timer(b.ctx);
            ++ticks;
        }
        lines += b.ctx.run.gNcLineCount;
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["ticks/run"] = static_cast<double>(ticks) / static_cast<double>(state.iterations());
}

// The heaviest tick: one that merges 451 polyline points and queues the
// whole interpolated run into the card's FIFO.
void LongestInterpolatedRun(benchmark::State& state) {
    Bench b(false);
    std::vector<std::string> lines;
    for (int i = 1; i <= 600; ++i) lines.push_back("X" + std::to_string(i) + " Y" + std::to_string(1 + i % 2));
    b.program = lines;
    for (auto _ : state) {
        state.PauseTiming();
        b.Load();
        CardModel::Get().Reset();
        CardModel::Get().ax[2].cmd = 100;  // the bender stands at 1 degree
        state.ResumeTiming();
        Timer2_Timer(b.ctx);
    }
    state.counters["points"] = b.ctx.run.mInterpCount;
}

BENCHMARK(LongestInterpolatedRun)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickDuringRun, model, false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickDuringRun, simulated_card, true)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LinesPerSecond, model, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LinesPerSecond, simulated_card, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

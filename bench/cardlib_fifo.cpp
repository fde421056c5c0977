// Card library on the simulated card: pushing interpolation-FIFO segments,
// a whole quarter arc cut into chords, and planning an S-curve move.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "tarvikm.h"
#include "tarvikm_sim.h"

namespace {

void start()
{
    setenv("TARVIKM_SIM", "1", 1);
    tarvikm_sim_reset();
    tarvikm_sim_use_manual_clock(1);
    korvotarvik_initial();
}

void BM_FifoSegmentPush(benchmark::State& st)
{
    start();
    int n = 0;
    for (auto _ : st) {
        korvotarvik_fifo_inp_move2(0, 1, 2, 1000, -500, 2000);
        if (++n == 400) {  // stay below the FIFO's size
            korvotarvik_reset_fifo(0);
            n = 0;
        }
    }
}
BENCHMARK(BM_FifoSegmentPush);

// Radius 1000: about 785 chords of 2 pulses, fed while the card runs.
void BM_QuarterArc(benchmark::State& st)
{
    start();
    for (auto _ : st) {
        korvotarvik_set_command_pos(0, 1, 1000);
        korvotarvik_set_command_pos(0, 2, 0);
        benchmark::DoNotOptimize(korvotarvik_fifo_arc(0, 1, 2, 1000, 0, 0, 1000, 0, 0, 1, 100, 5000, 100));
        st.PauseTiming();
        korvotarvik_sudden_stop(0, 1);
        korvotarvik_sudden_stop(0, 2);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_QuarterArc)->Unit(benchmark::kMillisecond);

// Planning and handing over a 100000-pulse S-curve move (99 slices).
void BM_ScurvePlan(benchmark::State& st)
{
    start();
    for (auto _ : st) {
        benchmark::DoNotOptimize(korvotarvik_fifo_scurve(0, 1, 1000, 50000, 200000, 100000));
        st.PauseTiming();
        korvotarvik_sudden_stop(0, 1);
        int32_t busy = 1;
        while (busy)
            korvotarvik_fifo_status(0, 1, &busy);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_ScurvePlan)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Card library on the simulated card: discovery of the cards on the bus and
// register round trips of the entries the run timer calls.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "tarvikm.h"
#include "tarvikm_sim.h"

namespace {

void start(int cards)
{
    setenv("TARVIKM_SIM", "1", 1);
    tarvikm_sim_reset();
    if (cards != 1) {
        tarvikm_sim_clear_bus();
        for (int i = 0; i < cards; ++i)
            tarvikm_sim_add_card(i, 3, 0, 0x0302, 15 - i, uint32_t(0x8001 + 0x100 * i));
    }
    tarvikm_sim_use_manual_clock(1);
}

void BM_Discovery(benchmark::State& st)
{
    start(int(st.range(0)));
    for (auto _ : st)
        benchmark::DoNotOptimize(korvotarvik_initial());
}
BENCHMARK(BM_Discovery)->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_CommandPositionRead(benchmark::State& st)
{
    start(1);
    korvotarvik_initial();
    int32_t p = 0;
    for (auto _ : st) {
        korvotarvik_get_command_pos(0, 1, &p);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_CommandPositionRead);

void BM_SpeedWrite(benchmark::State& st)
{
    start(1);
    korvotarvik_initial();
    int32_t v = 1000;
    for (auto _ : st)
        korvotarvik_set_speed(0, 2, v++ & 0xFFFF);
}
BENCHMARK(BM_SpeedWrite);

// One run-timer tick's worth of card reads: four positions, four states,
// the speed and the inputs of the lamps.
void BM_TimerTickReads(benchmark::State& st)
{
    start(1);
    korvotarvik_initial();
    korvotarvik_set_speed(0, 1, 20000);
    korvotarvik_pmove(0, 1, 100000000);
    int32_t v = 0;
    for (auto _ : st) {
        tarvikm_sim_advance_us(30);
        for (int axis = 1; axis <= 4; ++axis) {
            korvotarvik_get_command_pos(0, axis, &v);
            korvotarvik_get_status(0, axis, &v);
        }
        korvotarvik_get_actual_pos(0, 1, &v);
        korvotarvik_get_speed(0, 1, &v);
        for (int bit = 0; bit < 24; ++bit)
            v += korvotarvik_read_bit(0, bit);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_TimerTickReads);

}  // namespace

BENCHMARK_MAIN();

// Pulse FIFOs, arcs and S-curve moves on the simulated card.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

#include "sim_fixture.h"

using FifoMoves = SimCard;
using V = std::vector<Access>;

namespace {

struct Move {
    int64_t pulses;
    uint32_t speed;
};

// Pulse-FIFO moves of an axis from the pushed words (pairs of pulse and speed).
std::vector<Move> moves(const std::vector<uint32_t>& words)
{
    std::vector<Move> out;
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        int64_t m = words[i] & 0x07FFFFFF;
        out.push_back({(words[i] & 0x80000000u) ? -m : m, words[i + 1] & 0x07FFFFFF});
    }
    return out;
}

// Busy per fifo_status, advancing the clock until the move is over.
bool settle(int axis, int limit_ms = 100000)
{
    for (int i = 0; i < limit_ms / 10; ++i) {
        int32_t busy = 1;
        korvotarvik_fifo_status(0, axis, &busy);
        if (!busy)
            return true;
        tarvikm_sim_advance_ms(10);
        std::this_thread::sleep_for(std::chrono::microseconds(100));  // the worker's pace
    }
    return false;
}

}  // namespace

TEST_F(FifoMoves, PulseFifoWordsAndFlags)
{
    EXPECT_EQ(korvotarvik_fifo_pmove(0, 2, -500, 1234), 0);
    EXPECT_EQ(trace(), (V{W(12, 0x01F4), W(14, 0x8000), W(0, 0x36), W(12, 0x04D2), W(14, 0x0800), W(0, 0x36)}));
    EXPECT_EQ(korvotarvik_read_fifopmove_empty(0, 2), 1);  // the move runs already
    EXPECT_EQ(status(2), 1);
    tarvikm_sim_advance_ms(406);
    EXPECT_EQ(command_pos(2), -500);
    EXPECT_EQ(status(2), 0);
    trace();
    EXPECT_EQ(korvotarvik_read_fifopmove_full(0, 2), 0);
    EXPECT_EQ(trace(), (V{R(4)}));
    for (int i = 0; i < 300; ++i)
        korvotarvik_fifo_pmove(0, 4, 10, 1);
    EXPECT_EQ(korvotarvik_read_fifopmove_full(0, 4), 1);
    EXPECT_EQ(korvotarvik_read_fifopmove_empty(0, 4), 0);
    trace();
    EXPECT_EQ(korvotarvik_reset_fifopmove(0, 4), 0);
    EXPECT_EQ(trace(), (V{W(0, 0x3E)}));
    EXPECT_EQ(korvotarvik_read_fifopmove_empty(0, 4), 1);
    EXPECT_EQ(korvotarvik_fifo_pmove(0, 5, 1, 1), 1);
    EXPECT_EQ(korvotarvik_read_fifopmove_empty(2, 1), 1);
    EXPECT_EQ(korvotarvik_fifo_status(0, 1, nullptr), 1);
}

TEST_F(FifoMoves, ScurveSlicesAddUpAndPeakAtThePlannedSpeed)
{
    // Short move: the speed is held to 1000 and the slices sum to 500.
    ASSERT_EQ(korvotarvik_fifo_scurve(0, 1, 100, 5000, 50000, 500), 0);
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(command_pos(1), 500);
    std::vector<Move> m = moves(pushed(0x33));
    int64_t sum = 0;
    uint32_t peak = 0;
    for (const Move& x : m) {
        sum += x.pulses;
        peak = std::max(peak, x.speed);
    }
    EXPECT_EQ(sum, 500);
    EXPECT_EQ(peak, 1000u);

    // Long move backwards: 0.245 s up and down at 200000/s^2, cruise at 50000.
    ASSERT_EQ(korvotarvik_fifo_scurve(0, 2, 1000, 50000, 200000, -100000), 0);
    ASSERT_TRUE(settle(2));
    EXPECT_EQ(command_pos(2), -100000);
    m = moves(pushed(0x36));
    sum = 0;
    peak = 0;
    size_t top = 0;
    for (size_t i = 0; i < m.size(); ++i) {
        EXPECT_LE(m[i].pulses, 0);
        sum += m[i].pulses;
        if (m[i].speed > peak) {
            peak = m[i].speed;
            top = i;
        }
    }
    EXPECT_EQ(sum, -100000);
    EXPECT_EQ(peak, 50000u);
    EXPECT_NEAR(double(m.size()), 99, 1);  // 49 slices up, the cruise, 49 down
    EXPECT_NEAR(double(top), 49, 1);
    for (size_t i = 1; i < top; ++i)
        EXPECT_GE(m[i].speed + 200, m[i - 1].speed);  // rising (within one pulse per slice)
}

TEST_F(FifoMoves, ScurveRefusalsAndOneMovePerAxis)
{
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 1000, 0, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 1000, -5, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 0, 0, 1000, 100, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_scurve(1, 1, 0, 1000, 100, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 1000, 100, 0), 0);
    int32_t busy = 1;
    korvotarvik_fifo_status(0, 1, &busy);
    EXPECT_EQ(busy, 0);

    // A long move keeps the axis busy: a second one is refused.  Its rise
    // alone takes 10 s, far more slices than the pulse FIFO holds.
    speeds(1, 1, 1000, 64000);  // brakes at once when stopped
    ASSERT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 20000000, 2000000, 20000000), 0);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 1000, 100, 10), 1);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 2, 0, 1000, 100, 10), 0);  // another axis is free
    ASSERT_TRUE(settle(2));

    // A stop ends the worker: the axis halts and is idle again.
    for (int i = 0; i < 150; ++i) {
        tarvikm_sim_advance_ms(10);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    int32_t at_stop = command_pos(1);
    korvotarvik_dec_stop(0, 1);
    // Give the worker real time to see the stop; fifo_status moves the clock
    // by its own millisecond only.
    busy = 1;
    for (int i = 0; i < 5000 && busy; ++i) {
        korvotarvik_fifo_status(0, 1, &busy);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(busy, 0);
    int32_t p = command_pos(1);
    EXPECT_GT(at_stop, 0);
    EXPECT_GE(p, at_stop);
    EXPECT_LT(p, 20000000);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(1), p);
    EXPECT_EQ(korvotarvik_fifo_scurve(0, 1, 0, 1000, 100, 10), 0);
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(command_pos(1), p + 10);
}

TEST_F(FifoMoves, QuarterArcEndsOnItsEndPoint)
{
    tarvikm_sim_log_enable(0);
    korvotarvik_set_command_pos(0, 1, 1000);
    korvotarvik_set_command_pos(0, 2, 0);
    tarvikm_sim_log_enable(1);
    tarvikm_sim_log_clear();
    ASSERT_EQ(korvotarvik_fifo_arc(0, 1, 2, 1000, 0, 0, 1000, 0, 0, 1, 100, 5000, 100), 0);
    std::vector<uint32_t> words = pushed(0x17);
    for (int i = 0; i < 10000 && (korvotarvik_read_fifo_empty(0) == 0 || status(1) || status(2)); ++i)
        tarvikm_sim_advance_ms(10);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(command_pos(2), 1000);

    // About 2 pulses a chord: the angle step is 2 asin(1/1000).
    ASSERT_EQ(words.size() % 4, 0u);
    size_t chords = words.size() / 4;
    EXPECT_NEAR(double(chords), (M_PI / 2) / (2 * std::asin(1.0 / 1000)), 2.0);
    uint32_t first_speed = words[3] & 0x1FFFFF, top = 0;
    for (size_t i = 0; i < chords; ++i) {
        EXPECT_LE(words[4 * i] & 0x07FFFFFF, 3u);
        top = std::max(top, words[4 * i + 3] & 0x1FFFFF);
    }
    EXPECT_EQ(first_speed, 100u);
    EXPECT_EQ(top, 5000u);
}

TEST_F(FifoMoves, ArcRefusalsDegenerateArcsLimitsAndStop)
{
    auto arc = [](int32_t sx, int32_t sy, int32_t ex, int32_t ey, int32_t dir, int32_t step = 100,
                  int32_t a2 = 2) { return korvotarvik_fifo_arc(0, 1, a2, sx, sy, ex, ey, 0, 0, dir, 100, 5000, step); };
    EXPECT_EQ(arc(1000, 0, 0, 1000, 2), 1);
    EXPECT_EQ(arc(1000, 0, 0, 1000, 1, 0), 1);
    EXPECT_EQ(arc(1000, 0, 0, 1000, 1, -3), 1);
    EXPECT_EQ(arc(1000, 0, 0, 1000, 1, 100, 1), 1);
    EXPECT_EQ(korvotarvik_fifo_arc(0, 1, 2, 1000, 0, 0, 1000, 0, 0, 1, -1, 5000, 10), 1);
    EXPECT_EQ(korvotarvik_fifo_arc(0, 1, 2, 1000, 0, 0, 1000, 0, 0, 1, 0, 0, 10), 1);
    trace();
    EXPECT_EQ(arc(0, 0, 0, 1000, 1), -1);                           // start on the centre
    EXPECT_EQ(arc(3, 0, 0, 3, 1), -1);                              // too small for a chord
    EXPECT_EQ(arc(2000000000, 0, 0, -2000000000, 1), -1);           // more chords than the ring holds
    EXPECT_TRUE(pushed(0x17).empty());

    // A limit in the direction of travel: the axes are stopped, -2.
    tarvikm_sim_set_input(0, 7, 0);  // axis 2, positive-travel limit
    EXPECT_EQ(arc(1000, 0, 0, 1000, 1), -2);
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 1);
    tarvikm_sim_set_input(0, 7, 1);

    // The caller's stop button, reached through the message pump.
    struct Pump {
        int calls = 0;
    } pump;
    korvotarvik_set_pump_callback(
        [](void* p) {
            if (++static_cast<Pump*>(p)->calls == 20)
                korvotarvik_sudden_stop(0, 2);
        },
        &pump);
    EXPECT_EQ(arc(1000, 0, 0, 1000, 1), 1);
    EXPECT_EQ(pump.calls, 20);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(status(2), 0);
}

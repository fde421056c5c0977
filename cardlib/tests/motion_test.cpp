// Single-axis motion on the simulated card with a manual clock.
#include <climits>
#include <cmath>

#include "sim_fixture.h"

using Motion = SimCard;

// Start 1000, speed 21000, acceleration register 1600 (200000 pulses/s^2):
// 0.1 s and 1100 pulses up, the same down.
TEST_F(Motion, PmoveEndsExactlyOnItsCountWhenItsProfileEnds)
{
    speeds(1, 1000, 21000, 1600);
    korvotarvik_set_actual_pos(0, 1, 100);
    ASSERT_EQ(korvotarvik_pmove(0, 1, 10000), 0);
    EXPECT_EQ(status(1), 1);
    tarvikm_sim_advance_us(50000);  // halfway up: 1000*t + a*t^2/2 = 300
    EXPECT_EQ(command_pos(1), 300);
    int32_t v = 0;
    korvotarvik_get_speed(0, 1, &v);
    EXPECT_EQ(v, 11000);
    tarvikm_sim_advance_us(150000);
    korvotarvik_get_speed(0, 1, &v);
    EXPECT_EQ(v, 21000);
    // Total: 0.2 s of ramps plus 7800 pulses at 21000/s = 0.571428.. s.
    tarvikm_sim_advance_us(571428 - 200000);
    EXPECT_EQ(status(1), 1);
    EXPECT_LT(command_pos(1), 10000);
    EXPECT_GT(command_pos(1), 9990);
    tarvikm_sim_advance_us(1);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(command_pos(1), 10000);
    EXPECT_EQ(actual_pos(1), 10100);
    korvotarvik_get_speed(0, 1, &v);
    EXPECT_EQ(v, 0);

    // Backwards, at constant speed when the start speed is not below the speed.
    speeds(1, 4000, 2000, 1);
    korvotarvik_pmove(0, 1, -3000);
    tarvikm_sim_advance_ms(1499);
    EXPECT_EQ(status(1), 1);
    EXPECT_EQ(command_pos(1), 10000 - 2998);
    tarvikm_sim_advance_ms(1);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(command_pos(1), 7000);
}

TEST_F(Motion, ShortMoveNeverReachesTheSpeed)
{
    speeds(2, 1000, 21000, 1600);
    korvotarvik_pmove(0, 2, 1000);  // triangle: peak sqrt(1000^2 + 200000*1000)
    tarvikm_sim_advance_ms(2000);
    EXPECT_EQ(status(2), 0);
    EXPECT_EQ(command_pos(2), 1000);
}

TEST_F(Motion, DecceleratingStopRampsDownAndSuddenStopHaltsAtOnce)
{
    speeds(1, 1000, 21000, 1600);
    korvotarvik_pmove(0, 1, 100000000);  // a jog
    tarvikm_sim_advance_ms(300);
    int32_t at_stop = command_pos(1);
    korvotarvik_dec_stop(0, 1);
    EXPECT_EQ(status(1), 1);
    tarvikm_sim_advance_ms(99);
    EXPECT_EQ(status(1), 1);
    tarvikm_sim_advance_ms(2);
    EXPECT_EQ(status(1), 0);
    // (21000^2 - 1000^2) / (2 * 200000) = 1100 pulses of braking.
    EXPECT_NEAR(command_pos(1) - at_stop, 1100, 1);

    speeds(3, 3000, 3000, 1);
    korvotarvik_continue_move(0, 3, 1);  // negative, endless
    tarvikm_sim_advance_ms(10);
    EXPECT_EQ(status(3), 1);
    korvotarvik_sudden_stop(0, 3);
    int32_t p = command_pos(3);
    EXPECT_LT(p, 0);
    EXPECT_EQ(status(3), 0);
    tarvikm_sim_advance_ms(100);
    EXPECT_EQ(command_pos(3), p);
}

TEST_F(Motion, Stop0StopsOnThePlacedZeroSwitchFromEitherSide)
{
    tarvikm_sim_place_switch(0, 2, 1, 5000, 5200, 0);
    speeds(1, 2000, 20000, 3000);
    korvotarvik_set_stop0_mode(0, 1, 1, 0);
    korvotarvik_pmove(0, 1, 100000);
    tarvikm_sim_advance_ms(3000);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(command_pos(1), 5000);
    EXPECT_EQ(korvotarvik_read_bit(0, 2), 0);

    // Starting on the active switch does not move.
    korvotarvik_pmove(0, 1, 100);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(command_pos(1), 5000);

    // Disabled, the switch is passed; enabled again it stops a drive from above.
    korvotarvik_set_stop0_mode(0, 1, 0, 0);
    korvotarvik_pmove(0, 1, 5000);
    tarvikm_sim_advance_ms(3000);
    EXPECT_EQ(command_pos(1), 10000);
    EXPECT_EQ(korvotarvik_read_bit(0, 2), 1);
    korvotarvik_set_stop0_mode(0, 1, 1, 0);
    korvotarvik_pmove(0, 1, -100000);
    tarvikm_sim_advance_ms(3000);
    EXPECT_EQ(command_pos(1), 5200);

    // Logic 1 takes the resting level as active: leaving the switch stops.
    korvotarvik_set_command_pos(0, 1, 0);
    korvotarvik_set_stop0_mode(0, 1, 1, 1);
    korvotarvik_pmove(0, 1, 6000);
    tarvikm_sim_advance_ms(3000);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(command_pos(1), 1);
    korvotarvik_pmove(0, 1, 6000);  // off the switch: no start
    EXPECT_EQ(status(1), 0);
}

TEST_F(Motion, LimitsStopTheirDirectionOnly)
{
    tarvikm_sim_place_switch(0, 7, 2, 8000, INT32_MAX, 0);   // axis 2 positive-travel limit
    tarvikm_sim_place_switch(0, 6, 2, INT32_MIN, -300, 0);  // axis 2 negative-travel limit
    speeds(2, 5000, 5000, 1);
    korvotarvik_pmove(0, 2, 100000);
    tarvikm_sim_advance_ms(5000);
    EXPECT_EQ(status(2), 0);
    EXPECT_EQ(command_pos(2), 8000);
    korvotarvik_pmove(0, 2, 10);
    EXPECT_EQ(status(2), 0);
    EXPECT_EQ(command_pos(2), 8000);
    korvotarvik_pmove(0, 2, -100000);
    tarvikm_sim_advance_ms(5000);
    EXPECT_EQ(command_pos(2), -300);
    int32_t stop = 0;
    korvotarvik_get_stopdata(0, 2, &stop);
    EXPECT_EQ(stop, 2);
    // Limit logic 1: the resting level 1 now counts as active.
    korvotarvik_set_limit_mode(0, 2, 0, 0, 1);
    korvotarvik_pmove(0, 2, 10);
    EXPECT_EQ(status(2), 0);
}

TEST_F(Motion, InputsChangedByHandStopADriveAndLatchThePosition)
{
    speeds(4, 1000, 1000, 1);
    korvotarvik_set_lock_position(0, 4, 1, 0, 0);
    korvotarvik_set_stop1_mode(0, 4, 1, 0);
    korvotarvik_pmove(0, 4, 5000);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(4), 1000);
    tarvikm_sim_set_input(0, 21, 0);  // index input of axis 4
    int32_t latched = 0, at = 0;
    korvotarvik_get_lock_status(0, 4, &latched);
    korvotarvik_get_lock_position(0, 4, &at);
    EXPECT_EQ(latched, 1);
    EXPECT_EQ(at, 1000);
    tarvikm_sim_advance_ms(10);
    EXPECT_EQ(status(4), 0);
    EXPECT_EQ(command_pos(4), 1000);
    korvotarvik_clr_lock_status(0, 4);
    korvotarvik_get_lock_status(0, 4, &latched);
    EXPECT_EQ(latched, 0);
}

TEST_F(Motion, SlippingEncoderCountsLess)
{
    EXPECT_EQ(tarvikm_sim_set_encoder_slip(0, 1, 1.0), -1);
    EXPECT_EQ(tarvikm_sim_set_encoder_slip(0, 5, 0.1), -1);
    ASSERT_EQ(tarvikm_sim_set_encoder_slip(0, 1, 0.02), 0);
    speeds(1, 10000, 10000, 1);
    korvotarvik_pmove(0, 1, 10000);
    tarvikm_sim_advance_ms(1000);
    korvotarvik_pmove(0, 1, -5000);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(1), 5000);
    EXPECT_EQ(actual_pos(1), 4900);
    // A share of the travel, or backwards.
    EXPECT_EQ(tarvikm_sim_set_encoder_ratio(0, 1, std::nan("")), -1);
    EXPECT_EQ(tarvikm_sim_set_encoder_ratio(0, 1, 1000.5), -1);
    ASSERT_EQ(tarvikm_sim_set_encoder_ratio(0, 1, 0.01), 0);
    korvotarvik_pmove(0, 1, 10000);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(actual_pos(1), 5000);
    ASSERT_EQ(tarvikm_sim_set_encoder_ratio(0, 1, -1), 0);
    korvotarvik_pmove(0, 1, 2000);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(1), 17000);
    EXPECT_EQ(actual_pos(1), 3000);
}

TEST_F(Motion, RelativeAndAbsoluteTrapezoidMoves)
{
    korvotarvik_symmetry_relative_move(0, 3, -2000, 1000, 11000, 0.05);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(3), -2000);
    korvotarvik_symmetry_absolute_move(0, 3, 500, 1000, 11000, 0.05);
    tarvikm_sim_advance_ms(1000);
    EXPECT_EQ(command_pos(3), 500);
    korvotarvik_symmetry_absolute_move(0, 3, 500, 1000, 11000, 0.05);
    EXPECT_EQ(status(3), 0);
}

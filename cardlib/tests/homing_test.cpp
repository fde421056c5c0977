// Homing on the simulated card: the blocking calls and the stepwise machine.
#include <climits>

#include "sim_fixture.h"

class Homing : public SimCard {
protected:
    void SetUp() override
    {
        SimCard::SetUp();
        tarvikm_sim_log_enable(0);
    }

    // Home switch of axis 1 (input 2) at [5000, 5100], limits at +-20000.
    static void place_axis1(bool with_switch = true)
    {
        if (with_switch)
            tarvikm_sim_place_switch(0, 2, 1, 5000, 5100, 0);
        tarvikm_sim_place_switch(0, 1, 1, 20000, INT32_MAX, 0);
        tarvikm_sim_place_switch(0, 0, 1, INT32_MIN, -20000, 0);
    }

    // Drive axis 1 to a place without any stop input.
    static void park(int32_t pulses)
    {
        speeds(1, 50000, 50000, 1);
        korvotarvik_pmove(0, 1, pulses);
        tarvikm_sim_advance_ms(1000);
        ASSERT_EQ(status(1), 0);
    }

    static int32_t poll(int limit = 20000)
    {
        int32_t r = 0;
        for (int i = 0; i < limit; ++i) {
            r = korvotarvik_GetHomeStatus_Ex(0, 1);
            if (r <= 0)
                return r;
            tarvikm_sim_advance_ms(5);
        }
        return r;
    }

    static void set_up_steps(int32_t dir, int32_t index_mode = -1, int32_t offset = 0)
    {
        ASSERT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 1000, 20000, 2000, 8000, 1000), 0);
        ASSERT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, dir, 0, 0, index_mode, 300, 40, offset), 0);
    }

    static bool on_switch() { return tarvikm_sim_get_input(0, 2) == 0; }
};

TEST_F(Homing, StepMachineFindsTheSwitchFromEitherSide)
{
    place_axis1();
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -3);  // not started
    set_up_steps(1);  // searching positive from below
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(actual_pos(1), 0);
    EXPECT_TRUE(on_switch());
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), 0);  // stays done

    park(5000);  // above the switch now
    set_up_steps(0);  // searching negative from above
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_TRUE(on_switch());
}

TEST_F(Homing, StepMachineWithIndexAndOffset)
{
    place_axis1();
    tarvikm_sim_place_switch(0, 3, 1, 5120, 5125, 0);  // index above the switch
    set_up_steps(1, 0, -700);
    korvotarvik_HomeProcess_Ex(0, 1);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_FALSE(on_switch());
    // The index was met at 5120: 700 below it is 4420.
    park(680);
    EXPECT_TRUE(on_switch());
}

TEST_F(Homing, StepMachineFailuresAndStop)
{
    place_axis1(false);  // limits, no switch
    set_up_steps(1);
    korvotarvik_HomeProcess_Ex(0, 1);
    EXPECT_EQ(poll(), -1006);  // came down onto the lower limit, not a switch
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -3);

    tarvikm_sim_place_switch(0, 2, 1, 5000, 5100, 0);
    set_up_steps(1);
    korvotarvik_HomeProcess_Ex(0, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(korvotarvik_GetHomeStatus_Ex(0, 1), 0);
        tarvikm_sim_advance_ms(5);
    }
    korvotarvik_dec_stop(0, 1);
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -1020);
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -3);
}

TEST_F(Homing, StepMachineMissingIndexAndOffsetOntoALimit)
{
    // No index anywhere: step 8 fails.
    place_axis1();
    set_up_steps(1, 0);
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    EXPECT_EQ(poll(), -1008);
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -3);

    // The offset runs into the upper limit: step 10 fails, and still zeroes
    // both positions where the axis stopped.
    set_up_steps(1, -1, 30000);
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    EXPECT_EQ(poll(), -1010);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(actual_pos(1), 0);
    EXPECT_EQ(tarvikm_sim_get_input(0, 1), 0);  // standing on the limit
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 1), -3);
}

TEST_F(Homing, SetupCodes)
{
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(3, 1, 0, 0, 0, 0, 1, 1, 0), -1);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 5, 0, 0, 0, 0, 1, 1, 0), -2);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 2, 0, 0, 0, 1, 1, 0), -3);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 0, -1, 0, 0, 1, 1, 0), -4);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 0, 0, 2, 0, 1, 1, 0), -5);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 0, 0, 0, -2, 1, 1, 0), -6);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 0, 0, 0, 0, 0, 1, 0), -7);
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 0, 0, 0, 0, 1, 0, 0), -8);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(3, 1, 0, 1, 1, 1, 1), -1);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 0, 0, 1, 1, 1, 1), -2);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, -1, 1, 1, 1, 1), -3);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 0, 0, 1, 1, 1), -4);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 0, 1, 0, 1, 1), -5);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 0, 1, 1, 0, 1), -6);
    EXPECT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 0, 1, 1, 1, 0), -7);
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(3, 1), -1);
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 9), -2);
    EXPECT_EQ(korvotarvik_GetHomeStatus_Ex(0, 9), -2);
    // The limit logic goes into the mode word as well.
    tarvikm_sim_log_enable(1);
    tarvikm_sim_log_clear();
    EXPECT_EQ(korvotarvik_SetHomeMode_Ex(0, 2, 0, 1, 1, 0, 1, 1, 0), 0);
    EXPECT_EQ(trace(), (std::vector<Access>{W(4, 0x4), W(0, 0x20F)}));
}

TEST_F(Homing, BlockingHomeFromAboveAndFromBelowThroughTheLimit)
{
    place_axis1();
    EXPECT_EQ(korvotarvik_home1(0, 1, 2, 0, -1, 1000, 20000, 8000, 300, 2000, 1000, 10), -1);
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, 3, 1000, 20000, 8000, 300, 2000, 1000, 10), -1);
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, -1, 1000, 20000, 8000, -1, 2000, 1000, 10), -1);
    EXPECT_EQ(command_pos(1), 0);

    park(10000);
    // Direction 1 searches negative: down onto the switch's upper edge.
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, -1, 1000, 20000, 8000, 300, 2000, 1000, 10), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_TRUE(on_switch());

    // From below: the lower limit reverses the search once, and the limit
    // met before the reversal does not fail the search that follows.
    park(-9000);
    EXPECT_FALSE(on_switch());
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, -1, 1000, 20000, 8000, 300, 2000, 1000, 10), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_TRUE(on_switch());
}

TEST_F(Homing, BlockingHomeFailsOnBothLimitsAndStopsOnTheStopFlag)
{
    place_axis1(false);
    EXPECT_EQ(korvotarvik_home1(0, 1, 0, 0, -1, 1000, 20000, 8000, 300, 2000, 1000, 10), -2);
    EXPECT_EQ(status(1), 0);

    tarvikm_sim_place_switch(0, 2, 1, 5000, 5100, 0);
    struct Pump {
        int calls = 0;
    } pump;
    korvotarvik_set_pump_callback(
        [](void* p) {
            if (++static_cast<Pump*>(p)->calls == 100)
                korvotarvik_dec_stop(0, 1);
        },
        &pump);
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, 0, 1000, 20000, 8000, 300, 2000, 1000, 10), 1);
    EXPECT_EQ(pump.calls, 100);
    // Home and index inputs are disabled again.
    tarvikm_sim_log_enable(1);
    tarvikm_sim_log_clear();
    korvotarvik_set_pulse_mode(0, 1, 1, 0, 0);
    std::vector<Access> t = trace();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].value & 0x0A00, 0u);
}

TEST_F(Homing, BlockingHomeWithIndexAndTwoAxes)
{
    place_axis1();
    tarvikm_sim_place_switch(0, 3, 1, 5150, 5160, 0);
    park(10000);
    EXPECT_EQ(korvotarvik_home1(0, 1, 1, 0, 0, 1000, 20000, 8000, 300, 2000, 1000, 100), 0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(tarvikm_sim_get_input(0, 3), 0);  // standing on the index

    // Axis 3 homes at the same time on its own switch (input 14).
    tarvikm_sim_place_switch(0, 14, 3, -2600, -2500, 0);
    park(-5000);
    EXPECT_EQ(korvotarvik_home2(0, 1, 3, 0, 1, 0, -1, 0, -1, 1000, 1000, 20000, 9000, 8000, 8000, 300, 200,
                                2000, 2000, 1000, 1000, 10, 10),
              0);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(command_pos(3), 0);
    EXPECT_TRUE(on_switch());
    EXPECT_EQ(tarvikm_sim_get_input(0, 14), 0);
    EXPECT_EQ(korvotarvik_home2(0, 1, 1, 0, 1, 0, -1, 0, -1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1), -1);
    EXPECT_EQ(korvotarvik_home2(0, 1, 2, 0, 5, 0, -1, 0, -1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1), -1);
}

TEST_F(Homing, FirstStepSetsTheSearchSpeedsAndEnablesTheSwitch)
{
    ASSERT_EQ(korvotarvik_SetHomeMode_Ex(0, 1, 1, 1, 0, -1, 100, 10, 0), 0);
    ASSERT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 5000, 3000, 100, 2000, 100), 0);
    tarvikm_sim_log_enable(1);
    tarvikm_sim_log_clear();
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    // Start speed not below the search speed: both are the start speed, no
    // acceleration; then the home switch with logic 1 (bits 9 and 10).
    EXPECT_EQ(trace(), (std::vector<Access>{W(12, 5000), W(14, 0), W(0, 0x104), W(12, 5000), W(14, 0),
                                            W(0, 0x105), W(4, 0x600), W(0, 0x10F)}));
    ASSERT_EQ(korvotarvik_SetHomeSpeed_Ex(0, 1, 100, 3000, 100, 2000, 100), 0);
    EXPECT_EQ(korvotarvik_HomeProcess_Ex(0, 1), 0);
    EXPECT_EQ(trace(), (std::vector<Access>{W(12, 100), W(14, 0), W(0, 0x104), W(12, 3000), W(14, 0),
                                            W(0, 0x105), W(12, 2000), W(0, 0x102), W(4, 0x600), W(0, 0x10F)}));
}

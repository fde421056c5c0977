// Linear interpolation and the interpolation FIFO: words on the card and
// the axes moving together on the simulated card.
#include "sim_fixture.h"

using Interp = SimCard;
using V = std::vector<Access>;

TEST_F(Interp, ImmediateInterpolationWords)
{
    EXPECT_EQ(korvotarvik_inp_move2(0, 1, 2, 300, -700), 0);
    EXPECT_EQ(trace(), (V{W(12, 700), W(14, 0), W(0, 0x32), W(12, 300), W(14, 0), W(0, 0x106), W(12, 0x02BC),
                          W(14, 0x8000), W(0, 0x206), W(0, 0x330)}));
    korvotarvik_sudden_stop(0, 1);
    trace();
    EXPECT_EQ(korvotarvik_inp_move3(0, 4, 1, 3, 1, 2, -3), 0);
    // Length 3; shares in argument order (axes 4, 1, 3), the negative one
    // as its magnitude with bit 31; the start with the bits of all three.
    std::vector<Access> t = trace();
    EXPECT_EQ(t, (V{W(12, 3), W(14, 0), W(0, 0x32), W(12, 1), W(14, 0), W(0, 0x806), W(12, 2), W(14, 0), W(0, 0x106),
                    W(12, 3), W(14, 0x8000), W(0, 0x406), W(0, 0xD30)}));
    korvotarvik_sudden_stop(0, 1);
    trace();
    EXPECT_EQ(korvotarvik_inp_move4(0, 1, 1, 1, 1), 0);
    t = trace();
    EXPECT_EQ(t.back(), W(0, 0xF30));

    // Repeated or bad axes push nothing.
    EXPECT_EQ(korvotarvik_inp_move2(0, 2, 2, 1, 1), 1);
    EXPECT_EQ(korvotarvik_inp_move3(0, 1, 2, 1, 1, 1, 1), 1);
    EXPECT_EQ(korvotarvik_inp_move2(0, 0, 2, 1, 1), 1);
    EXPECT_EQ(korvotarvik_fifo_inp_move2(0, 3, 3, 1, 1, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_inp_move1(0, 5, 1, 100), 1);
    EXPECT_EQ(korvotarvik_fifo_inp_move2(4, 1, 2, 1, 1, 100), 1);
    EXPECT_TRUE(trace().empty());
}

TEST_F(Interp, FifoWordsAreSignAndMagnitude)
{
    EXPECT_EQ(korvotarvik_fifo_inp_move2(0, 1, 2, 1000, -500, 2000), 0);
    EXPECT_EQ(pushed(0x17), (std::vector<uint32_t>{0x300003E8, 0x000003E8, 0x880001F4, 0x380007D0}));
    korvotarvik_reset_fifo(0);
    trace();
    // Every word low, high, then the push command without axis bits.
    EXPECT_EQ(korvotarvik_fifo_inp_move2(0, 2, 1, -1000, 500, 2000), 0);
    EXPECT_EQ(trace(), (V{W(12, 0x03E8), W(14, 0x3000), W(0, 0x17), W(12, 0x03E8), W(14, 0x8800), W(0, 0x17),
                          W(12, 0x01F4), W(14, 0x0000), W(0, 0x17), W(12, 0x07D0), W(14, 0x3800), W(0, 0x17)}));
    korvotarvik_reset_fifo(0);
    trace();
    // Axis fields 0..3, fields masked to 27 and 21 bits, the length of the
    // largest magnitude.
    korvotarvik_fifo_inp_move4(0, -1, 0x0FFFFFFF, -0x08000001, 7, 0x00300001);
    EXPECT_EQ(pushed(0x17), (std::vector<uint32_t>{0x37FFFFFF, 0x80000001, 0x0FFFFFFF, 0x90000001, 0x18000007,
                                                  0x38100001}));
    korvotarvik_reset_fifo(0);
    trace();
    korvotarvik_fifo_inp_move1(0, 3, -9, 10);
    EXPECT_EQ(pushed(0x17), (std::vector<uint32_t>{0x30000009, 0x90000009, 0x3800000A}));
}

TEST_F(Interp, FifoCountEmptyAndFullFlags)
{
    int32_t n = -1;
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 1);
    EXPECT_EQ(korvotarvik_read_fifo_full(0), 0);
    // Axis 1 is busy with a drive, so the segments wait in the FIFO.
    korvotarvik_set_speed(0, 1, 10);
    korvotarvik_pmove(0, 1, 100000);
    korvotarvik_fifo_inp_move2(0, 1, 2, 10, 10, 100);
    korvotarvik_fifo_inp_move3(0, 1, 2, 3, 10, 10, 10, 100);
    EXPECT_EQ(korvotarvik_read_fifo_count(0, &n), 0);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 0);
    for (int i = 0; i < 600; ++i)
        korvotarvik_fifo_inp_move2(0, 1, 2, 10, 10, 100);
    EXPECT_EQ(korvotarvik_read_fifo_full(0), 1);
    korvotarvik_read_fifo_count(0, &n);
    EXPECT_EQ(n, 2048);
    trace();
    EXPECT_EQ(korvotarvik_read_fifo_count(0, &n), 0);
    EXPECT_EQ(trace(), (V{R(2)}));
    EXPECT_EQ(korvotarvik_reset_fifo(0), 0);
    EXPECT_EQ(trace(), (V{W(0, 0x1E)}));
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 1);
    EXPECT_EQ(korvotarvik_read_fifo_count(0, nullptr), 1);
    EXPECT_EQ(korvotarvik_read_fifo_empty(7), 1);  // refused reads as empty
    EXPECT_EQ(korvotarvik_read_fifo_full(7), 1);
}

TEST_F(Interp, InterpolatedMoveReachesBothTargetsTogether)
{
    speeds(1, 1000, 1000, 1);  // the lowest axis sets the pace: 4000 pulses in 4 s
    korvotarvik_set_command_pos(0, 2, 50);
    korvotarvik_inp_move2(0, 2, 1, -3000, 4000);
    int32_t inp = 0;
    korvotarvik_get_inp_status(0, &inp);
    EXPECT_EQ(inp, 1);
    tarvikm_sim_advance_ms(2000);
    EXPECT_EQ(command_pos(1), 2000);
    EXPECT_EQ(command_pos(2), 50 - 1500);
    EXPECT_EQ(status(1), 1);
    EXPECT_EQ(status(2), 1);
    tarvikm_sim_advance_ms(1999);
    EXPECT_EQ(status(2), 1);
    tarvikm_sim_advance_ms(1);
    EXPECT_EQ(command_pos(1), 4000);
    EXPECT_EQ(command_pos(2), 50 - 3000);
    EXPECT_EQ(status(1), 0);
    EXPECT_EQ(status(2), 0);
    korvotarvik_get_inp_status(0, &inp);
    EXPECT_EQ(inp, 0);

    // Absolute line: trapezoid on the lower axis, differences in 64 bits.
    korvotarvik_symmetry_absolute_line2(0, 2, 1, 0, 0, 500, 8000, 0.1);
    tarvikm_sim_advance_ms(3000);
    EXPECT_EQ(command_pos(1), 0);
    EXPECT_EQ(command_pos(2), 0);
}

TEST_F(Interp, SymmetryLineSetsTheLowerAxisSpeeds)
{
    korvotarvik_symmetry_relative_line2(0, 3, 2, 10, 10, 1000, 21000, 0.1);
    std::vector<Access> t = trace();
    ASSERT_GE(t.size(), 8u);
    EXPECT_EQ(t[2], W(0, 0x204));
    EXPECT_EQ(t[5], W(0, 0x205));
    EXPECT_EQ(t[7], W(0, 0x202));
    EXPECT_EQ(korvotarvik_symmetry_relative_line2(5, 3, 2, 10, 10, 1000, 21000, 0.1), 1);
}

TEST_F(Interp, FifoSegmentsDrainInOrderAndAStopEmptiesTheFifo)
{
    korvotarvik_fifo_inp_move2(0, 1, 2, 1000, 0, 1000);   // 1 s
    korvotarvik_fifo_inp_move2(0, 1, 2, 0, -2000, 4000);  // 0.5 s
    korvotarvik_fifo_inp_move2(0, 1, 2, 300, 300, 600);   // 0.5 s
    int32_t inp = 0;
    korvotarvik_get_inp_status(0, &inp);
    EXPECT_EQ(inp, 1);
    tarvikm_sim_advance_ms(500);
    EXPECT_EQ(command_pos(1), 500);
    EXPECT_EQ(command_pos(2), 0);
    tarvikm_sim_advance_ms(750);
    EXPECT_EQ(command_pos(1), 1000);
    EXPECT_EQ(command_pos(2), -1000);
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 0);
    tarvikm_sim_advance_ms(250);
    EXPECT_EQ(command_pos(2), -2000);
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 1);  // the last segment runs
    tarvikm_sim_advance_ms(500);
    EXPECT_EQ(command_pos(1), 1300);
    EXPECT_EQ(command_pos(2), -1700);
    korvotarvik_get_inp_status(0, &inp);
    EXPECT_EQ(inp, 0);

    speeds(1, 100, 1000, 64000);  // the braking ramp of the leading axis
    for (int i = 0; i < 5; ++i)
        korvotarvik_fifo_inp_move2(0, 1, 2, 1000, 1000, 1000);
    tarvikm_sim_advance_ms(100);
    korvotarvik_dec_stop(0, 1);
    EXPECT_EQ(korvotarvik_read_fifo_empty(0), 1);
    tarvikm_sim_advance_ms(10000);
    EXPECT_NEAR(command_pos(1), 1400, 2);
    EXPECT_EQ(command_pos(1) - 1300, command_pos(2) + 1700);
    EXPECT_EQ(status(1), 0);
}

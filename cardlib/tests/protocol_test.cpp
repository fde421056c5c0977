// Register protocol: the exact port traces of the entries on the simulated
// card's log, the shadows, the value clamps and the refusals.
#include <atomic>
#include <climits>
#include <thread>

#include "sim_fixture.h"

using Protocol = SimCard;
using V = std::vector<Access>;

TEST_F(Protocol, DataWordsLowThenHighThenCommandAndReadsTheOtherWayRound)
{
    EXPECT_EQ(korvotarvik_set_speed(0, 2, 0x12345), 0);
    EXPECT_EQ(trace(), (V{W(12, 0x2345), W(14, 0x1), W(0, 0x205)}));
    EXPECT_EQ(korvotarvik_set_command_pos(0, 1, -5), 0);
    EXPECT_EQ(trace(), (V{W(12, 0xFFFB), W(14, 0xFFFF), W(0, 0x109)}));
    EXPECT_EQ(command_pos(1), -5);
    EXPECT_EQ(trace(), (V{W(0, 0x110), R(14), R(12)}));
    EXPECT_EQ(korvotarvik_set_actual_pos(0, 4, 70000), 0);
    EXPECT_EQ(trace(), (V{W(12, 70000 & 0xFFFF), W(14, 1), W(0, 0x80A)}));
    EXPECT_EQ(actual_pos(4), 70000);
    EXPECT_EQ(trace(), (V{W(0, 0x811), R(14), R(12)}));
}

TEST_F(Protocol, SpeedsAndAccelerationAreClampedNotRefused)
{
    EXPECT_EQ(korvotarvik_set_acc(0, 1, 100000), 0);
    EXPECT_EQ(trace(), (V{W(12, 64000), W(0, 0x102)}));  // low word only
    korvotarvik_set_acc(0, 3, 0);
    EXPECT_EQ(trace(), (V{W(12, 1), W(0, 0x402)}));
    korvotarvik_set_acc(0, 3, INT32_MIN);
    EXPECT_EQ(trace(), (V{W(12, 1), W(0, 0x402)}));
    korvotarvik_set_speed(0, 1, 0);
    EXPECT_EQ(trace(), (V{W(12, 1), W(14, 0), W(0, 0x105)}));
    korvotarvik_set_startv(0, 1, -20);
    EXPECT_EQ(trace(), (V{W(12, 1), W(14, 0), W(0, 0x104)}));
}

TEST_F(Protocol, PmoveWritesMagnitudeAndDirection)
{
    EXPECT_EQ(korvotarvik_pmove(0, 1, 0), 0);
    EXPECT_TRUE(trace().empty());
    EXPECT_EQ(korvotarvik_pmove(0, 1, -500), 0);
    EXPECT_EQ(trace(), (V{W(12, 500), W(14, 0), W(0, 0x106), W(0, 0x121)}));
    korvotarvik_sudden_stop(0, 1);
    trace();
    // The magnitude of the most negative count is taken in 64 bits.
    korvotarvik_pmove(0, 2, INT32_MIN);
    EXPECT_EQ(trace(), (V{W(12, 0), W(14, 0x8000), W(0, 0x206), W(0, 0x221)}));
    korvotarvik_sudden_stop(0, 2);
    trace();
    korvotarvik_continue_move(0, 3, 0);
    EXPECT_EQ(trace(), (V{W(12, 0xFFFF), W(14, 0xFFFF), W(0, 0x406), W(0, 0x420)}));
    EXPECT_EQ(korvotarvik_continue_move(0, 3, 2), 1);
    EXPECT_TRUE(trace().empty());
}

TEST_F(Protocol, TrapezoidAccelerationFormula)
{
    auto acc_written = [&]() {
        int32_t acc = -1;
        uint32_t low = 0;
        for (const Access& a : trace()) {
            if (a.write && a.offset == 12)
                low = a.value;
            if (a.write && a.offset == 0 && (a.value & 0xFF) == 0x02)
                acc = int32_t(low);
        }
        return acc;
    };
    // Start speed, speed, then (21000 - 1000) / 0.1 * 0.008 as the low word.
    EXPECT_EQ(korvotarvik_set_symmetry_speed(0, 1, 1000, 21000, 0.1), 0);
    EXPECT_EQ(trace(), (V{W(12, 1000), W(14, 0), W(0, 0x104), W(12, 21000), W(14, 0), W(0, 0x105), W(12, 1600),
                          W(0, 0x102)}));
    korvotarvik_set_symmetry_speed(0, 1, 1000, 21000, 0.1);
    EXPECT_EQ(acc_written(), 1600);
    // Truncated toward zero, not rounded: 999 / 0.1 * 0.008 = 79.92.
    korvotarvik_set_symmetry_speed(0, 1, 1, 1000, 0.1);
    EXPECT_EQ(acc_written(), 79);
    korvotarvik_set_symmetry_speed(0, 1, 1000, 21000, 0.0);  // 0.001 s: clamped
    EXPECT_EQ(acc_written(), 64000);
    korvotarvik_set_symmetry_speed(0, 1, 1, INT32_MAX, -5.0);  // no overflow on the way
    EXPECT_EQ(acc_written(), 64000);
    korvotarvik_set_symmetry_speed(0, 1, 1000, 1010, 100.0);  // below 1: raised
    EXPECT_EQ(acc_written(), 1);

    // Start speed not below the speed: both become the speed, acceleration untouched.
    korvotarvik_set_symmetry_speed(0, 2, 5000, 3000, 0.1);
    EXPECT_EQ(trace(), (V{W(12, 3000), W(14, 0), W(0, 0x204), W(12, 3000), W(14, 0), W(0, 0x205)}));
    // Only the card is validated; a bad axis makes the setters do nothing.
    EXPECT_EQ(korvotarvik_set_symmetry_speed(0, 9, 1, 2, 0.1), 0);
    EXPECT_TRUE(trace().empty());
    EXPECT_EQ(korvotarvik_set_symmetry_speed(2, 1, 1, 2, 0.1), 1);

    // Absolute move: reads the position, then drives the difference in 64 bits.
    korvotarvik_set_command_pos(0, 1, INT32_MIN + 1);
    trace();
    korvotarvik_symmetry_absolute_move(0, 1, INT32_MAX, 1000, 1000, 0.1);
    V t = trace();
    ASSERT_GE(t.size(), 4u);
    EXPECT_EQ((V{t.end() - 4, t.end()}), (V{W(12, 0xFFFE), W(14, 0xFFFF), W(0, 0x106), W(0, 0x120)}));
}

TEST_F(Protocol, ModeWordShadowKeepsEveryEntrysBits)
{
    korvotarvik_set_pulse_mode(0, 1, 0, 1, 1);
    EXPECT_EQ(trace(), (V{W(4, 0x1C0), W(0, 0x10F)}));
    korvotarvik_set_limit_mode(0, 1, 1, 0, 1);
    EXPECT_EQ(trace(), (V{W(4, 0x1C5), W(0, 0x10F)}));
    korvotarvik_set_stop0_mode(0, 1, 1, 1);
    EXPECT_EQ(trace(), (V{W(4, 0x7C5), W(0, 0x10F)}));
    korvotarvik_set_stop1_mode(0, 1, 1, 0);
    EXPECT_EQ(trace(), (V{W(4, 0xFC5), W(0, 0x10F)}));
    korvotarvik_manual_pmove(0, 1, -40);
    EXPECT_EQ(trace(), (V{W(12, 40), W(14, 0), W(0, 0x106), W(4, 0xFF5), W(0, 0x10F)}));
    korvotarvik_manual_continue(0, 1);
    EXPECT_EQ(trace(), (V{W(12, 0xFFFF), W(14, 0xFFFF), W(0, 0x106), W(4, 0xFD5), W(0, 0x10F)}));
    korvotarvik_manual_disable(0, 1);
    EXPECT_EQ(trace(), (V{W(4, 0xFC5), W(0, 0x10F)}));
    korvotarvik_set_lock_position(0, 1, 1, 1, 0);
    EXPECT_EQ(trace(), (V{W(4, 0xAFC5), W(0, 0x10F)}));
    korvotarvik_set_pulse_mode(0, 1, 1, 0, 0);
    EXPECT_EQ(trace(), (V{W(4, 0xAE05), W(0, 0x10F)}));
    // Another axis has its own word; the card-wide word its own command.
    korvotarvik_set_stop0_mode(0, 2, 2, 0);
    EXPECT_EQ(trace(), (V{W(4, 0x200), W(0, 0x20F)}));
    korvotarvik_set_suddenstop_mode(0, 1, 1);
    EXPECT_EQ(trace(), (V{W(4, 0x3), W(0, 0x0E)}));
}

TEST_F(Protocol, StopsResetTheFifosFirstAndStopDataHidesDisabledInputs)
{
    korvotarvik_dec_stop(0, 2);
    EXPECT_EQ(trace(), (V{W(0, 0x1E), W(0, 0x226)}));
    korvotarvik_sudden_stop(0, 3);
    EXPECT_EQ(trace(), (V{W(0, 0x1E), W(0, 0x3B), W(0, 0x427)}));

    // Home switch (input 2) and index (input 3) of axis 1 active low.
    tarvikm_sim_set_input(0, 2, 0);
    tarvikm_sim_set_input(0, 3, 0);
    int32_t v = -1;
    korvotarvik_set_stop0_mode(0, 1, 0, 0);
    korvotarvik_set_stop1_mode(0, 1, 0, 0);
    trace();
    EXPECT_EQ(korvotarvik_get_stopdata(0, 1, &v), 0);
    EXPECT_EQ(trace(), (V{W(0, 0x115), R(12)}));
    EXPECT_EQ(v, 0);
    korvotarvik_set_stop0_mode(0, 1, 1, 0);
    korvotarvik_get_stopdata(0, 1, &v);
    EXPECT_EQ(v, 4);
    korvotarvik_set_stop1_mode(0, 1, 1, 0);
    korvotarvik_get_stopdata(0, 1, &v);
    EXPECT_EQ(v, 12);
    // The positive-travel limit (input 1) at the recorded logic 0.
    tarvikm_sim_set_input(0, 1, 0);
    korvotarvik_get_stopdata(0, 1, &v);
    EXPECT_EQ(v, 13);
}

TEST_F(Protocol, RefusedCardsAxesAndNullPointersTouchNothing)
{
    int32_t v = 77;
    for (int card : {-1, 1, 9, 15, 16, INT32_MAX}) {
        EXPECT_EQ(korvotarvik_pmove(card, 1, 10), 1);
        EXPECT_EQ(korvotarvik_set_speed(card, 1, 10), 1);
        EXPECT_EQ(korvotarvik_get_status(card, 1, &v), 1);
        EXPECT_EQ(korvotarvik_dec_stop(card, 1), 1);
        EXPECT_EQ(korvotarvik_set_suddenstop_mode(card, 1, 1), 1);
        EXPECT_EQ(korvotarvik_write_bit(card, 1, 1), 1);
        EXPECT_EQ(korvotarvik_get_delay_status(card), 1);
        EXPECT_EQ(korvotarvik_get_hardware_ver(card), 1.0);
    }
    for (int axis : {0, 5, -1}) {
        EXPECT_EQ(korvotarvik_pmove(0, axis, 10), 1);
        EXPECT_EQ(korvotarvik_set_acc(0, axis, 10), 1);
        EXPECT_EQ(korvotarvik_get_command_pos(0, axis, &v), 1);
        EXPECT_EQ(korvotarvik_set_stop0_mode(0, axis, 1, 1), 1);
        EXPECT_EQ(korvotarvik_set_pulse_mode(0, axis, 1, 1, 1), 1);
        EXPECT_EQ(korvotarvik_sudden_stop(0, axis), 1);
    }
    EXPECT_EQ(v, 77);
    EXPECT_TRUE(trace().empty());

    EXPECT_EQ(korvotarvik_get_status(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_command_pos(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_actual_pos(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_speed(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_stopdata(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_lock_status(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_lock_position(0, 1, nullptr), 1);
    EXPECT_EQ(korvotarvik_get_card_index(nullptr), 1);
    EXPECT_EQ(GetPortVal(0xE000, nullptr, 2), 0);
    EXPECT_TRUE(trace().empty());
}

TEST_F(Protocol, OutputsKeepTheirShadowAndTheValueAsWritten)
{
    EXPECT_EQ(korvotarvik_write_bit(0, 3, 5), 0);
    EXPECT_EQ(trace(), (V{W(8, 0x0008)}));
    EXPECT_EQ(korvotarvik_get_out(0, 3), 5);
    korvotarvik_write_bit(0, 15, 1);
    EXPECT_EQ(trace(), (V{W(8, 0x8008)}));
    korvotarvik_write_bit(0, 3, 0);
    EXPECT_EQ(trace(), (V{W(8, 0x8000)}));
    EXPECT_EQ(korvotarvik_get_out(0, 3), 0);
    EXPECT_EQ(tarvikm_sim_get_outputs(0), 0x8000);

    EXPECT_EQ(korvotarvik_write_bit(0, 16, 1), 0);
    EXPECT_EQ(korvotarvik_write_bit(0, -1, 1), 0);
    EXPECT_TRUE(trace().empty());
    EXPECT_EQ(korvotarvik_get_out(0, 16), -1);
    EXPECT_EQ(korvotarvik_get_out(0, -1), -1);
    EXPECT_EQ(korvotarvik_get_out(16, 0), -1);
    EXPECT_EQ(korvotarvik_get_out(2, 0), 1);
    EXPECT_TRUE(trace().empty());  // the record, never the card
}

TEST_F(Protocol, InputBitsComeFromTheirWords)
{
    EXPECT_EQ(korvotarvik_read_bit(0, 0), 1);  // inputs rest at 1
    EXPECT_EQ(trace(), (V{R(8)}));
    tarvikm_sim_set_input(0, 17, 0);
    EXPECT_EQ(korvotarvik_read_bit(0, 17), 0);
    EXPECT_EQ(trace(), (V{R(10)}));
    tarvikm_sim_set_input(0, 40, 0);  // bit 8 of offset 6
    EXPECT_EQ(korvotarvik_read_bit(0, 40), 0);
    EXPECT_EQ(trace(), (V{R(6)}));
    EXPECT_EQ(korvotarvik_read_bit(0, 43), 1);
    trace();
    EXPECT_EQ(korvotarvik_read_bit(0, 44), -1);
    EXPECT_EQ(korvotarvik_read_bit(0, -1), -1);
    EXPECT_EQ(korvotarvik_read_bit(16, 0), -1);
    EXPECT_EQ(korvotarvik_read_bit(-1, 0), -1);
    EXPECT_EQ(korvotarvik_read_bit(3, 0), 1);
    EXPECT_TRUE(trace().empty());
}

TEST_F(Protocol, DelayTimerHighWordFirst)
{
    EXPECT_EQ(korvotarvik_set_delay_time(0, 0x12345), 0);
    EXPECT_EQ(trace(), (V{W(22, 0x1), W(20, 0x2345)}));
    EXPECT_EQ(korvotarvik_get_delay_status(0), 1);
    EXPECT_EQ(trace(), (V{R(20)}));
    tarvikm_sim_advance_us(0x12344);
    EXPECT_EQ(korvotarvik_get_delay_status(0), 1);
    tarvikm_sim_advance_us(1);
    EXPECT_EQ(korvotarvik_get_delay_status(0), 0);
}

TEST_F(Protocol, RawPortAccessSizes)
{
    uint32_t base = tarvikm_sim_card_base(0);
    for (int bit = 0; bit < 16; ++bit)
        tarvikm_sim_set_input(0, bit, bit == 7 || bit == 15);  // offset 8 reads 0x8080
    int32_t v = 0;
    EXPECT_EQ(GetPortVal(int32_t(base + 8), &v, 1), 1);
    EXPECT_EQ(v, -128);
    EXPECT_EQ(GetPortVal(int32_t(base + 8), &v, 2), 1);
    EXPECT_EQ(v, 0x8080);
    EXPECT_EQ(GetPortVal(int32_t(base + 8) | 0x70000, &v, 0x102), 1);  // low 16 bits of the port, low byte of size
    EXPECT_EQ(v, 0x8080);
    for (int size : {3, 4}) {
        EXPECT_EQ(GetPortVal(int32_t(base + 8), &v, size), 1);
        EXPECT_EQ(uint32_t(v), 0xFFFF8080u);
    }
    EXPECT_EQ(GetPortVal(0x1234, &v, 2), 1);  // nothing answers: all ones
    EXPECT_EQ(v, 0xFFFF);
    EXPECT_EQ(GetPortVal(0x1234, &v, 4), 1);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(SetPortVal(int32_t(base + 8), 0x12345, 2), 1);
    EXPECT_EQ(tarvikm_sim_get_outputs(0), 0x2345);
}

TEST_F(Protocol, VersionsAndCardIndex)
{
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(0), 3.2);
    EXPECT_EQ(trace(), (V{R(16)}));
    EXPECT_EQ(korvotarvik_get_lib_version(12345), 214);
    int32_t cards[10] = {-7, -7};
    EXPECT_EQ(korvotarvik_get_card_index(cards), 0);
    EXPECT_EQ(cards[0], 0);
    EXPECT_EQ(cards[1], -7);
}

// Two threads on one card: each data-and-command sequence runs whole under
// the card lock, so a counter never takes one caller's low word and the
// other's high word.
TEST_F(Protocol, SequencesOfTwoThreadsNeverInterleave)
{
    tarvikm_sim_log_enable(0);
    std::atomic<bool> go{true};
    std::atomic<uint32_t> theirs{0};
    std::thread other([&] {
        for (uint32_t i = 0; go; ++i) {
            korvotarvik_set_command_pos(0, 2, int32_t(0x5A5A0000u | (i & 0xFFFF)));
            ++theirs;
        }
    });
    bool mixed = false;
    for (uint32_t i = 0; (i < 20000 || theirs < 20000) && !mixed; ++i) {
        int32_t v = int32_t(0x12340000u | (i & 0xFFFF));
        korvotarvik_set_command_pos(0, 1, v);
        mixed = command_pos(1) != v;
    }
    go = false;
    other.join();
    EXPECT_FALSE(mixed);
    EXPECT_EQ(uint32_t(command_pos(2)) >> 16, 0x5A5Au);
}

// The interpreter refuses what the machine cannot do (issue 20): a
// coordinate beyond +-100000 mm or the card's 32-bit counts, a feed beyond
// the card's speed range, a dwell beyond the tick counter.  The run stops,
// nothing of the line moves, and one message names the line.
#include "velbend/machine/interpreter.h"

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace velbend::testing {
namespace {

class RangeOnCardsTest : public RunTest {};

// A run meets a corrupt X word: the lines before it run (the look-ahead does
// not merge the corrupt line), the corrupt line is refused, the run stops
// and the line after it never runs.  Today's clamp would have started a
// move of 2^31 pulses.
TEST_P(RangeOnCardsTest, ARunStopsAtTheCorruptLineAndNothingMoves) {
    Load({"G92 X0 Y0 Z0 A0", "M10", "X10", "X99999999999 F3000", "X20", "M30"}, &RunState::gRunning);
    ctx.panel.Shape2.Visible = ctx.panel.Shape3.Visible = true;
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gRunning != kTrue; }, 200));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "加工程序第4行超出机床的范围（X99999999999），加工已停止：X99999999999 F3000");
    EXPECT_EQ(op.messages[0].title, "错误");
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(ctx.panel.Shape2.Visible);
    EXPECT_FALSE(ctx.panel.Shape3.Visible);
    EXPECT_EQ(Outputs() & 1u, 0u);  // the cutter rotation of M10 is off again
    Tick(50);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), 1000);  // X10 ran, nothing after it
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(ctx.run.gRunning, 0);
}

VELBEND_ON_BOTH_CARDS(RangeOnCardsTest);

class RangeTest : public ModelRunTest {
protected:
    // Runs one line; true when it was refused (a message) with no move sent.
    bool Refused(const std::string& line) {
        card().ClearLog();
        const std::size_t before = op.messages.size();
        ctx.run.gTestRunning = kTrue;
        RunNcLine(ctx, line);
        const bool refused = op.messages.size() > before;
        if (refused) {
            EXPECT_TRUE(card().Calls("pmove").empty()) << line;
            EXPECT_TRUE(card().Calls("fifo_inp_move2").empty()) << line;
            EXPECT_TRUE(card().Calls("inp_move2").empty()) << line;
            EXPECT_TRUE(card().Calls("set_command_pos").empty()) << line;
            EXPECT_EQ(ctx.run.gTestRunning, 0) << line;
        }
        return refused;
    }
};

TEST_F(RangeTest, CoordinatesWithinTheOutlineImportsBound) {
    EXPECT_FALSE(Refused("X100000"));
    EXPECT_FALSE(Refused("X-100000"));
    EXPECT_TRUE(Refused("X100000.001"));
    EXPECT_TRUE(Refused("X-100000.001"));
    EXPECT_FALSE(Refused("Y-100000"));
    EXPECT_TRUE(Refused("Y100000.01"));
    EXPECT_TRUE(Refused("Z1E999"));   // not finite
    EXPECT_TRUE(Refused("A-2E5"));
    EXPECT_TRUE(Refused("G92 X123456789"));  // positions too
    EXPECT_TRUE(Refused("X10 Z200000"));     // a word the line does not use is refused all the same
    EXPECT_EQ(op.LastText(), "加工程序行超出机床的范围（Z200000），加工已停止：X10 Z200000");
}

TEST_F(RangeTest, PulseCountsWithinTheCardsRange) {
    // 20000 pulses per mm: 100000 mm are 2e9 pulses, within 2^31 - 1.
    ctx.axis(1).PulseEquivalent = 20000;
    ctx.run.mLastXPulses = 0;
    EXPECT_FALSE(Refused("X100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, 2000000000);
    // From there, -100000 mm is a move of 4e9 pulses: beyond a card count.
    EXPECT_TRUE(Refused("X-100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, 2000000000);
    EXPECT_FALSE(Refused("X0"));
    // 30000 pulses per mm: 100000 mm are 3e9 pulses.
    ctx.axis(1).PulseEquivalent = 30000;
    ctx.run.mLastXPulses = 0;
    EXPECT_TRUE(Refused("X80000"));
    EXPECT_FALSE(Refused("X70000"));

    // Z and A go from the card's command position: read, then refused.
    ctx.axis(3).PulseEquivalent = 20000;
    card().ax[3].cmd = -2000000000;
    EXPECT_TRUE(Refused("Z100000"));
    EXPECT_FALSE(Refused("Z0"));

    // Y of an XY line, from the last Y.
    ctx.axis(2).PulseEquivalent = 20000;
    ctx.axis(1).PulseEquivalent = 100;
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = -2000000000;
    EXPECT_TRUE(Refused("X1 Y100000"));
    EXPECT_TRUE(Refused("Y100000"));
    EXPECT_EQ(ctx.run.mLastYPulses, -2000000000);
}

TEST_F(RangeTest, FeedAndDwell) {
    // F: |F| x PulseEquivalent / 60 within 2^31 - 1 pulses per second.
    EXPECT_FALSE(Refused("X10 F1288490188"));  // 2147483646.7 pulses/s
    EXPECT_TRUE(Refused("X10 F1288490189"));
    EXPECT_TRUE(Refused("G05 Y10 F1E300"));
    EXPECT_TRUE(Refused("F-1E999"));
    ctx.axis(2).PulseEquivalent = 1000;
    EXPECT_TRUE(Refused("G05 Y10 F200000000"));  // axis 2's speed: 3.3e9 pulses/s
    EXPECT_FALSE(Refused("X10 F200000000"));     // axis 1's: 3.3e8

    // G04: at most 32767 ticks of 30 ms.
    EXPECT_FALSE(Refused("G04 P983010"));
    EXPECT_EQ(ctx.run.mDwellTicks, 32767);
    EXPECT_TRUE(Refused("G04 P983040"));  // 32768 ticks
    EXPECT_TRUE(Refused("G04 P-983040"));
    EXPECT_FALSE(Refused("G04 P-100"));   // a negative dwell is no dwell, as before
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    EXPECT_FALSE(Refused("X1 P1E99"));    // P is a dwell only on a G04 line
}

// The M action of a refused line is not done either.
TEST_F(RangeTest, NothingOfARefusedLineIsDone) {
    EXPECT_TRUE(Refused("M38 X1E9"));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_TRUE(card().Calls("set_stop0_mode").empty());
    EXPECT_TRUE(Refused("M10 Y1E9"));
    EXPECT_FALSE(card().Called("write_bit", {0, 0, 1}));
}

// An interpolated run ends before a line that would be refused; that line
// is refused on its own turn, naming it.
TEST_F(RangeTest, LookAheadNeverMergesARefusedLine) {
    Load({"X1 Y0.5", "X2 Y1", "X3 Y999999", "X4 Y1.5"});
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = 0;
    card().ClearLog();
    RunNcLine(ctx, ctx.run.gNcLines[0]);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);  // merged up to line 2
    EXPECT_EQ(ctx.run.mLastXPulses, 200);
    EXPECT_EQ(ctx.run.mLastYPulses, 100);
    ctx.run.gNcLineIndex = 2;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[2]));
    EXPECT_EQ(op.LastText(), "加工程序第3行超出机床的范围（Y999999），加工已停止：X3 Y999999");

    // X-only lines likewise.
    Load({"X1", "X2", "X3E7", "X4"});
    ctx.run.mLastXPulses = 0;
    card().ClearLog();
    RunNcLine(ctx, ctx.run.gNcLines[0]);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 200}));
}

// The move's counts are checked before the M action as well: no seek zero
// starts.  A G92 line moves nothing, so only its values are checked.  A
// merged target too far from the last X is left to its own turn.
TEST_F(RangeTest, MoveChecksComeFirstAndMergingStopsBeforeThem) {
    ctx.axis(2).PulseEquivalent = 20000;
    ctx.run.mLastYPulses = -2000000000;
    EXPECT_TRUE(Refused("M38 Y100000"));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_TRUE(card().Calls("set_stop0_mode").empty());
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);  // M38 would have passed over the next line

    ctx.axis(1).PulseEquivalent = 20000;
    ctx.run.mLastXPulses = 2000000000;
    EXPECT_FALSE(Refused("G92 X-100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, -2000000000);

    ctx.run.mLastXPulses = 2000000000;
    Load({"X99990", "X-100000"});
    card().ClearLog();
    RunNcLine(ctx, ctx.run.gNcLines[0]);
    EXPECT_TRUE(card().Called("pmove", {0, 1, -200000}));
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);  // not merged
    ctx.run.gNcLineIndex = 1;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[1]));
    EXPECT_EQ(op.LastText(), "加工程序第2行超出机床的范围（X-100000），加工已停止：X-100000");
}

TEST_F(RangeTest, EnglishMessage) {
    params.gLanguage = 1;
    Load({"G90 G01", "G04 P1E9 ;connect pause"});
    ctx.run.gNcLineIndex = 1;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[1]));
    EXPECT_EQ(op.LastText(),
              "Line 2 of the machining program is beyond what the machine can do (P1E9); the run is stopped: "
              "G04 P1E9 ;connect pause");
    EXPECT_EQ(op.messages.back().title, "Wrong");
}

}  // namespace
}  // namespace velbend::testing

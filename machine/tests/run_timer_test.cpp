#include "velbend/machine/run_timer.h"

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_writer.h"

namespace velbend::testing {
namespace {

class RunTimerTest : public RunTest {};

TEST_P(RunTimerTest, DwellTicksAndIdleHandOff) {
    Load({"G04 P90", "Y10", "X1"});
    Tick();  // the dwell line: 3 ticks
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_EQ(ctx.run.mDwellTicks, 3);
    Tick(3);  // three idle ticks pass
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    Tick();  // Y10: 1000 pulses at 5000 pulses/s
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    EXPECT_TRUE(Moving(2));
    // Nothing is handed on while the card moves: a tick that hands on a
    // line found the card idle.
    int ticksMoving = 0;
    while (ctx.run.gTestRunning == kTrue && ticksMoving < 200) {
        Advance(30);
        const bool busy = Moving();
        const int16_t before = ctx.run.gNcLineIndex;
        Timer2_Timer(ctx);
        if (busy) {
            ++ticksMoving;
            EXPECT_EQ(ctx.run.gNcLineIndex, before) << "a line handed on while the card moved";
        }
    }
    EXPECT_GT(ticksMoving, 1);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(Cmd(2), 1000);
    EXPECT_EQ(Cmd(1), 100);
    EXPECT_EQ(op.LastText(), "动作完成！");

    // Dwell ticks are milliseconds / 30, halves to even: each dwell holds
    // the next line for exactly that many idle ticks.
    const std::pair<const char*, int> dwell[] = {{"G04 P45", 2}, {"G04 P75", 2}, {"G04 P105", 4}, {"G04 P400", 13}};
    for (auto [line, ticks] : dwell) {
        Load({line, "M10", "M11"});
        Tick();
        EXPECT_EQ(ctx.run.mDwellTicks, ticks) << line;
        Tick(ticks);
        EXPECT_EQ(ctx.run.gNcLineIndex, 1) << line;
        Tick();
        EXPECT_EQ(ctx.run.gNcLineIndex, 2) << line;
        EXPECT_EQ(Outputs() & 1u, 1u) << line;
        ASSERT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 5));
    }
}

TEST_P(RunTimerTest, XOnlyLinesMergeAndTheIndexStandsOnTheLastOne) {
    // One tick hands on X10..X30 as one move: the interpreter leaves the
    // index on the last merged line and the timer steps past it.
    Load({"X10", "X20", "X30", "M10", "X35", "X38 Y0", "X40 Y2", "M11"});
    Tick();
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_EQ(ctx.run.mLastXPulses, 3000);
    if (auto* m = model()) {
        ASSERT_EQ(m->Calls("pmove").size(), 1u);
        EXPECT_TRUE(m->Called("pmove", {0, 1, 3000}));
    }
    EXPECT_TRUE(Moving(1));
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 4; }, 200));
    EXPECT_EQ(Cmd(1), 3000);
    EXPECT_EQ(Outputs() & 1u, 1u);
    // An XY line that leaves Y where it stands merges with the X line
    // before it; one that bends does not.
    Tick();
    EXPECT_EQ(ctx.run.gNcLineIndex, 6);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 7; }, 200));
    EXPECT_EQ(Cmd(1), 3800);
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 400));
    EXPECT_EQ(Cmd(1), 4000);
    EXPECT_EQ(Cmd(2), 200);
    EXPECT_EQ(Outputs() & 1u, 0u);
}

TEST_P(RunTimerTest, PlainG01LinesAreSkippedAndMarkersCountCycles) {
    int rebuilt = 0;
    ctx.hooks.BuildDisplayList = [&](int16_t) { ++rebuilt; };
    ctx.run.mCycleCount = -1;
    Load({"G01", "M16", "M100", "M16", "G01"});
    Tick();  // G01 passed over, M16 executed
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    EXPECT_EQ(ctx.run.mCycleCount, 0);
    EXPECT_EQ(rebuilt, 1);
    Tick(2);
    EXPECT_EQ(ctx.run.mCycleCount, 0);
    EXPECT_EQ(rebuilt, 2);
    Tick();  // the last line is a G01: passed over, and the run ends with its count
    EXPECT_EQ(ctx.run.mCycleCount, -1);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
}

TEST_P(RunTimerTest, StepModeShowsTheLineAndRunsOneAtATime) {
    ctx.sys().gRunMode = 1;
    Load({"X1", "X2", "Y5"});
    ctx.run.mStepMode = 1;
    Tick();
    EXPECT_TRUE(ctx.panel.StepTextVisible);
    EXPECT_TRUE(ctx.panel.StepCommandVisible);
    EXPECT_EQ(ctx.panel.StepCommandCaption, "单步测试1");
    EXPECT_EQ(ctx.panel.StepText, "X1      0.000      0.000");
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    Tick(3);
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    EXPECT_FALSE(Moving());

    StepCommand_Click(ctx);  // one line, then step mode again
    Tick();
    EXPECT_EQ(ctx.panel.StepCommandCaption, "单步测试0");
    EXPECT_EQ(ctx.run.mStepMode, 1);
    // X1 merged with X2 into one move; the index stands after both.
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    ASSERT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(1), 200);
    Tick(5);  // the next line waits for the next step
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    EXPECT_EQ(ctx.panel.StepText, "Y5      0.000      0.000");
    EXPECT_EQ(Cmd(2), 0);
    StepCommand_Click(ctx);
    Tick();
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 100));
    EXPECT_EQ(Cmd(2), 500);

    // The end of the run ends its step mode: the next start acts at once.
    EXPECT_EQ(ctx.run.mStepMode, 0);
    // Out of test mode the controls hide, and step mode goes with them: a
    // run left in it would wait for a step button no longer shown.
    StepCommand_Click(ctx);
    ctx.sys().gRunMode = 0;
    ASSERT_EQ(ctx.run.mStepMode, 1);
    Load({"Y1", "Y2"});
    Tick();
    EXPECT_FALSE(ctx.panel.StepTextVisible);
    EXPECT_FALSE(ctx.panel.StepCommandVisible);
    EXPECT_EQ(ctx.run.mStepMode, 0);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
}

TEST_P(RunTimerTest, PauseResumeAndStopMidMove) {
    ctx.writer.mJobLength = 1000;
    Load({"M10", "M16", "Y20", "X50", "X100 Y60", "G04 P30000", "X200"}, &RunState::gRunning);
    Tick(3);  // M10, M16, then the Y move starts
    ASSERT_EQ(ctx.run.gNcLineIndex, 3);
    ASSERT_TRUE(Moving());
    Command_Pause_Click(ctx);
    EXPECT_TRUE(TickUntil([&] { return !Moving(); }, 100));
    EXPECT_EQ(Cmd(2), 2000);  // the move in progress ran to its end
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);  // and nothing followed
    EXPECT_EQ(Cmd(1), 0);

    Command_Run_Click(ctx);  // resumes where it stood
    EXPECT_EQ(ctx.run.mPaused, 0);
    Tick();
    EXPECT_EQ(ctx.run.gNcLineIndex, 4);
    EXPECT_TRUE(Moving(1));

    // Stop with the feed and the bend moving (X100 Y60: a bend beyond the
    // space angle, each axis on its own).
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 5 && Moving(1) && Moving(2); }, 400));
    Advance(60);
    ASSERT_TRUE(Moving(1) && Moving(2));
    ctx.card.write_bit(0, 7, 1);  // any output 0..7 that is on goes off
    ASSERT_EQ(Outputs() & 0x89u, 0x89u);
    if (auto* m = model()) m->ClearLog();
    Command_Stop_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("reset_fifo", {0}));
        EXPECT_TRUE(m->Called("dec_stop", {0, 1}));
        EXPECT_TRUE(m->Called("dec_stop", {0, 2}));
        for (int bit = 0; bit <= 7; ++bit) EXPECT_TRUE(m->Called("write_bit", {0, bit, 0})) << bit;
        m->ClearLog();
    }
    if (!model()) {
        // On the card a decelerating stop is a ramp, not a halt: both axes
        // are still running down.
        EXPECT_TRUE(Moving(1));
        EXPECT_TRUE(Moving(2));
    }
    EXPECT_EQ(Outputs() & 0xFFu, 0u);
    for (int bit = 0; bit <= 7; ++bit) EXPECT_EQ(ctx.card.get_out(0, bit), 0) << bit;
    EXPECT_EQ(ctx.run.gRunning, 0);
    EXPECT_EQ(ctx.run.mPaused, 0);
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    Tick(10);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Axis_Status(ctx), 0);
    // Both stopped short of their targets (X 100 mm, Y 60 degrees), and no
    // line follows.
    const int32_t x = Cmd(1), y = Cmd(2);
    EXPECT_GT(x, 5000);
    EXPECT_LT(x, 10000);
    EXPECT_GT(y, 2000);
    EXPECT_LT(y, 6000);
    Tick(20);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    EXPECT_EQ(Cmd(1), x);
    EXPECT_EQ(Cmd(2), y);
    EXPECT_EQ(ctx.run.gNcLineIndex, 5);
}

TEST_P(RunTimerTest, StopMidInterpolationEmptiesTheFifo) {
    // A bend along the feed runs through the interpolation FIFO.
    ctx.axis(1).Acceleration = 0.1;
    ctx.writer.mJobLength = 1000;
    std::vector<std::string> lines = {"M10", "M16"};
    for (int i = 1; i <= 40; ++i) lines.push_back("X" + std::to_string(5 * i) + " Y" + std::to_string(1 + i % 2));
    Load(lines, &RunState::gRunning);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex > 2; }, 10));
    EXPECT_GT(ctx.run.mInterpCount, 2);
    Tick(3);
    ASSERT_TRUE(Moving());
    ASSERT_EQ(ctx.card.read_fifo_empty(0), 0);
    Command_Stop_Click(ctx);
    EXPECT_EQ(ctx.card.read_fifo_empty(0), 1);
    EXPECT_EQ(Outputs() & 0xFFu, 0u);
    Tick(20);
    EXPECT_FALSE(Moving());
    const int32_t x = Cmd(1);
    EXPECT_GT(x, 0);
    EXPECT_LT(x, 20000);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
}

TEST_P(RunTimerTest, MachiningRunEndsOnTheRecordedJobLength) {
    ctx.writer.mJobLength = 30;
    ctx.panel.Label4[2] = "30.0000  mm";
    ctx.panel.Check3 = 1;
    ctx.panel.Check3Enabled = false;
    ctx.panel.Shape2.Visible = ctx.panel.Shape3.Visible = true;
    ctx.run.mCycleCount = 3;
    Load({"G92 X0", "X10", "M30", "X30"}, &RunState::gRunning);
    Tick(2);
    EXPECT_EQ(ctx.panel.Label4[3], "30.0000  mm");
    // A caption gone stale does not decide the end.
    ctx.panel.Label4[2] = "12.0000  mm";
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 200));
    EXPECT_EQ(Cmd(1), 3000);
    EXPECT_EQ(op.LastText(), "加工完成！");
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    EXPECT_EQ(ctx.run.mCycleCount, -1);
    EXPECT_TRUE(ctx.panel.Check3Enabled);
    EXPECT_FALSE(ctx.panel.Shape2.Visible);
    EXPECT_FALSE(ctx.panel.Shape3.Visible);

    // Lines all handed on and every axis standing, 0.3 mm short of the
    // length: the run ends all the same, its message naming both lengths.
    params.gLanguage = 1;
    ctx.writer.mJobLength = 30.3;
    ctx.panel.Label4[2] = "30.3000  mm";
    SetCounters(1, 0);
    Load({"X30"}, &RunState::gRunning);
    ctx.run.mLastXPulses = 0;
    ctx.panel.Check3Enabled = false;
    ctx.panel.Shape2.Visible = true;
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 200));
    EXPECT_EQ(Cmd(1), 3000);
    EXPECT_EQ(op.LastText(), "Work ended, but the fed length 30.0000 mm differs from the job length 30.3000 mm!");
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    EXPECT_TRUE(ctx.panel.Check3Enabled);
    EXPECT_FALSE(ctx.panel.Shape2.Visible);
    params.gLanguage = 0;
    SetCounters(1, 0);
    Load({"X30"}, &RunState::gRunning);
    ctx.run.mLastXPulses = 0;
    ctx.run.mLengthComp = -0.3;  // the program fed 0.3 mm more than the path
    ctx.writer.mJobLength = 29.7;
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 200));
    EXPECT_EQ(op.LastText(), "加工完成！");
    // With a length compensation the remaining length shows it, and a run
    // whose compensation accounts for the rest finishes.
    params.gLanguage = 1;
    ctx.writer.mJobLength = 30.3;
    SetCounters(1, 0);
    Load({"X30"}, &RunState::gRunning);
    ctx.run.mLastXPulses = 0;
    ctx.run.mLengthComp = 0.3;
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 200));
    EXPECT_EQ(ctx.panel.Label4[3], "0.3000  mm  补偿长度 -0.3000");
    EXPECT_EQ(op.LastText(), "Work Finished！");
    ctx.panel.Label4[2].clear();
    Tick();
    EXPECT_EQ(ctx.panel.Label4[3], "");
}

// A piece count typed over while a run is on changes the captions of the
// next Run, not the run under way: its countdown and markers keep what Run
// recorded, and it ends on its own length.
TEST_P(RunTimerTest, APieceCountTypedMidRunLeavesTheRunAsRunRecordedIt) {
    auto& panel = ctx.panel;
    panel.Text4 = "10";
    panel.Text5 = "1";
    panel.Text7 = "5";
    ctx.sys().gBendToSlotDist = 0;
    panel.Picture1Width = 400;
    panel.Picture1Height = 200;
    panel.gViewWidth = 200;
    panel.gViewAspect = 0.5;
    home.Write("CtrP.dat", CrLf({"SPLINE 0.000000 3.0", "0.000000 0.000000 1 0.000000 0.000000 0.000000",
                                 "10.000000 0.000000 1 0.000000 0.000000 0.000000", "SPLINE 0.000000 0.0"}));
    Command_Run_Click(ctx);
    ASSERT_EQ(ctx.run.gRunning, kTrue);
    ASSERT_EQ(panel.Label4[2], "15.0000  mm");
    panel.Text5 = "3";
    SetLengthCaptions(panel, 10, 2, 0);  // as the box's change handler does
    ASSERT_EQ(panel.Label4[2], "55.0000  mm");
    ASSERT_TRUE(TickUntil([&] { return Cmd(1) > 1200 || ctx.run.gRunning != kTrue; }, 500));
    ASSERT_EQ(ctx.run.gRunning, kTrue);
    EXPECT_NEAR(Val(panel.Label4[3]), 15 - Cmd(1) / 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(panel.Shape2.Left, 10 * 2 + 200 - 6);  // at the path's end, not wrapped to a next piece
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 500));
    EXPECT_EQ(Cmd(1), 1500);
    EXPECT_EQ(panel.Label4[3], "0.0000  mm");
    EXPECT_EQ(op.LastText(), "加工完成！");
}

TEST_P(RunTimerTest, AProgramEndingInAFeedCheckStillEnds) {
    // The feed check of a last-line M34 is finished after every line was
    // handed on; then the run ends on its length.
    SetSlip(0.02);
    ctx.sys().gEncoderPrecision = 0.01;
    ctx.writer.mJobLength = 100;
    ctx.panel.Label4[2] = "100.0000  mm";
    Load({"G92 X0", "X100", "M34"}, &RunState::gRunning);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 600));
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
    EXPECT_EQ(Cmd(1), 10000);
    EXPECT_NEAR(Act(1) / 100.0, 100.0, 0.01);
    EXPECT_EQ(op.LastText(), "加工完成！");
    // The same where the strip was fed back behind its start (cutter zones
    // longer than the path): the check of a negative position is finished
    // as well, and the run ends.
    for (const char* back : {"X-25.95", "X-0.01"}) {
        SCOPED_TRACE(back);
        op.messages.clear();
        SetCounters(1, 0);
        ctx.writer.mJobLength = Val(back + 1);
        Load({"G92 X0", back, "M34"}, &RunState::gRunning);
        EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 600));
        EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
        EXPECT_EQ(Cmd(1), CardInt(Val(back + 1) * 100));
        EXPECT_EQ(op.messages.size(), 1u);
    }
}

TEST_P(RunTimerTest, RunsStartTheBenderFromItsRealPosition) {
    SetCounters(2, 2000);  // the bender stands at 20 degrees
    ctx.run.mLastYPulses = 0;
    Load({"Y10"}, &RunState::gRunning);
    ctx.writer.mJobLength = 1;
    Tick();
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 2, -1000}));
    }
    EXPECT_TRUE(Moving(2));
    EXPECT_TRUE(TickUntil([&] { return !Moving(); }, 50));
    EXPECT_EQ(Cmd(2), 1000);
}

// A correction goes on only while each round leaves at most half of the
// error the round before moved by; an encoder that does not follow stops the
// program after less than twice the first error, with one message naming
// the encoder and where the strip stands.
TEST_P(RunTimerTest, AFeedCorrectionThatDoesNotConvergeStops) {
    struct Case {
        double ratio;  // of the feed the encoder counts
        bool ends;     // the program ends by itself; else it is stopped
    };
    const Case cases[] = {
        {0.98, true},   // ordinary slip
        {0.7, true},    // 30 % slip: each round leaves 0.3 of its error
        {0.5, true},    // exactly half left each round: still converging
        {0.49, false},  // just more than half left
        {0.01, false},  // a wheel slipping on the strip
        {0.001, false},
        {-1, false},    // an encoder counting backwards
        {1.5, true},    // an encoder equivalent too small: corrected back, half left
        {2.0, false},   // as much left as corrected: no convergence
        {10.0, false},  // an encoder equivalent typed ten times too large
    };
    ctx.sys().gEncoderPrecision = 0.01;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        op.messages.clear();
        SetCounters(1, 0);
        SetEncoderRatio(c.ratio);
        Load({"G92 X0", "X100", "M34", "X120"});
        ASSERT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 3000));
        const double firstError = std::fabs(100.0 - 100.0 * c.ratio);
        int32_t cmd = Cmd(1);
        if (c.ends) {
            EXPECT_EQ(cmd, 12000);
            EXPECT_NEAR(Act(1) / 100.0, 100.0 + 20.0 * c.ratio, 0.021);  // the tolerance, a pulse of rounding
            EXPECT_EQ(op.LastText(), "动作完成！");
        } else {
            // One round, then stopped where the strip stands.
            EXPECT_FALSE(Moving());
            EXPECT_LT(std::fabs(cmd / 100.0 - 100.0), 2 * firstError);
            ASSERT_EQ(op.messages.size(), 1u);
            const std::string at = Format(cmd / 100.0, "0.000");
            EXPECT_NE(op.LastText().find("送料编码器的读数与送料不符"), std::string::npos) << op.LastText();
            EXPECT_NE(op.LastText().find("送料停在" + at + " mm处"), std::string::npos) << op.LastText();
            EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
            EXPECT_EQ(Outputs(), 0u);
        }
    }
    // The rounds are bounded too: a correction that halves its error each
    // round but would need more than 16 of them to come within the
    // tolerance stops.
    op.messages.clear();
    ctx.axis(1).PulseEquivalent = 20000;
    ctx.sys().gEncoderEquiv = 20000;
    ctx.sys().gEncoderPrecision = 0;
    SetCounters(1, 0);
    SetEncoderRatio(0.5);
    Load({"G92 X0", "X100", "M34", "X120"});
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 6000));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText().find("送料编码器"), std::string::npos) << op.LastText();
    EXPECT_LT(Cmd(1) / 20000.0, 200.0);

    // In English.
    ctx.axis(1).PulseEquivalent = 100;
    ctx.sys().gEncoderEquiv = 100;
    ctx.sys().gEncoderPrecision = 0.01;
    ctx.params.gLanguage = 1;
    op.messages.clear();
    SetCounters(1, 0);
    SetEncoderRatio(0.01);
    Load({"G92 X0", "X100", "M34", "X120"}, &RunState::gRunning);
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 3000));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText().find("The feed encoder does not follow the feed: still 98.010 mm off"),
              std::string::npos)
        << op.LastText();
    EXPECT_NE(op.LastText().find("the strip stands at 199.000 mm"), std::string::npos) << op.LastText();
    ctx.params.gLanguage = 0;

    // The operator dialog's correction after its Move: the same bound.
    for (const Case& c : {Case{0.5, true}, Case{0.49, false}, Case{-1, false}}) {
        SCOPED_TRACE(c.ratio);
        op.messages.clear();
        SetCounters(1, 0);
        SetEncoderRatio(c.ratio);
        ctx.card.set_actual_pos(0, 1, static_cast<int32_t>(std::lround(5000 * c.ratio)));
        ctx.card.set_command_pos(0, 1, 5000);
        ctx.run.gPendingComp = 50;
        ctx.run.gCompWaitTicks = 0;
        ASSERT_TRUE(TickUntil([&] { return ctx.run.gPendingComp == 0 && !Moving(); }, 3000));
        const double firstError = std::fabs(50.0 - 50.0 * c.ratio);
        if (c.ends) {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
            EXPECT_NEAR(Act(1) / 100.0, 50.0, 0.02);
        } else {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_NE(op.LastText().find("送料编码器"), std::string::npos) << op.LastText();
            EXPECT_LT(std::fabs(Cmd(1) / 100.0 - 50.0), 2 * firstError);
        }
        EXPECT_EQ(ctx.run.mCompCheck.rounds, 0);
    }
}

// The check's position and its being pending are apart: a check at
// position 0 is made, and the counter is put back there.
TEST_P(RunTimerTest, AFeedCheckAtPositionZeroIsMade) {
    ctx.sys().gEncoderPrecision = 0.01;
    SetCounters(1, 0);
    ctx.card.set_actual_pos(0, 1, -300);  // the encoder 3 mm behind
    Load({"G92 X0", "M34", "X10"});
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 600));
    EXPECT_EQ(Cmd(1), 1000);
    EXPECT_NEAR(Act(1) / 100.0, 10.0, 0.01);
}

TEST_P(RunTimerTest, FeedCorrectionFollowsTheSlippingEncoder) {
    SetSlip(0.02);  // the strip slips: the encoder sees 98 % of the feed
    ctx.sys().gEncoderPrecision = 0.01;
    Load({"G92 X0", "X100", "M34", "X200"});
    int32_t checked = 0;
    EXPECT_TRUE(TickUntil(
        [&] {
            if (ctx.run.mFeedCheckPos > 0) checked = ctx.run.mFeedCheckPos;
            return ctx.run.gNcLineIndex == 3;
        },
        400));
    EXPECT_EQ(ctx.run.mFeedCheckPos, 10000);
    EXPECT_EQ(ctx.run.mDwellTicks, 6);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 200}));
    }
    ASSERT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(1), 10200);  // the 2 mm the encoder missed, fed on
    // After the dwell the check finds 0.04 mm missing and corrects again,
    // then sets the counter to where the program expects the feed.
    if (auto* m = model()) m->ClearLog();
    EXPECT_TRUE(TickUntil([&] { return ctx.run.mFeedCheck.pending == 0; }, 100));
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 4}));
        EXPECT_TRUE(m->Called("set_command_pos", {0, 1, 10000}));
    }
    EXPECT_EQ(Cmd(1), 10000);
    EXPECT_NEAR(Act(1) / 100.0, 100.0, 0.01);
    // The program goes on from the position it expects; the second 100 mm
    // slip uncorrected.
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 400));
    EXPECT_EQ(Cmd(1), 20000);
    EXPECT_NEAR(Act(1) / 100.0, 100.0 + 98.0, 0.05);

    // The operator dialog's feed test: corrected until the encoder shows it.
    SetCounters(1, 0);
    if (auto* m = model()) m->ClearLog();
    ctx.run.gPendingComp = 50;
    ctx.run.gCompWaitTicks = 5;
    Tick(5);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gPendingComp == 0; }, 400));
    if (auto* m = model()) {
        EXPECT_GE(m->Calls("pmove").size(), 2u);
    }
    EXPECT_GT(Cmd(1), 5000);  // more than 50 mm commanded
    EXPECT_NEAR(Act(1) / 100.0, 50.0, 0.02);

    // An encoder equivalent of 0 refuses both with a message.
    ctx.sys().gEncoderEquiv = 0;
    ctx.run.gPendingComp = 20;
    ctx.run.gCompWaitTicks = 0;
    const int32_t before = Cmd(1);
    Tick();
    EXPECT_EQ(ctx.run.gPendingComp, 0);
    EXPECT_FALSE(Moving());
    EXPECT_NE(op.LastText().find("编码器当量"), std::string::npos);
    op.messages.clear();
    Load({"M34", "X1"});
    Tick();
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), before);
    EXPECT_NE(op.LastText().find("编码器当量"), std::string::npos);
}

TEST_P(RunTimerTest, ExternalButtonsJogTheFeed) {
    // First tick: both inputs read 1 against the stored 0: two releases,
    // which stop nothing.
    Tick();
    EXPECT_EQ(ctx.run.mExtFeedInput, 1);
    EXPECT_EQ(ctx.run.mExtRetractInput, 1);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("dec_stop").empty());
    }
    EXPECT_FALSE(Moving());

    ctx.card.write_bit(0, 3, 1);  // material pressed
    SetInput(18, 0);              // feed button held
    Tick();
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 100000000}));
    }
    EXPECT_EQ(Outputs() & 8u, 0u);  // pressing released for the jog
    EXPECT_TRUE(Moving(1));
    Tick(3);
    const int32_t fed = Cmd(1);
    EXPECT_GT(fed, 0);
    EXPECT_TRUE(Moving(1));  // not restarted, still going
    if (auto* m = model()) m->ClearLog();
    SetInput(18, 1);
    Tick();
    if (auto* m = model()) {
        EXPECT_EQ(m->Calls("dec_stop").size(), 1u);
    }
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    const int32_t stopped = Cmd(1);
    EXPECT_GE(stopped, fed);
    Tick(3);
    EXPECT_EQ(Cmd(1), stopped);

    // Retract in step mode: Text3 mm back, the release does not cut it short.
    ctx.panel.Check1 = 1;
    ctx.panel.Text3 = "5";
    SetInput(19, 0);
    Tick();
    EXPECT_TRUE(Moving(1));
    SetInput(19, 1);
    Tick();
    ASSERT_TRUE(AdvanceUntilIdle(5000));
    EXPECT_EQ(Cmd(1), stopped - 500);

    // Pressed while a run is on: refused, and not replayed when it ends.
    ctx.panel.Check1 = 0;
    Load({"G04 P90"});
    if (auto* m = model()) m->ClearLog();
    SetInput(18, 0);
    Tick();
    EXPECT_FALSE(Moving());
    EXPECT_EQ(ctx.run.mExtFeedInput, 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));
    Tick(3);
    EXPECT_FALSE(Moving());
    SetInput(18, 1);
    Tick();
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    EXPECT_EQ(Cmd(1), stopped - 500);

    // The retract button held: an endless jog backwards until released.
    SetInput(19, 0);
    Tick(3);
    EXPECT_TRUE(Moving(1));
    EXPECT_LT(Cmd(1), stopped - 500);
    SetInput(19, 1);
    Tick();
    EXPECT_TRUE(AdvanceUntilIdle(1000));
}

TEST_P(RunTimerTest, CylinderStrokesWaitForTheirSensors) {
    auto& s = ctx.sys();
    s.gCutterUpDownMode = 0;
    s.gPositionDetectMode = 0;
    Load({"M12", "M13", "M14", "X1"});
    Tick();
    EXPECT_EQ(ctx.run.mSensorWait, 1);
    EXPECT_EQ(Outputs() & 2u, 2u);
    // A Pause during the wait holds beyond it: the sensor ends the wait only.
    Command_Pause_Click(ctx);
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    SetInput(16, 0);  // cutter out reached
    Tick(3);
    EXPECT_EQ(ctx.run.mSensorWait, 0);
    EXPECT_EQ(Outputs() & 2u, 0u);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    Command_Run_Click(ctx);
    EXPECT_EQ(ctx.run.mPaused, 0);
    SetInput(16, 1);
    Tick(2);  // M13, then M14
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_EQ(ctx.run.mSensorWait, 2);
    // The other stroke's sensor does not end the wait.
    SetInput(16, 0);
    ctx.card.write_bit(0, 1, 1);
    Tick();
    EXPECT_EQ(ctx.run.mSensorWait, 2);
    ctx.card.write_bit(0, 1, 0);
    SetInput(16, 1);
    // The operator declares the sensor reached (only at user level 2).
    Label3_Click(ctx);
    EXPECT_EQ(ctx.run.mSensorOverride, 0);
    params.gUserLevel = 2;
    Label3_Click(ctx);
    Tick();
    EXPECT_EQ(ctx.run.mSensorOverride, 0);
    EXPECT_EQ(ctx.run.mSensorWait, 0);
    EXPECT_EQ(Outputs() & 4u, 0u);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));
    EXPECT_EQ(Cmd(1), 100);

    // Cutter Back pressed by hand while the program waits for its own cutter
    // back: the one sensor ends the hand stroke and the program's wait.
    params.gUserLevel = 0;
    Load({"M14", "X2"});
    Tick();
    ASSERT_EQ(ctx.run.mSensorWait, 2);
    Command_Z3_Click(ctx);  // refused under the program: the IO dialog's button acts
    ctx.card.write_bit(0, 1, 0);
    ctx.card.write_bit(0, 2, 1);
    ctx.run.gCylinderBusy = 1;
    Tick(3);
    EXPECT_EQ(ctx.run.mSensorWait, 2);
    SetInput(17, 0);
    Tick();
    EXPECT_EQ(ctx.run.mSensorWait, 0);
    EXPECT_EQ(ctx.run.gCylinderBusy, 0);
    EXPECT_EQ(Outputs() & 4u, 0u);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));
    EXPECT_EQ(Cmd(1), 200);
    SetInput(17, 1);

    // Delay mode: the dwell does the waiting, no sensor is read.
    s.gPositionDetectMode = 1;
    Load({"M14", "G04 P90", "M15"});
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);  // still in the dwell
    EXPECT_NE(Outputs() & 4u, 0u);
    Tick();
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(Outputs() & 4u, 0u);
}

// One tick in its order: the seek-zero continuation, then the cylinder
// sensors, then the line, then the operator dialog's feed correction.
TEST_P(RunTimerTest, OneTickKeepsItsOrder) {
    auto& s = ctx.sys();
    auto& run = ctx.run;
    s.gCutterUpDownMode = 0;
    s.gPositionDetectMode = 0;
    ctx.writer.mJobLength = 1000;
    Load({"M10", "X1"}, &RunState::gRunning);
    run.mExtFeedInput = 1;
    run.mExtRetractInput = 1;
    ctx.card.write_bit(0, 1, 1);  // an M12 stroke waits for its sensor
    run.mSensorWait = 1;
    SetInput(16, 0);               // and the sensor answers
    run.gHomeState = 6;            // the bend axis has made its compensation move
    run.gHomeStarted = 0;
    run.gPendingComp = 5;          // 5 mm wanted on the encoder, which reads 0
    if (auto* m = model()) m->ClearLog();
    Tick();
    if (auto* m = model()) {
        EXPECT_EQ(m->Trace(), (std::vector<std::string>{
                                  "set_command_pos(0,2,0)", "set_actual_pos(0,2,0)",  // seek zero ends
                                  "write_bit(0,1,0)",                                 // stroke released
                                  "write_bit(0,0,1)",                                 // the line M10
                                  "set_speed(0,1,10000)", "set_startv(0,1,1000)", "set_acc(0,1,10000)",
                                  "pmove(0,1,500)"}));  // feed correction
    }
    EXPECT_EQ(run.gHomeState, 0);
    EXPECT_EQ(run.mBendHomed, kTrue);
    EXPECT_EQ(run.mSensorWait, 0);
    EXPECT_EQ(run.gNcLineIndex, 1);
    EXPECT_EQ(Outputs() & 3u, 1u);
    EXPECT_EQ(run.gCompWaitTicks, 1);
    EXPECT_TRUE(Moving(1));
}

TEST_P(RunTimerTest, SlotAndTestRunsEndWithTheirMessages) {
    Load({"M16", "M17"}, &RunState::gSlotRunning);
    Tick();
    EXPECT_EQ(ctx.run.gSlotRunning, kTrue);
    Tick();  // the last line, output 3 off: the run ends
    EXPECT_EQ(ctx.run.gSlotRunning, 0);
    EXPECT_EQ(op.LastText(), "开槽完成！");
    // A program that leaves the material pressed ends all the same once its
    // last line is out and every axis stands (nothing else would let it
    // end); the pressing stays as it left it.
    op.messages.clear();
    Load({"M16"}, &RunState::gSlotRunning);
    Tick();
    EXPECT_EQ(ctx.run.gSlotRunning, 0);
    EXPECT_EQ(op.LastText(), "开槽完成！");
    EXPECT_EQ(Outputs() & 8u, 8u);
    // Not before every axis stands.
    op.messages.clear();
    SetCounters(1, 0);
    ctx.run.mLastXPulses = 0;
    Load({"X50"}, &RunState::gSlotRunning);
    Tick(2);
    EXPECT_EQ(ctx.run.gSlotRunning, kTrue);
    EXPECT_TRUE(Moving(1));
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gSlotRunning == 0; }, 500));
    EXPECT_FALSE(Moving(1));
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST_P(RunTimerTest, DisplaysLampsAndMarkers) {
    SetCounters(1, 12345);
    SetCounters(3, -250);
    ctx.card.write_bit(0, 0, 1);
    ctx.card.write_bit(0, 3, 1);
    SetInput(8, 0);
    ctx.panel.Picture1Width = 400;
    ctx.panel.Picture1Height = 200;
    ctx.panel.gViewWidth = 200;
    ctx.panel.gViewAspect = 0.5;
    ctx.mPathTable = {{0, 0, 0}, {50, 50, 0}, {123, 50, 73}, {200, 0, 0}};
    ctx.mPathPointCount = 4;
    ctx.sys().gBendToSlotDist = 100;
    Tick();
    EXPECT_EQ(ctx.panel.TextX, "123.45");
    EXPECT_EQ(ctx.panel.TextZ, "-2.50");
    EXPECT_EQ(ctx.panel.TextF, "0.0");
    const auto bg = MainPanel::kWindowBackground;
    EXPECT_EQ(ctx.panel.Shape1, (std::array<uint32_t, 6>{MainPanel::kLampRed, MainPanel::kLampRed, bg,
                                                         MainPanel::kLampGreen, bg, bg}));
    // Strip marker on path point 2 (123.45 mm fed), cutter marker on point 0.
    EXPECT_DOUBLE_EQ(ctx.panel.Shape2.Left, 50 * 2 + 200 - 6);
    EXPECT_DOUBLE_EQ(ctx.panel.Shape2.Top, 100 - 73 * 2 - 6 - 4);
    EXPECT_DOUBLE_EQ(ctx.panel.Shape3.Left, 200 - 6);
    EXPECT_DOUBLE_EQ(ctx.panel.Shape2.Width, 12);
}

VELBEND_ON_BOTH_CARDS(RunTimerTest);

}  // namespace
}  // namespace velbend::testing

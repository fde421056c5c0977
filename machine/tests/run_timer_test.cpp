#include "velbend/machine/run_timer.h"

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "sim_card.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_writer.h"

namespace velbend::testing {
namespace {

class RunTimerTest : public RunTest {};

TEST_F(RunTimerTest, DwellTicksAndIdleHandOff) {
    Load({"G04 P90", "Y10", "X1"});
    Tick();  // the dwell line: 3 ticks
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_EQ(ctx.run.mDwellTicks, 3);
    Tick(3);  // three idle ticks pass
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    Tick();  // Y10: 1000 pulses at 5000 pulses/s = 200 ms
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    int ticksMoving = 0;
    while (ctx.run.gNcLineIndex == 2 && ticksMoving < 100) {
        EXPECT_TRUE(card().ax[2].driving);  // nothing handed on while the card moves
        Tick();
        ++ticksMoving;
    }
    EXPECT_GE(ticksMoving, 6);
    EXPECT_EQ(Cmd(2), 1000);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));
    EXPECT_EQ(Cmd(1), 100);
    EXPECT_EQ(op.LastText(), "动作完成！");
}

TEST_F(RunTimerTest, PlainG01LinesAreSkippedAndMarkersCountCycles) {
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
    Tick();  // the last line is a G01: passed over, and the run ends
    EXPECT_EQ(ctx.run.mCycleCount, 0);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
}

TEST_F(RunTimerTest, StepModeShowsTheLineAndRunsOneAtATime) {
    ctx.sys().gRunMode = 1;
    Load({"X1", "X2"});
    ctx.run.gNcLineCount = 2;
    ctx.run.mStepMode = 1;
    Tick();
    EXPECT_TRUE(ctx.panel.StepTextVisible);
    EXPECT_TRUE(ctx.panel.StepCommandVisible);
    EXPECT_EQ(ctx.panel.StepCommandCaption, "单步测试1");
    EXPECT_EQ(ctx.panel.StepText, "X1      0.000      0.000");
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    Tick(3);
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);

    StepCommand_Click(ctx);  // one line, then step mode again
    Tick();
    EXPECT_EQ(ctx.panel.StepCommandCaption, "单步测试0");
    EXPECT_EQ(ctx.run.mStepMode, 1);
    // X1 merged with X2 into one move; the index stands after both.
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);

    // Out of test mode the controls hide and step mode is not re-armed.
    ctx.sys().gRunMode = 0;
    ctx.run.mStepMode = 0;
    Load({"Y1", "Y2"});
    Tick();
    EXPECT_FALSE(ctx.panel.StepTextVisible);
    EXPECT_FALSE(ctx.panel.StepCommandVisible);
    EXPECT_EQ(ctx.run.mStepMode, 0);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
}

TEST_F(RunTimerTest, PauseResumeAndStopMidMove) {
    ctx.writer.mJobLength = 1000;
    Load({"M10", "M16", "Y20", "X50", "X0.5 Y0", "G04 P30000", "X100"}, &RunState::gRunning);
    Tick(3);  // M10, M16, then the Y move starts
    ASSERT_EQ(ctx.run.gNcLineIndex, 3);
    ASSERT_TRUE(card().AnyMoving());
    Command_Pause_Click(ctx);
    EXPECT_TRUE(TickUntil([&] { return !card().AnyMoving(); }, 100));
    EXPECT_EQ(Cmd(2), 2000);  // the move in progress ran to its end
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);  // and nothing followed

    Command_Run_Click(ctx);  // resumes where it stood
    EXPECT_EQ(ctx.run.mPaused, 0);
    Tick();
    EXPECT_EQ(ctx.run.gNcLineIndex, 4);

    // Stop with the feed and the bend moving.
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 5 && card().AnyMoving(); }, 200));
    card().ax[2].driving = true;  // the bender still moving as well
    card().ax[2].left = 5000;
    card().ClearLog();
    Command_Stop_Click(ctx);
    EXPECT_TRUE(card().Called("reset_fifo", {0}));
    EXPECT_TRUE(card().Called("dec_stop", {0, 1}));
    EXPECT_TRUE(card().Called("dec_stop", {0, 2}));
    for (int bit = 0; bit <= 7; ++bit) EXPECT_TRUE(card().Called("write_bit", {0, bit, 0})) << bit;
    EXPECT_EQ(card().outputs, 0u);
    EXPECT_EQ(ctx.run.gRunning, 0);
    EXPECT_EQ(ctx.run.mPaused, 0);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    card().ClearLog();
    Tick(10);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_FALSE(card().AnyMoving());
}

TEST_F(RunTimerTest, MachiningRunEndsOnTheRecordedJobLength) {
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

    // Lines all handed on but 0.3 mm short of the length: the run stays on.
    params.gLanguage = 1;
    ctx.writer.mJobLength = 30.3;
    card().ax[1].cmd = 0;
    Load({"X30"}, &RunState::gRunning);
    ctx.run.mLastXPulses = 0;
    Tick(60);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_EQ(ctx.run.gRunning, kTrue);
    // With a length compensation the remaining length shows it.
    ctx.run.mLengthComp = 0.3;
    ctx.panel.Label4[2] = "30.3000  mm";
    Tick();
    EXPECT_EQ(ctx.panel.Label4[3], "0.3000  mm  补偿长度 -0.3000");
    EXPECT_EQ(ctx.run.gRunning, 0);
    EXPECT_EQ(op.LastText(), "Work Finished！");
    ctx.panel.Label4[2].clear();
    Tick();
    EXPECT_EQ(ctx.panel.Label4[3], "");
}

TEST_F(RunTimerTest, RunsStartTheBenderFromItsRealPosition) {
    card().ax[2].cmd = 2000;  // the bender stands at 20 degrees
    ctx.run.mLastYPulses = 0;
    Load({"Y10"}, &RunState::gRunning);
    ctx.writer.mJobLength = 1;
    Tick();
    EXPECT_TRUE(card().Called("pmove", {0, 2, -1000}));
    EXPECT_TRUE(TickUntil([&] { return !card().AnyMoving(); }, 50));
    EXPECT_EQ(Cmd(2), 1000);
}

TEST_F(RunTimerTest, FeedCorrectionFollowsTheSlippingEncoder) {
    card().SetSlip(0.02);  // the strip slips: the encoder sees 98 % of the feed
    ctx.sys().gEncoderPrecision = 0.01;
    Load({"G92 X0", "X100", "M34", "X200"});
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 3; }, 400));
    EXPECT_EQ(ctx.run.mFeedCheckPos, 10000);
    EXPECT_EQ(ctx.run.mDwellTicks, 6);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 200}));
    // After the dwell the check finds 0.04 mm missing and corrects again.
    card().ClearLog();
    EXPECT_TRUE(TickUntil([&] { return ctx.run.mFeedCheckPos == 0; }, 100));
    EXPECT_TRUE(card().Called("pmove", {0, 1, 4}));
    EXPECT_TRUE(card().Called("set_command_pos", {0, 1, 10000}));
    EXPECT_NEAR(card().ax[1].act / 100.0, 100.0, 0.01);
    // The program goes on from the position it expects.
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 400));
    EXPECT_EQ(Cmd(1), 20000);

    // The operator dialog's feed test: corrected until the encoder shows it.
    card().ax[1].cmd = 0;
    card().ax[1].act = 0;
    card().ClearLog();
    ctx.run.gPendingComp = 50;
    ctx.run.gCompWaitTicks = 5;
    Tick(5);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gPendingComp == 0; }, 400));
    EXPECT_GE(card().Calls("pmove").size(), 2u);
    EXPECT_NEAR(card().ax[1].act / 100.0, 50.0, 0.02);

    // An encoder equivalent of 0 refuses both with a message.
    ctx.sys().gEncoderEquiv = 0;
    ctx.run.gPendingComp = 20;
    ctx.run.gCompWaitTicks = 0;
    card().ClearLog();
    Tick();
    EXPECT_EQ(ctx.run.gPendingComp, 0);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_NE(op.LastText().find("编码器当量"), std::string::npos);
}

TEST_F(RunTimerTest, ExternalButtonsJogTheFeed) {
    // First tick: both inputs read 1 against the stored 0: two releases,
    // which stop nothing.
    Tick();
    EXPECT_EQ(ctx.run.mExtFeedInput, 1);
    EXPECT_EQ(ctx.run.mExtRetractInput, 1);
    EXPECT_TRUE(card().Calls("dec_stop").empty());

    card().SetInput(18, 0);  // feed button held
    Tick();
    EXPECT_TRUE(card().Called("pmove", {0, 1, 100000000}));
    EXPECT_TRUE(card().Called("write_bit", {0, 3, 0}));
    card().ClearLog();
    Tick(3);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_GT(Cmd(1), 0);
    card().SetInput(18, 1);
    Tick();
    EXPECT_EQ(card().Calls("dec_stop").size(), 1u);
    EXPECT_FALSE(card().AnyMoving());

    // Retract in step mode: Text3 mm back, the release sends nothing.
    ctx.panel.Check1 = 1;
    ctx.panel.Text3 = "5";
    card().ClearLog();
    card().SetInput(19, 0);
    Tick();
    EXPECT_TRUE(card().Called("pmove", {0, 1, -500}));
    card().SetInput(19, 1);
    Tick();
    EXPECT_TRUE(card().Calls("dec_stop").empty());

    // Pressed while a run is on: refused, and not replayed when it ends.
    ctx.panel.Check1 = 0;
    EXPECT_TRUE(TickUntil([&] { return !card().AnyMoving(); }, 100));
    Load({"G04 P90"});
    card().ClearLog();
    card().SetInput(18, 0);
    Tick();
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_EQ(ctx.run.mExtFeedInput, 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));
    Tick(3);
    EXPECT_TRUE(card().Calls("pmove").empty());
    card().SetInput(18, 1);
    Tick();
    EXPECT_TRUE(card().Calls("dec_stop").empty());
}

TEST_F(RunTimerTest, CylinderStrokesWaitForTheirSensors) {
    auto& s = ctx.sys();
    s.gCutterUpDownMode = 0;
    s.gPositionDetectMode = 0;
    Load({"M12", "M13", "M14", "X1"});
    Tick();
    EXPECT_EQ(ctx.run.mPaused, 1);
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    card().SetInput(16, 0);  // cutter out reached
    Tick();
    EXPECT_EQ(ctx.run.mPaused, 0);
    EXPECT_EQ(card().outputs & 2u, 0u);
    card().SetInput(16, 1);
    Tick(2);  // M13, then M14
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_EQ(ctx.run.mPaused, 1);
    // The operator declares the sensor reached (only at user level 2).
    Label3_Click(ctx);
    EXPECT_EQ(ctx.run.mSensorOverride, 0);
    params.gUserLevel = 2;
    Label3_Click(ctx);
    Tick();
    EXPECT_EQ(ctx.run.mSensorOverride, 0);
    EXPECT_EQ(ctx.run.mPaused, 0);
    EXPECT_EQ(card().outputs & 4u, 0u);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20));

    // Delay mode: the dwell does the waiting, no sensor is read.
    s.gPositionDetectMode = 1;
    Load({"M14", "G04 P90", "M15"});
    Tick(5);
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);  // still in the dwell
    EXPECT_NE(card().outputs & 4u, 0u);
    Tick();
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(card().outputs & 4u, 0u);
}

TEST_F(RunTimerTest, SlotAndTestRunsEndWithTheirMessages) {
    Load({"M16", "M17"}, &RunState::gSlotRunning);
    Tick();
    EXPECT_EQ(ctx.run.gSlotRunning, kTrue);
    Tick();  // the last line, output 3 off: the run ends
    EXPECT_EQ(ctx.run.gSlotRunning, 0);
    EXPECT_EQ(op.LastText(), "开槽完成！");
    // Material still pressed: the run waits.
    Load({"M16"}, &RunState::gSlotRunning);
    Tick(5);
    EXPECT_EQ(ctx.run.gSlotRunning, kTrue);
}

TEST_F(RunTimerTest, DisplaysLampsAndMarkers) {
    card().ax[1].cmd = 12345;
    card().ax[3].cmd = -250;
    card().outputs = 1u | 8u;
    card().SetInput(8, 0);
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

// The same correction against the card library's simulated card, whose
// feed encoder slips (needs the simulated card's encoder-slip control).
TEST(RunTimerOnSimulatedCard, FeedCorrectionWithEncoderSlip) {
    TempHome home;
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx(params, op);
    TestMachine(params);
    params.gSysParaTable.gEncoderEquiv = 100;
    params.gSysParaTable.gEncoderPrecision = 0.01;
    ctx.panel.Timer2Interval = 30;
    SimCard sim(ctx.card);
    if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    auto slip = sim.Sym<int32_t (*)(int32_t, int32_t, double)>("tarvikm_sim_set_encoder_slip");
    if (!slip) GTEST_SKIP() << "the simulated card has no encoder slip (tarvikm_sim_set_encoder_slip)";
    ASSERT_EQ(slip(0, 1, 0.02), 0);
    ctx.run.gNcLines = {"G92 X0", "X100", "M34", "X200"};
    ctx.run.gNcLineCount = 4;
    ctx.run.gTestRunning = kTrue;
    int32_t checked = 0;
    for (int i = 0; i < 2000 && ctx.run.gTestRunning == kTrue; ++i) {
        sim.Advance(30);
        Timer2_Timer(ctx);
        if (ctx.run.mFeedCheckPos > 0) checked = ctx.run.mFeedCheckPos;
    }
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(checked, 10000);
    int32_t cmd = 0, act = 0;
    ctx.card.get_command_pos(0, 1, &cmd);
    ctx.card.get_actual_pos(0, 1, &act);
    EXPECT_EQ(cmd, 20000);
    // The second 100 mm slipped uncorrected: 98 mm on the encoder.
    EXPECT_NEAR(act / 100.0, 100.0 + 98.0, 0.05);
}

// Stop in the middle of a run on the simulated card: both moving axes
// decelerate, the outputs go off, and no line follows.
TEST(RunTimerOnSimulatedCard, StopMidMove) {
    TempHome home;
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx(params, op);
    TestMachine(params);
    ctx.panel.Timer2Interval = 30;
    SimCard sim(ctx.card);
    if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    auto outputs = sim.Sym<int32_t (*)(int32_t)>("tarvikm_sim_get_outputs");
    ASSERT_NE(outputs, nullptr);
    ctx.run.gNcLines = {"M10", "M16", "X100 Y40", "X200"};
    ctx.run.gNcLineCount = 4;
    ctx.writer.mJobLength = 200;
    ctx.run.gRunning = kTrue;
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(ctx);
        }
    };
    tick(3);
    ASSERT_EQ(ctx.run.gNcLineIndex, 3);
    tick(10);
    int32_t s1 = 0, s2 = 0;
    ctx.card.get_status(0, 1, &s1);
    ctx.card.get_status(0, 2, &s2);
    ASSERT_NE(s1, 0);
    ASSERT_NE(s2, 0);
    EXPECT_EQ(outputs(0) & 0x9, 0x9);
    Command_Stop_Click(ctx);
    EXPECT_EQ(outputs(0) & 0xFF, 0);
    tick(50);
    EXPECT_EQ(Axis_Status(ctx), 0);
    int32_t x = 0, y = 0;
    ctx.card.get_command_pos(0, 1, &x);
    ctx.card.get_command_pos(0, 2, &y);
    EXPECT_LT(x, 10000);
    EXPECT_LT(y, 4000);
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_EQ(ctx.run.gRunning, 0);
}

}  // namespace
}  // namespace velbend::testing

#include "velbend/machine/interpreter.h"

#include <gtest/gtest.h>

#include <numeric>

#include "run_fixture.h"

namespace velbend::testing {
namespace {

// Exact entry calls (speeds, pulse counts, FIFO segments): on the card
// model's call log.  What a line does to the card's positions and outputs
// runs on both cards below and in run_timer_test.cpp.
class InterpreterTest : public ModelRunTest {
protected:
    // Runs the program's current line as the run timer would hand it on.
    void RunCurrent() { RunNcLine(ctx, ctx.run.gNcLines[static_cast<std::size_t>(ctx.run.gNcLineIndex)]); }
    std::vector<CardModel::Call> Moves(int axis) {
        std::vector<CardModel::Call> r;
        for (auto& c : card().Calls("pmove"))
            if (c.a[1] == axis) r.push_back(c);
        return r;
    }
};

TEST_F(InterpreterTest, WordsAreSplitAsTheProgramWritesThem) {
    NcWords w = SplitNcWords("G90 G01");
    EXPECT_EQ(w.G, "9001");
    w = SplitNcWords("G04 P400 ;connect pause");
    EXPECT_EQ(w.G, "04");
    EXPECT_EQ(w.P, "400");
    EXPECT_TRUE(w.M.empty());  // the comment is not read
    w = SplitNcWords("x5 f3000");
    EXPECT_EQ(w.X, "5");
    EXPECT_EQ(w.F, "3000");
    // Characters after a blank are dropped up to the next word letter.
    w = SplitNcWords("X12.5 junk Y-3");
    EXPECT_EQ(w.X, "12.5");
    EXPECT_EQ(w.Y, "-3");

    EXPECT_EQ(X_Only(ctx, "X120.5 F3000"), "120.5");
    EXPECT_EQ(X_Only(ctx, "G01 X100"), "NUM");
    EXPECT_EQ(X_Only(ctx, "X10 Y5 F100"), "NUM");
    EXPECT_EQ(ctx.run.mLastNcX, "10");
    EXPECT_EQ(ctx.run.mLastNcY, "5");
    EXPECT_EQ(X_Only(ctx, "M16"), "NUM");
    EXPECT_TRUE(ctx.run.mLastNcX.empty());
    EXPECT_TRUE(ctx.run.mLastNcY.empty());
    EXPECT_EQ(X_Only(ctx, ""), "NUM");
}

class InterpreterOnCardsTest : public RunTest {};

TEST_P(InterpreterOnCardsTest, PositionsAndDwell) {
    SetCounters(1, 777);
    SetCounters(2, 333);
    if (auto* m = model()) m->ClearLog();
    RunNcLine(ctx, "G90 G01");
    if (auto* m = model()) {
        EXPECT_TRUE(m->log.empty());
    }
    EXPECT_EQ(Cmd(1), 777);

    RunNcLine(ctx, "G92 X0 Y0 Z0 A0");
    if (auto* m = model()) {
        for (int n = 1; n <= 4; ++n) EXPECT_TRUE(m->Called("set_command_pos", {0, n, 0})) << n;
        EXPECT_TRUE(m->Called("set_actual_pos", {0, 1, 0}));
        EXPECT_FALSE(m->Called("set_actual_pos", {0, 2, 0}));
    }
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(Cmd(n), 0) << n;
    EXPECT_EQ(Act(1), 0);
    EXPECT_EQ(Act(2), 333);  // only the feed's encoder counter is set
    EXPECT_EQ(ctx.run.mLastXPulses, 0);
    EXPECT_EQ(ctx.run.mLastYPulses, 0);
    EXPECT_FALSE(Moving());

    RunNcLine(ctx, "G92 X5");
    EXPECT_EQ(ctx.run.mLastXPulses, 500);
    EXPECT_EQ(Cmd(1), 500);
    EXPECT_EQ(Act(1), 500);

    // Dwell ticks: milliseconds / 30, halves to even.
    const std::pair<const char*, int> dwell[] = {
        {"G04 P100", 3}, {"G04 P400", 13}, {"G04 P45", 2}, {"G04 P75", 2}, {"G04 P105", 4}, {"G04 Pxyz", 0},
        {"G04 P400 ;connect pause", 13}};
    for (auto [line, ticks] : dwell) {
        RunNcLine(ctx, line);
        EXPECT_EQ(ctx.run.mDwellTicks, ticks) << line;
    }
}

TEST_P(InterpreterOnCardsTest, OutputCodes) {
    const std::tuple<const char*, int, int> codes[] = {
        {"M10", 0, 1}, {"M11", 0, 0}, {"M16", 3, 1}, {"M18", 4, 1}, {"M17", 3, 0}, {"M19", 4, 0}};
    for (auto [line, bit, v] : codes) {
        RunNcLine(ctx, line);
        EXPECT_EQ((Outputs() >> bit) & 1u, static_cast<uint32_t>(v)) << line;
        EXPECT_EQ(ctx.card.get_out(0, bit), v) << line;
    }
    ctx.card.write_bit(0, 1, 1);
    ctx.card.write_bit(0, 2, 1);
    RunNcLine(ctx, "M13");
    EXPECT_EQ(Outputs() & 6u, 4u);
    RunNcLine(ctx, "M15");
    EXPECT_EQ(Outputs() & 6u, 0u);
    if (auto* m = model()) m->ClearLog();
    RunNcLine(ctx, "M00");
    RunNcLine(ctx, "M30");
    RunNcLine(ctx, "M100");
    if (auto* m = model()) {
        EXPECT_TRUE(m->log.empty());
    }
    EXPECT_EQ(Outputs(), 0u);
    EXPECT_FALSE(Moving());
}

TEST_P(InterpreterOnCardsTest, CutterStrokesHoldTheRunOnlyWhenASensorEndsThem) {
    auto& s = ctx.sys();
    s.gCutterUpDownMode = 0;
    s.gPositionDetectMode = 0;
    // Each stroke waits for its own sensor; the operator's pause is apart.
    RunNcLine(ctx, "M12");
    EXPECT_EQ(Outputs() & 2u, 2u);
    EXPECT_EQ(ctx.run.mSensorWait, 1);
    ctx.run.mSensorWait = 0;
    RunNcLine(ctx, "M14");
    EXPECT_EQ(Outputs() & 4u, 4u);
    EXPECT_EQ(ctx.run.mSensorWait, 2);
    EXPECT_EQ(ctx.run.mPaused, 0);

    // Delay mode: the dwell that follows does the waiting.
    ctx.run.mSensorWait = 0;
    s.gPositionDetectMode = 1;
    RunNcLine(ctx, "M12");
    RunNcLine(ctx, "M14");
    EXPECT_EQ(ctx.run.mSensorWait, 0);
    s.gPositionDetectMode = 0;
    s.gCutterUpDownMode = 1;
    RunNcLine(ctx, "M14");
    EXPECT_EQ(ctx.run.mSensorWait, 0);
}

TEST_P(InterpreterOnCardsTest, EncoderCorrectionOfTheFeed) {
    ctx.card.set_command_pos(0, 1, 10000);  // 100 mm commanded
    ctx.card.set_actual_pos(0, 1, 9800);    // 98 mm on the encoder (100 counts per mm)
    RunNcLine(ctx, "M34");
    EXPECT_EQ(ctx.run.mFeedCheckPos, 10000);
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 1);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 200}));
    }
    EXPECT_EQ(ctx.run.mDwellTicks, 6);
    ASSERT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(1), 10200);
    EXPECT_EQ(Act(1), 10000);

    // M35 corrects once and does not check again.
    ctx.run.mDwellTicks = 0;
    ctx.run.mFeedCheck = {};
    ctx.card.set_actual_pos(0, 1, 9900);
    RunNcLine(ctx, "M35");
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    ASSERT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(1), 10500);
    EXPECT_EQ(Act(1), 10200);

    // No division by an encoder equivalent of 0: refused with a message.
    ctx.sys().gEncoderEquiv = 0;
    RunNcLine(ctx, "M34");
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), 10500);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText().find("编码器当量"), std::string::npos);
}

VELBEND_ON_BOTH_CARDS(InterpreterOnCardsTest);

TEST_F(InterpreterTest, SingleAxisMoves) {
    // Y: absolute target whatever G says, relative to the last commanded Y.
    RunNcLine(ctx, "G91 Y5 F1000");
    EXPECT_TRUE(card().Called("pmove", {0, 2, 500}));
    EXPECT_TRUE(card().Called("set_speed", {0, 2, 5000}));  // 3000 * 100 / 60
    EXPECT_TRUE(card().Called("set_startv", {0, 2, 1000}));
    EXPECT_TRUE(card().Called("set_acc", {0, 2, 10000}));
    EXPECT_EQ(ctx.run.mLastYPulses, 500);
    card().ClearLog();
    RunNcLine(ctx, "Y5");
    EXPECT_TRUE(card().Called("pmove", {0, 2, 0}));  // a zero-pulse move

    // A fast bend axis starts at a twentieth of its speed.
    ctx.axis(2).AutoFeedrate = 24000;  // 40000 pulses/s
    card().ClearLog();
    RunNcLine(ctx, "Y6");
    EXPECT_TRUE(card().Called("set_startv", {0, 2, 2000}));

    // Z and A go relative to the card's own command position.
    card().ax[3].cmd = 250;
    RunNcLine(ctx, "Z10 F500");
    EXPECT_TRUE(card().Called("pmove", {0, 3, 750}));
    card().ax[4].cmd = -100;
    RunNcLine(ctx, "G01 A0 F1000");
    EXPECT_TRUE(card().Called("pmove", {0, 4, 100}));

    // On a line without X only the first of Y, Z, A moves.
    card().ClearLog();
    RunNcLine(ctx, "Y1 Z3 A4");
    EXPECT_EQ(card().Calls("pmove").size(), 1u);
    EXPECT_EQ(card().Calls("pmove")[0].a[1], 2);

    // Pulses round half to even.
    card().ClearLog();
    ctx.axis(1).PulseEquivalent = 10;
    RunNcLine(ctx, "X0.25");
    EXPECT_TRUE(card().Called("pmove", {0, 1, 2}));
}

using Trace = std::vector<std::string>;

// Each statement's entry calls, in the order it makes them (pulse
// equivalents 100, feed 6000 and bend 3000 per minute, acceleration 1).
TEST_F(InterpreterTest, StatementsCallTheCardInTheirOrder) {
    auto& run = ctx.run;
    RunNcLine(ctx, "G92 X1.5 Y-2 Z3 A4.25");
    EXPECT_EQ(card().Trace(), (Trace{"set_command_pos(0,1,150)", "set_actual_pos(0,1,150)",
                                     "set_command_pos(0,2,-200)", "set_command_pos(0,3,300)",
                                     "set_command_pos(0,4,425)"}));
    EXPECT_EQ(run.mLastXPulses, 150);
    EXPECT_EQ(run.mLastYPulses, -200);

    // X alone, F read and ignored: speed 6000 * 100 / 60, start speed, acceleration, move.
    card().ClearLog();
    RunNcLine(ctx, "X12.5 F3000");
    EXPECT_EQ(card().Trace(),
              (Trace{"set_speed(0,1,10000)", "set_startv(0,1,1000)", "set_acc(0,1,10000)", "pmove(0,1,1100)"}));
    EXPECT_EQ(run.mLastXPulses, 1250);

    // Y alone: 3000 * 100 / 60; G90/G01 change nothing.
    card().ClearLog();
    RunNcLine(ctx, "G90 G01 Y-2.5 F800");
    EXPECT_EQ(card().Trace(),
              (Trace{"set_speed(0,2,5000)", "set_startv(0,2,1000)", "set_acc(0,2,10000)", "pmove(0,2,-50)"}));
    EXPECT_EQ(run.mLastYPulses, -250);

    // An XY line with a bend above the space angle: X first, then Y.
    card().ClearLog();
    RunNcLine(ctx, "X20 Y35");
    EXPECT_EQ(card().Trace(),
              (Trace{"set_speed(0,1,10000)", "set_startv(0,1,1000)", "set_acc(0,1,10000)", "pmove(0,1,750)",
                     "set_speed(0,2,5000)", "set_startv(0,2,1000)", "set_acc(0,2,10000)", "pmove(0,2,3750)"}));

    // Z: relative to the card's own command position (300 after G92).
    card().ClearLog();
    RunNcLine(ctx, "Z1");
    EXPECT_EQ(card().Trace(),
              (Trace{"set_speed(0,3,10000)", "set_startv(0,3,1000)", "set_acc(0,3,10000)", "pmove(0,3,-200)"}));

    // The M action comes before the line's move; a comment is not read.
    card().ClearLog();
    RunNcLine(ctx, "M16 X21 ;M17 Y0");
    EXPECT_EQ(card().Trace(), (Trace{"write_bit(0,3,1)", "set_speed(0,1,10000)", "set_startv(0,1,1000)",
                                     "set_acc(0,1,10000)", "pmove(0,1,100)"}));
    card().ClearLog();
    RunNcLine(ctx, "M10 ;M11");
    EXPECT_EQ(card().Trace(), (Trace{"write_bit(0,0,1)"}));
    const std::pair<const char*, const char*> outputs[] = {
        {"M11", "write_bit(0,0,0)"}, {"M13", "write_bit(0,1,0)"}, {"M15", "write_bit(0,2,0)"},
        {"M17", "write_bit(0,3,0)"}, {"M18", "write_bit(0,4,1)"}, {"M19", "write_bit(0,4,0)"}};
    for (auto [line, call] : outputs) {
        card().ClearLog();
        RunNcLine(ctx, line);
        EXPECT_EQ(card().Trace(), (Trace{call})) << line;
    }

    // Seek zero of the bend axis from the program: stop on the switch, then the search.
    card().ClearLog();
    RunNcLine(ctx, "M38");
    EXPECT_EQ(card().Trace(), (Trace{"set_stop0_mode(0,2,1,0)", "set_speed(0,2,1000)", "set_startv(0,2,1000)",
                                     "set_acc(0,2,10000)", "pmove(0,2,1000000)"}));
    run.gHomeState = 0;

    // Second build, X step below the Y step: one linear interpolation at
    // the bend speed, no start speed or acceleration of its own.
    card().ClearLog();
    ctx.secondBuild = true;
    run.mLastXPulses = 0;
    run.mLastYPulses = 100;
    RunNcLine(ctx, "X1 Y5");
    EXPECT_EQ(card().Trace(), (Trace{"set_speed(0,1,5000)", "inp_move2(0,1,2,100,400)"}));
}

TEST_F(InterpreterTest, XOnlyLinesMergeIntoOneMove) {
    Load({"X10", "X20", "X30", "M30"});
    RunCurrent();
    ASSERT_EQ(Moves(1).size(), 1u);
    EXPECT_EQ(Moves(1)[0].a[2], 3000);
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);  // on the last merged line
    EXPECT_EQ(ctx.run.mLastXPulses, 3000);

    // An XY line that leaves Y where it stands merges too; one that bends does not.
    card().ClearLog();
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = 200;
    Load({"X5", "X8 Y2", "X9 Y3"});
    RunCurrent();
    ASSERT_EQ(Moves(1).size(), 1u);
    EXPECT_EQ(Moves(1)[0].a[2], 800);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);

    // The last program line is not followed by anything mergeable.
    card().ClearLog();
    Load({"X1", "X2"});
    ctx.run.gNcLineCount = 1;
    ctx.run.mLastXPulses = 0;
    RunCurrent();
    EXPECT_EQ(Moves(1)[0].a[2], 100);
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
}

TEST_F(InterpreterTest, SeekZeroCodesPassOverTheNextLine) {
    const std::pair<const char*, int> codes[] = {{"M38", 2}, {"M40", 3}, {"M42", 4}};
    for (auto [code, n] : codes) {
        card().ClearLog();
        ctx.axis(n).SeekZeroFeedrate = -600;
        Load({code, "M30", "X1"});
        RunCurrent();
        EXPECT_EQ(ctx.run.gNcLineIndex, 1) << code;
        EXPECT_TRUE(card().Called("set_stop0_mode", {0, n, 1, 0}));
        EXPECT_TRUE(card().Called("set_speed", {0, n, 1000}));
        EXPECT_TRUE(card().Called("pmove", {0, n, -1000000}));
        EXPECT_EQ(ctx.run.gHomeState, n);
        EXPECT_EQ(ctx.run.gHomeStarted, 1);
        ctx.run.gHomeState = 0;
    }
    // M36: the feed seek zero, started even though a run is on.
    card().ClearLog();
    Load({"M36", "M30"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 1000000}));
    EXPECT_EQ(ctx.run.gHomeState, 1);
    EXPECT_EQ(ctx.run.mSeekFromProgram, 0);
}

TEST_F(InterpreterTest, XYLinesChooseSingleMovesOrInterpolation) {
    auto& run = ctx.run;
    // Y step above a space angle (30 degrees): X and Y each on its own.
    run.mLastYPulses = 100;
    RunNcLine(ctx, "X10 Y40");
    EXPECT_TRUE(card().Called("pmove", {0, 1, 1000}));
    EXPECT_TRUE(card().Called("pmove", {0, 2, 3900}));
    EXPECT_TRUE(card().Calls("fifo_inp_move2").empty());

    // The bender standing on a space-angle position.
    card().ClearLog();
    run.mLastXPulses = 0;
    run.mLastYPulses = 3000;
    Load({"X10 Y31", "X15 Y31.5"}, &RunState::gRunning);  // the next line would join a polyline
    RunCurrent();
    EXPECT_EQ(card().Calls("pmove").size(), 2u);
    EXPECT_TRUE(card().Calls("fifo_inp_move2").empty());
    EXPECT_EQ(run.gNcLineIndex, 0);
    Load({});

    // X step smaller than the Y step: two moves; the second build
    // interpolates them instead.
    card().ClearLog();
    run.mLastXPulses = 0;
    run.mLastYPulses = 100;
    Load({"X1 Y5", "X10 Y5.5"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_EQ(card().Calls("pmove").size(), 2u);
    EXPECT_TRUE(card().Calls("fifo_inp_move2").empty());
    EXPECT_EQ(run.gNcLineIndex, 0);
    card().ClearLog();
    ctx.secondBuild = true;
    run.mLastXPulses = 0;
    run.mLastYPulses = 100;
    RunCurrent();
    EXPECT_EQ(run.gNcLineIndex, 0);
    Load({});
    EXPECT_TRUE(card().Called("inp_move2", {0, 1, 2, 100, 400}));
    EXPECT_EQ(run.mLastXPulses, 100);
    EXPECT_EQ(run.mLastYPulses, 500);
    ctx.secondBuild = false;

    // The smaller space angle decides: with 10 degrees on the negative side
    // a 15 degree step moves X and Y each on its own, and so does any step
    // while the bender stands on the negative space angle.
    ctx.sys().gSpaceAngleN = 10;
    card().ClearLog();
    run.mLastXPulses = 0;
    run.mLastYPulses = 100;
    Load({"X30 Y16", "X35 Y16.5"}, &RunState::gRunning);  // the next line would join a polyline
    RunCurrent();
    EXPECT_TRUE(card().Called("pmove", {0, 1, 3000}));
    EXPECT_TRUE(card().Called("pmove", {0, 2, 1500}));
    EXPECT_TRUE(card().Calls("fifo_inp_move2").empty());
    card().ClearLog();
    run.mLastXPulses = 0;
    run.mLastYPulses = -999;
    Load({"X30 Y-8", "X35 Y-7.5"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_TRUE(card().Called("pmove", {0, 1, 3000}));
    EXPECT_TRUE(card().Called("pmove", {0, 2, 199}));
    EXPECT_TRUE(card().Calls("fifo_inp_move2").empty());
    EXPECT_EQ(run.gNcLineIndex, 0);
    ctx.sys().gSpaceAngleN = 30;
    Load({});

    // Bender at 0 and hardly a Y step: X alone, Y stays.
    card().ClearLog();
    run.mLastXPulses = 0;
    run.mLastYPulses = 0;
    RunNcLine(ctx, "X10 Y0.01");
    ASSERT_EQ(card().Calls("pmove").size(), 1u);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 1000}));
    EXPECT_EQ(run.mLastYPulses, 0);
}

class InterpolationTest : public InterpreterTest {
protected:
    std::vector<CardModel::Call> Fifo() { return card().Calls("fifo_inp_move2"); }
    int64_t SumX() {
        int64_t s = 0;
        for (auto& c : Fifo()) s += c.a[3];
        return s;
    }
    int64_t SumY() {
        int64_t s = 0;
        for (auto& c : Fifo()) s += c.a[4];
        return s;
    }
};

TEST_F(InterpolationTest, RampCruiseAndRampDownAlongThePolyline) {
    ctx.axis(1).Acceleration = 0.1;  // X step grows by 50 pulses per 20 ms slice
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X15 Y3", "X20 Y4", "M30"}, &RunState::gRunning);
    RunCurrent();
    const auto f = Fifo();
    std::vector<int32_t> dx, speed;
    for (auto& c : f) {
        dx.push_back(c.a[3]);
        speed.push_back(c.a[5]);
    }
    EXPECT_EQ(dx, (std::vector<int32_t>{50, 100, 150, 200, 500, 500, 200, 150, 100, 50}));
    EXPECT_EQ(speed, (std::vector<int32_t>{5000, 10000, 15000, 20000, 20000, 20000, 20000, 15000, 10000, 5000}));
    EXPECT_EQ(SumX(), 2000);
    EXPECT_EQ(SumY(), 300);
    EXPECT_EQ(f[0].a[4], 5);  // Y follows the polyline: 100 + 50/1000 * 100
    EXPECT_EQ(ctx.run.mLastXPulses, 2000);
    EXPECT_EQ(ctx.run.mLastYPulses, 400);
    EXPECT_EQ(ctx.run.mInterpCount, 3);
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);
    EXPECT_TRUE(card().Calls("pmove").empty());

    // The card runs it to the end; Axis_Status waits for the FIFO.
    EXPECT_NE(Axis_Status(ctx), 0);
    card().Advance(2000);
    EXPECT_EQ(Axis_Status(ctx), 0);
    EXPECT_EQ(Cmd(1), 2000);
    EXPECT_EQ(Cmd(2), 300);  // the card stood at 0, the program at 100
}

TEST_F(InterpolationTest, ShortRunHasNoRampAndYStepsAreLimited) {
    // a = 500: the run is shorter than the ramp, every slice at 2 x (a / 0.02).
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y9.5", "X12 Y10"}, &RunState::gRunning);
    RunCurrent();
    const auto f = Fifo();
    ASSERT_EQ(f.size(), 2u);
    for (auto& c : f) EXPECT_EQ(c.a[5], 50000);
    // First slice: dX 1000, Y wants +850 -> at most 0.8 of the X step.
    EXPECT_EQ(f[0].a[3], 1000);
    EXPECT_EQ(f[0].a[4], 800);
    EXPECT_EQ(f[1].a[3], 200);
    EXPECT_EQ(f[1].a[4], 100);
    EXPECT_EQ(ctx.run.mLastYPulses, 1000);
}

TEST_F(InterpolationTest, PolylineEndsWhereTheProgramLeavesIt) {
    // An X-only line more than 20 mm ahead: nothing merged, two moves.
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X35", "M30"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_TRUE(Fifo().empty());
    EXPECT_EQ(card().Calls("pmove").size(), 2u);
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);

    // Within 20 mm it joins at the Y it has.
    card().ClearLog();
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X25", "M30"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_EQ(SumX(), 2500);
    EXPECT_EQ(SumY(), 100);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);

    // A next bend beyond a space angle ends it too.
    card().ClearLog();
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X20 Y40", "M30"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_TRUE(Fifo().empty());
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);

    // An acceleration too small for a profile: two single-axis moves.
    card().ClearLog();
    ctx.axis(1).Acceleration = 0.0001;
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X15 Y3"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_TRUE(Fifo().empty());
    EXPECT_EQ(card().Calls("pmove").size(), 2u);
}

TEST_F(InterpolationTest, LongRunsStopAt451Points) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 600; ++i) lines.push_back("X" + std::to_string(i) + " Y" + std::to_string(1 + i % 2));
    ctx.run.mLastYPulses = 100;
    Load(lines, &RunState::gRunning);
    RunCurrent();
    EXPECT_EQ(ctx.run.mInterpCount, 451);
    EXPECT_EQ(ctx.run.gNcLineIndex, 450);
    EXPECT_EQ(SumX(), 45100);
    EXPECT_EQ(ctx.run.mLastXPulses, 45100);
}

// The interpolated runs carried out by the card: it ends where the program
// says the polyline ends.
class InterpolationOnCardsTest : public RunTest {
protected:
    void RunCurrent() { RunNcLine(ctx, ctx.run.gNcLines[static_cast<std::size_t>(ctx.run.gNcLineIndex)]); }
};

TEST_P(InterpolationOnCardsTest, TheCardRunsThePolylineToItsEnd) {
    ctx.axis(1).Acceleration = 0.1;
    ctx.run.mLastYPulses = 100;
    Load({"X10 Y2", "X15 Y3", "X20 Y4", "M30"}, &RunState::gRunning);
    RunCurrent();
    EXPECT_EQ(ctx.run.mInterpCount, 3);
    EXPECT_NE(Axis_Status(ctx), 0);
    ASSERT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Axis_Status(ctx), 0);
    EXPECT_EQ(Cmd(1), 2000);
    EXPECT_EQ(Cmd(2), 300);  // the card stood at 0, the program at 100
}

TEST_P(InterpolationOnCardsTest, LongRunsFitTheCardsFifo) {
    // Points 10 mm apart and a slow feed ramp (40 slices up, 40 down): 451
    // points and both ramps would not fit in the card's 512 segments.
    ctx.axis(1).Acceleration = 0.01;
    std::vector<std::string> lines;
    for (int i = 1; i <= 600; ++i) lines.push_back("X" + std::to_string(10 * i) + " Y" + std::to_string(1 + i % 2));
    ctx.run.mLastYPulses = 100;
    Load(lines, &RunState::gRunning);
    RunCurrent();
    EXPECT_GT(ctx.run.mInterpCount, 400);
    EXPECT_LE(ctx.run.mInterpCount, 451);
    EXPECT_EQ(ctx.run.gNcLineIndex, ctx.run.mInterpCount - 1);
    EXPECT_EQ(ctx.run.mLastXPulses, 1000 * ctx.run.mInterpCount);
    if (auto* m = model()) {
        EXPECT_LE(m->Calls("fifo_inp_move2").size(), 512u);
    }
    ASSERT_TRUE(AdvanceUntilIdle());
    // The card stands where the program believes it does.
    EXPECT_EQ(Cmd(1), ctx.run.mLastXPulses);
    EXPECT_EQ(Cmd(2), ctx.run.mLastYPulses - 100);
}

VELBEND_ON_BOTH_CARDS(InterpolationOnCardsTest);

}  // namespace
}  // namespace velbend::testing

// The run timer: thresholds and rarely taken branches pinned from both
// sides.
#include "velbend/machine/run_timer.h"

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace velbend::testing {
namespace {

class RunTimerThresholdTest : public RunTest {};

// A machining run ends when its program is done and every axis stands; the
// fed length agrees with the job length when the remaining length comes
// within 0.1 mm of the length compensation (< 0.1): at exactly 0.1 the
// message names both lengths instead of "加工完成！".
TEST_P(RunTimerThresholdTest, RunEndsWithinATenthOfTheCompensation) {
    struct Case {
        double comp;
        const char* message;
    };
    const Case cases[] = {
        {0.15, "加工结束，但送料长度100.1500 mm与加工长度100.2500 mm不符！"},  // 0.25 - 0.15 = 0.1 exactly
        {0.1500001, "加工完成！"},
        {0.3499999, "加工完成！"},  // the other side: 0.1 over
        {0.3500001, "加工结束，但送料长度100.3500 mm与加工长度100.2500 mm不符！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comp);
        SetCounters(1, 10000);  // 100 mm fed
        ctx.writer.mJobLength = 100.25;  // 0.25 mm left
        op.messages.clear();
        Load({}, &RunState::gRunning);
        ctx.run.mLengthComp = c.comp;
        Tick();
        EXPECT_EQ(ctx.run.gRunning, 0);
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.LastText(), c.message);
    }
    // A program not yet done, or an axis still moving, keeps the run on
    // whatever the lengths say.
    op.messages.clear();
    ctx.run.mLengthComp = 0.25;
    Load({"M30"}, &RunState::gRunning);
    ctx.run.mStepMode = 1;  // the line stays pending
    Tick(3);
    EXPECT_EQ(ctx.run.gRunning, kTrue);
    ctx.run.mStepMode = 0;
    Load({"X200"}, &RunState::gRunning);
    ctx.run.mLastXPulses = 10000;
    Tick(2);
    EXPECT_EQ(ctx.run.gRunning, kTrue);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gRunning == 0; }, 2000));
    EXPECT_EQ(op.LastText(), "加工结束，但送料长度200.2500 mm与加工长度100.2500 mm不符！");
}

// The encoder check of M34 corrects only an error above the tolerance, which
// is the larger of 2 pulses of the feed axis and gEncoderPrecision.
TEST_P(RunTimerThresholdTest, EncoderToleranceIsTheLargerOfTwoPulsesAndThePrecision) {
    ctx.axis(1).PulseEquivalent = 64;  // 2 pulses: 0.03125 mm
    ctx.sys().gEncoderEquiv = 64;
    struct Case {
        double precision;
        int32_t encoder;  // against 6400 commanded: 2 counts 0.03125 mm, 3 counts 0.046875 mm
        bool corrects;
    };
    const Case cases[] = {{0.01, 6398, false},  // at 2 pulses: no correction
                          {0.01, 6397, true},
                          {0.05, 6397, false},  // the precision is larger
                          {0.04, 6397, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.precision);
        SCOPED_TRACE(c.encoder);
        ctx.sys().gEncoderPrecision = c.precision;
        SetCounters(1, 6400);
        ctx.card.set_actual_pos(0, 1, c.encoder);
        Load({"M30", "M30"});
        ctx.run.mFeedCheckPos = 6400;
        ctx.run.mFeedCheck.pending = 1;
        ctx.run.mDwellTicks = 0;
        if (auto* m = model()) m->ClearLog();
        Tick();
        if (c.corrects) {
            EXPECT_EQ(ctx.run.mFeedCheckPos, 6400);
            EXPECT_EQ(ctx.run.mDwellTicks, 3);
            EXPECT_EQ(ctx.run.gNcLineIndex, 0);
            EXPECT_TRUE(AdvanceUntilIdle());
            EXPECT_EQ(Cmd(1), 6400 + 6400 - c.encoder);
            if (auto* m = model()) {
                EXPECT_TRUE(m->Called("pmove", {0, 1, 6400 - c.encoder}));
            }
        } else {
            EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
            EXPECT_EQ(ctx.run.gNcLineIndex, 1);  // the line follows in the same tick
            EXPECT_EQ(Cmd(1), 6400);
            EXPECT_FALSE(Moving());
        }
        ctx.run.gTestRunning = 0;
        ctx.run.mFeedCheck = {};
    }
}

// After a feed correction three idle ticks pass before the check is made
// again; then the line runs.
TEST_P(RunTimerThresholdTest, ThreeTicksAfterAFeedCorrection) {
    ctx.axis(1).PulseEquivalent = 64;
    ctx.sys().gEncoderEquiv = 64;
    ctx.sys().gEncoderPrecision = 0.01;
    SetCounters(1, 6400);
    ctx.card.set_actual_pos(0, 1, 6396);
    Load({"M16"});
    ctx.run.mFeedCheckPos = 6400;
    ctx.run.mFeedCheck.pending = 1;
    Tick();  // the correction: 4 pulses
    EXPECT_EQ(ctx.run.mDwellTicks, 3);
    for (int i = 0; i < 3; ++i) {
        Tick();
        EXPECT_EQ(Outputs() & 8u, 0u) << i;
        EXPECT_EQ(ctx.run.mFeedCheckPos, 6400) << i;
    }
    Tick();  // within the tolerance now: the counter put back, the line runs
    EXPECT_EQ(ctx.run.mFeedCheck.pending, 0);
    EXPECT_EQ(Cmd(1), 6400);
    EXPECT_EQ(Outputs() & 8u, 8u);
}

// The operator dialog's feed test acts only for a pending length above 0.1.
TEST_P(RunTimerThresholdTest, PendingFeedAboveATenth) {
    ctx.run.gPendingComp = 0.1;
    Tick(3);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_DOUBLE_EQ(ctx.run.gPendingComp, 0.1);  // not taken up at all
    ctx.run.gPendingComp = 0.11;
    Tick();
    EXPECT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(1), 11);
    EXPECT_EQ(ctx.run.gCompWaitTicks, 1);
}

// The test run's slot-depth message in English (the frame's own test).
TEST_P(RunTimerThresholdTest, SlotDepthTestEndsWithItsEnglishMessage) {
    params.gLanguage = 1;
    ctx.run.mDebugMode = 3;
    Load({"M30"});
    ctx.run.mProgramStarter = Starter::MachineAdjust;
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 10));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "Work Finished, Please Check Depth, Then Adjust!");
    EXPECT_EQ(op.messages[0].title, "");
    EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ctx.run.mDebugMode, 0);
}

// Markers on a straight path of 100 mm with a point every millimetre,
// drawn 1:1 (a point at X lies at Left = X + 94).
class MarkerTest : public RunTimerThresholdTest {
protected:
    void SetUp() override {
        RunTimerThresholdTest::SetUp();
        if (IsSkipped()) return;
        ctx.panel.Picture1Width = 200;
        ctx.panel.Picture1Height = 100;
        ctx.panel.gViewWidth = 200;
        ctx.panel.gViewAspect = 0.5;
        for (int i = 0; i <= 100; ++i) ctx.mPathTable.push_back({double(i), double(i), 0});
        ctx.mPathPointCount = 101;
        ctx.sys().gBendToSlotDist = 200;
    }
    // The strip marker's point for `fed` mm fed.
    double StripAt(int32_t fedMm) {
        SetCounters(1, fedMm * 100);
        Tick();
        return ctx.panel.Shape2.Left - 94;
    }
};

// Several copies: a length several copies on is folded back onto the
// outline in one tick (copy length P = 100, spacing 10).
TEST_P(MarkerTest, SeveralCopiesFoldedInOneTick) {
    ctx.panel.Text5 = "3";
    ctx.panel.Text4 = "10";
    ctx.panel.Label4[1] = "100.0000  mm";
    EXPECT_DOUBLE_EQ(StripAt(50), 50);
    EXPECT_DOUBLE_EQ(StripAt(125), 15);   // second copy: 125 - 110
    EXPECT_DOUBLE_EQ(StripAt(230), 10);   // third copy: 230 - 110 - 110, in one tick
    EXPECT_DOUBLE_EQ(StripAt(300), 80);
    EXPECT_DOUBLE_EQ(StripAt(330), 100);  // past the job (2 * 10 + 3 * 100): not folded
}

// The compensation points: the offset of the last point at or below the
// fed length applies (a point exactly at it counts as passed), beyond the
// last point the whole compensation.
TEST_P(MarkerTest, CompensationPointWalk) {
    ctx.run.mCompPoints = {{20, -1}, {50, -3}, {80, -5}};
    ctx.run.mCompPointLast = 3;
    ctx.run.mLengthComp = -7;
    EXPECT_DOUBLE_EQ(StripAt(10), 10);  // below the first point: unchanged
    EXPECT_DOUBLE_EQ(StripAt(20), 19);
    EXPECT_DOUBLE_EQ(StripAt(49), 48);
    EXPECT_DOUBLE_EQ(StripAt(50), 47);
    EXPECT_DOUBLE_EQ(StripAt(79), 76);
    EXPECT_DOUBLE_EQ(StripAt(80), 73);  // every point passed: the whole compensation
    EXPECT_DOUBLE_EQ(StripAt(90), 83);
}

VELBEND_ON_BOTH_CARDS(RunTimerThresholdTest);
VELBEND_ON_BOTH_CARDS(MarkerTest);

}  // namespace
}  // namespace velbend::testing

// Motion buttons of the setup dialogs: jog hold and release, step, the
// cancel of an axis's own seek zero, and the dialogs' Stop after them.
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/interpreter.h"

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/jog.h"

namespace velbend::testing {
namespace {

class DialogMotionTest : public RunTest {};

TEST_P(DialogMotionTest, JogRunsUntilItsOwnReleaseAndStepIsNotStoppedByRelease) {
    DialogJogs jogs;
    ctx.card.write_bit(0, 3, 1);
    if (auto* m = model()) m->ClearLog();
    ASSERT_TRUE(DialogJogPress(ctx, jogs, 2, -1));
    if (auto* m = model()) {
        EXPECT_EQ(m->Trace(), (std::vector<std::string>{"set_speed(0,2,1000)", "set_startv(0,2,1000)",
                                                         "set_acc(0,2,10000)", "pmove(0,2,-100000000)"}));
    }
    EXPECT_EQ(Outputs() & 8u, 8u);  // only the feed axis lets the material go
    Advance(200);
    // The release of another axis's button, or of the other direction's,
    // stops nothing.
    DialogJogRelease(ctx, jogs, 3);
    DialogJogRelease(ctx, jogs, 2, 1);
    Advance(100);
    EXPECT_TRUE(Moving(2));
    DialogJogRelease(ctx, jogs, 2, -1);
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    EXPECT_EQ(Cmd(2), -300);

    // Feed axis: material pressing off first.  A step of 2.5 mm.
    if (auto* m = model()) m->ClearLog();
    ASSERT_TRUE(DialogStep(ctx, 1, 2.5));
    if (auto* m = model()) {
        EXPECT_EQ(m->Trace().front(), "write_bit(0,3,0)");
        EXPECT_TRUE(m->Called("pmove", {0, 1, 250}));
    }
    EXPECT_EQ(Outputs() & 8u, 0u);
    DialogJogRelease(ctx, jogs, 1);  // no jog of axis 1 was started
    ASSERT_TRUE(AdvanceUntilIdle(2000));
    EXPECT_EQ(Cmd(1), 250);

    // A manual speed that gives no pulse a second moves nothing by hand: one
    // message.  1 mm/min on 30 pulses/mm is half a pulse (none, halves to
    // even), on 36 pulses/mm 0.6 (one).  A step length of the forward and
    // reverse buttons likewise.
    params.gLanguage = 1;
    struct Speed { int16_t feed; double pe; };
    for (const Speed& sp : {Speed{0, 100}, Speed{-600, 100}, Speed{1, 30}}) {
        ctx.axis(2).ManualFeedrate = sp.feed;
        ctx.axis(2).PulseEquivalent = sp.pe;
        op.messages.clear();
        EXPECT_FALSE(DialogJogPress(ctx, jogs, 2, 1)) << sp.feed;
        EXPECT_FALSE(DialogStep(ctx, 2, 5)) << sp.feed;
        EXPECT_EQ(op.messages.size(), 2u);
        EXPECT_EQ(op.LastText(), "The manual speed of axis 2 must be greater than 0, please check the axis parameters!");
        EXPECT_FALSE(Moving(2));
    }
    ctx.axis(2).PulseEquivalent = 36;
    for (double length : {0.0, -5.0, 0.0138}) {  // 0.0138 x 36 = 0.4968 pulses
        op.messages.clear();
        EXPECT_FALSE(DialogStepBy(ctx, 2, 1, length)) << length;
        EXPECT_EQ(op.LastText(), "The jog step must be greater than 0!");
    }
    op.messages.clear();
    EXPECT_TRUE(DialogStepBy(ctx, 2, -1, 0.05));  // 1.8 pulses: 2 back
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    ASSERT_TRUE(AdvanceUntilIdle(5000));
    EXPECT_EQ(Cmd(2), -302);
}

TEST_P(DialogMotionTest, BusyRefusesStartsAndTheRefusedPressStopsNothingOnRelease) {
    DialogJogs jogs;
    struct Case { int16_t RunState::*flag; int16_t value; bool busy; };
    const Case cases[] = {
        {&RunState::gRunning, kTrue, true},      {&RunState::gSlotRunning, kTrue, true},
        {&RunState::gTestRunning, kTrue, true},  {&RunState::gHomeState, 6, true},
        {&RunState::mBendHomePhase, kTrue, true}, {&RunState::gRunning, 1, false},
    };
    for (const auto& c : cases) {
        ctx.run.*(c.flag) = c.value;
        if (auto* m = model()) m->ClearLog();
        EXPECT_EQ(DialogJogPress(ctx, jogs, 3, 1), !c.busy);
        DialogJogRelease(ctx, jogs, 3);
        EXPECT_EQ(DialogStep(ctx, 3, 1), !c.busy);
        if (auto* m = model()) {
            EXPECT_EQ(m->Calls("pmove").size(), c.busy ? 0u : 2u);
            EXPECT_EQ(m->Calls("dec_stop").size(), c.busy ? 0u : 1u);
        }
        ctx.run.*(c.flag) = 0;
        ASSERT_TRUE(AdvanceUntilIdle(2000));
    }
}

TEST_P(DialogMotionTest, StopDeceleratesEveryMovingAxisAndClearsEveryState) {
    DialogJogs jogs;
    DialogJogPress(ctx, jogs, 1, 1);
    // Axis 3 moves beside it as no press starts it while one moves.
    SetAxisMotion(ctx, 3, ctx.axis(3).ManualFeedrate);
    ctx.card.pmove(0, 3, 100000000);
    StartSeekZeroSearch(ctx, 2, 0, 1, Starter::AxisSetup);
    auto& run = ctx.run;
    run.gRunning = run.gSlotRunning = run.gTestRunning = kTrue;
    run.mBendHomePhase = kTrue;
    run.gCylinderBusy = 1;
    run.mPaused = 1;
    ctx.card.write_bit(0, 5, 1);
    Advance(100);
    DialogStop(ctx);
    if (auto* m = model()) {
        for (int n : {1, 2, 3}) EXPECT_TRUE(m->Called("dec_stop", {0, n})) << n;
        EXPECT_FALSE(m->Called("dec_stop", {0, 4}));
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 2, 0, 0}));
    }
    EXPECT_EQ(Outputs() & 0xFFu, 0u);
    EXPECT_FALSE(IsMachineBusy(run));
    EXPECT_EQ(run.gTestRunning, 0);
    EXPECT_EQ(run.gCylinderBusy, 0);
    EXPECT_EQ(run.mPaused, 0);
    ASSERT_TRUE(AdvanceUntilIdle(3000));
    // Nothing starts again on the next ticks (no bend-axis search follows).
    Tick(5);
    EXPECT_FALSE(Moving());
    // The Stop ended the dialog's jog: its button let go later (the window
    // closing) stops nothing that started since, such as an external jog.
    ExternalJogPress(ctx, 1);
    Advance(100);
    DialogJogRelease(ctx, jogs, 1);
    Advance(100);
    EXPECT_TRUE(Moving(1));
    ExternalJogRelease(ctx, 1);
    ASSERT_TRUE(AdvanceUntilIdle(3000));
    // Without a Stop between, the release stops its own jog.
    ASSERT_TRUE(DialogJogPress(ctx, jogs, 1, 1));
    Advance(100);
    DialogJogRelease(ctx, jogs, 1);
    ASSERT_TRUE(AdvanceUntilIdle(3000));
}

TEST_P(DialogMotionTest, CancelOfTheOwnSeekZeroInBothPhases) {
    for (int16_t state : {3, 7}) {
        StartSeekZeroSearch(ctx, 3, 0, 1, Starter::AxisSetup);
        ctx.run.gHomeState = state;
        EXPECT_TRUE(OwnSeekZero(ctx.run, 3, Starter::AxisSetup));
        EXPECT_FALSE(OwnSeekZero(ctx.run, 3, Starter::Program));
        EXPECT_FALSE(OwnSeekZero(ctx.run, 2, Starter::AxisSetup));
        EXPECT_FALSE(OwnSeekZero(ctx.run, 4, Starter::AxisSetup));
        if (auto* m = model()) m->ClearLog();
        CancelSeekZero(ctx, 3);
        if (auto* m = model()) {
            EXPECT_EQ(m->Trace(), (std::vector<std::string>{"set_stop0_mode(0,3,0,0)", "dec_stop(0,3)"}));
        }
        EXPECT_EQ(ctx.run.gHomeState, 0);
        ASSERT_TRUE(AdvanceUntilIdle(3000));
        Tick(3);
        EXPECT_FALSE(Moving());
    }
}

VELBEND_ON_BOTH_CARDS(DialogMotionTest);

}  // namespace
}  // namespace velbend::testing

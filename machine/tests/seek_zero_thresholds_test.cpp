// Seek zero: branches pinned from both sides.
#include <gtest/gtest.h>

#include "run_fixture.h"
#include "velbend/machine/jog.h"

namespace velbend::testing {
namespace {

class SeekZeroThresholdTest : public RunTest {};

// A bend axis homed before goes back to 0 first only from above 10
// degrees; at 10 degrees it searches its switch at once.
TEST_P(SeekZeroThresholdTest, BendAxisMovesBackFirstOnlyAboveTenDegrees) {
    ctx.run.mBendHomed = kTrue;
    SetCounters(2, 1000);  // 10 degrees
    if (auto* m = model()) m->ClearLog();
    Command_Z1_Click(ctx);
    EXPECT_EQ(ctx.run.mBendHomePhase, 0);
    EXPECT_EQ(ctx.run.gHomeState, 2);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 2, 1, 0}));
        EXPECT_TRUE(m->Called("pmove", {0, 2, 1000000}));
    }
    Command_Stop_Click(ctx);
    EXPECT_TRUE(AdvanceUntilIdle());

    SetCounters(2, 1001);  // 10.01 degrees
    if (auto* m = model()) m->ClearLog();
    Command_Z1_Click(ctx);
    EXPECT_EQ(ctx.run.mBendHomePhase, kTrue);
    EXPECT_EQ(ctx.run.gHomeState, 0);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 2, -1001}));
        EXPECT_TRUE(m->Calls("set_stop0_mode").empty());
    }
    EXPECT_TRUE(AdvanceUntilIdle());
    EXPECT_EQ(Cmd(2), 0);
}

// The cutter button with a gCutterUpDownMode other than 0 (cylinder) and 1
// (motor) does nothing.
TEST_P(SeekZeroThresholdTest, CutterButtonWithAnUnknownCutterModeDoesNothing) {
    ctx.sys().gCutterUpDownMode = 2;
    if (auto* m = model()) m->ClearLog();
    Command_Z3_Click(ctx);
    EXPECT_EQ(ctx.run.gCylinderBusy, 0);
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(Outputs() & 6u, 0u);
    EXPECT_FALSE(Moving());
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("write_bit").empty());
        EXPECT_TRUE(m->Calls("pmove").empty());
        EXPECT_TRUE(m->Calls("set_stop0_mode").empty());
    }
    // Cylinder (0): drawn back; motor (1): the search.
    ctx.sys().gCutterUpDownMode = 0;
    Command_Z3_Click(ctx);
    EXPECT_EQ(ctx.run.gCylinderBusy, 1);
    EXPECT_EQ(Outputs() & 6u, 4u);
}

VELBEND_ON_BOTH_CARDS(SeekZeroThresholdTest);

}  // namespace
}  // namespace velbend::testing

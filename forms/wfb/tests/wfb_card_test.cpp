// The bending tests of the curvature dialog on the simulated card, driven
// through the machine loop as the main window's timer would.
#include <gtest/gtest.h>

#include "velbend/forms/wfb_form.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class WfbCardTest : public ::testing::Test {
protected:
    WfbCardTest() : program(op), sim(program.ctx.card), form(program) {
        auto& s = program.params.gSysParaTable;
        for (int n = 1; n <= 4; ++n) {
            auto& a = s.gAxisPara[static_cast<std::size_t>(n)];
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = 600;
            a.ManualFeedrate = 600;
            a.Acceleration = 1;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
            a.AutoFeedrate = 6000;
        }
        s.gAxisPara[2].AutoFeedrate = 3000;
        s.gBendMechanisms = 2;
        s.gPatBendCoefP = 1;
        s.gSpaceAngleP = 3;
        s.gMaxBendAngle = 90;
        program.ctx.panel.Timer2Interval = 30;
    }
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(program.ctx);
        }
    }
    int32_t Pos(int axis) {
        int32_t p = 0;
        program.ctx.card.get_command_pos(0, axis, &p);
        return p;
    }
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }

    testing::TempHome home;
    RecordingOperator op;
    Program program;
    testing::SimCard sim;
    WFB_Form form;
};

TEST_F(WfbCardTest, PatBendingRunsToItsEnd) {
    form.Text6 = "3";
    ASSERT_TRUE(form.Command7_Click());
    EXPECT_EQ(program.ctx.run.gTestRunning, kTrue);
    // A second test, a rotate and a jog are refused while it runs.
    EXPECT_FALSE(form.Command7_Click());
    form.Text5 = "45";
    form.Command4_Click();
    form.Command5_MouseDown();
    int ticks = 0;
    while (program.ctx.run.gTestRunning != 0 && ticks < 5000) Tick(), ++ticks;
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    EXPECT_EQ(Pos(1), 800);  // four steps of 2 mm
    EXPECT_EQ(Pos(2), 0);
    // The release of the refused press stops nothing.
    form.Command5_MouseUp();
}

TEST_F(WfbCardTest, RotateGoesToTheAbsoluteAngle) {
    form.Text5 = "30";
    form.Command4_Click();
    Tick(200);
    EXPECT_EQ(Pos(2), 3000);
    form.Command4_Click();  // already there: a move of 0 pulses
    Tick();
    EXPECT_EQ(Pos(2), 3000);
    EXPECT_FALSE(Moving(2));
}

TEST_F(WfbCardTest, HoldToFeedStopsOnItsOwnRelease) {
    form.Command6_MouseDown();
    Tick(10);
    EXPECT_TRUE(Moving(1));
    EXPECT_LT(Pos(1), 0);
    form.Command6_MouseUp();
    Tick(50);
    EXPECT_FALSE(Moving(1));
}

TEST_F(WfbCardTest, SeekZeroAndItsCancel) {
    sim.PlaceSwitch(8, 2, 300, 400);  // bend zero switch ahead in the search direction
    form.Command3_Click();
    EXPECT_EQ(program.ctx.run.gHomeState, 2);
    form.Command3_Click();  // second click cancels
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    Tick(50);
    EXPECT_FALSE(Moving(2));

    form.Command3_Click();
    int ticks = 0;
    while (program.ctx.run.gHomeState != 0 && ticks < 5000) Tick(), ++ticks;
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    EXPECT_EQ(Pos(2), 0);
    EXPECT_FALSE(Moving(2));

    // Another axis's seek zero: the click does nothing.
    program.ctx.run.gHomeState = 3;
    form.Command3_Click();
    EXPECT_EQ(program.ctx.run.gHomeState, 3);
    program.ctx.run.gHomeState = 0;
}

TEST_F(WfbCardTest, StopHaltsEveryMovingAxisAndTheTest) {
    form.Command5_MouseDown();
    form.Text5 = "80";
    program.ctx.card.write_bit(0, 3, 1);
    SetAxisMotion(program.ctx, 2, 600);
    program.ctx.card.pmove(0, 2, 8000);
    program.ctx.run.gTestRunning = kTrue;
    Tick(5);
    ASSERT_TRUE(Moving(1));
    ASSERT_TRUE(Moving(2));
    form.Command8_Click();
    Tick(60);
    EXPECT_FALSE(Moving(1));
    EXPECT_FALSE(Moving(2));
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    EXPECT_EQ(sim.Outputs() & 0xFF, 0u);
}

}  // namespace
}  // namespace velbend

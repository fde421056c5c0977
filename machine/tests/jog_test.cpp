#include "velbend/machine/jog.h"

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "sim_card.h"

namespace velbend::testing {
namespace {

class JogTest : public RunTest {
protected:
    // Ticks until the seek zero is over (state 0, nothing moving).
    bool SeekDone(int limit = 2000) {
        return TickUntil([&] { return ctx.run.gHomeState == 0 && ctx.run.mBendHomePhase == 0 && !card().AnyMoving(); },
                         limit);
    }
};

TEST_F(JogTest, FeedJogPressAndRelease) {
    ctx.panel.Text2 = "600";  // 1000 pulses/s
    Command_SL_MouseDown(ctx);
    EXPECT_TRUE(card().Called("write_bit", {0, 3, 0}));
    EXPECT_TRUE(card().Called("set_startv", {0, 1, 1000}));
    EXPECT_TRUE(card().Called("set_speed", {0, 1, 1000}));
    EXPECT_TRUE(card().Called("set_acc", {0, 1, 10000}));
    EXPECT_TRUE(card().Called("pmove", {0, 1, 100000000}));
    card().Advance(300);
    Command_SL_MouseUp(ctx);
    EXPECT_TRUE(card().Called("dec_stop", {0, 1}));
    EXPECT_EQ(Cmd(1), 300);

    // A second press while the axis still moves is refused.
    card().ClearLog();
    Command_TL_MouseDown(ctx);
    card().ClearLog();
    Command_TL_MouseDown(ctx);
    EXPECT_TRUE(card().Calls("pmove").empty());
    // The feed button's release does not stop the retract jog.
    Command_SL_MouseUp(ctx);
    EXPECT_TRUE(card().Calls("dec_stop").empty());
    Command_TL_MouseUp(ctx);
    EXPECT_EQ(card().Calls("dec_stop").size(), 1u);

    // Step mode: Text3 mm; unticking the box before the release does not
    // turn the release into a stop of the step.
    card().ClearLog();
    ctx.panel.Check1 = 1;
    ctx.panel.Text3 = "5";
    Command_SL_MouseDown(ctx);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 500}));
    ctx.panel.Check1 = 0;
    Command_SL_MouseUp(ctx);
    EXPECT_TRUE(card().Calls("dec_stop").empty());

    // No jog while a run is on.
    card().Advance(1000);
    card().ClearLog();
    ctx.run.gRunning = kTrue;
    Command_SL_MouseDown(ctx);
    EXPECT_TRUE(card().log.empty());
}

TEST_F(JogTest, FeedSeekZeroWithAndWithoutSwitch) {
    card().PlaceSwitch(2, 1, 5000, 6000);  // the feed's zero switch
    Command_XZ_Click(ctx);
    EXPECT_TRUE(card().Called("set_stop0_mode", {0, 1, 1, 0}));
    EXPECT_TRUE(card().Called("pmove", {0, 1, 1000000}));
    EXPECT_EQ(ctx.run.gHomeState, 1);
    EXPECT_TRUE(IsMachineBusy(ctx.run));
    card().ClearLog();
    Command_XZ_Click(ctx);  // a second click does nothing
    EXPECT_TRUE(card().log.empty());
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 5; }));
    EXPECT_TRUE(card().Called("set_stop0_mode", {0, 1, 0, 0}));
    EXPECT_TRUE(card().Called("set_speed", {0, 1, 500}));  // ZeroCompFeedrate 300
    EXPECT_TRUE(card().Called("pmove", {0, 1, 200}));
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_EQ(card().ax[1].act, 0);

    // Standing on the switch: backward until it is left (stop logic 1).
    card().ax[1].cmd = 5500;
    card().ClearLog();
    Command_XZ_Click(ctx);
    EXPECT_TRUE(card().Called("set_stop0_mode", {0, 1, 1, 1}));
    EXPECT_TRUE(card().Called("pmove", {0, 1, -1000000}));
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 5; }));
    EXPECT_EQ(card().Calls("pmove").size(), 2u);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 0);

    // No switch: retract 20 mm at the jog speed, compensate, keep positions.
    ctx.sys().gFeedRetract = 20;
    ctx.panel.Text2 = "600";
    card().ax[1].cmd = 10000;
    card().ClearLog();
    Command_XZ_Click(ctx);
    EXPECT_TRUE(card().Called("set_speed", {0, 1, 1000}));
    EXPECT_TRUE(card().Called("pmove", {0, 1, -2000}));
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 8200);
    EXPECT_TRUE(card().Calls("set_stop0_mode").empty());
    EXPECT_TRUE(card().Calls("set_command_pos").empty());
}

TEST_F(JogTest, BendSeekZeroInTwoPhases) {
    card().PlaceSwitch(8, 2, 0, 100);
    card().ax[2].cmd = -500;
    Command_Z1_Click(ctx);  // first after start: back off 30 degrees
    EXPECT_TRUE(card().Called("pmove", {0, 2, -3000}));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(ctx.run.mBendHomePhase, kTrue);
    EXPECT_TRUE(IsMachineBusy(ctx.run));  // the move before the search is part of it
    card().ClearLog();
    Command_Z1_Click(ctx);
    Command_XZ_Click(ctx);
    EXPECT_TRUE(card().log.empty());
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 2; }));
    EXPECT_EQ(Cmd(2), -3500);
    EXPECT_TRUE(card().Called("set_stop0_mode", {0, 2, 1, 0}));
    EXPECT_TRUE(card().Called("pmove", {0, 2, 1000000}));
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_EQ(ctx.run.mBendHomed, kTrue);

    // Homed before, standing at 25 degrees: back to 0 first.
    card().ax[2].cmd = 2500;
    card().ClearLog();
    Command_Z1_Click(ctx);
    EXPECT_TRUE(card().Called("pmove", {0, 2, -2500}));
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(2), 0);
    // At 8 degrees: the search at once.
    card().ax[2].cmd = 800;
    card().ClearLog();
    Command_Z1_Click(ctx);
    EXPECT_TRUE(card().Called("pmove", {0, 2, 1000000}));
    EXPECT_EQ(ctx.run.gHomeState, 2);

    // Stop during the move before the search ends the whole seek zero.
    Command_Stop_Click(ctx);
    card().ax[2].cmd = 2500;
    Command_Z1_Click(ctx);
    ASSERT_EQ(ctx.run.mBendHomePhase, kTrue);
    Tick(2);
    Command_Stop_Click(ctx);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    card().ClearLog();
    Tick(100);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_EQ(ctx.run.gHomeState, 0);

    // A pulse equivalent of 0 is refused with a message.
    ctx.axis(2).PulseEquivalent = 0;
    Command_Z1_Click(ctx);
    EXPECT_TRUE(card().Calls("pmove").empty());
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST_F(JogTest, CutterAndSwingSeekZero) {
    // Motor cutter on axis 3, search backwards.
    ctx.axis(3).SeekZeroFeedrate = -300;
    card().PlaceSwitch(14, 3, -100, 0);
    card().ax[3].cmd = 1000;
    Command_Z3_Click(ctx);
    EXPECT_TRUE(card().Called("set_speed", {0, 3, 500}));
    EXPECT_TRUE(card().Called("pmove", {0, 3, -1000000}));
    EXPECT_EQ(ctx.run.gHomeState, 3);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(3), 0);

    // Swing axis 4 with a motor cutter.
    card().PlaceSwitch(20, 4, 300, 400);
    Command_Z2_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 4);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(4), 0);
    EXPECT_TRUE(card().Called("pmove", {0, 4, 200}));

    // Stop during a search.
    card().ClearLog();
    card().ax[4].cmd = -5000;
    Command_Z2_Click(ctx);
    Tick(3);
    Command_Stop_Click(ctx);
    EXPECT_TRUE(card().Called("dec_stop", {0, 4}));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    card().ClearLog();
    Tick(50);
    EXPECT_TRUE(card().Calls("pmove").empty());

    // Cylinder cutter: the swing refuses while the cutter is not back.
    ctx.sys().gCutterUpDownMode = 0;
    Command_Z2_Click(ctx);
    EXPECT_EQ(op.LastText(), "切刀未在原位，请先回切刀！");
    EXPECT_EQ(ctx.run.gHomeState, 0);
    // The cutter button draws it back; input 17 ends the stroke.
    card().ClearLog();
    Command_Z3_Click(ctx);
    EXPECT_TRUE(card().Called("write_bit", {0, 1, 0}));
    EXPECT_TRUE(card().Called("write_bit", {0, 2, 1}));
    EXPECT_EQ(ctx.run.gCylinderBusy, 1);
    Tick(3);
    EXPECT_EQ(ctx.run.gCylinderBusy, 1);
    card().SetInput(17, 0);
    Tick();
    EXPECT_EQ(ctx.run.gCylinderBusy, 0);
    EXPECT_EQ(card().outputs & 4u, 0u);
    // Now the swing may seek zero.
    Command_Z2_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 4);
}

// On the card library's simulated card: the feed and bend axes seek their
// zero switches, and Stop ends a search in progress.
TEST(JogOnSimulatedCard, SeekZeroAndStop) {
    TempHome home;
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx(params, op);
    TestMachine(params);
    for (int n = 1; n <= 4; ++n) {
        params.gSysParaTable.gAxisPara[n].SeekZeroFeedrate = 600;
        params.gSysParaTable.gAxisPara[n].ZeroCompDistance = 2;
        params.gSysParaTable.gAxisPara[n].ZeroCompFeedrate = 300;
    }
    ctx.panel.Timer2Interval = 30;
    SimCard sim(ctx.card);
    if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    auto place = sim.Sym<int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)>("tarvikm_sim_place_switch");
    ASSERT_NE(place, nullptr);
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(ctx);
        }
    };
    auto pos = [&](int axis, bool actual = false) {
        int32_t p = 0;
        if (actual) ctx.card.get_actual_pos(0, axis, &p);
        else ctx.card.get_command_pos(0, axis, &p);
        return p;
    };
    ASSERT_EQ(place(0, 2, 1, 1000, 2000, 0), 0);  // feed zero switch at 10..20 mm
    Command_XZ_Click(ctx);
    ASSERT_EQ(ctx.run.gHomeState, 1);
    for (int i = 0; i < 2000 && ctx.run.gHomeState != 0; ++i) tick(1);
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(pos(1), 0);
    EXPECT_EQ(pos(1, true), 0);
    EXPECT_EQ(Axis_Status(ctx), 0);

    // Bend axis: the move back 30 degrees, then the search.
    ASSERT_EQ(place(0, 8, 2, -100, 100, 0), 0);
    Command_Z1_Click(ctx);
    EXPECT_TRUE(IsMachineBusy(ctx.run));
    for (int i = 0; i < 4000 && IsMachineBusy(ctx.run); ++i) tick(1);
    EXPECT_EQ(ctx.run.mBendHomed, kTrue);
    EXPECT_EQ(pos(2), 0);

    // Stop during a search: the axis decelerates and nothing follows.
    ctx.card.set_command_pos(0, 4, -100000);
    Command_Z2_Click(ctx);
    ASSERT_EQ(ctx.run.gHomeState, 4);
    tick(5);
    Command_Stop_Click(ctx);
    tick(100);
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(Axis_Status(ctx), 0);
    const int32_t stopped = pos(4);
    EXPECT_GT(stopped, -100000);
    EXPECT_LT(stopped, 0);
    tick(20);
    EXPECT_EQ(pos(4), stopped);
}

}  // namespace
}  // namespace velbend::testing

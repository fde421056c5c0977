#include "velbend/common/numtext.h"
#include "velbend/machine/jog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "run_fixture.h"
#include "velbend/machine/program_writer.h"

namespace velbend::testing {
namespace {

class JogTest : public RunTest {
protected:
    // Ticks until the seek zero is over (state 0, nothing moving).
    bool SeekDone(int limit = 2000) {
        return TickUntil([&] { return ctx.run.gHomeState == 0 && ctx.run.mBendHomePhase == 0 && !Moving(); },
                         limit);
    }
};

TEST_P(JogTest, FeedJogPressAndRelease) {
    ctx.panel.Text2 = "600";  // 1000 pulses/s
    ctx.card.write_bit(0, 3, 1);
    Command_SL_MouseDown(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("write_bit", {0, 3, 0}));
        EXPECT_TRUE(m->Called("set_startv", {0, 1, 1000}));
        EXPECT_TRUE(m->Called("set_speed", {0, 1, 1000}));
        EXPECT_TRUE(m->Called("set_acc", {0, 1, 10000}));
        EXPECT_TRUE(m->Called("pmove", {0, 1, 100000000}));
    }
    EXPECT_EQ(Outputs() & 8u, 0u);  // material pressing off
    Advance(300);
    EXPECT_TRUE(Moving(1));
    Command_SL_MouseUp(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("dec_stop", {0, 1}));
    }
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    EXPECT_EQ(Cmd(1), 300);

    // A second press while the axis still moves is refused.
    Command_TL_MouseDown(ctx);
    Advance(100);
    if (auto* m = model()) m->ClearLog();
    Command_TL_MouseDown(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    // The feed button's release does not stop the retract jog.
    Command_SL_MouseUp(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("dec_stop").empty());
    }
    Advance(100);
    EXPECT_TRUE(Moving(1));
    EXPECT_EQ(Cmd(1), 100);
    Command_TL_MouseUp(ctx);
    if (auto* m = model()) {
        EXPECT_EQ(m->Calls("dec_stop").size(), 1u);
    }
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    const int32_t back = Cmd(1);
    EXPECT_LE(back, 100);

    // Step mode: Text3 mm; unticking the box before the release does not
    // turn the release into a stop of the step.
    if (auto* m = model()) m->ClearLog();
    ctx.panel.Check1 = 1;
    ctx.panel.Text3 = "5";
    Command_SL_MouseDown(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 500}));
    }
    ctx.panel.Check1 = 0;
    Advance(100);
    Command_SL_MouseUp(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("dec_stop").empty());
    }
    ASSERT_TRUE(AdvanceUntilIdle(2000));
    EXPECT_EQ(Cmd(1), back + 500);

    // A speed or a step that gives no pulse is refused before anything
    // moves: 0.6 mm/min is exactly one pulse a second, 0.005 mm one pulse
    // (halves to even: 0.5 pulse is none).
    struct Box { const char* speed; int16_t stepping; const char* step; const char* said; };
    const Box boxes[] = {
        {"0", 0, "5", "The jog speed must be greater than 0!"},
        {"-600", 0, "5", "The jog speed must be greater than 0!"},
        {"abc", 0, "5", "The jog speed must be greater than 0!"},
        {"0.3", 0, "5", "The jog speed must be greater than 0!"},
        {"600", 1, "0", "The jog step must be greater than 0!"},
        {"600", 1, "-5", "The jog step must be greater than 0!"},
        {"600", 1, "0.005", "The jog step must be greater than 0!"},
        {"600", 1, "100000.5",
         "The jog step (100000.5) is beyond what the machine can do; nothing moved, please change it in the main "
         "window!"},
    };
    params.gLanguage = 1;
    for (const Box& b : boxes) {
        if (auto* m = model()) m->ClearLog();
        op.messages.clear();
        ctx.panel.Text2 = b.speed;
        ctx.panel.Check1 = b.stepping;
        ctx.panel.Text3 = b.step;
        Command_SL_MouseDown(ctx);
        EXPECT_EQ(op.LastText(), b.said) << b.speed << " " << b.step;
        if (auto* m = model()) {
            EXPECT_TRUE(m->Calls("pmove").empty()) << b.speed << " " << b.step;
        }
        EXPECT_FALSE(Moving(1));
        EXPECT_EQ(ctx.run.mJogDirection, 0);
    }
    ctx.panel.Text2 = "0.6";
    ctx.panel.Text3 = "0.015";
    op.messages.clear();
    Command_TL_MouseDown(ctx);
    EXPECT_TRUE(op.messages.empty());
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, -2}));
    }
    ASSERT_TRUE(AdvanceUntilIdle(5000));
    // The longest step the machine makes.
    ctx.panel.Text2 = "600";
    ctx.panel.Text3 = "100000";
    Command_SL_MouseDown(ctx);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 1, 10000000}));
    }
    EXPECT_TRUE(Moving(1));
    Command_Stop_Click(ctx);
    ASSERT_TRUE(AdvanceUntilIdle(5000));
    ctx.panel.Check1 = 0;

    // No jog while a run is on.
    if (auto* m = model()) m->ClearLog();
    ctx.run.gRunning = kTrue;
    Command_SL_MouseDown(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->log.empty());
    }
    EXPECT_FALSE(Moving());
    // Nor while a seek zero is on.
    ctx.run.gRunning = 0;
    ctx.run.gHomeState = 3;
    Command_TL_MouseDown(ctx);
    EXPECT_FALSE(Moving());
}

// A held jog is motion: Run refuses while the external feed button is held,
// and the button's release stops its jog whatever the machine does by then.
TEST_P(JogTest, RunRefusesWhileAJogIsHeldAndTheReleaseStopsIt) {
    ctx.panel.Text2 = "600";
    ctx.panel.Text5 = "1";
    home.Write("CtrP.dat", CrLf({"SPLINE 0.000000 3.0", "0.000000 0.000000 1 0.000000 0.000000 0.000000",
                                 "10.000000 0.000000 1 0.000000 0.000000 0.000000", "SPLINE 0.000000 0.0"}));
    Tick();  // the button at rest
    SetInput(18, 0);
    Tick();
    ASSERT_EQ(ctx.run.mJogDirection, 1);
    Command_Run_Click(ctx);
    EXPECT_NE(ctx.run.gRunning, kTrue);
    EXPECT_FALSE(home.Exists("G5.dat"));
    // A program under way by then does not keep the release from stopping
    // the jog of its press.
    ctx.run.gRunning = kTrue;
    SetInput(18, 1);
    Tick();
    EXPECT_EQ(ctx.run.mJogDirection, 0);
    ASSERT_TRUE(AdvanceUntilIdle(2000));
    EXPECT_LT(Cmd(1), 1000);
    ctx.run.gRunning = 0;

    // The external button's release stops only the jog of its own press: a
    // screen jog goes on through the press and the release of the external
    // button (refused while the screen jog runs), and through the loop's
    // first look at the inputs.
    for (bool firstLook : {false, true}) {
        if (firstLook) ctx.run.mExtFeedInput = 0;  // as at start-up: not yet looked at
        Command_SL_MouseDown(ctx);
        ASSERT_EQ(ctx.run.mJogDirection, 1);
        if (!firstLook) {
            SetInput(18, 0);
            Tick();
            SetInput(18, 1);
        }
        Tick();
        EXPECT_EQ(ctx.run.mJogDirection, 1) << firstLook;
        EXPECT_TRUE(Moving(1)) << firstLook;
        Command_SL_MouseUp(ctx);
        EXPECT_EQ(ctx.run.mJogDirection, 0);
        ASSERT_TRUE(AdvanceUntilIdle(2000));
    }
    // Nor does the screen button's release stop the external button's jog.
    SetInput(18, 0);
    Tick();
    ASSERT_EQ(ctx.run.mJogDirection, 1);
    Command_SL_MouseUp(ctx);
    EXPECT_EQ(ctx.run.mJogDirection, 1);
    SetInput(18, 1);
    Tick();
    EXPECT_EQ(ctx.run.mJogDirection, 0);
}

TEST_P(JogTest, FeedSeekZeroWithAndWithoutSwitch) {
    PlaceSwitch(2, 1, 5000, 6000);  // the feed's zero switch, 50..60 mm ahead
    SetCounters(1, 1234);
    Command_XZ_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 1, 1, 0}));
        EXPECT_TRUE(m->Called("pmove", {0, 1, 1000000}));
    }
    EXPECT_EQ(ctx.run.gHomeState, 1);
    EXPECT_TRUE(IsMachineBusy(ctx.run));
    if (auto* m = model()) m->ClearLog();
    Advance(100);
    const int32_t searching = Cmd(1);
    EXPECT_GT(searching, 1234);  // forward
    Command_XZ_Click(ctx);       // a second click does nothing
    if (auto* m = model()) {
        EXPECT_TRUE(m->log.empty());
    }
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 5; }));
    EXPECT_EQ(Cmd(1), 1234 + 5000);  // stopped on the switch's first pulse
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 1, 0, 0}));
        EXPECT_TRUE(m->Called("set_speed", {0, 1, 500}));  // ZeroCompFeedrate 300
        EXPECT_TRUE(m->Called("pmove", {0, 1, 200}));
    }
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_EQ(Act(1), 0);
    EXPECT_EQ(ctx.card.read_bit(0, 2), 0);  // 2 mm past the switch's edge: on it

    // Standing on the switch: backward until it is left (stop logic 1), then
    // the compensation forward.
    if (auto* m = model()) m->ClearLog();
    SetCounters(1, 777);
    Command_XZ_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 1, 1, 1}));
        EXPECT_TRUE(m->Called("pmove", {0, 1, -1000000}));
    }
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 5; }));
    EXPECT_EQ(Cmd(1), 777 - 201);  // one pulse off the switch
    if (auto* m = model()) {
        EXPECT_EQ(m->Calls("pmove").size(), 2u);
    }
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_EQ(Act(1), 0);

    // No switch: retract 20 mm at the jog speed, compensate, keep positions.
    ctx.sys().gFeedRetract = 20;
    ctx.panel.Text2 = "600";
    SetCounters(1, 10000);
    if (auto* m = model()) m->ClearLog();
    Command_XZ_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_speed", {0, 1, 1000}));
        EXPECT_TRUE(m->Called("pmove", {0, 1, -2000}));
    }
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), 8200);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("set_stop0_mode").empty());
        EXPECT_TRUE(m->Calls("set_command_pos").empty());
    }
    // A jog speed of less than a pulse a second would pull the strip back
    // for ever, and a negative one the wrong way: refused before anything
    // moves; at a pulse a second it runs.
    struct Retract { const char* typed; const char* named; };
    for (const Retract& r : {Retract{"0.29", ".29"}, Retract{"0", "0"}, Retract{"-5", "-5"},
                             Retract{"-600", "-600"}, Retract{"abc", "0"}}) {
        SCOPED_TRACE(r.typed);
        op.messages.clear();
        if (auto* m = model()) m->ClearLog();
        ctx.panel.Text2 = r.typed;
        Command_XZ_Click(ctx);
        EXPECT_EQ(ctx.run.gHomeState, 0);
        EXPECT_EQ(op.LastText(), std::string("轴1的退料速度（") + r.named + "）不足每秒一个脉冲，没有移动，请检查轴参数！");
        EXPECT_EQ(op.messages.size(), 1u);
        if (auto* m = model()) {
            EXPECT_TRUE(m->Calls("pmove").empty());
        }
        EXPECT_FALSE(Moving(1));
        EXPECT_EQ(Cmd(1), 8200);
    }
    ctx.panel.Text2 = "0.31";
    Command_XZ_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 1);
    Command_Stop_Click(ctx);
}

TEST_P(JogTest, BendSeekZeroInTwoPhases) {
    PlaceSwitch(8, 2, 0, 100);
    Stand(2, -500);
    Command_Z1_Click(ctx);  // first after start: back off 30 degrees
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 2, -3000}));
    }
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(ctx.run.mBendHomePhase, kTrue);
    EXPECT_TRUE(IsMachineBusy(ctx.run));  // the move before the search is part of it
    Advance(100);
    const int32_t before = Cmd(2);
    EXPECT_LT(before, -500);
    if (auto* m = model()) m->ClearLog();
    Command_Z1_Click(ctx);
    Command_XZ_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->log.empty());
    }
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 2; }));
    EXPECT_EQ(Cmd(2), -3500);  // the first phase ran to its end
    EXPECT_EQ(ctx.run.mBendHomePhase, 0);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 2, 1, 0}));
        EXPECT_TRUE(m->Called("pmove", {0, 2, 1000000}));
    }
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 6; }));
    EXPECT_EQ(Cmd(2), 0);  // stopped on the switch
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_EQ(Act(2), 0);
    EXPECT_EQ(ctx.run.mBendHomed, kTrue);

    // Homed before, standing at 25 degrees: back to 0 first.
    SetCounters(2, 2500);
    if (auto* m = model()) m->ClearLog();
    Command_Z1_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 2, -2500}));
    }
    EXPECT_EQ(ctx.run.mBendHomePhase, kTrue);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 2; }));
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(2), 0);
    // At 8 degrees: the search at once.
    SetCounters(2, 800);
    if (auto* m = model()) m->ClearLog();
    Command_Z1_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 2, 1000000}));
    }
    EXPECT_EQ(ctx.run.gHomeState, 2);
    EXPECT_EQ(ctx.run.mBendHomePhase, 0);

    // Stop during the move before the search ends the whole seek zero.
    Command_Stop_Click(ctx);
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    SetCounters(2, 2500);
    Command_Z1_Click(ctx);
    ASSERT_EQ(ctx.run.mBendHomePhase, kTrue);
    Tick(2);
    ASSERT_TRUE(Moving(2));
    Command_Stop_Click(ctx);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    EXPECT_EQ(ctx.run.mBendHomePhase, 0);
    Tick(10);
    EXPECT_FALSE(Moving());
    const int32_t stopped = Cmd(2);
    EXPECT_GT(stopped, 0);
    if (auto* m = model()) m->ClearLog();
    Tick(100);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_EQ(Cmd(2), stopped);

    // A pulse equivalent of 0 is refused with a message.
    ctx.axis(2).PulseEquivalent = 0;
    Command_Z1_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    EXPECT_FALSE(Moving());
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    EXPECT_EQ(op.messages.size(), 1u);
}

// The calls of each phase of a seek zero, in order.
TEST_P(JogTest, SeekZeroPhasesCallTheCardInOrder) {
    using Trace = std::vector<std::string>;
    auto trace = [&] { return model() ? model()->Trace() : Trace{}; };
    auto expect = [&](const Trace& t) { return model() ? t : Trace{}; };
    auto clear = [&] {
        if (auto* m = model()) m->ClearLog();
    };

    // Feed axis off its switch: forward with stop logic 0.
    PlaceSwitch(2, 1, 5000, 6000);
    SetCounters(1, 0);
    clear();
    Command_XZ_Click(ctx);
    EXPECT_EQ(trace(), expect({"set_stop0_mode(0,1,1,0)", "set_speed(0,1,1000)", "set_startv(0,1,1000)",
                               "set_acc(0,1,10000)", "pmove(0,1,1000000)"}));
    clear();
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 5; }));
    EXPECT_EQ(trace(), expect({"set_stop0_mode(0,1,0,0)", "set_speed(0,1,500)", "set_startv(0,1,1000)",
                               "set_acc(0,1,10000)", "pmove(0,1,200)"}));
    clear();
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 0; }));
    EXPECT_EQ(trace(), expect({"set_command_pos(0,1,0)", "set_actual_pos(0,1,0)"}));
    ASSERT_TRUE(AdvanceUntilIdle());

    // Standing on it: backward with stop logic 1.
    clear();
    Command_XZ_Click(ctx);
    EXPECT_EQ(trace(), expect({"set_stop0_mode(0,1,1,1)", "set_speed(0,1,1000)", "set_startv(0,1,1000)",
                               "set_acc(0,1,10000)", "pmove(0,1,-1000000)"}));
    ASSERT_TRUE(SeekDone());

    // Bend axis, first after start: the 30 degree move alone, no stop mode.
    PlaceSwitch(8, 2, 0, 100);
    Stand(2, -500);
    clear();
    Command_Z1_Click(ctx);
    EXPECT_EQ(trace(),
              expect({"set_speed(0,2,1000)", "set_startv(0,2,1000)", "set_acc(0,2,10000)", "pmove(0,2,-3000)"}));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    clear();
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 2; }));
    EXPECT_EQ(trace(), expect({"set_stop0_mode(0,2,1,0)", "set_speed(0,2,1000)", "set_startv(0,2,1000)",
                               "set_acc(0,2,10000)", "pmove(0,2,1000000)"}));
    EXPECT_EQ(Cmd(2), -3500);
    clear();
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 6; }));
    EXPECT_EQ(trace(), expect({"set_stop0_mode(0,2,0,0)", "set_speed(0,2,500)", "set_startv(0,2,1000)",
                               "set_acc(0,2,10000)", "pmove(0,2,200)"}));
    clear();
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 0; }));
    EXPECT_EQ(trace(), expect({"set_command_pos(0,2,0)", "set_actual_pos(0,2,0)"}));
    EXPECT_EQ(ctx.run.mBendHomed, kTrue);
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_EQ(Act(2), 0);
}

TEST_P(JogTest, CutterAndSwingSeekZero) {
    // Motor cutter on axis 3, search backwards.
    ctx.axis(3).SeekZeroFeedrate = -300;
    PlaceSwitch(14, 3, -100, 0);
    Stand(3, 1000);
    Command_Z3_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("set_speed", {0, 3, 500}));
        EXPECT_TRUE(m->Called("pmove", {0, 3, -1000000}));
    }
    EXPECT_EQ(ctx.run.gHomeState, 3);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 7; }));
    EXPECT_EQ(Cmd(3), 0);  // on the switch's edge
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(3), 0);
    EXPECT_EQ(Act(3), 0);

    // Swing axis 4 with a motor cutter, search forwards.
    PlaceSwitch(20, 4, 300, 400);
    SetCounters(4, -40);
    Command_Z2_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 4);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 8; }));
    EXPECT_EQ(Cmd(4), 260);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(4), 0);
    EXPECT_EQ(Act(4), 0);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("pmove", {0, 4, 200}));
    }

    // Stop during a search: the axis decelerates, nothing follows.
    ClearSwitches();
    if (auto* m = model()) m->ClearLog();
    SetCounters(4, -5000);
    ctx.axis(4).SeekZeroFeedrate = -600;  // away from the switch
    Command_Z2_Click(ctx);
    Tick(3);
    ASSERT_TRUE(Moving(4));
    Command_Stop_Click(ctx);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Called("dec_stop", {0, 4}));
        EXPECT_TRUE(m->Called("set_stop0_mode", {0, 4, 0, 0}));
    }
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    Tick(10);
    EXPECT_FALSE(Moving());
    const int32_t stopped = Cmd(4);
    EXPECT_LT(stopped, -5000);
    EXPECT_GT(stopped, -5000 - 1000000);
    if (auto* m = model()) m->ClearLog();
    Tick(50);
    if (auto* m = model()) {
        EXPECT_TRUE(m->Calls("pmove").empty());
    }
    EXPECT_EQ(Cmd(4), stopped);

    // Cylinder cutter: the swing refuses while the cutter is not back.
    ctx.sys().gCutterUpDownMode = 0;
    Command_Z2_Click(ctx);
    EXPECT_EQ(op.LastText(), "切刀未在原位，请先回切刀！");
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_FALSE(Moving());
    // The cutter button draws it back; input 17 ends the stroke.
    ctx.card.write_bit(0, 1, 1);  // cutter out
    Command_Z3_Click(ctx);
    EXPECT_EQ(Outputs() & 6u, 4u);  // out off, back on
    EXPECT_EQ(ctx.run.gCylinderBusy, 1);
    Tick(3);
    EXPECT_EQ(ctx.run.gCylinderBusy, 1);
    SetInput(17, 0);
    Tick();
    EXPECT_EQ(ctx.run.gCylinderBusy, 0);
    EXPECT_EQ(Outputs() & 4u, 0u);
    // Now the swing may seek zero.
    Command_Z2_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 4);
    Tick(2);
    EXPECT_TRUE(Moving(4));
}

TEST_P(JogTest, ForwardFeedAxisSeeksZeroLikeTheSwing) {
    ctx.sys().gAxisKindA = 1;  // axis 4 feeds forward
    ctx.axis(4).SeekZeroFeedrate = -600;
    PlaceSwitch(20, 4, -2000, -1500);
    Command_Z2_Click(ctx);
    EXPECT_EQ(ctx.run.gHomeState, 4);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gHomeState == 8; }));
    EXPECT_EQ(Cmd(4), -1500);
    EXPECT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(4), 0);
    EXPECT_EQ(Act(4), 0);
    // The compensation left it 2 mm back from the switch's edge.
    EXPECT_EQ(ctx.card.read_bit(0, 20), 1);
}

TEST_P(JogTest, SeekZeroFromTheProgramGoesOnWithTheNextLines) {
    // The preamble's seek zeros (M42 swing, M38 bend, M40 cutter): each
    // holds the program until its axis is zeroed.
    PlaceSwitch(20, 4, 300, 400);
    PlaceSwitch(8, 2, 500, 600);
    PlaceSwitch(14, 3, 700, 800);
    Load({"M42", "M30", "M38", "M30", "M40", "M30", "G92 X0", "X10"});
    Tick();
    EXPECT_EQ(ctx.run.gHomeState, 4);
    EXPECT_EQ(ctx.run.gNcLineIndex, 2);  // M30 after it passed over
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 4; }));
    EXPECT_EQ(ctx.run.gHomeState, 2);
    EXPECT_EQ(Cmd(4), 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gNcLineIndex == 6; }));
    EXPECT_EQ(ctx.run.gHomeState, 3);
    EXPECT_EQ(Cmd(2), 0);
    EXPECT_EQ(Cmd(1), 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }));
    EXPECT_EQ(Cmd(3), 0);
    EXPECT_EQ(Cmd(1), 1000);
    EXPECT_FALSE(Moving());
}

TEST_P(JogTest, StopDuringASearchLeavesNoStopOnTheSwitchBehind) {
    // The feed stopped while it searched for its switch 30..40 mm ahead.
    PlaceSwitch(2, 1, 3000, 4000);
    Command_XZ_Click(ctx);
    Tick(3);
    ASSERT_TRUE(Moving(1));
    Command_Stop_Click(ctx);
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    ASSERT_LT(Cmd(1), 3000);
    // A program's feed then runs over the switch to its full length.
    Load({"G92 X0", "X100"});
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 400));
    EXPECT_EQ(Cmd(1), 10000);

    // The same for the bender stopped in its search towards a switch at
    // 10..11 degrees: a later bend passes it.
    ctx.run.mBendHomed = kTrue;
    PlaceSwitch(8, 2, 1000, 1100);
    SetCounters(2, 500);
    Command_Z1_Click(ctx);
    ASSERT_EQ(ctx.run.gHomeState, 2);
    Tick(3);
    ASSERT_TRUE(Moving(2));
    Command_Stop_Click(ctx);
    ASSERT_TRUE(AdvanceUntilIdle(1000));
    Load({"G92 Y0", "Y40"});
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 400));
    EXPECT_EQ(Cmd(2), 4000);
}

// A seek zero whose compensation after its switch (or, for the feed without
// a switch, whose retract) is beyond what the machine can do is refused
// before its search, the bender's before the move that comes first: one
// message naming the value and where to change it, nothing moves.  At the
// bounds it starts.
TEST_P(JogTest, SeekZeroBeyondTheMachineIsRefusedBeforeItsSearch) {
    const auto press = [&](int axis) {
        switch (axis) {
            case 1: Command_XZ_Click(ctx); break;
            case 2: Command_Z1_Click(ctx); break;
            case 3: Command_Z3_Click(ctx); break;
            default: Command_Z2_Click(ctx); break;
        }
    };
    struct Case {
        int axis;
        double distance;
        double equivalent;
        bool starts;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {4, 1e9, 100, false},        {4, -1e9, 100, false},      {4, -100000, 100, true},
        {3, 100000.001, 100, false}, {3, 100000, 100, true},     {2, std::nan(""), 100, false},
        {2, -100000, 100, true},     {1, -100000.001, 100, false}, {1, inf, 100, false},
        {1, 100000, 100, true},
        // The card's count at a million pulses a degree: 2147.483647 is its
        // last pulse, 2147.483648 one beyond.
        {4, 2147.483647, 1e6, true}, {4, 2147.483648, 1e6, false}, {4, -2147.483648, 1e6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        SCOPED_TRACE(c.distance);
        ctx.axis(c.axis).ZeroCompDistance = c.distance;
        ctx.axis(c.axis).PulseEquivalent = c.equivalent;
        op.messages.clear();
        if (auto* m = model()) m->ClearLog();
        press(c.axis);
        if (c.starts) {
            EXPECT_TRUE(IsMachineBusy(ctx.run));
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
            Command_Stop_Click(ctx);
            ASSERT_TRUE(AdvanceUntilIdle(1000));
        } else {
            EXPECT_EQ(op.messages.size(), 1u);
            EXPECT_FALSE(IsMachineBusy(ctx.run));
            EXPECT_EQ(ctx.run.gHomeState, 0);
            EXPECT_EQ(ctx.run.mBendHomePhase, 0);
            Tick(3);
            EXPECT_FALSE(Moving());
            if (auto* m = model()) {
                EXPECT_TRUE(m->Calls("pmove").empty());
                EXPECT_TRUE(m->Calls("set_stop0_mode").empty());
            }
        }
        ctx.axis(c.axis).ZeroCompDistance = 2;
        ctx.axis(c.axis).PulseEquivalent = 100;
    }
    ctx.axis(4).ZeroCompDistance = 1e9;
    op.messages.clear();
    Command_Z2_Click(ctx);
    EXPECT_EQ(op.LastText(), "轴4的回零摆正距离（1000000000）超出机床的范围，没有移动，请在电机综合设置中修改！");
    ctx.axis(4).ZeroCompDistance = 2;

    // The feed without its switch: the retract, at 100000 pulses a mm.
    ctx.sys().gFeedRetract = 21475;
    ctx.axis(1).PulseEquivalent = 100000;
    ctx.panel.Text2 = "600";
    params.gLanguage = 1;
    op.messages.clear();
    Command_XZ_Click(ctx);
    EXPECT_EQ(op.LastText(), "The retract length of the feed's seek zero (21475) is beyond what the machine can do; "
                             "nothing moved, please change it in the Technological Parameter Setup!");
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_FALSE(Moving(1));
    ctx.sys().gFeedRetract = 21474;
    op.messages.clear();
    Command_XZ_Click(ctx);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(ctx.run.gHomeState, 1);
    Command_Stop_Click(ctx);
    ASSERT_TRUE(AdvanceUntilIdle(1000));
}

VELBEND_ON_BOTH_CARDS(JogTest);

}  // namespace
}  // namespace velbend::testing

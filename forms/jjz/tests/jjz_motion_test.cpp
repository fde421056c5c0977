// The axis setup's motion buttons on the card model (exact calls) and on
// the card library's simulated card: step, seek zero with its cancel and the
// X retract, Stop, the marking line, the busy refusals, and the second
// build's position boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "card_model.h"
#include "machine_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/forms/jjz_form.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

using testing::CardModel;

enum class Backend { Model, Simulated };

class JjzMotionTest : public ::testing::TestWithParam<Backend> {
protected:
    JjzMotionTest() : program(op), m(program) {
        testing::TestMachine(program.params);
        for (int n = 1; n <= 4; ++n) {
            auto& a = program.ctx.axis(n);
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = n == 3 ? -600 : 600;
            a.ManualFeedrate = 1200;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
        }
        program.params.gUserLevel = 2;
        program.ctx.secondBuild = false;
    }
    void SetUp() override {
        if (GetParam() == Backend::Model) {
            CardModel::Install(program.ctx.card);
        } else {
            sim = std::make_unique<testing::SimCard>(program.ctx.card);
            if (!sim->Usable()) GTEST_SKIP() << sim->Why();
        }
        m.Form_Load();
    }
    CardModel* model() { return GetParam() == Backend::Model ? &CardModel::Get() : nullptr; }
    void ClearLog() {
        if (auto* c = model()) c->ClearLog();
    }
    void SetInput(int bit, int level) {
        if (sim) sim->SetInput(bit, level);
        else CardModel::Get().SetInput(bit, level);
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            if (sim) sim->Advance(30);
            else CardModel::Get().Advance(30);
            Timer2_Timer(program.ctx);
        }
    }
    bool Moving(int n) {
        int32_t s = 0;
        program.ctx.card.get_status(0, n, &s);
        return s != 0;
    }
    int32_t Cmd(int n) {
        int32_t p = 0;
        program.ctx.card.get_command_pos(0, n, &p);
        return p;
    }
    // Ticks the machine loop until the seek zero is over.
    bool SeekDone() {
        for (int i = 0; i < 3000; ++i) {
            if (program.ctx.run.gHomeState == 0 && !Moving(1) && !Moving(2) && !Moving(3) && !Moving(4))
                return true;
            Tick();
        }
        return false;
    }
    RunState& run() { return program.ctx.run; }

    testing::TempHome home;
    RecordingOperator op;
    Program program;
    JJZ_Model m;
    std::unique_ptr<testing::SimCard> sim;
};

TEST_P(JjzMotionTest, StepIsNotStoppedByItsReleaseAndJogStopsOnRelease) {
    m.SetText(2, 0, "10");
    m.SetText(2, 1, "500");  // unsaved: the move uses the stored 100
    m.SetText(2, 3, "60");
    ClearLog();
    m.Command_MouseDown(2, 2);
    m.Command_MouseUp(2, 2);
    if (auto* c = model()) {
        EXPECT_TRUE(c->Called("pmove", {0, 2, 1000}));
        EXPECT_TRUE(c->Called("set_speed", {0, 2, 2000}));
        EXPECT_TRUE(c->Calls("dec_stop").empty());
    }
    Tick(40);
    EXPECT_EQ(Cmd(2), 1000);

    m.Command_MouseDown(3, 1);
    Tick(3);
    EXPECT_TRUE(Moving(3));
    m.Command_MouseUp(3, 1);
    Tick(10);
    EXPECT_FALSE(Moving(3));
    EXPECT_LT(Cmd(3), 0);
}

TEST_P(JjzMotionTest, XSeekZeroOnTheSwitchAndOffIt) {
    struct Case { int in2; int32_t logic, pulses; };
    for (const Case c : {Case{0, 1, -1000000}, Case{1, 0, 1000000}}) {
        SetInput(2, c.in2);
        ClearLog();
        m.Command_MouseDown(1, 3);
        if (auto* cm = model()) {
            EXPECT_TRUE(cm->Called("set_stop0_mode", {0, 1, 1, c.logic}));
            EXPECT_TRUE(cm->Called("pmove", {0, 1, c.pulses}));
        }
        EXPECT_EQ(run().gHomeState, 1);
        EXPECT_EQ(run().gHomeStarted, 1);
        // The switch changes over after a while: the search ends there.
        Tick(5);
        SetInput(2, c.logic);
        ASSERT_TRUE(SeekDone());
        EXPECT_EQ(Cmd(1), 0);  // positions zeroed after the compensation
        SetInput(2, 1);
    }
}

TEST_P(JjzMotionTest, XRetractWithoutSwitch) {
    program.ctx.sys().gFeedRetract = 30;
    ClearLog();
    m.Command_MouseDown(1, 3);
    if (auto* c = model()) {
        EXPECT_EQ(c->Trace(), (std::vector<std::string>{"set_speed(0,1,2000)", "set_startv(0,1,1000)",
                                                       "set_acc(0,1,10000)", "pmove(0,1,-3000)"}));
    }
    EXPECT_EQ(run().gHomeState, 1);
    // A second click while the retract runs neither cancels nor restarts it.
    ClearLog();
    m.Command_MouseDown(1, 3);
    EXPECT_EQ(run().gHomeState, 1);
    if (auto* c = model()) {
        EXPECT_TRUE(c->Trace().empty());
    }
    ASSERT_TRUE(SeekDone());
    EXPECT_EQ(Cmd(1), -3000 + 200);  // retract, then the compensation; no zeroing

    // Another axis's seek zero is never taken over by the retract.
    m.Command_MouseDown(2, 3);
    ASSERT_EQ(run().gHomeState, 2);
    ClearLog();
    m.Command_MouseDown(1, 3);
    EXPECT_EQ(run().gHomeState, 2);
    if (auto* c = model()) {
        EXPECT_TRUE(c->Calls("pmove").empty());
    }
}

TEST_P(JjzMotionTest, SecondClickCancelsInBothPhasesAndOtherAxesAreIgnored) {
    program.ctx.sys().gCutterUpDownMode = 0;  // input 17 at rest: the cutter is not back
    for (int phase : {0, 4}) {
        m.Command_MouseDown(3, 3);
        ASSERT_EQ(run().gHomeState, 3);
        if (phase == 4) {
            SetInput(14, 0);  // Z's switch reached: the compensation move starts
            for (int i = 0; i < 100 && run().gHomeState != 7; ++i) Tick();
            ASSERT_EQ(run().gHomeState, 7);
            SetInput(14, 1);
        } else {
            Tick(2);
        }
        ClearLog();
        for (int other : {1, 2, 4}) m.Command_MouseDown(other, 3);
        EXPECT_EQ(run().gHomeState, 3 + phase);
        EXPECT_TRUE(op.messages.empty());  // not even A's cutter check
        if (auto* c = model()) {
            EXPECT_TRUE(c->Calls("pmove").empty());
        }
        m.Command_MouseDown(3, 3);
        EXPECT_EQ(run().gHomeState, 0);
        if (auto* c = model()) {
            EXPECT_TRUE(c->Called("set_stop0_mode", {0, 3, 0, 0}));
            EXPECT_TRUE(c->Called("dec_stop", {0, 3}));
        }
        Tick(20);
        EXPECT_FALSE(Moving(3));
    }
}

TEST_P(JjzMotionTest, EachAxisSeeksZeroThroughTheMachineLoop) {
    const int zeroSwitch[5] = {0, 2, 8, 14, 20};
    SetInput(17, 0);  // the cutter is back
    for (int n = 1; n <= 4; ++n) {
        m.Command_MouseDown(n, 3);
        ASSERT_EQ(run().gHomeState, n);
        Tick(4);
        SetInput(zeroSwitch[n], 0);  // the switch is reached
        ASSERT_TRUE(SeekDone()) << n;
        SetInput(zeroSwitch[n], 1);
        EXPECT_EQ(Cmd(n), 0) << n;
    }
}

TEST_P(JjzMotionTest, SwingSeekZeroNeedsTheCutterBack) {
    program.ctx.sys().gCutterUpDownMode = 0;
    SetInput(17, 1);
    m.Command_MouseDown(4, 3);
    EXPECT_EQ(op.LastText(), "切刀未在原位，请先回切刀！");
    EXPECT_EQ(run().gHomeState, 0);
    SetInput(17, 0);
    m.Command_MouseDown(4, 3);
    EXPECT_EQ(run().gHomeState, 4);
}

TEST_P(JjzMotionTest, BusyRefusesEveryStartButTheCancelAndStop) {
    m.Label1_Click(0);
    m.SetText(6, 2, "5");
    run().gTestRunning = kTrue;
    ClearLog();
    m.Command_MouseDown(2, 0);
    m.Command_MouseUp(2, 0);
    m.Command_MouseDown(2, 2);
    m.Command_MouseDown(2, 3);
    m.Command7_Click(4);  // Move
    m.Command7_Click(0);  // marking line
    if (auto* c = model()) {
        EXPECT_TRUE(c->Calls("pmove").empty());
        EXPECT_TRUE(c->Calls("dec_stop").empty());
    }
    EXPECT_EQ(run().gHomeState, 0);
    EXPECT_FALSE(home.Exists("G5.dat"));

    // Stop with X and Y jogging and Z seeking zero stops all three and ends
    // every run and the seek zero.
    run().gTestRunning = 0;
    m.Command_MouseDown(3, 3);
    ASSERT_EQ(run().gHomeState, 3);
    // X and Y move beside it as no button starts them while Z seeks zero.
    for (int axis : {1, 2}) {
        SetAxisMotion(program.ctx, axis, 600);
        program.ctx.card.pmove(0, axis, axis == 1 ? 100000000 : -100000000);
    }
    run().gRunning = kTrue;
    run().gTestRunning = kTrue;
    run().gSlotRunning = kTrue;
    program.ctx.card.write_bit(0, 6, 1);
    Tick(2);
    ClearLog();
    m.Command5_Click();
    EXPECT_FALSE(IsMachineBusy(run()));
    EXPECT_EQ(run().gRunning, 0);
    EXPECT_EQ(run().gTestRunning, 0);
    EXPECT_EQ(run().gSlotRunning, 0);
    EXPECT_EQ(run().gHomeStarted, 0);
    if (auto* c = model()) {
        for (int n = 1; n <= 3; ++n) EXPECT_TRUE(c->Called("dec_stop", {0, n})) << n;
        EXPECT_TRUE(c->Called("set_stop0_mode", {0, 3, 0, 0}));
    }
    Tick(20);
    for (int n = 1; n <= 3; ++n) EXPECT_FALSE(Moving(n)) << n;
    EXPECT_EQ(run().gHomeState, 0);  // no compensation move after the Stop
    EXPECT_EQ(program.ctx.card.get_out(0, 6), 0);
}

TEST_P(JjzMotionTest, AMarkingLineUnderAHeldExternalFeedJogStartsNothing) {
    m.Label1_Click(0);
    Tick();               // both external buttons read released
    SetInput(18, 0);      // the feed button held: the main window's jog
    Tick();
    ASSERT_EQ(run().mJogDirection, 1);
    m.Command7_Click(0);  // marking line
    EXPECT_FALSE(home.Exists("G5.dat"));
    EXPECT_EQ(run().gSlotRunning, 0);
    SetInput(18, 1);
    Tick(20);
    EXPECT_FALSE(Moving(1));
}

TEST_P(JjzMotionTest, MoveAndMarkingLine) {
    program.ctx.card.write_bit(0, 3, 1);
    m.Label1_Click(0);
    m.Command7_Click(1);  // pressing toggles off
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    m.Command7_Click(1);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 1);
    m.SetText(6, 2, "12.5");
    m.Command7_Click(4);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);  // the material is let go
    Tick(60);
    EXPECT_EQ(Cmd(1), 1250);

    program.ctx.sys().gCutterRotateMode = 1;
    // With the feed encoder correcting, the marking line's block still asks
    // for no correction ("G04 P400", "M34" before a slot's cut).
    program.ctx.sys().gXEncoderPort = 1;
    program.ctx.panel.Check3 = 1;
    m.Command7_Click(0);
    EXPECT_EQ(run().gSlotRunning, kTrue);
    const auto lines = testing::LinesOf(home.Read("G5.dat"));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "G90 G01");
    EXPECT_EQ(lines[1], "M10");
    EXPECT_EQ(lines[2], "G04 P200");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "M34"), 0);
    EXPECT_EQ(lines.back(), "M11");
    EXPECT_EQ(run().gNcLineCount, static_cast<int16_t>(lines.size()));
    for (int i = 0; i < 3000 && run().gSlotRunning == kTrue; ++i) Tick();
    EXPECT_EQ(run().gSlotRunning, 0);
    EXPECT_EQ(op.LastText(), "开槽完成！");
}

// The feed panel's rounds: Calculate scales the pulse equivalent its own
// Move ran on (the stored one), not the old-equivalent box that Reset sets
// to the unsaved result, so a second round before Save gives the same
// result for the same strip; after Save the Move runs on the new value.
TEST_P(JjzMotionTest, FeedCalibrationRoundsScaleTheEquivalentTheirMoveRanOn) {
    m.Label1_Click(0);
    const auto round = [&](const char* actual) {
        const int32_t from = Cmd(1);
        m.SetText(6, 2, "50");
        m.Command7_Click(4);
        Tick(100);
        EXPECT_FALSE(Moving(1));
        m.SetText(6, 3, actual);
        m.Command7_Click(2);
        return std::make_pair(m.Text(6, 1), Cmd(1) - from);
    };
    const std::string first = Str(50 * 100.0 / 49.8);
    EXPECT_EQ(round("49.8"), std::make_pair(first, 5000));
    m.Command7_Click(3);
    EXPECT_EQ(m.Text(6, 0), first);
    EXPECT_EQ(round("49.8"), std::make_pair(first, 5000));
    m.Command7_Click(3);
    m.Command0_Click(0);
    ASSERT_DOUBLE_EQ(program.ctx.axis(1).PulseEquivalent, Val(first));
    EXPECT_EQ(round("50"), std::make_pair(first, 5020));
    // A refused Move leaves the record of the last one; opened again, before
    // any Move, the stored equivalent a Move would run on.
    program.ctx.axis(1).PulseEquivalent = 200;
    m.SetText(6, 2, "-100000.001");
    op.messages.clear();
    m.Command7_Click(4);
    EXPECT_EQ(op.LastText(), "指令距离（-100000.001）超出机床的范围，没有移动，请在本对话框中修改！");
    EXPECT_FALSE(Moving(1));
    m.SetText(6, 2, "50");
    m.Command7_Click(2);
    EXPECT_EQ(m.Text(6, 1), first);
    m.Label1_Click(0);
    m.SetText(6, 2, "50");
    m.SetText(6, 3, "50");
    m.Command7_Click(2);
    EXPECT_EQ(m.Text(6, 1), " 200");
}

// A step, or a seek zero whose compensation (or X retract) is beyond what
// the machine can do, is refused with a message naming the value and where
// to change it; nothing moves.
TEST_P(JjzMotionTest, StepsAndSeekZerosBeyondTheMachineMoveNothing) {
    m.SetText(2, 0, "1e9");
    ClearLog();
    m.Command_MouseDown(2, 2);
    EXPECT_EQ(op.LastText(), "轴2的单步距离（1000000000）超出机床的范围，没有移动，请在本对话框中修改！");
    m.SetText(2, 0, "-100000");
    op.messages.clear();
    m.Command_MouseDown(2, 2);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_TRUE(Moving(2));
    m.Command5_Click();
    Tick(100);

    program.ctx.axis(4).ZeroCompDistance = 1e9;
    program.params.gLanguage = 1;
    ClearLog();
    m.Command_MouseDown(4, 3);
    EXPECT_EQ(op.LastText(), "The Zero Compensate Distance of axis 4 (1000000000) is beyond what the machine can do; "
                             "nothing moved, please change it in the Axis Setup!");
    EXPECT_EQ(run().gHomeState, 0);
    program.ctx.axis(4).ZeroCompDistance = 2;
    program.ctx.sys().gFeedRetract = 30;
    program.ctx.axis(1).PulseEquivalent = 1e8;
    m.Command_MouseDown(1, 3);
    EXPECT_EQ(op.LastText(), "The retract length of the feed's seek zero (30) is beyond what the machine can do; "
                             "nothing moved, please change it in the Technological Parameter Setup!");
    EXPECT_EQ(run().gHomeState, 0);
    if (auto* c = model()) {
        EXPECT_EQ(c->Calls("pmove").size(), 0u);
    }
    Tick(3);
    for (int n = 1; n <= 4; ++n) EXPECT_FALSE(Moving(n)) << n;
}

TEST_P(JjzMotionTest, SecondBuildPositionBoxes) {
    program.ctx.secondBuild = true;
    program.ctx.card.set_command_pos(0, 2, 1234);
    program.ctx.card.set_command_pos(0, 3, -5);
    program.ctx.axis(4).PulseEquivalent = 0;
    program.ctx.card.set_command_pos(0, 4, 777);
    m.Timer1_Timer();
    EXPECT_TRUE(m.PositionBoxesVisible());
    EXPECT_EQ(m.PositionText(1), "0.00");
    EXPECT_EQ(m.PositionText(2), "12.34");
    EXPECT_EQ(m.PositionText(3), "-0.05");
    EXPECT_EQ(m.PositionText(4), "0.00");
}

INSTANTIATE_TEST_SUITE_P(Cards, JjzMotionTest, ::testing::Values(Backend::Model, Backend::Simulated),
                         [](const auto& info) { return info.param == Backend::Model ? "Model" : "Simulated"; });

}  // namespace
}  // namespace velbend

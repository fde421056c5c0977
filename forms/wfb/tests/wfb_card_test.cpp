// The bending tests of the curvature dialog on the simulated card, driven
// through the machine loop as the main window's timer would.
#include <gtest/gtest.h>

#include <algorithm>

#include "card_model.h"
#include "velbend/forms/wfb_form.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
#include "velbend/forms/program_test.h"

namespace velbend {
namespace {

class WfbCardTest : public testing::ProgramTest {
protected:
    WfbCardTest() : form(program) {
        auto& s = program.params.gSysParaTable;
        s.gAxisPara[2].AutoFeedrate = 3000;
        s.gBendMechanisms = 2;
        s.gPatBendCoefP = 1;
        s.gSpaceAngleP = 3;
        s.gMaxBendAngle = 90;
    }

    WFB_Form form;
};

TEST_F(WfbCardTest, PatBendingRunsToItsEnd) {
    auto& s = program.params.gSysParaTable;
    s.gAxisPara[1].AutoFeedrate = 3000;
    s.gAxisPara[2].AutoFeedrate = 1500;
    form.Text6 = "1";
    ASSERT_TRUE(form.Command7_Click());
    EXPECT_EQ(home.Read("G5.dat"),
              "G90 G01\r\nG92 X0\r\nY3.0000 F1500\r\nG01 X2.0000 F3000\r\nG05 Y13.0000 F00001500\r\n"
              "G05 Y3.0000 F00001500\r\nG01 X4.0000 F3000\r\nG01 Y0 F1500\r\n");
    EXPECT_EQ(program.ctx.run.gNcLineCount, 8);
    EXPECT_EQ(program.ctx.run.gTestRunning, kTrue);
    // A second test, a rotate, a jog and a seek zero are refused while it runs.
    EXPECT_FALSE(form.Command7_Click());
    form.Text5 = "45";
    form.Command4_Click();
    form.Command5_MouseDown();
    form.Command3_Click();
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    int ticks = 0, highest = 0;
    while (program.ctx.run.gTestRunning != 0 && ticks < 5000) {
        Tick(), ++ticks;
        highest = std::max(highest, Pos(2));
    }
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    EXPECT_EQ(highest, 1300);  // the pat to 13 degrees
    EXPECT_EQ(Pos(1), 400);    // two steps of 2 mm
    EXPECT_EQ(Pos(2), 0);
    // The release of the refused press stops nothing.
    form.Command5_MouseUp();
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
}

// The card calls of each test button, in order, on the in-process card
// model.
class WfbCardCallTest : public ::testing::Test {
protected:
    using CardModel = testing::CardModel;
    WfbCardCallTest() : program(op), form(program) {
        CardModel::Install(program.ctx.card);
        auto& s = program.params.gSysParaTable;
        auto& feed = s.gAxisPara[1];
        feed.PulseEquivalent = 100;
        feed.ManualFeedrate = 600;  // 1000 pulses/s
        feed.Acceleration = 1.5;
        auto& bend = s.gAxisPara[2];
        bend.PulseEquivalent = 50;
        bend.SeekZeroFeedrate = -1200;  // 1000 pulses/s, searching backwards
        bend.ManualFeedrate = 300;      // 250 pulses/s
        bend.Acceleration = 2;
    }
    std::vector<std::string> Trace() {
        auto t = CardModel::Get().Trace();
        CardModel::Get().ClearLog();
        return t;
    }
    using Lines = std::vector<std::string>;

    RecordingOperator op;
    Program program;
    WFB_Form form;
};

TEST_F(WfbCardCallTest, SeekZeroStartsInStateZeroAndIsCancelledInStatesTwoAndSix) {
    auto& run = program.ctx.run;
    form.Command3_Click();
    EXPECT_EQ(Trace(), (Lines{"set_stop0_mode(0,2,1,0)", "set_speed(0,2,1000)", "set_startv(0,2,1000)",
                              "set_acc(0,2,20000)", "pmove(0,2,-1000000)"}));
    EXPECT_EQ(run.gHomeState, 2);
    EXPECT_EQ(run.gHomeStarted, 1);
    for (int16_t state : {2, 6}) {
        run.gHomeState = state;
        run.mHomeStarter = Starter::Curvature;
        form.Command3_Click();
        EXPECT_EQ(Trace(), (Lines{"set_stop0_mode(0,2,0,0)", "dec_stop(0,2)"})) << state;
        EXPECT_EQ(run.gHomeState, 0);
        // A program's own seek zero (M38) is not this button's to cancel.
        run.gHomeState = state;
        run.mHomeStarter = Starter::Program;
        form.Command3_Click();
        EXPECT_TRUE(Trace().empty()) << state;
        EXPECT_EQ(run.gHomeState, state);
    }
    for (int16_t state : {1, 3, 4, 5, 7, 8}) {  // another axis's seek zero
        run.gHomeState = state;
        form.Command3_Click();
        EXPECT_TRUE(Trace().empty()) << state;
        EXPECT_EQ(run.gHomeState, state);
    }
    run.gHomeState = 0;
    // The main window's bend seek zero still making its move before the
    // search: no second search is started.
    run.mBendHomePhase = kTrue;
    form.Command3_Click();
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(run.gHomeState, 0);
    run.mBendHomePhase = 0;
    // The search direction: forwards only above 0; a speed of 0 would crawl,
    // and is refused before anything moves.
    for (auto [feed, pulses] : {std::pair{1, 1000000}, std::pair{-1, -1000000}, std::pair{0, 0}}) {
        program.params.gSysParaTable.gAxisPara[2].SeekZeroFeedrate = static_cast<int16_t>(feed);
        run.gHomeState = 0;
        CardModel::Get().ax[2].driving = false;  // the last search has ended
        op.messages.clear();
        form.Command3_Click();
        const auto trace = Trace();
        if (pulses == 0) {
            EXPECT_TRUE(trace.empty());
            EXPECT_EQ(run.gHomeState, 0);
            EXPECT_EQ(op.LastText(), "轴2的回零速度（0）不足每秒一个脉冲，没有移动，请检查轴参数！");
        } else {
            ASSERT_FALSE(trace.empty()) << feed;
            EXPECT_EQ(trace.back(), "pmove(0,2," + std::to_string(pulses) + ")");
        }
    }
}

TEST_F(WfbCardCallTest, RotateTurnsToTheAbsoluteAngle) {
    program.ctx.card.set_command_pos(0, 2, 1500);  // 30 degrees
    struct Case {
        const char* angle;
        int32_t pulses;
    };
    for (const Case& c : {Case{"30", 0}, Case{"45.25", 762}, Case{"45.75", 788}, Case{"-10", -2000}, Case{"x", -1500}}) {
        Trace();
        CardModel::Get().ax[2].driving = false;  // the last turn has ended
        form.Text5 = c.angle;
        form.Command4_Click();
        EXPECT_EQ(Trace(), (Lines{"set_speed(0,2,250)", "set_startv(0,2,1000)", "set_acc(0,2,20000)",
                                  "pmove(0,2," + std::to_string(c.pulses) + ")"}))
            << c.angle;
        EXPECT_EQ(program.ctx.run.gCardRet, 1500);
    }
    // An angle beyond the card's pulse range moves nothing and says so.
    CardModel::Get().ax[2].driving = false;
    form.Text5 = "1e9";
    form.Command4_Click();
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(op.LastText(), "数值超出范围：1e9");
    // Within the card's count but beyond what the machine turns: refused
    // too, naming the box; at the bound it turns.
    form.Text5 = "100000.5";
    form.Command4_Click();
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(op.LastText(), "弯弧转动角度（100000.5）超出机床的范围，没有移动，请在本对话框中修改！");
    form.Text5 = "-100000";
    form.Command4_Click();
    EXPECT_EQ(Trace().back(), "pmove(0,2,-5001500)");
    CardModel::Get().ax[2].driving = false;
    program.ctx.run.gTestRunning = kTrue;
    form.Text5 = "10";
    form.Command4_Click();
    EXPECT_TRUE(Trace().empty());
    program.ctx.run.gTestRunning = 0;

    // The turn runs at the manual speed: one below a pulse a second turns
    // nothing and says so, also back to 0 (1 mm/min is half a pulse on 30
    // pulses a degree, none; one on 60).
    struct Speed {
        int16_t manual;
        double pe;
        const char* angle;
        const char* pmove;  // nullptr: refused
    };
    auto& bend = program.params.gSysParaTable.gAxisPara[2];
    for (const Speed& c : {Speed{0, 50, "45", nullptr}, Speed{0, 50, "0", nullptr}, Speed{-300, 50, "45", nullptr},
                           Speed{1, 30, "45", nullptr}, Speed{1, 60, "45", "pmove(0,2,1200)"},
                           Speed{1, 60, "0", "pmove(0,2,-1500)"}}) {
        SCOPED_TRACE(c.manual);
        SCOPED_TRACE(c.pe);
        SCOPED_TRACE(c.angle);
        CardModel::Get().ax[2].driving = false;
        program.ctx.card.set_command_pos(0, 2, 1500);
        bend.ManualFeedrate = c.manual;
        bend.PulseEquivalent = c.pe;
        Trace();
        op.messages.clear();
        form.Text5 = c.angle;
        form.Command4_Click();
        if (c.pmove) {
            EXPECT_EQ(Trace().back(), c.pmove);
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
        } else {
            EXPECT_TRUE(Trace().empty());
            EXPECT_EQ(op.LastText(), "轴2的手动速度必须大于0，请检查轴参数！");
            EXPECT_EQ(op.messages.size(), 1u);
        }
    }
}

TEST_F(WfbCardCallTest, AFeedJogStopsOnlyOnTheReleaseOfItsOwnButton) {
    form.Command5_MouseDown();
    EXPECT_EQ(Trace(), (Lines{"set_speed(0,1,1000)", "set_startv(0,1,1000)", "set_acc(0,1,15000)",
                              "pmove(0,1,100000000)"}));
    form.Command6_MouseDown();  // a second press starts nothing
    form.Command6_MouseUp();    // nor does the other button's release stop the feed
    EXPECT_TRUE(Trace().empty());
    form.Command5_MouseUp();
    EXPECT_EQ(Trace(), (Lines{"dec_stop(0,1)"}));
    form.Command5_MouseUp();
    EXPECT_TRUE(Trace().empty());

    form.Command6_MouseDown();
    EXPECT_EQ(Trace().back(), "pmove(0,1,-100000000)");
    form.Command6_MouseUp();
    EXPECT_EQ(Trace(), (Lines{"dec_stop(0,1)"}));

    // A jog ended by the main window's Stop: the release that comes after
    // another's jog has started (an external feed button's) leaves it alone.
    form.Command5_MouseDown();
    Command_Stop_Click(program.ctx);
    CardModel::Get().ax[1].driving = false;
    ExternalJogPress(program.ctx, -1);
    Trace();
    form.Command5_MouseUp();
    form.ReleaseJogs();
    EXPECT_TRUE(Trace().empty());
    ExternalJogRelease(program.ctx, -1);
    EXPECT_EQ(Trace(), (Lines{"dec_stop(0,1)"}));

    program.ctx.run.gSlotRunning = kTrue;  // busy: the press does nothing, nor its release
    form.Command5_MouseDown();
    form.Command5_MouseUp();
    EXPECT_TRUE(Trace().empty());
}

TEST_F(WfbCardCallTest, StopDeceleratesEveryMovingAxisAndSwitchesTheOutputsOff) {
    form.Command5_MouseDown();
    program.ctx.card.pmove(0, 4, 5000);
    program.ctx.run.gTestRunning = kTrue;
    Trace();
    form.Command8_Click();
    Lines want{"dec_stop(0,1)", "dec_stop(0,4)"};
    for (int k = 0; k <= 7; ++k) want.push_back("write_bit(0," + std::to_string(k) + ",0)");
    EXPECT_EQ(Trace(), want);
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    form.Command5_MouseUp();  // the jog is over: its release has nothing to stop
    EXPECT_TRUE(Trace().empty());
}

}  // namespace
}  // namespace velbend

// Starting a program built in memory, and the dialogs' Stop.
#include <gtest/gtest.h>

#include <vector>

#include "run_fixture.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/program_start.h"

namespace velbend::testing {
namespace {

class ProgramStartTest : public ModelRunTest {};

TEST_F(ProgramStartTest, WritesLoadsAndSetsOnlyItsOwnFlag) {
    ProgramLines p;
    p << "G90 G01" << "G01 X1.0000 F600";
    ctx.run.mLastXPulses = 55;
    ASSERT_TRUE(StartProgram(ctx, p, RunFlag::SlotRunning, Starter::MachineSetup));
    EXPECT_EQ(home.Read("G5.dat"), "G90 G01\r\nG01 X1.0000 F600\r\n");
    EXPECT_EQ(ctx.run.gNcLineCount, 2);
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);
    EXPECT_EQ(ctx.run.gSlotRunning, kTrue);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(ctx.run.gRunning, 0);
    EXPECT_EQ(ctx.run.mLastXPulses, 0);
}

// A Pause pressed at the very end of a run ends with it; one pressed while
// the machine is idle does not hold the next program a loader starts.
TEST_F(ProgramStartTest, AProgramStartsUnpausedWhateverAPauseLeft) {
    ctx.panel.Label4[2] = "0.0000  mm";
    Load({"M30"}, &RunState::gRunning);
    ctx.run.gNcLineIndex = 1;
    Command_Pause_Click(ctx);
    Tick();
    ASSERT_EQ(ctx.run.gRunning, 0);
    ASSERT_EQ(op.LastText(), "加工完成！");
    ASSERT_EQ(ctx.run.mPaused, 0);
    Command_Pause_Click(ctx);
    ASSERT_EQ(ctx.run.mPaused, 1);
    ProgramLines p;
    p << "G90 G01" << "G01 X1.0000 F600";
    ASSERT_TRUE(StartProgram(ctx, p, RunFlag::TestRunning, Starter::MachineSetup));
    EXPECT_EQ(ctx.run.mPaused, 0);
    EXPECT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 200));
    EXPECT_EQ(Cmd(1), 100);
}

TEST_F(ProgramStartTest, TooLongOrUnwritableStartsNothingAndKeepsTheOldFile) {
    home.Write("G5.dat", "OLD\r\n");
    ProgramLines longOne;
    for (int i = 0; i < RunState::kTooLongLines - 1; ++i) longOne << "G04 P1";
    ProgramLines tooLong = longOne;
    tooLong << "G04 P1";
    EXPECT_FALSE(StartProgram(ctx, tooLong, RunFlag::TestRunning, Starter::MachineSetup));
    EXPECT_EQ(op.LastText(), "加工程序超长，请减少加工循环或缩短选择字形！");
    EXPECT_EQ(home.Read("G5.dat"), "OLD\r\n");
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_TRUE(StartProgram(ctx, longOne, RunFlag::TestRunning, Starter::MachineSetup));  // 29999 lines fit
    EXPECT_EQ(ctx.run.gNcLineCount, RunState::kTooLongLines - 1);

    ctx.run.gTestRunning = 0;
    std::filesystem::remove(home / "G5.dat");
    std::filesystem::create_directories(home / "G5.dat");  // a folder in the file's way
    ProgramLines p;
    p << "M30";
    EXPECT_FALSE(StartProgram(ctx, p, RunFlag::TestRunning, Starter::MachineSetup));
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_EQ(op.messages.back().title, "错误");
}

// A test or slotting program whose moves would crawl starts nothing: every
// axis a line moves needs an automatic speed of a pulse a second (rounded as
// the card gets it); lines that move nothing ask nothing.
TEST_F(ProgramStartTest, AProgramMovingAnAxisSlowerThanAPulseASecondStartsNothing) {
    home.Write("G5.dat", "OLD\r\n");
    for (int n = 1; n <= 4; ++n) ctx.axis(n).PulseEquivalent = 100;
    struct Case {
        const char* line;
        int axis;
        int32_t speed;
        double equivalent;
        bool starts;
    };
    const Case cases[] = {
        {"G01 Z5.0000 F0", 3, 0, 100, false},
        {"G01 Z5.0000 F0", 3, -500, 100, false},
        {"G01 Z5.0000 F0", 3, 1, 0.5, false},  // 1/120 pulse a second
        {"A10 F30", 4, 30, 1, false},           // half a pulse rounds to none
        {"A10 F30", 4, 30, 1.0001, true},
        {"A10 F30", 4, 30, 2, true},            // exactly one
        {"X1 Y2 F3000", 2, 0, 100, false},      // the bend axis moves too
        {"X1 F3000", 2, 0, 100, true},          // ... not here
        {"A10 F0", 4, 0, 0, true},              // no pulse equivalent: no pulse to crawl
        {"A10 F0", 4, 0, 0.001, false},
        {"G92 X0 Y0 Z0 A0", 1, 0, 100, true},   // sets positions, moves nothing
        {"G04 P100", 1, 0, 100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(c.speed);
        op.messages.clear();
        EndProgram(ctx.run);
        const AxisPara before = ctx.axis(c.axis);
        ctx.axis(c.axis).AutoFeedrate = c.speed;
        ctx.axis(c.axis).PulseEquivalent = c.equivalent;
        ProgramLines p;
        p << "G90 G01" << c.line;
        EXPECT_EQ(StartProgram(ctx, p, RunFlag::SlotRunning, Starter::Operator), c.starts);
        ctx.axis(c.axis) = before;
        EXPECT_EQ(ctx.run.gSlotRunning, c.starts ? kTrue : 0);
        if (!c.starts) {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(op.LastText(), "轴" + std::to_string(c.axis) + "的自动速度" + std::to_string(c.speed) +
                                         "不足每秒一个脉冲，请检查轴参数！");
            EXPECT_EQ(home.Read("G5.dat"), "OLD\r\n");
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
            home.Write("G5.dat", "OLD\r\n");
        }
    }
}

// A program made from table and box values starts only when every motion it
// makes is one the machine can do: no word beyond the machine, no feed
// target behind where its feed began ("G92 X", else 0), no feed step beyond
// 100000 mm, no seek zero compensating beyond the machine.  Else one message
// names the line and the word, G5.dat stays as it was and nothing starts.
TEST_F(ProgramStartTest, AProgramMovingBeyondTheMachineStartsNothing) {
    struct Case {
        std::vector<const char*> lines;
        const char* message;  // nullptr: starts
    };
    const Case cases[] = {
        {{"G90 G01", "G92 X0", "G01 X-300.0000 F6000"},
         "程序第3行会使送料后退（X-300.0000），程序未启动：G01 X-300.0000 F6000"},
        {{"G92 X0", "G01 X-.0001 F6000"}, "程序第2行会使送料后退（X-.0001），程序未启动：G01 X-.0001 F6000"},
        {{"G92 X0", "G01 X0 F6000"}, nullptr},
        {{"G01 X-1 F6000"}, "程序第1行会使送料后退（X-1），程序未启动：G01 X-1 F6000"},
        {{"G92 X5", "G01 X4.9999 F6000"}, "程序第2行会使送料后退（X4.9999），程序未启动：G01 X4.9999 F6000"},
        {{"G92 X5", "G01 X5 F6000", "G01 X100005 F6000", "G01 X200005 F6000", "G01 X100005 F6000"}, nullptr},
        {{"G92 X0", "G01 X500 F6000", "G01 X100500.01 F6000"},
         "程序第3行超出机床的范围（X100500.01），程序未启动：G01 X100500.01 F6000"},
        {{"G01 Y100000 F3000", "G01 Z-100000 F500", "A100000 F1000"}, nullptr},
        {{"G01 Y-100000.01 F3000"}, "程序第1行超出机床的范围（Y-100000.01），程序未启动：G01 Y-100000.01 F3000"},
        {{"G92 X0", "Z1e9 F500"}, "程序第2行超出机床的范围（Z1e9），程序未启动：Z1e9 F500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.back());
        home.Write("G5.dat", "OLD\r\n");
        op.messages.clear();
        EndProgram(ctx.run);
        ProgramLines p;
        for (const char* l : c.lines) p << l;
        EXPECT_EQ(StartProgram(ctx, p, RunFlag::TestRunning, Starter::Operator), c.message == nullptr);
        if (c.message) {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(op.LastText(), c.message);
            EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
            EXPECT_EQ(home.Read("G5.dat"), "OLD\r\n");
            EXPECT_EQ(ctx.run.gTestRunning, 0);
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
        }
    }
    params.gLanguage = 1;
    op.messages.clear();
    EndProgram(ctx.run);
    ProgramLines p;
    p << "G92 X0" << "G01 X-300.0000 F6000";
    EXPECT_FALSE(StartProgram(ctx, p, RunFlag::TestRunning, Starter::Operator));
    EXPECT_EQ(op.LastText(), "Line 2 of the program would feed the strip backwards (X-300.0000); nothing started: "
                             "G01 X-300.0000 F6000");
    p.clear();
    p << "G01 Y1e6 F3000";
    EXPECT_FALSE(StartProgram(ctx, p, RunFlag::TestRunning, Starter::Operator));
    EXPECT_EQ(op.LastText(), "Line 1 of the program is beyond what the machine can do (Y1e6); nothing started: "
                             "G01 Y1e6 F3000");
}

// A program's seek zeros (M36 feed, M38 bend, M40 cutter, M42 swing) are
// checked before it starts: the compensation each makes after its switch,
// and the feed's retract where it has no switch.
TEST_F(ProgramStartTest, AProgramWhoseSeekZeroCompensatesBeyondTheMachineStartsNothing) {
    struct Case {
        const char* m;
        int axis;
        double distance;
        int16_t retract;
        const char* message;  // nullptr: starts
    };
    const Case cases[] = {
        {"M42", 4, 1e9, 0, "轴4的回零摆正距离（1000000000）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {"M42", 4, -100000, 0, nullptr},
        {"M40", 3, 100000.001, 0, "轴3的回零摆正距离（100000.001）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {"M38", 2, -100000.001, 0,
         "轴2的回零摆正距离（-100000.001）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {"M38", 2, 100000, 0, nullptr},
        {"M36", 1, 1e9, 0, "轴1的回零摆正距离（1000000000）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {"M36", 1, 1e9, 20, "轴1的回零摆正距离（1000000000）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {"M36", 1, 2, 20, nullptr},
        {"M30", 4, 1e9, 0, nullptr},  // no seek zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m);
        SCOPED_TRACE(c.distance);
        home.Write("G5.dat", "OLD\r\n");
        op.messages.clear();
        EndProgram(ctx.run);
        ctx.axis(c.axis).ZeroCompDistance = c.distance;
        ctx.sys().gFeedRetract = c.retract;
        ProgramLines p;
        p << "G90 G01" << "G92 X0" << c.m << "M30";
        EXPECT_EQ(StartProgram(ctx, p, RunFlag::SlotRunning, Starter::Operator), c.message == nullptr);
        ctx.axis(c.axis).ZeroCompDistance = 2;
        if (c.message) {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(op.LastText(), c.message);
            EXPECT_EQ(home.Read("G5.dat"), "OLD\r\n");
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
        }
    }
    // The retract itself, at 100000 pulses a mm: 21474 mm is within the
    // card's count, 21475 mm beyond it.
    ctx.axis(1).PulseEquivalent = 100000;
    ctx.sys().gFeedRetract = 21475;
    params.gLanguage = 1;
    op.messages.clear();
    EndProgram(ctx.run);
    ProgramLines p;
    p << "M36";
    EXPECT_FALSE(StartProgram(ctx, p, RunFlag::SlotRunning, Starter::Operator));
    EXPECT_EQ(op.LastText(), "The retract length of the feed's seek zero (21475) is beyond what the machine can do; "
                             "nothing moved, please change it in the Technological Parameter Setup!");
    ctx.sys().gFeedRetract = 21474;
    op.messages.clear();
    EXPECT_TRUE(StartProgram(ctx, p, RunFlag::SlotRunning, Starter::Operator));
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_F(ProgramStartTest, DialogStopHaltsEveryMovingAxisAndClearsEveryState) {
    for (int a : {1, 3}) {
        ctx.card.set_speed(0, a, 1000);
        ctx.card.pmove(0, a, 100000);
    }
    ctx.run.gRunning = ctx.run.gSlotRunning = ctx.run.gTestRunning = kTrue;
    ctx.run.gHomeState = 3;
    ctx.run.gHomeStarted = 1;
    ctx.run.mBendHomePhase = -1;
    ctx.run.gCylinderBusy = 1;
    ctx.run.mJogDirection = 1;
    ctx.run.gPendingComp = 12.5;
    ctx.run.gCompWaitTicks = 3;
    ctx.run.mDebugMode = 4;
    card().ClearLog();
    DialogStop(ctx);
    EXPECT_TRUE(card().Called("dec_stop", {0, 1}));
    EXPECT_TRUE(card().Called("dec_stop", {0, 3}));
    EXPECT_FALSE(card().Called("dec_stop", {0, 2}));
    EXPECT_TRUE(card().Called("set_stop0_mode", {0, 3, 0, 0}));
    for (int k = 0; k <= 7; ++k) EXPECT_TRUE(card().Called("write_bit", {0, k, 0})) << k;
    EXPECT_FALSE(IsMachineBusy(ctx.run));
    EXPECT_EQ(ctx.run.gCylinderBusy, 0);
    EXPECT_EQ(ctx.run.mJogDirection, 0);
    EXPECT_EQ(ctx.run.gHomeStarted, 0);
    EXPECT_EQ(ctx.run.gPendingComp, 0);
    EXPECT_EQ(ctx.run.gCompWaitTicks, 0);
    EXPECT_EQ(ctx.run.mDebugMode, 0);
}

}  // namespace
}  // namespace velbend::testing

#include "velbend/machine/test_programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "run_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/slot_block.h"
#include "velbend/params/sysfile.h"

namespace velbend::testing {
namespace {

class TestProgramsTest : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        if (IsSkipped()) return;
        auto& s = ctx.sys();
        s.gBendMechanisms = 1;
        SetInput(8, 0);   // bender on its zero switch
        SetInput(14, 0);  // cutter on its zero switch
        SetInput(20, 0);  // swing on its zero switch
    }
    std::vector<std::string> Block(double angle, int16_t side) {
        ProgramLines out;
        Print_KCaction(ctx, out, angle, 1, side, 0);
        return out.lines();
    }
    static void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
        to.insert(to.end(), lines.begin(), lines.end());
    }
    std::vector<std::string> Preamble(bool bender) {
        std::vector<std::string> p = {"M42", "M30"};
        if (bender) Append(p, {"G91 Y45.0000 F3000", "G90", "M38", "M30"});
        Append(p, {"M40", "M30", "G90 G01", "G92 X0"});
        return p;
    }
    // Starts the frame's test and runs it to its end.
    void RunTest_(int16_t openIndex, int16_t button) {
        Command4_Click(ctx, openIndex);
        Command5_Click(ctx, button);
        ASSERT_EQ(ctx.run.gTestRunning, kTrue);
        ASSERT_TRUE(TickUntil([&] { return ctx.run.gTestRunning == 0; }, 20000));
    }
};

TEST_P(TestProgramsTest, FrameCaptionsInBothLanguages) {
    Command4_Click(ctx, 0);
    EXPECT_TRUE(ctx.panel.TshFrameVisible);
    EXPECT_FALSE(ctx.panel.Text14Visible);
    EXPECT_EQ(ctx.run.mDebugMode, 1);
    EXPECT_EQ(ctx.panel.Label7, "准备开始送料加工");
    EXPECT_EQ(ctx.panel.Command5, (std::array<std::string, 2>{"确认", "取消"}));
    Command4_Click(ctx, 1);
    EXPECT_EQ(ctx.run.mDebugMode, 2);
    EXPECT_EQ(ctx.panel.Command5, (std::array<std::string, 2>{"正向弯弧", "负向弯弧"}));
    params.gLanguage = 1;
    Command4_Click(ctx, 2);
    EXPECT_EQ(ctx.run.mDebugMode, 3);
    EXPECT_EQ(ctx.panel.Label7, "Please Choise:");
    EXPECT_EQ(ctx.panel.Command5, (std::array<std::string, 2>{"Front Slott", "Back Slott"}));
    Command5_Click(ctx, 0 + 5);  // no such button
    EXPECT_EQ(ctx.run.mDebugMode, 3);

    // Busy: the frame does not open and no test starts.
    Command5_Click(ctx, 1);  // back slot test starts
    ASSERT_EQ(ctx.run.gTestRunning, kTrue);
    const auto lines = ctx.run.gNcLines;
    Command4_Click(ctx, 0);
    EXPECT_EQ(ctx.run.mDebugMode, 3);
    ctx.run.mDebugMode = 1;
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.run.gNcLines, lines);
}

// A test whose G5.dat cannot be written starts nothing: the frame stays,
// the older program is not run, and the message names the file.
TEST_P(TestProgramsTest, AnUnwritableProgramStartsNoTest) {
    std::filesystem::create_directories(home / "G5.dat");  // a folder in the file's way
    ctx.run.gNcLines = {"G01 X100"};
    ctx.run.gNcLineCount = 1;
    Command4_Click(ctx, 0);
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    EXPECT_TRUE(ctx.panel.TshFrameVisible);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text.rfind("无法写入加工程序 G5.dat！", 0), 0u) << op.messages[0].text;
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    Tick(20);
    EXPECT_EQ(Cmd(1), 0);
}

TEST_P(TestProgramsTest, FeedLengthTestAndItsCorrection) {
    ProgramLines out;
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::FeedLength, out));
    auto want = Preamble(true);
    Append(want, Block(0, 0));
    want.push_back("G01 X1000.0000 F6000");
    Append(want, Block(0, 0));
    Append(want, {"G01 X1210.0000 F6000", "M30"});
    EXPECT_EQ(out.lines(), want);

    RunTest_(0, 0);
    EXPECT_EQ(Cmd(1), 121000);
    EXPECT_TRUE(ctx.panel.TshFrameVisible);
    EXPECT_TRUE(ctx.panel.Text14Visible);
    EXPECT_EQ(ctx.panel.Label7, "请输入加工送料的实测长度：");
    EXPECT_EQ(ctx.run.mDebugMode, 4);

    // Out of range: the frame stays open in mode 4.
    for (const char* bad : {"1016", "0.5", "abc"}) {
        op.messages.clear();
        ctx.panel.Text14 = bad;
        Command5_Click(ctx, 0);
        EXPECT_EQ(op.LastText(), "长度错误，请重新测量并输入以mm为单位的数值！") << bad;
        EXPECT_EQ(ctx.run.mDebugMode, 4);
        EXPECT_EQ(ctx.axis(1).PulseEquivalent, 100);
    }
    op.messages.clear();
    ctx.panel.Text14 = "1010";
    Command5_Click(ctx, 0);
    const double pe = 100.0 * 1000 / 1010;
    EXPECT_DOUBLE_EQ(ctx.axis(1).PulseEquivalent, pe);
    ASSERT_GE(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0].text, "调整完成，送料轴电机新当量：" + Str(pe));
    EXPECT_EQ(op.messages[1].text, "参数保存成功！");
    EXPECT_TRUE(home.Exists("SysPara/SYS_0.ini"));
    EXPECT_EQ(ctx.run.mDebugMode, 0);
    EXPECT_FALSE(ctx.panel.TshFrameVisible);

    // Where the encoder corrected the test's feed its equivalent is
    // corrected instead: measured on a table with the encoder, not on the
    // one before.
    ctx.sys().gXEncoderPort = 1;
    params.gLanguage = 1;
    ctx.run.mDebugMode = 4;
    ctx.panel.TshFrameVisible = true;
    ctx.panel.Text14 = "990";
    op.messages.clear();
    Command5_Click(ctx, 0);
    EXPECT_EQ(op.LastText(), "The parameters have changed since the test: the measurement cannot correct them, "
                             "please test again!");
    EXPECT_EQ(ctx.sys().gEncoderEquiv, 100);
    EXPECT_EQ(ctx.run.mDebugMode, 0);
    EXPECT_FALSE(ctx.panel.TshFrameVisible);
    ctx.run.mDebugMode = 4;
    ctx.mAdjustTable = SysParaBytes(ctx.sys());
    ctx.mAdjustByEncoder = true;
    op.messages.clear();
    Command5_Click(ctx, 0);
    EXPECT_DOUBLE_EQ(ctx.sys().gEncoderEquiv, 100.0 * 1000 / 990);
    EXPECT_DOUBLE_EQ(ctx.axis(1).PulseEquivalent, pe);
    EXPECT_EQ(op.messages[0].text, "Adjust Finished, Encoder New value:" + Str(100.0 * 1000 / 990));

    // An equivalent of 0 cannot be scaled: refused, nothing saved.  So is a
    // measurement made in another group.
    ctx.sys().gEncoderEquiv = 0;
    ctx.run.mDebugMode = 4;
    ctx.mAdjustTable = SysParaBytes(ctx.sys());
    ctx.mAdjustGroup = 1;
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.run.mDebugMode, 0);
    ctx.mAdjustGroup = 0;
    ctx.run.mDebugMode = 4;
    op.messages.clear();
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.sys().gEncoderEquiv, 0);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "Test length or equivalent is 0, no adjustment!");
    EXPECT_EQ(ctx.run.mDebugMode, 4);
    // Cancel discards it.
    Command5_Click(ctx, 1);
    EXPECT_EQ(ctx.run.mDebugMode, 0);
    EXPECT_FALSE(ctx.panel.TshFrameVisible);
}

TEST_P(TestProgramsTest, ArcTestsAndSpaceAngleCorrections) {
    // R 100 above the pat threshold 50: one continuous bend; b = 60.
    ctx.panel.Text7 = "100";
    ProgramLines out;
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::PositiveArc, out));
    auto want = Preamble(true);
    Append(want, Block(0, 0));
    want.push_back("G01 X314.1593 F6000");
    Append(want, Block(0, 0));
    Append(want, {"G01 X200.0000 F6000", "G01 Y90.0000 F3000", "G01 X514.1593 F6000", "G05 Y0 F3000",
                  "G01 X614.1593 F6000", "M30"});
    EXPECT_EQ(out.lines(), want);

    // Negative: b is the negated lookup (50), bends to b - 30.
    out.clear();
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::NegativeArc, out));
    auto it = std::find(out.lines().begin(), out.lines().end(), "G01 X200.0000 F6000");
    ASSERT_NE(it, out.lines().end());
    EXPECT_EQ(*(it + 1), "G01 Y-80.0000 F3000");
    EXPECT_EQ(*(it + 3), "G01 Y0 F3000");

    // R at the threshold: pats every 2 mm (the 100 row), n = 157 / 2 = 78.
    ctx.sys().gTestRadius = 50;
    ctx.sys().gPatBendRThreshold = 50;
    out.clear();
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::PositiveArc, out));
    std::vector<std::string> pats;
    for (const auto& l : out.lines())
        if (l.rfind("G05 Y", 0) == 0) pats.push_back(l);
    ASSERT_EQ(pats.size(), 2u * 79 + 1);
    EXPECT_EQ(pats[0], "G05 Y60.0000 F3000");  // 30 + lookup(50) = 30 + 30
    EXPECT_EQ(pats[1], "G05 Y30.0000 F3000");
    EXPECT_EQ(pats.back(), "G05 Y0 F3000");
    EXPECT_NE(std::find(out.lines().begin(), out.lines().end(), "G01 X356.0000 F6000"), out.lines().end());
    // A matching row with spacing 0 takes the last row's spacing.
    params.gPfjjTable[1].Spacing = 0;
    ctx.sys().gTestRadius = 50;
    out.clear();
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::NegativeArc, out));
    EXPECT_NE(std::find(out.lines().begin(), out.lines().end(), "G01 X204.0000 F6000"), out.lines().end());
    EXPECT_EQ(std::find(out.lines().begin(), out.lines().end(), "G01 X202.0000 F6000"), out.lines().end());
    // No usable spacing at all: refused with a message, nothing started.
    params.gPfjjTable[3].Spacing = 0;
    Command4_Click(ctx, 1);
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "拍弧间距为0，无法生成测试程序！");
    EXPECT_FALSE(Moving());
    params.gPfjjTable[3].Spacing = 4;
    ctx.sys().gTestRadius = 100;

    // The positive test runs, asks, and corrects the positive space angle.
    RunTest_(1, 0);
    EXPECT_EQ(ctx.run.mDebugMode, 5);
    EXPECT_EQ(ctx.panel.Label7, "请对比加工结果，输入弯弧力度调整值：");
    ctx.panel.Text14 = "-1.5";
    Command5_Click(ctx, 0);
    EXPECT_DOUBLE_EQ(ctx.sys().gSpaceAngleP, 28.5);
    EXPECT_EQ(ctx.run.mDebugMode, 0);

    // The negative one keeps mode 7; cancel leaves the angle alone.
    RunTest_(1, 1);
    EXPECT_EQ(ctx.run.mDebugMode, 7);
    ctx.panel.Text14 = "2";
    Command5_Click(ctx, 1);
    EXPECT_DOUBLE_EQ(ctx.sys().gSpaceAngleN, 30);
    RunTest_(1, 1);
    ctx.panel.Text14 = "2";
    Command5_Click(ctx, 0);
    EXPECT_DOUBLE_EQ(ctx.sys().gSpaceAngleN, 32);
}

TEST_P(TestProgramsTest, SlotTestsAndPreambleVariants) {
    ProgramLines out;
    ASSERT_TRUE(WriteTestProgram(ctx, TestProgram::BackSlot, out));
    auto want = Preamble(false);
    Append(want, Block(180, 1));
    want.push_back("G01 A0 F6000");
    EXPECT_EQ(out.lines(), want);

    RunTest_(2, 0);
    EXPECT_EQ(op.LastText(), "动作完成，请检查开槽深度并调整！");
    EXPECT_EQ(ctx.run.mDebugMode, 0);

    // Cylinder cutter not back: drawn back first, waiting on its sensor...
    auto& s = ctx.sys();
    s.gCutterUpDownMode = 0;
    SetInput(17, 1);
    out.clear();
    WriteTestProgram(ctx, TestProgram::FrontSlot, out);
    EXPECT_EQ(std::vector<std::string>(out.lines().begin(), out.lines().begin() + 5),
              (std::vector<std::string>{"M14", "M00", "M15", "M42", "M30"}));
    // ... or on a delay.
    s.gPositionDetectMode = 1;
    s.gPositionDetectDelay = 300;
    out.clear();
    WriteTestProgram(ctx, TestProgram::FrontSlot, out);
    EXPECT_EQ(out.lines()[1], "G04 P300");

    // Test mode: only the bender's pre-move and the positions.
    s.gRunMode = 1;
    out.clear();
    WriteTestProgram(ctx, TestProgram::FeedLength, out);
    EXPECT_EQ(std::vector<std::string>(out.lines().begin(), out.lines().begin() + 4),
              (std::vector<std::string>{"G91 Y45.0000 F3000", "G90", "G90 G01", "G92 X0"}));
    EXPECT_EQ(out.lines().back(), "M30");
}

// The measurement corrects the equivalent that governed the test's feed: on
// a machine with a feed encoder whose correction is off, the motor's pulse
// equivalent (the encoder's stays right); with it on, the encoder's; with it
// ticked but no encoder port, the motor's again.
TEST_P(TestProgramsTest, FeedLengthCorrectsTheEquivalentThatGovernedTheFeed) {
    auto& s = ctx.sys();
    const auto m34 = [&] {
        const auto lines = LinesOf(home.Read("G5.dat"));
        return std::count(lines.begin(), lines.end(), "M34");
    };
    s.gXEncoderPort = 1;
    ctx.panel.Check3 = 0;
    RunTest_(0, 0);
    EXPECT_EQ(m34(), 0);
    ctx.panel.Text14 = "989.99";
    op.messages.clear();
    Command5_Click(ctx, 0);
    const double pe = 100.0 * 1000 / 989.99;
    EXPECT_DOUBLE_EQ(ctx.axis(1).PulseEquivalent, pe);
    EXPECT_EQ(s.gEncoderEquiv, 100);
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0].text, "调整完成，送料轴电机新当量：" + Str(pe));
    EXPECT_FALSE(ctx.panel.TshFrameVisible);

    ctx.panel.Check3 = 1;
    RunTest_(0, 0);
    EXPECT_EQ(m34(), 2);
    params.gLanguage = 1;
    ctx.panel.Text14 = "1010";
    op.messages.clear();
    Command5_Click(ctx, 0);
    EXPECT_DOUBLE_EQ(s.gEncoderEquiv, 100.0 * 1000 / 1010);
    EXPECT_DOUBLE_EQ(ctx.axis(1).PulseEquivalent, pe);
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0].text, "Adjust Finished, Encoder New value:" + Str(100.0 * 1000 / 1010));

    // Ticked, the port below 1: no correction line, so the motor's.
    s.gXEncoderPort = 0;
    s.gEncoderEquiv = 100;
    RunTest_(0, 0);
    EXPECT_EQ(m34(), 0);
    ctx.panel.Text14 = "995";
    op.messages.clear();
    Command5_Click(ctx, 0);
    EXPECT_DOUBLE_EQ(ctx.axis(1).PulseEquivalent, pe * 1000 / 995);
    EXPECT_EQ(s.gEncoderEquiv, 100);
    EXPECT_EQ(op.messages[0].text, "Adjust Finished, Axis New value:" + Str(pe * 1000 / 995));
}

// A test whose feed would go behind where it began, or beyond what the
// machine can do, and one whose seek zero would compensate beyond it, is
// refused before anything is written or moved, with one message naming the
// value and where to change it; the values at the bounds start.
TEST_P(TestProgramsTest, TestsFeedingBackwardsOrBeyondTheMachineStartNothing) {
    auto& s = ctx.sys();
    ASSERT_FALSE(home.Exists("G5.dat"));
    const auto refused = [&](int16_t open, int16_t button, const std::string& text) {
        op.messages.clear();
        Command4_Click(ctx, open);
        Command5_Click(ctx, button);
        EXPECT_EQ(ctx.run.gTestRunning, 0) << text;
        ASSERT_EQ(op.messages.size(), 1u) << text;
        EXPECT_EQ(op.LastText(), text);
        EXPECT_FALSE(home.Exists("G5.dat")) << text;
        Tick(3);
        EXPECT_FALSE(Moving()) << text;
        EXPECT_EQ(ctx.run.gHomeState, 0) << text;
        for (int n = 1; n <= 4; ++n) EXPECT_EQ(Cmd(n), 0) << text << n;
    };
    const auto starts = [&](int16_t open, int16_t button) {
        op.messages.clear();
        Command4_Click(ctx, open);
        Command5_Click(ctx, button);
        EXPECT_EQ(ctx.run.gTestRunning, kTrue);
        EXPECT_TRUE(op.messages.empty()) << op.LastText();
        DialogStop(ctx);
        Tick(40);
        std::filesystem::remove(home / "G5.dat");
        for (int n = 1; n <= 4; ++n) SetCounters(n, 0);
    };
    s.gTestLength = -300;
    refused(0, 0, "“长度测试加工长度”（-300）会使送料后退，没有移动，请在工艺参数设置中修改！");
    s.gTestLength = -0.5;
    refused(0, 0, "“长度测试加工长度”（-.5）会使送料后退，没有移动，请在工艺参数设置中修改！");
    s.gTestLength = 100000.5;
    refused(0, 0, "“长度测试加工长度”（100000.5）超出机床的范围，没有移动，请在工艺参数设置中修改！");
    s.gTestLength = 0;
    starts(0, 0);
    s.gTestLength = 100000;
    starts(0, 0);
    s.gTestLength = 1000;

    params.gLanguage = 1;
    s.gTestRadius = -50;
    refused(1, 0, "The \"Radius for Test\" (-50) would feed the strip backwards; nothing moved, please change it "
                  "in the Technological Parameter Setup!");
    // The radius's half turn is what is fed: R pi beyond 100000 mm.
    s.gTestRadius = 31831;
    refused(1, 1, "The \"Radius for Test\" (31831) is beyond what the machine can do; nothing moved, please "
                  "change it in the Technological Parameter Setup!");
    s.gTestRadius = 31830;
    starts(1, 1);
    s.gTestRadius = 100;

    // The swing's seek zero of the slot test's preamble, the cutter's of the
    // feed test's.
    ctx.axis(4).ZeroCompDistance = -1e9;
    refused(2, 0, "The Zero Compensate Distance of axis 4 (-1000000000) is beyond what the machine can do; nothing "
                  "moved, please change it in the Axis Setup!");
    ctx.axis(4).ZeroCompDistance = 2;
    params.gLanguage = 0;
    ctx.axis(3).ZeroCompDistance = std::nan("");
    op.messages.clear();
    Command4_Click(ctx, 0);
    Command5_Click(ctx, 0);
    EXPECT_EQ(ctx.run.gTestRunning, 0);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText().rfind("轴3的回零摆正距离（", 0), 0u) << op.LastText();
    EXPECT_FALSE(home.Exists("G5.dat"));
}

VELBEND_ON_BOTH_CARDS(TestProgramsTest);

}  // namespace
}  // namespace velbend::testing

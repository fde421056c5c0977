// The operator dialog's model: loading and its enabling rules, the field
// rules with "Lock Total Depth", Save, Return, Stop, the encoder-count
// display, the calibration panel, the feed jog, the pressing toggle, the
// busy matrix and the second build's two options.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "gy1_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/program_start.h"
#include "velbend/machine/run_state.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

class GY1FormTest : public testing::GY1Test {
protected:
    // The table as SYS_0.ini holds it now.
    SysPara Stored() {
        ParamStore st;
        RecordingOperator quiet;
        EXPECT_TRUE(LoadSysPara(st, 0, quiet));
        return st.gSysParaTable;
    }
    // Starts a program of the given lines with gSlotRunning.
    void StartLines(std::initializer_list<const char*> lines) {
        ProgramLines p;
        for (const char* l : lines) p << l;
        ASSERT_TRUE(StartProgram(program.ctx, p, RunFlag::SlotRunning, Starter::Operator));
    }
};

TEST_F(GY1FormTest, LoadingFollowsTheMachine) {
    struct Case {
        int16_t kindA, upDown, encoderPort, bendMechs;
        bool frame3, text15, text110, setTool, encoder, frame2;
    };
    const Case cases[] = {
        {1, 1, 1, 1, true, true, true, true, true, true},
        {0, 1, 1, 1, false, true, true, false, true, true},
        {2, 1, 1, 1, true, true, true, true, true, true},
        {1, 0, 1, 1, true, false, false, false, true, true},
        {1, 1, 0, 0, true, true, true, true, false, false},
        {1, 1, -1, 2, true, true, true, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.kindA << c.upDown << c.encoderPort << c.bendMechs);
        sys().gAxisKindA = c.kindA;
        sys().gCutterUpDownMode = c.upDown;
        sys().gXEncoderPort = c.encoderPort;
        sys().gBendMechanisms = c.bendMechs;
        GY1_Model m = Open();
        EXPECT_EQ(m.C("Frame3").Visible, c.frame3);
        EXPECT_EQ(m.C("Frame4").Visible, !c.frame3);
        EXPECT_EQ(m.C("Text1(5)").Enabled, c.text15);
        EXPECT_EQ(m.C("Text1(6)").Enabled, c.text15);
        EXPECT_EQ(m.C("Text1(10)").Enabled, c.text110);
        EXPECT_EQ(m.C("Check3").Enabled, c.text110);
        EXPECT_EQ(m.C("Command1(3)").Enabled, c.setTool);
        EXPECT_EQ(m.C("Command1(1)").Enabled, c.encoder);
        EXPECT_EQ(m.C("Text1(1)").Enabled, c.encoder);
        EXPECT_EQ(m.C("Frame2").Enabled, c.frame2);
        EXPECT_FALSE(m.C("Frame5").Visible);
        EXPECT_FALSE(m.C("Frame6").Visible);
        EXPECT_FALSE(m.C("Text5(4)").Enabled);
        EXPECT_FALSE(m.C("Text1(7)").Visible);
        EXPECT_FALSE(m.C("Text1(8)").Visible);
    }
}

TEST_F(GY1FormTest, LoadingFillsTheBoxesAndCaptions) {
    program.ctx.panel.Text7 = "150";
    GY1_Model m = Open();
    const std::pair<const char*, const char*> boxes[] = {
        {"Text1(0)", " 100"}, {"Text1(1)", " 50"}, {"Text1(2)", "150"}, {"Text1(3)", " 10"},
        {"Text1(4)", " 12"},  {"Text1(5)", " 5"},  {"Text1(6)", " 6"},  {"Text1(7)", " .5"},
        {"Text1(8)", " 1.5"}, {"Text1(9)", " 3"},  {"Text1(10)", " 5"}, {"Text5(0)", " 2"},
        {"Text5(1)", " 3"},   {"Text5(2)", " 4"},  {"Text5(3)", " 8"},  {"Text5(4)", "-2"},
        {"Text5(5)", " 2"},   {"Text6(5)", "90"},  {"Text2(0)", "20"},  {"Text2(1)", "1"},
        {"Form", "工艺参数设置-铝边"}, {"Label1(14)", "下刀行程：                         mm"},
        {"Text8", " 进刀轴对刀"}, {"Text7", " 送料轴脉冲当量校准"}, {"Label0(0)", "pulse/mm"},
    };
    for (auto [name, text] : boxes) EXPECT_EQ(m.C(name).Text, text) << name;
    EXPECT_EQ(m.C("Check3").Value, 1);
    EXPECT_EQ(m.C("Check1").Value, 0);

    program.params.gLanguage = 1;
    m.XianShiCE();
    EXPECT_EQ(m.C("Form").Text, "Technological Parameter Setup-铝边");
    EXPECT_EQ(m.C("Command7(7)").Text, "Return Material");
    EXPECT_EQ(m.C("Label0(0)").Text, "pulse/mm");
    EXPECT_THROW(m.C("Check4"), std::out_of_range);  // first build: no options
}

// With n cuts the first n strokes can be edited; a new number of cuts
// takes effect at the next opening.  A forward axis without zero
// compensation shows " 0".
TEST_F(GY1FormTest, StrokesEnabledByTheNumberOfCuts) {
    program.ctx.axis(4).ZeroCompDistance = 0;
    for (int16_t cuts : {0, 1, 2, 3}) {
        sys().gCutTimes = cuts;
        GY1_Model m = Open();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(m.C("Text5", i).Enabled, i + 1 <= cuts) << cuts << " " << i;
        EXPECT_EQ(m.C("Text5(4)").Text, " 0");
    }
    sys().gCutTimes = 2;
    GY1_Model m = Open();
    m.SetText("Text5(5)", "3");
    EXPECT_EQ(m.mCutTimes, 3);
    EXPECT_FALSE(m.C("Text5(2)").Enabled);
    m.Command2_Click(0);
    EXPECT_TRUE(Open().C("Text5(2)").Enabled);
}

TEST_F(GY1FormTest, LockTotalDepth) {
    program.ctx.axis(3).ZeroCompDistance = 20;
    sys().gDownDistFront = 5;
    {
        GY1_Model m = Open();
        m.SetText("Text1(10)", "7");
        EXPECT_EQ(m.mDownDistFront, 7);
        EXPECT_EQ(m.mDownDistBack, 7);
        EXPECT_EQ(m.mToolPosZ, 18);
        m.Command2_Click(0);
        EXPECT_EQ(op.LastText(), "参数保存成功！");
        const SysPara s = Stored();
        EXPECT_EQ(s.gDownDistFront, 7);
        EXPECT_EQ(s.gDownDistBack, 7);
        EXPECT_EQ(s.gAxisPara[3].ZeroCompDistance, 18);
    }
    {
        // Unticked: the tool-setting position stays where it is stored.
        GY1_Model m = Open();
        m.SetValue("Check3", 0);
        m.SetText("Text1(10)", "9");
        EXPECT_EQ(m.mToolPosZ, 18);
        m.Command2_Click(0);
        EXPECT_EQ(Stored().gDownDistFront, 9);
        EXPECT_EQ(Stored().gAxisPara[3].ZeroCompDistance, 18);
    }
    {
        // Ticked after typing: Save recalculates from the stored values.
        GY1_Model m = Open();
        m.SetValue("Check3", 0);
        m.SetText("Text1(10)", "4");
        m.SetValue("Check3", 1);
        m.Command2_Click(0);
        EXPECT_EQ(Stored().gAxisPara[3].ZeroCompDistance, 23);
    }
}

// The swing layout has its own front and back boxes: a Save keeps the
// stored back distance unless its box was edited.
TEST_F(GY1FormTest, SwingLayoutKeepsTheBackDistance) {
    sys().gAxisKindA = 0;
    program.ctx.axis(3).ZeroCompDistance = 20;
    GY1_Model m = Open();
    EXPECT_EQ(m.mDownDistBack, 6);
    m.SetText("Text1(10)", "11");  // hidden box: no effect
    EXPECT_EQ(m.mDownDistFront, 5);
    m.Command2_Click(0);
    SysPara s = Stored();
    EXPECT_EQ(s.gDownDistFront, 5);
    EXPECT_EQ(s.gDownDistBack, 6);
    EXPECT_EQ(s.gAxisPara[3].ZeroCompDistance, 20);
    m.SetText("Text1(6)", "9");
    m.SetText("Text1(5)", "4");
    m.Command2_Click(0);
    s = Stored();
    EXPECT_EQ(s.gDownDistFront, 4);
    EXPECT_EQ(s.gDownDistBack, 9);
    EXPECT_EQ(s.gAxisPara[3].ZeroCompDistance, 20);
}

// Every box goes to its parameter; the file is what SaveSysPara writes for
// that table, byte for byte.
TEST_F(GY1FormTest, SaveWritesTheWorkingCopy) {
    GY1_Model m = Open();
    const std::pair<const char*, const char*> typed[] = {
        {"Text1(0)", "123.5abc"}, {"Text1(1)", "80"}, {"Text1(2)", "250"}, {"Text1(3)", "abc"},
        {"Text1(4)", "-3.25"},    {"Text1(9)", "2.5"}, {"Text1(10)", "6"}, {"Text5(0)", "1.5"},
        {"Text5(1)", "2.5"},      {"Text5(2)", "3.5"}, {"Text5(3)", "12"}, {"Text5(5)", "3.5"},
        {"Text5(4)", "99"},
    };
    for (auto [name, text] : typed) m.SetText(name, text);
    m.SetValue("Check1", 1);
    m.Command2_Click(0);
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "参数保存成功！");

    {
        // The file read back.
        const SysPara s = Stored();
        EXPECT_EQ(s.gAxisPara[1].PulseEquivalent, 123.5);
        EXPECT_EQ(s.gEncoderEquiv, 80);
        EXPECT_EQ(s.gSpaceAngleP, 0);
        EXPECT_EQ(s.gSpaceAngleN, -3.25);
        EXPECT_EQ(s.gSplicePause, 2);  // half to even
        EXPECT_EQ(s.gDownDistFront, 6);
        EXPECT_EQ(s.gDownDistBack, 6);
        EXPECT_EQ(s.gAxisPara[3].ZeroCompDistance, 1);  // 2 + 5 - 6
        EXPECT_EQ(s.gAxisPara[4].ZeroCompDistance, 2);  // display only
        EXPECT_EQ(s.gCutStrokes, (std::array<double, 3>{1.5, 2.5, 3.5}));
        EXPECT_EQ(s.gCutOffStroke, 12);
        EXPECT_EQ(s.gCutTimes, 4);  // half to even
        EXPECT_EQ(s.gSeekZeroBeforeForward, 1);
        EXPECT_EQ(s.gArcCompP, 1.5);
        EXPECT_EQ(s.gArcCompN, .5);
    }
    EXPECT_EQ(program.ctx.panel.Text7, "250");
    // Byte for byte what the parameter store writes for the table in memory.
    const std::string saved = home.Read("SysPara/SYS_0.ini");
    ASSERT_TRUE(SaveSysPara(program.params, 0, 1, op, {}));
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), saved);

    // Reopened: the box shows the ticked option; loading changed nothing.
    GY1_Model again = Open();
    EXPECT_EQ(again.C("Check1").Value, 1);
    EXPECT_EQ(again.mSeekZeroBeforeForward, 1);
    EXPECT_EQ(again.mSkipCheckClick, 0);
}

// 16-bit boxes: a value that does not fit is refused at Save with a
// message; nothing is saved until it is mended.
TEST_F(GY1FormTest, SixteenBitBoxesRefuseWhatDoesNotFit) {
    struct Case {
        const char* box;
        const char* text;
        bool fits;
    };
    const Case cases[] = {{"Text1(9)", "32767", true},   {"Text1(9)", "32768", false},
                          {"Text1(9)", "-32768", true},  {"Text1(9)", "-32769", false},
                          {"Text5(5)", "32767.4", true}, {"Text5(5)", "32767.5", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.box << " " << c.text);
        std::filesystem::remove(home / "SysPara/SYS_0.ini");
        op.messages.clear();
        GY1_Model m = Open();
        m.SetText("Text1(3)", "44");
        m.SetText(c.box, c.text);
        m.Command2_Click(0);
        ASSERT_EQ(op.messages.size(), 1u);
        if (c.fits) {
            EXPECT_EQ(op.LastText(), "参数保存成功！");
            EXPECT_EQ(sys().gSpaceAngleP, 44);
        } else {
            EXPECT_EQ(op.LastText(), std::string("数值超出范围：") + c.text);
            EXPECT_EQ(sys().gSpaceAngleP, 10);
            EXPECT_FALSE(home.Exists("SysPara/SYS_0.ini"));
            EXPECT_EQ(m.C(c.box).Text, c.text);
            m.SetText(c.box, "7");
            m.Command2_Click(0);
            EXPECT_EQ(op.LastText(), "参数保存成功！");
            EXPECT_EQ(sys().gSpaceAngleP, 44);
        }
        sys().gSpaceAngleP = 10;
    }
}

TEST_F(GY1FormTest, ReturnAndAFailedSaveLeaveTheTable) {
    const SysPara before = sys();
    GY1_Model m = Open();
    m.SetText("Text1(0)", "77");
    m.SetText("Text1(2)", "300");
    EXPECT_TRUE(m.Command2_Click(1));
    EXPECT_EQ(sys().gAxisPara[1].PulseEquivalent, 100);
    EXPECT_EQ(program.ctx.panel.Text7, "100");
    EXPECT_FALSE(home.Exists("SysPara/SYS_0.ini"));
    EXPECT_TRUE(op.messages.empty());

    // The parameter folder cannot take the file: the table stays as stored.
    std::filesystem::remove_all(home / "SysPara");
    home.Write("SysPara", "not a folder");
    EXPECT_FALSE(m.Command2_Click(0));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText(), "参数保存成功！");
    EXPECT_EQ(sys().gAxisPara[1].PulseEquivalent, before.gAxisPara[1].PulseEquivalent);
    EXPECT_EQ(program.ctx.panel.Text7, "100");
    EXPECT_EQ(m.C("Text1(0)").Text, "77");
}

TEST_F(GY1FormTest, StopEndsEverything) {
    GY1_Model m = Open();
    StartLines({"G90 G01", "G01 X500 F600"});
    Tick(3);
    ASSERT_TRUE(Moving(1));
    for (int k = 0; k <= 7; ++k) program.ctx.card.write_bit(0, k, 1);
    run().gTestRunning = kTrue;
    run().gRunning = kTrue;
    run().gPendingComp = 20;
    run().gCompWaitTicks = 3;
    EXPECT_FALSE(m.Command2_Click(2));
    EXPECT_EQ(sim.Outputs() & 0xFF, 0u);
    EXPECT_FALSE(Busy());
    EXPECT_EQ(run().gPendingComp, 0);
    EXPECT_EQ(run().gCompWaitTicks, 0);
    const int32_t at = Pos(1);
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
    EXPECT_LT(Pos(1), 50000);
    EXPECT_GE(Pos(1), at);
    // Nothing moving: still outputs off and flags cleared.
    program.ctx.card.write_bit(0, 5, 1);
    run().gHomeState = 3;
    m.Command2_Click(2);
    EXPECT_EQ(sim.Outputs() & 0xFF, 0u);
    EXPECT_EQ(run().gHomeState, 0);
}

TEST_F(GY1FormTest, EncoderCountDisplayWithLockClearAndMemory) {
    {
        GY1_Model m = Open();
        run().gEncoderCount = 1234;
        m.Timer1_Timer();
        EXPECT_EQ(m.C("Text6(4)").Text, "1234");
        m.SetValue("Check2", 1);
        run().gEncoderCount = 1300;
        m.Timer1_Timer();
        EXPECT_EQ(m.C("Text6(4)").Text, "1234");
        m.SetValue("Check2", 0);
        m.Timer1_Timer();
        EXPECT_EQ(m.C("Text6(4)").Text, "1300");
        m.Command7_Click(8);
        m.Timer1_Timer();
        EXPECT_EQ(m.C("Text6(4)").Text, "0");
    }
    // The offset outlives the dialog.
    GY1_Model again = Open();
    run().gEncoderCount = 1250;
    again.Timer1_Timer();
    EXPECT_EQ(again.C("Text6(4)").Text, "-50");
    // The lowest count clears without overflow.
    run().gEncoderCount = INT32_MIN;
    again.Command7_Click(8);
    again.Timer1_Timer();
    EXPECT_EQ(again.C("Text6(4)").Text, "0");
}

TEST_F(GY1FormTest, CalibrationPanel) {
    GY1_Model m = Open();
    m.SetText("Text1(0)", "200");
    m.Command1_Click(0);
    EXPECT_TRUE(m.C("Frame6").Visible);
    EXPECT_EQ(m.C("Text7").Text, " 送料轴脉冲当量校准");
    EXPECT_TRUE(m.FeedPanel());
    EXPECT_EQ(m.C("Text6(0)").Text, "200");
    for (const char* n : {"Text6(4)", "Label6(4)", "Command7(8)", "Check2"}) EXPECT_FALSE(m.C(n).Visible) << n;

    // Calculate: nothing without an actual length.
    m.SetText("Text6(2)", "1000");
    for (const char* actual : {"", "0", "abc"}) {
        m.SetText("Text6(3)", actual);
        m.Command7_Click(2);
        EXPECT_EQ(m.C("Text6(1)").Text, "") << actual;
    }
    // The box's unsaved 200 is not what a Move runs on: the stored 100 is
    // scaled.
    m.SetText("Text6(3)", "998");
    m.Command7_Click(2);
    EXPECT_EQ(m.C("Text6(1)").Text, " 100.200400801603");
    m.Command7_Click(3);
    EXPECT_EQ(m.C("Text1(0)").Text, " 100.200400801603");
    EXPECT_EQ(m.C("Text6(0)").Text, " 100.200400801603");
    EXPECT_DOUBLE_EQ(m.mFeedEquiv, 100.200400801603);
    EXPECT_EQ(sys().gAxisPara[1].PulseEquivalent, 100);  // not saved yet
    m.Command7_Click(5);
    EXPECT_FALSE(m.C("Frame6").Visible);

    // The encoder panel (English), reset without a calculated value: the old
    // equivalent is kept (a Save would otherwise store 0).
    program.params.gLanguage = 1;
    m.Command1_Click(1);
    EXPECT_EQ(m.C("Text7").Text, " Encoder Pulse Equivalent Adjust");
    EXPECT_FALSE(m.FeedPanel());
    EXPECT_EQ(m.C("Text6(0)").Text, " 50");
    EXPECT_EQ(m.C("Text6(1)").Text, "");
    for (const char* n : {"Text6(4)", "Label6(4)", "Command7(8)", "Check2"}) EXPECT_TRUE(m.C(n).Visible) << n;
    op.messages.clear();
    m.Command7_Click(3);
    EXPECT_EQ(op.LastText(), "Invalid New Pulse Equivalent, the old one is kept!");
    EXPECT_EQ(m.C("Text1(1)").Text, " 50");
    EXPECT_EQ(m.mEncoderEquiv, 50);
    EXPECT_DOUBLE_EQ(m.mFeedEquiv, 100.200400801603);
    m.C("Text7").Text = " Feeding Axis Pulse Equivalent Adjust";
    EXPECT_TRUE(m.FeedPanel());
}

TEST_F(GY1FormTest, MeasuringMoveOfTheFeedPanel) {
    program.ctx.card.set_command_pos(0, 1, 777);
    program.ctx.card.write_bit(0, 3, 1);
    GY1_Model m = Open();
    m.Command1_Click(0);
    m.SetText("Text6(2)", "50");
    m.Command7_Click(4);
    EXPECT_EQ(sim.Outputs() & 0x8, 0u);  // pressing off
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 2000));
    EXPECT_EQ(Pos(1), 5000);
    EXPECT_EQ(run().gPendingComp, 0);
    EXPECT_FALSE(Busy());
}

// The encoder panel's move feeds on until the encoder has measured the
// instructed length, the strip slipping by 10 %.
TEST_F(GY1FormTest, MeasuringMoveOfTheEncoderPanelCorrectsTheFeed) {
    sys().gEncoderEquiv = 100;
    sim.SetSlip(0.1);
    GY1_Model m = Open();
    m.Command1_Click(1);
    m.SetText("Text6(2)", "50");
    m.Command7_Click(4);
    EXPECT_EQ(run().gPendingComp, 50);
    EXPECT_EQ(run().gCompWaitTicks, 5);
    ASSERT_TRUE(TickUntil([&] { return run().gPendingComp == 0 && !Moving(1); }, 5000));
    int32_t act = 0;
    program.ctx.card.get_actual_pos(0, 1, &act);
    EXPECT_NEAR(act / 100.0, 50, 0.05);
    EXPECT_GT(Pos(1), 5000);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_F(GY1FormTest, MeasuringMoveRefusals) {
    GY1_Model m = Open();
    // An equivalent of 0 is refused with a message, nothing moves.
    sys().gEncoderEquiv = 0;
    m.Command1_Click(1);
    m.SetText("Text6(2)", "50");
    m.Command7_Click(4);
    EXPECT_EQ(op.LastText(), "送料轴脉冲当量或编码器当量为0，无法进行送料修正！");
    EXPECT_EQ(run().gPendingComp, 0);
    EXPECT_FALSE(Moving(1));
    // The feed panel needs no encoder equivalent.
    m.Command1_Click(0);
    m.SetText("Text6(2)", "50");
    m.Command7_Click(4);
    EXPECT_TRUE(Moving(1));
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 2000));
    op.messages.clear();
    program.ctx.axis(1).PulseEquivalent = 0;
    m.Command7_Click(4);
    EXPECT_EQ(op.LastText(), "送料轴脉冲当量为0，无法移动！");
    EXPECT_FALSE(Moving(1));
    // Busy: nothing at all.
    program.ctx.axis(1).PulseEquivalent = 100;
    op.messages.clear();
    run().gTestRunning = kTrue;
    m.Command7_Click(4);
    EXPECT_FALSE(Moving(1));
    EXPECT_TRUE(op.messages.empty());
    run().gTestRunning = 0;

    // Either panel's Move runs at the manual speed, and the encoder panel's
    // correction after it at the automatic speed: one below a pulse a second
    // refuses the Move before anything moves (1 mm/min is half a pulse on
    // 30 pulses a mm, none; one on 60).
    sys().gEncoderEquiv = 100;
    struct Speeds {
        int panel;
        int16_t manual;
        int32_t automatic;
        double pe;
        const char* said;  // nullptr: it moves
    };
    const Speeds speeds[] = {
        {0, 0, 6000, 100, "轴1的手动速度必须大于0，请检查轴参数！"},
        {1, 0, 6000, 100, "轴1的手动速度必须大于0，请检查轴参数！"},
        {0, -600, 6000, 100, "轴1的手动速度必须大于0，请检查轴参数！"},
        {0, 1, 6000, 30, "轴1的手动速度必须大于0，请检查轴参数！"},
        {1, 1, 6000, 30, "轴1的手动速度必须大于0，请检查轴参数！"},
        {0, 1, 6000, 60, nullptr},
        {1, 1, 6000, 60, nullptr},
        {1, 600, 0, 100, "轴1的自动速度0不足每秒一个脉冲，请检查轴参数！"},
        {1, 600, 1, 30, "轴1的自动速度1不足每秒一个脉冲，请检查轴参数！"},
        {1, 600, 1, 60, nullptr},
        {0, 600, 0, 100, nullptr},  // the feed panel makes no correction
    };
    for (const Speeds& c : speeds) {
        SCOPED_TRACE(c.said ? c.said : "moves");
        SCOPED_TRACE(c.panel);
        SCOPED_TRACE(c.pe);
        auto& ax = program.ctx.axis(1);
        ax.ManualFeedrate = c.manual;
        ax.AutoFeedrate = c.automatic;
        ax.PulseEquivalent = c.pe;
        program.ctx.card.set_command_pos(0, 1, 0);
        m.Command1_Click(c.panel);
        m.SetText("Text6(2)", "5");
        op.messages.clear();
        m.Command7_Click(4);
        if (c.said) {
            EXPECT_EQ(op.LastText(), c.said);
            EXPECT_EQ(op.messages.size(), 1u);
            EXPECT_FALSE(Moving(1));
            EXPECT_EQ(run().gPendingComp, 0);
            EXPECT_FALSE(Busy());
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
            EXPECT_TRUE(Moving(1));
        }
        DialogStop(program.ctx);
        ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 2000));
    }
}

// A round's Calculate scales the equivalent its own Move ran on (the stored
// one, recorded at the Move), not the old-equivalent box that Reset sets to
// the unsaved result: a second round before Save checks the first instead
// of compounding it, and after Save the Move runs on the new value.
TEST_F(GY1FormTest, CalibrationRoundsScaleTheEquivalentTheirMoveRanOn) {
    GY1_Model m = Open();
    const auto round = [&](const char* actual) {
        m.SetText("Text6(2)", "50");
        m.Command7_Click(4);
        EXPECT_TRUE(TickUntil([&] { return run().gPendingComp == 0 && !Moving(1); }, 5000));
        m.SetText("Text6(3)", actual);
        m.Command7_Click(2);
        return m.C("Text6(1)").Text;
    };
    m.Command1_Click(0);
    const std::string first = Str(50 * 100.0 / 49.8);
    EXPECT_EQ(round("49.8"), first);
    EXPECT_EQ(Pos(1), 5000);
    m.Command7_Click(3);
    EXPECT_EQ(m.C("Text6(0)").Text, first);
    // The second Move still fed on the stored 100: the same strip, the same result.
    EXPECT_EQ(round("49.8"), first);
    EXPECT_EQ(Pos(1), 5000);
    m.Command7_Click(3);
    m.Command2_Click(0);
    ASSERT_DOUBLE_EQ(sys().gAxisPara[1].PulseEquivalent, Val(first));
    // Saved: the Move runs on the new value, and a right strip confirms it.
    EXPECT_EQ(round("50"), first);
    EXPECT_EQ(Pos(1), static_cast<int32_t>(std::lround(50 * Val(first))));

    // Recorded at the Move: an equivalent saved between Move and Calculate
    // does not count, nor does a refused Move.
    m.SetText("Text6(2)", "50");
    m.Command7_Click(4);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 5000));
    sys().gAxisPara[1].PulseEquivalent = 200;
    m.SetText("Text6(2)", "1e9");
    m.Command7_Click(4);
    EXPECT_FALSE(Moving(1));
    m.SetText("Text6(2)", "50");
    m.SetText("Text6(3)", "50");
    m.Command7_Click(2);
    EXPECT_EQ(m.C("Text6(1)").Text, first);
    // Opened again, before any Move: the stored equivalent a Move would run on.
    m.Command1_Click(0);
    m.SetText("Text6(2)", "50");
    m.SetText("Text6(3)", "50");
    m.Command7_Click(2);
    EXPECT_EQ(m.C("Text6(1)").Text, " 200");

    // The encoder panel: its Move's length is the encoder's, on the stored
    // 100, whatever the encoder box says unsaved.
    sys().gAxisPara[1].PulseEquivalent = 100;
    sys().gEncoderEquiv = 100;
    m.SetText("Text1(1)", "80");
    m.Command1_Click(1);
    EXPECT_EQ(m.C("Text6(0)").Text, "80");
    const std::string encoder = Str(50 * 100.0 / 49.5);
    EXPECT_EQ(round("49.5"), encoder);
    m.Command7_Click(3);
    EXPECT_EQ(m.C("Text1(1)").Text, encoder);
    EXPECT_EQ(round("49.5"), encoder);
    EXPECT_EQ(sys().gEncoderEquiv, 100);
}

// A Move or a tool setting beyond what the machine can do is refused with a
// message naming the box, nothing moves; at the bound it starts.
TEST_F(GY1FormTest, MovesBeyondTheMachineAreRefusedAndNothingMoves) {
    GY1_Model m = Open();
    m.Command1_Click(0);
    m.SetText("Text6(2)", "100000.001");
    m.Command7_Click(4);
    EXPECT_EQ(op.LastText(), "指令距离（100000.001）超出机床的范围，没有移动，请在本对话框中修改！");
    EXPECT_FALSE(Moving(1));
    EXPECT_FALSE(Busy());
    op.messages.clear();
    m.SetText("Text6(2)", "-100000");
    m.Command7_Click(4);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_TRUE(Moving(1));
    m.Command2_Click(2);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 2000));

    program.params.gLanguage = 1;
    const int32_t z = Pos(3), a = Pos(4);
    m.SetText("Text2(0)", "1e9");
    m.Command4_Click(0);
    EXPECT_EQ(op.LastText(), "The Up-Down Position (1000000000) is beyond what the machine can do; nothing moved, "
                             "please change it in this dialog!");
    EXPECT_FALSE(Busy());
    m.SetText("Text2(0)", "20");
    m.SetText("Text2(1)", "-100000.5");
    m.Command4_Click(0);
    EXPECT_EQ(op.LastText(), "The Forward Position (-100000.5) is beyond what the machine can do; nothing moved, "
                             "please change it in this dialog!");
    EXPECT_FALSE(Busy());
    Tick(3);
    EXPECT_EQ(Pos(3), z);
    EXPECT_EQ(Pos(4), a);
    op.messages.clear();
    m.SetText("Text2(1)", "100000");
    m.Command4_Click(0);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(run().gTestRunning, kTrue);
    m.Command2_Click(2);
}

TEST_F(GY1FormTest, FeedJogWhileHeld) {
    GY1_Model m = Open();
    m.Command1_Click(0);
    m.Command7_MouseDown(6);
    Tick(5);
    EXPECT_TRUE(Moving(1));
    m.Command7_MouseUp(7);  // not the button that was pressed
    Tick();
    EXPECT_TRUE(Moving(1));
    m.Command7_MouseUp(6);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
    EXPECT_GT(Pos(1), 0);

    const int32_t from = Pos(1);
    m.Command7_MouseDown(7);
    Tick(5);
    m.Command7_MouseUp(7);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
    EXPECT_LT(Pos(1), from);
}

// A press refused while a program runs starts nothing, and its release
// leaves the program's feed alone.
TEST_F(GY1FormTest, JogRefusedWhileBusyAndItsReleaseStopsNothing) {
    GY1_Model m = Open();
    StartLines({"G90 G01", "G01 X100 F600"});
    Tick(3);
    ASSERT_TRUE(Moving(1));
    m.Command7_MouseDown(6);
    m.Command7_MouseUp(6);
    ASSERT_TRUE(TickUntil([&] { return !Busy() && !Moving(1); }, 2000));
    EXPECT_EQ(Pos(1), 10000);

    // A jog ended by Stop: the release that comes after a program has
    // started leaves that program's feed alone.
    m.Command7_MouseDown(6);
    Tick(3);
    ASSERT_TRUE(Moving(1));
    m.Command2_Click(2);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
    StartLines({"G90 G01", "G92 X0", "G01 X100 F600"});
    Tick(4);
    ASSERT_TRUE(Moving(1));
    m.Command7_MouseUp(6);
    ASSERT_TRUE(TickUntil([&] { return !Busy() && !Moving(1); }, 2000));
    EXPECT_EQ(Pos(1), 10000);

    // The same after the main window's Stop, the program started since
    // being another window's: its release stops nothing either.
    m.Command7_MouseDown(7);
    Tick(3);
    ASSERT_TRUE(Moving(1));
    Command_Stop_Click(program.ctx);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
    StartLines({"G90 G01", "G92 X0", "G01 X100 F600"});
    Tick(4);
    ASSERT_TRUE(Moving(1));
    m.Command7_MouseUp(7);
    m.ReleaseJogs();
    ASSERT_TRUE(TickUntil([&] { return !Busy() && !Moving(1); }, 2000));
    EXPECT_EQ(Pos(1), 10000);
}

// The pressing clamps the strip a program feeds: both toggles act only on
// an idle machine.
TEST_F(GY1FormTest, PressingTogglesOnlyOnAnIdleMachine) {
    GY1_Model m = Open();
    m.Command1_Click(4);
    EXPECT_EQ(sim.Outputs() & 0x8, 0x8u);
    m.Command7_Click(1);
    EXPECT_EQ(sim.Outputs() & 0x8, 0u);
    m.Command7_Click(1);
    run().gSlotRunning = kTrue;
    m.Command7_Click(1);
    EXPECT_EQ(sim.Outputs() & 0x8, 0x8u);
    m.Command1_Click(4);
    EXPECT_EQ(sim.Outputs() & 0x8, 0x8u);
    EXPECT_TRUE(op.messages.empty());
}

// While the machine is busy the program buttons and the pressing do
// nothing; the panels, Calculate, Reset and Clear still act.
TEST_F(GY1FormTest, BusyMatrix) {
    struct Busy {
        const char* name;
        void (*set)(RunState&);
    };
    const Busy states[] = {
        {"machining", [](RunState& r) { r.gRunning = kTrue; }},
        {"slot program", [](RunState& r) { r.gSlotRunning = kTrue; }},
        {"test program", [](RunState& r) { r.gTestRunning = kTrue; }},
        {"seek zero", [](RunState& r) { r.gHomeState = 4; }},
    };
    for (const Busy& b : states) {
        SCOPED_TRACE(b.name);
        run() = RunState{};
        b.set(run());
        GY1_Model m = Open();
        m.Command1_Click(2);
        m.Command3_Click(0);
        m.Command3_Click(1);
        m.Command4_Click(0);
        m.Command4_Click(1);
        m.Command4_Click(3);
        m.Command7_Click(0);
        m.Command1_Click(4);
        m.Command7_Click(1);
        EXPECT_FALSE(home.Exists("G5.dat"));
        EXPECT_EQ(run().gNcLineCount, 0);
        EXPECT_EQ(sim.Outputs() & 0x8, 0u);
        m.Command1_Click(3);
        EXPECT_TRUE(m.C("Frame5").Visible);
        m.Command4_Click(2);
        EXPECT_FALSE(m.C("Frame5").Visible);
        m.Command1_Click(0);
        EXPECT_TRUE(m.C("Frame6").Visible);
        m.SetText("Text6(2)", "10");
        m.SetText("Text6(3)", "20");
        m.Command7_Click(2);
        EXPECT_EQ(m.C("Text6(1)").Text, " 50");
        run().gEncoderCount = 9;
        m.Command7_Click(8);
        EXPECT_EQ(program.memory.mEncoderOffset, -9);
        EXPECT_TRUE(op.messages.empty());
    }
    // A threshold of the busy test: a flag holding 1 is not on.
    run() = RunState{};
    run().gSlotRunning = 1;
    Open().Command7_Click(0);
    EXPECT_TRUE(home.Exists("G5.dat"));
}

TEST_F(GY1FormTest, SecondBuildOptionsMirrorTheMainWindow) {
    program.ctx.secondBuild = true;
    auto& panel = program.ctx.panel;
    panel.Check2 = 1;
    panel.Check3 = 1;
    panel.Check3Enabled = true;
    {
        GY1_Model m = Open();
        EXPECT_EQ(m.C("Check5").Value, 1);
        EXPECT_EQ(m.C("Check4").Value, 1);
        EXPECT_TRUE(m.C("Check4").Enabled);
        EXPECT_EQ(m.C("Check4").Text, "打开编码器");
        EXPECT_EQ(m.C("Check5").Text, "加工前回零");
        m.SetValue("Check5", 0);
        EXPECT_EQ(panel.Check2, 0);
        m.SetValue("Check4", 0);
        EXPECT_EQ(panel.Check3, 0);
        m.SetValue("Check4", 1);
        EXPECT_EQ(panel.Check3, 1);
        EXPECT_TRUE(m.Command2_Click(1));  // Return keeps them
    }
    EXPECT_EQ(panel.Check2, 0);
    EXPECT_EQ(panel.Check3, 1);
    // No feed encoder: the main window has cleared and disabled its box.
    panel.Check3 = 0;
    panel.Check3Enabled = false;
    program.params.gLanguage = 1;
    GY1_Model m = Open();
    EXPECT_EQ(m.C("Check4").Value, 0);
    EXPECT_FALSE(m.C("Check4").Enabled);
    EXPECT_EQ(m.C("Check4").Text, "Encoder Enabled");
    EXPECT_EQ(m.C("Check5").Text, "Seek Before Work");
    EXPECT_EQ(panel.Check3, 0);
}

// Ticking "Seek Before Work" in the dialog makes the next run seek zero first.
TEST_F(GY1FormTest, SecondBuildSeekBeforeWorkReachesTheNextRun) {
    program.ctx.secondBuild = true;
    home.Write("CtrP.dat", "SPLINE 0.000000 3.0\r\n0.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
                           "10.000000 0.000000 1 0.000000 0.000000 0.000000\r\nSPLINE 0.000000 0.0\r\n");
    sim.SetInput(17, 0);
    sys().gAxisKindA = 0;
    sys().gBendMechanisms = 0;
    auto hasSeekZero = [&] {
        for (const auto& l : G5())
            if (l == "M42") return true;
        return false;
    };
    Command_Run_Click(program.ctx);
    ASSERT_EQ(run().gRunning, kTrue) << op.LastText();
    EXPECT_FALSE(hasSeekZero());
    run() = RunState{};

    GY1_Model m = Open();
    m.SetValue("Check5", 1);
    EXPECT_TRUE(m.Command2_Click(1));
    Command_Run_Click(program.ctx);
    ASSERT_EQ(run().gRunning, kTrue) << op.LastText();
    const auto lines = G5();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "G90 G01");
    EXPECT_EQ(lines[1], "G92 X0");
    EXPECT_TRUE(hasSeekZero());
}

}  // namespace
}  // namespace velbend

namespace velbend {
namespace {

// A card that answers from a table and logs the entries the dialog calls.
struct LogCard {
    static inline std::vector<std::string> log;
    static inline int32_t moving = 0;  // axis reporting 1 from get_status (0: none)
    static void Bind(Card& card) {
        log.clear();
        CardEntries e;
        e.get_status = [](int32_t, int32_t a, int32_t* o) {
            *o = a == moving ? 1 : 0;
            return 0;
        };
        e.dec_stop = [](int32_t, int32_t a) { return Log("dec_stop", a); };
        e.write_bit = [](int32_t, int32_t b, int32_t v) { return Log("write_bit", b, v); };
        e.set_command_pos = [](int32_t, int32_t a, int32_t v) { return Log("set_command_pos", a, v); };
        e.set_actual_pos = [](int32_t, int32_t a, int32_t v) { return Log("set_actual_pos", a, v); };
        e.set_speed = [](int32_t, int32_t a, int32_t v) { return Log("set_speed", a, v); };
        e.set_startv = [](int32_t, int32_t a, int32_t v) { return Log("set_startv", a, v); };
        e.set_acc = [](int32_t, int32_t a, int32_t v) { return Log("set_acc", a, v); };
        e.pmove = [](int32_t, int32_t a, int32_t v) { return Log("pmove", a, v); };
        e.read_fifo_empty = [](int32_t) { return 1; };
        card.Bind(e, "log card");
    }
    static int32_t Log(const char* what, int32_t a, int32_t b = INT32_MIN) {
        std::string s = std::string(what) + " " + std::to_string(a);
        if (b != INT32_MIN) s += " " + std::to_string(b);
        log.push_back(s);
        return 0;
    }
};

TEST(GY1CardCalls, StopMoveAndJog) {
    testing::TempHome home;
    RecordingOperator op;
    Program program(op);
    program.ctx.secondBuild = false;
    auto& ax = program.ctx.axis(1);
    ax.PulseEquivalent = 80;
    ax.ManualFeedrate = 900;
    ax.Acceleration = 2.5;
    program.ctx.sys().gEncoderEquiv = 40;
    LogCard::Bind(program.ctx.card);
    GY1_Model m(program);
    m.Form_Load();

    // Stop with nothing moving: no stop call, outputs 0..7 off.
    LogCard::moving = 0;
    LogCard::log.clear();
    m.Command2_Click(2);
    std::vector<std::string> outputsOff;
    for (int k = 0; k <= 7; ++k) outputsOff.push_back("write_bit " + std::to_string(k) + " 0");
    EXPECT_EQ(LogCard::log, outputsOff);
    // Axis 3 moving: it alone is decelerated.
    LogCard::moving = 3;
    LogCard::log.clear();
    m.Command2_Click(2);
    ASSERT_FALSE(LogCard::log.empty());
    EXPECT_EQ(LogCard::log.front(), "dec_stop 3");
    LogCard::moving = 0;

    // The measuring move: counters to 0, pressing off, 900 mm/min at 80
    // pulses/mm, 12.5 mm (1000 pulses).
    m.Command1_Click(0);
    m.SetText("Text6(2)", "12.5");
    LogCard::log.clear();
    m.Command7_Click(4);
    const std::vector<std::string> move = {"set_command_pos 1 0", "set_actual_pos 1 0", "write_bit 3 0",
                                           "set_speed 1 1200",    "set_startv 1 1000",  "set_acc 1 25000",
                                           "pmove 1 1000"};
    EXPECT_EQ(LogCard::log, move);

    // The return-material jog, and its release.
    LogCard::log.clear();
    m.Command7_MouseDown(7);
    m.Command7_MouseUp(7);
    const std::vector<std::string> jog = {"set_speed 1 1200", "set_startv 1 1000", "set_acc 1 25000",
                                          "pmove 1 -100000000", "dec_stop 1"};
    EXPECT_EQ(LogCard::log, jog);
}

}  // namespace
}  // namespace velbend

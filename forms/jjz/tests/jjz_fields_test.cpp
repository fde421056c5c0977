// The axis setup's fields: load, edit rule, save and return, level gating,
// title, and the calibration panel's arithmetic.
#include <gtest/gtest.h>

#include <filesystem>

#include "machine_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/forms/jjz_form.h"
#include "velbend/params/sysfile.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class JjzFieldsTest : public ::testing::Test {
protected:
    JjzFieldsTest() : program(op), m(program) {
        testing::TestMachine(program.params);
        auto& s = program.params.gSysParaTable;
        for (int n = 1; n <= 4; ++n) {
            auto& a = s.gAxisPara[static_cast<std::size_t>(n)];
            a.PulseEquivalent = 200;
            a.SeekZeroFeedrate = -300;
            a.ManualFeedrate = 600;
            a.Acceleration = 0.35;
            a.ZeroCompDistance = 2.5;
            a.ZeroCompFeedrate = 150;
            a.AutoFeedrate = 6000;
        }
        s.gAxisPara[2].AutoFeedrate = 100000;  // a Long on the bend axis
        s.gEncoderEquiv = 81.5;
        s.gXEncoderPort = 1;
        program.params.gUserLevel = 2;
        program.params.gSysGroupNames[1] = "铝边";
        program.params.gSysGroup = 1;
        SaveSysPara(program.params, 1, 1, op, {});
    }
    testing::TempHome home;
    RecordingOperator op;
    Program program;
    JJZ_Model m;
};

TEST_F(JjzFieldsTest, LoadShowsTheStoredValuesAndKeepsThemExactly) {
    // Values that 15 digits of text do not hold exactly.
    program.params.gSysParaTable.gAxisPara[3].PulseEquivalent = 1.0 / 3;
    program.params.gSysParaTable.gAxisPara[4].ZeroCompDistance = 0.1 + 0.2;
    m.Form_Load();
    EXPECT_EQ(m.Text(3, 1), " .333333333333333");
    EXPECT_EQ(m.Text(1, 1), " 200");
    EXPECT_EQ(m.Text(2, 2), "-300");
    EXPECT_EQ(m.Text(3, 4), " .35");
    EXPECT_EQ(m.Text(2, 7), " 100000");
    EXPECT_EQ(m.Text(4, 0), "0");
    EXPECT_EQ(m.Text(5, 0), " 81.5");
    for (int line = 19; line <= 46; ++line)
        EXPECT_EQ(SysParaValue(m.Working(), line), SysParaValue(program.params.gSysParaTable, line)) << line;
    EXPECT_EQ(m.Working().gEncoderEquiv, 81.5);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_FALSE(m.PanelVisible());
}

TEST_F(JjzFieldsTest, EditsRoundHalfEvenAndRefuseOutOfRange) {
    m.Form_Load();
    struct Case { int box, row; const char* text; double want; bool refused; };
    const Case cases[] = {
        {1, 2, "12.5", 12, false},       {1, 2, "13.5", 14, false},      {1, 3, "abc", 0, false},
        {1, 6, "", 0, false},            {3, 3, "32767", 32767, false},  {3, 3, "32767.5", 32767, true},
        {3, 6, "-32768", -32768, false}, {3, 6, "-32769", -32768, true}, {1, 7, "40000", 6000, true},
        {2, 7, "70000.5", 70000, false}, {2, 7, "3e9", 70000, true},     {1, 1, "1.5e3", 1500, false},
        {4, 5, "-.25mm", -.25, false},
    };
    for (const auto& c : cases) {
        op.messages.clear();
        m.SetText(c.box, c.row, c.text);
        const int line = 19 + 7 * (c.box - 1) + c.row - 1;
        EXPECT_EQ(SysParaValue(m.Working(), line), c.want) << c.box << "/" << c.row << " " << c.text;
        EXPECT_EQ(op.messages.size(), c.refused ? 1u : 0u) << c.text;
        EXPECT_EQ(m.Text(c.box, c.row), c.refused ? FieldText(c.want) : c.text);
    }
    m.SetText(5, 0, "99.25");
    EXPECT_EQ(m.Working().gEncoderEquiv, 99.25);
    m.SetText(1, 0, "55");  // the step box is no parameter
    EXPECT_EQ(m.Working().gAxisPara[1].PulseEquivalent, 1500);
}

TEST_F(JjzFieldsTest, ReturnDropsEditsAndSaveStoresThem) {
    const std::string before = home.Read("SysPara/SYS_1.ini");
    m.Form_Load();
    m.SetText(2, 1, "123.5");
    m.SetText(5, 0, "77");
    EXPECT_TRUE(m.Command0_Click(1));
    EXPECT_EQ(program.params.gSysParaTable.gAxisPara[2].PulseEquivalent, 200);
    EXPECT_EQ(home.Read("SysPara/SYS_1.ini"), before);

    JJZ_Model again(program);
    again.Form_Load();
    again.SetText(2, 1, "123.5");
    again.SetText(5, 0, "77");
    EXPECT_FALSE(again.Command0_Click(0));  // the dialog stays open
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    EXPECT_EQ(program.params.gSysParaTable.gAxisPara[2].PulseEquivalent, 123.5);
    EXPECT_EQ(program.params.gSysParaTable.gEncoderEquiv, 77);
    ParamStore reread;
    LoadSysPara(reread, 1, op);
    EXPECT_EQ(reread.gSysParaTable.gAxisPara[2].PulseEquivalent, 123.5);
    EXPECT_EQ(reread.gSysParaTable.gEncoderEquiv, 77);
    EXPECT_TRUE(again.Command0_Click(1));
    EXPECT_EQ(program.params.gSysParaTable.gAxisPara[2].PulseEquivalent, 123.5);
}

// A Save whose file cannot be written leaves the table as it was: every
// move reads the stored axis records, never values reported as not saved.
TEST_F(JjzFieldsTest, AFailedSaveLeavesTheTableAsItWas) {
    const SysPara before = program.params.gSysParaTable;
    std::filesystem::remove(home / "SysPara/SYS_1.ini");
    std::filesystem::create_directories(home / "SysPara/SYS_1.ini");  // no file can take its place
    m.Form_Load();
    m.SetText(2, 1, "123.5");
    m.SetText(5, 0, "77");
    EXPECT_FALSE(m.Command0_Click(0));
    EXPECT_EQ(op.LastText(), "参数保存失败：SysPara/SYS_1.ini");
    EXPECT_EQ(SysParaBytes(program.params.gSysParaTable), SysParaBytes(before));
    EXPECT_EQ(m.Working().gAxisPara[2].PulseEquivalent, 123.5);
}

TEST_F(JjzFieldsTest, GatingByUserLevelAndEncoder) {
    struct Case { int16_t level, port; bool save, frames, yzaJog, xJog, steps, encoder; };
    const Case cases[] = {
        {0, 1, false, false, false, false, false, false},
        {1, 1, true, true, false, true, true, true},
        {2, 1, true, true, true, true, true, true},
        {2, 0, true, true, true, true, true, false},
        {1, 0, true, true, false, true, true, false},
        {7, 1, false, false, false, false, false, false},  // no such level: nothing opens
    };
    for (const auto& c : cases) {
        program.params.gUserLevel = c.level;
        program.params.gSysParaTable.gXEncoderPort = c.port;
        m.Form_Load();
        SCOPED_TRACE(c.level * 10 + c.port);
        EXPECT_EQ(m.SaveEnabled(), c.save);
        for (int f = 1; f <= 4; ++f) EXPECT_EQ(m.FrameEnabled(f), c.frames);
        EXPECT_EQ(m.FrameEnabled(5), c.encoder);
        for (int n = 2; n <= 4; ++n)
            for (int16_t i : {0, 1}) EXPECT_EQ(m.CommandEnabled(n, i), c.yzaJog);
        EXPECT_EQ(m.CommandEnabled(1, 0) && m.CommandEnabled(1, 1), c.xJog);
        for (int n = 1; n <= 4; ++n) EXPECT_EQ(m.CommandEnabled(n, 2) && m.CommandEnabled(n, 3), c.steps);
    }
}

TEST_F(JjzFieldsTest, TitleFollowsGroupAndLanguage) {
    EXPECT_EQ(m.Title(), "电机综合设置-铝边");
    program.params.gLanguage = 1;
    program.params.gSysGroup = 0;
    program.params.gSysGroupNames[0] = "Alu";
    EXPECT_EQ(m.Title(), "Axis Setup-Alu");
}

TEST_F(JjzFieldsTest, FeedCalibrationCalculatesAndApplies) {
    m.Form_Load();
    m.Label1_Click(0);
    ASSERT_TRUE(m.PanelVisible());
    EXPECT_TRUE(m.FeedMode());
    EXPECT_FALSE(m.EncoderCountVisible());
    EXPECT_EQ(m.Text(6, 0), " 200");
    m.SetText(6, 2, "1000");
    m.SetText(6, 3, "998");
    m.Command7_Click(2);
    EXPECT_EQ(m.Text(6, 1), " 200.400801603206");

    // An actual length of 0 or nothing calculates nothing and says so.
    for (const char* actual : {"0", "", "x"}) {
        op.messages.clear();
        m.SetText(6, 3, actual);
        m.Command7_Click(2);
        EXPECT_EQ(m.Text(6, 1), " 200.400801603206");
        ASSERT_EQ(op.messages.size(), 1u);
    }
    // What the old-equivalent box says does not steer the result: without a
    // Move it is scaled from the stored equivalent a Move would run on.
    m.SetText(6, 0, "100");
    m.SetText(6, 2, "500");
    m.SetText(6, 3, "498");
    m.Command7_Click(2);
    EXPECT_NEAR(Val(m.Text(6, 1)), 200.8032, 1e-4);
    m.Command7_Click(3);
    EXPECT_EQ(m.Text(1, 1), m.Text(6, 1));
    EXPECT_EQ(m.Text(6, 0), m.Text(6, 1));
    EXPECT_NEAR(m.Working().gAxisPara[1].PulseEquivalent, 200.8032, 1e-4);
    EXPECT_EQ(program.params.gSysParaTable.gAxisPara[1].PulseEquivalent, 200);  // only Save stores

    // Reset with an empty result keeps the pulse equivalent.
    const std::string pe = m.Text(1, 1);
    m.SetText(6, 1, "");
    op.messages.clear();
    m.Command7_Click(3);
    EXPECT_EQ(m.Text(1, 1), pe);
    EXPECT_EQ(op.messages.size(), 1u);
    m.Command7_Click(5);
    EXPECT_FALSE(m.PanelVisible());
}

TEST_F(JjzFieldsTest, EncoderCalibrationUsesTheFrozenCount) {
    program.ctx.secondBuild = false;
    program.ctx.run.gEncoderCount = 500;
    m.Form_Load();
    m.Label5_Click(0);
    EXPECT_FALSE(m.FeedMode());
    EXPECT_TRUE(m.EncoderCountVisible());
    EXPECT_EQ(m.Text(6, 0), " 81.5");
    m.Timer1_Timer();
    EXPECT_EQ(m.Text(5, 1), "0");  // opening the panel cleared the count
    program.ctx.run.gEncoderCount = 8650;
    m.Timer1_Timer();
    EXPECT_EQ(m.Text(6, 4), "8150");
    m.Check2 = 1;
    program.ctx.run.gEncoderCount = 9000;
    m.Timer1_Timer();
    EXPECT_EQ(m.Text(5, 1), "8500");
    EXPECT_EQ(m.Text(6, 4), "8150");
    m.SetText(6, 3, "100");
    m.Command7_Click(2);
    EXPECT_EQ(m.Text(6, 1), " 81.5");
    m.SetText(6, 1, " 82");
    m.Command7_Click(3);
    EXPECT_EQ(m.Working().gEncoderEquiv, 82);
    EXPECT_EQ(m.Text(5, 0), " 82");
    m.Command6_Click();
    m.Timer1_Timer();
    EXPECT_EQ(m.Text(5, 1), "0");
    EXPECT_EQ(m.PositionText(1), "");  // first build: no position boxes
    EXPECT_FALSE(m.PositionBoxesVisible());
}

}  // namespace
}  // namespace velbend

#include "velbend/forms/gy_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "velbend/common/textfile.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

using testing::TempHome;
using testing::TestData;

std::string Data(const std::string& name) { return ReadFileBytes(TestData(name)).value_or(""); }

struct GyFormTest : ::testing::Test {
    TempHome home;
    RecordingOperator op;
    Program program{op};
    SysPara& table = program.params.gSysParaTable;
};

// Each box edits the parameter its caption names.
TEST_F(GyFormTest, EachBoxShowsAndEditsItsParameter) {
    struct Row { int box; double SysPara::* d; int16_t SysPara::* i; };
    const Row rows[] = {
        {0, &SysPara::gSlotToBendThreshold, nullptr}, {1, &SysPara::gSlotThreshold, nullptr},
        {2, &SysPara::gPatBendRThreshold, nullptr},   {3, &SysPara::gBendToSlotRThreshold, nullptr},
        {4, &SysPara::gPatBendCoefP, nullptr},        {5, &SysPara::gContBendCoefP, nullptr},
        {6, &SysPara::gAutoAcc, nullptr},             {7, &SysPara::gStartLenComp, nullptr},
        {8, &SysPara::gEndLenComp, nullptr},          {9, &SysPara::gMillRadius, nullptr},
        {10, &SysPara::gMillRadiusCoef, nullptr},     {11, nullptr, &SysPara::gComp},
        {12, &SysPara::gPJAngle, nullptr},            {13, &SysPara::gLineDis, nullptr},
        {14, &SysPara::gConDet, nullptr},             {15, &SysPara::gContBendCoefN, nullptr},
        {16, &SysPara::gPatBendCoefN, nullptr},       {17, nullptr, &SysPara::gXEncoderPort},
        {18, &SysPara::gEncoderPrecision, nullptr},   {19, nullptr, &SysPara::gSaveContourOffset},
        {20, nullptr, &SysPara::gInvertEndSwing},     {21, nullptr, &SysPara::gFeedRetract},
        {22, &SysPara::gArcJoinAngle, nullptr},       {23, nullptr, &SysPara::gSplicePause},
        {24, nullptr, &SysPara::gPatArcEncoderFix},   {25, &SysPara::gTestLength, nullptr},
        {26, &SysPara::gTestRadius, nullptr},         {27, &SysPara::gPressArcFixSpacing, nullptr},
        {28, &SysPara::gMaxBendRadius, nullptr},      {29, &SysPara::gPatBackAngle, nullptr},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kGyBoxes));
    // Distinct values: box i shows 100 + i (a half for the doubles).
    for (const Row& r : rows) {
        if (r.d) table.*r.d = 100 + r.box + 0.5;
        else table.*r.i = static_cast<int16_t>(100 + r.box);
    }
    GyForm f(program);
    f.Form_Load();
    for (const Row& r : rows) {
        const std::string want = " " + std::to_string(100 + r.box) + (r.d ? ".5" : "");
        EXPECT_EQ(f.Text1[static_cast<std::size_t>(r.box)], want) << r.box;
        // An edit lands in the private copy's member and nowhere else.
        f.Text1_Change(r.box, "-7.5");
        if (r.d) {
            EXPECT_EQ(f.copy().*r.d, -7.5) << r.box;
            EXPECT_EQ(table.*r.d, 100 + r.box + 0.5) << r.box;
        } else {
            EXPECT_EQ(f.copy().*r.i, -8) << r.box;  // half to even
            EXPECT_EQ(table.*r.i, 100 + r.box) << r.box;
        }
    }
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(GyFormTest, IntegerBoxRoundsHalfToEvenAndKeepsValuesOutOfRange) {
    struct Case { const char* text; int16_t want; bool ok; };
    const Case cases[] = {
        {"1.5", 2, true},      {"2.5", 2, true},      {"-3.7", -4, true},    {"12abc", 12, true},
        {"", 0, true},         {"1,5", 1, true},      {"abc", 0, true},      {"32767", 32767, true},
        {"32767.5", 9, false}, {"32768", 9, false},   {"-32768", -32768, true},
        {"-32768.5", -32768, true}, {"-32769", 9, false}, {"1e9", 9, false},
    };
    for (const Case& c : cases) {
        table.gComp = 9;
        op.messages.clear();
        GyForm f(program);
        f.Form_Load();
        EXPECT_EQ(f.Text1_Change(11, c.text), c.ok) << c.text;
        EXPECT_EQ(f.copy().gComp, c.want) << c.text;
        // A refused text is told and the box shows the kept value again.
        EXPECT_EQ(f.Text1[11], c.ok ? std::string(c.text) : std::string(" 9")) << c.text;
        EXPECT_EQ(op.messages.size(), c.ok ? 0u : 1u) << c.text;
    }
    program.params.gLanguage = 1;
    GyForm f(program);
    f.Form_Load();
    f.Text1_Change(23, "40000");
    EXPECT_EQ(op.LastText(), "Value out of range: 40000");
}

TEST_F(GyFormTest, NumbersShowInThePrintForm) {
    struct Case { double v; const char* shown; };
    const Case cases[] = {{10, " 10"}, {-0.25, "-.25"}, {0.5, " .5"}, {0, " 0"}, {1e-5, " 1E-05"}};
    for (const Case& c : cases) {
        table.gMillRadius = c.v;
        GyForm f(program);
        f.Form_Load();
        EXPECT_EQ(f.Text1[9], c.shown);
        EXPECT_EQ(f.copy().gMillRadius, c.v);
    }
}

TEST_F(GyFormTest, HeightAndFrameFollowTheUserLevel) {
    struct Case { int16_t level; int height; bool frame; };
    for (const Case& c : {Case{0, 5800, false}, Case{1, 5800, false}, Case{2, 7320, true}}) {
        program.params.gUserLevel = c.level;
        GyForm f(program);
        f.Form_Load();
        EXPECT_EQ(f.layout.height, c.height);
        EXPECT_EQ(f.layout.frame1Visible, c.frame);
        EXPECT_EQ(f.layout.command1.top, c.height - 1000);
        EXPECT_EQ(f.layout.command2.top, c.height - 1000);
        // Nothing reaches below the buttons, and the rows stay above them.
        EXPECT_LT(f.layout.command1.top + f.layout.command1.height, f.layout.clientHeight);
        EXPECT_LT(GyPlace(29).text.top + GyPlace(29).text.height, f.layout.command2.top);
    }
    // The columns and the frame.
    EXPECT_EQ(GyPlace(0).text, (GyRect{3120, 300, 1000, 285}));
    EXPECT_EQ(GyPlace(6).text.left, 8010);
    EXPECT_EQ(GyPlace(28).text.left, 3120);
    EXPECT_EQ(GyPlace(29).text.top, GyPlace(28).text.top);
    EXPECT_TRUE(GyPlace(14).inFrame1);
    EXPECT_EQ(GyPlace(14).text.top, GyPlace(12).text.top);
    EXPECT_LT(GyPlace(14).text.top, GyPlace(13).text.top);
    EXPECT_EQ(GyPlace(13).text.top, GyPlace(11).text.top);
    EXPECT_FALSE(GyPlace(23).inFrame1);
    EXPECT_EQ(GyPlace(23).text.top, GyPlace(10).text.top);
    const GyLayout l = GyLayoutFor(2);
    EXPECT_EQ(l.frame1, (GyRect{630, 4890, 8235, 1395}));
    EXPECT_LE(GyPlace(12).unit.left + GyPlace(12).unit.width, l.frame1.width);
    EXPECT_LT(l.frame1.top + l.frame1.height, l.command1.top);
}

TEST_F(GyFormTest, RunModeOptions) {
    struct Case { int16_t mode; bool opt1, opt2; };
    for (const Case& c : {Case{0, true, false}, Case{1, false, true}, Case{5, false, false}}) {
        table.gRunMode = c.mode;
        GyForm f(program);
        f.Form_Load();
        EXPECT_EQ(f.Option1, c.opt1);
        EXPECT_EQ(f.Option2, c.opt2);
        EXPECT_EQ(f.runMode(), c.mode);
        // Save with neither option selected keeps the mode.
        f.Command1_Click();
        EXPECT_EQ(table.gRunMode, c.mode);
    }
    table.gRunMode = 0;
    GyForm f(program);
    f.Form_Load();
    f.Option2_Click();
    EXPECT_EQ(table.gRunMode, 0);  // not before Save
    f.Command1_Click();
    EXPECT_EQ(table.gRunMode, 1);
    // The file always records Processing.
    SysPara back;
    ParseSysPara(home.Read("SysPara/SYS_0.ini"), back);
    EXPECT_EQ(back.gRunMode, 0);
    f.Option1_Click();
    f.Command1_Click();
    EXPECT_EQ(table.gRunMode, 0);
}

TEST_F(GyFormTest, SaveWritesTheGroupFileAndConfirms) {
    ASSERT_TRUE(ParseSysPara(Data("SYS_golden.ini"), table).ok());
    program.params.gSysGroup = 3;
    int handedOn = 0;
    int16_t comp = 0;
    program.tranParas = [&](double, double, double, int16_t c, double, double) {
        ++handedOn;
        comp = c;
    };
    for (int16_t lang : {0, 1}) {
        program.params.gLanguage = lang;
        ParseSysPara(Data("SYS_golden.ini"), table);
        GyForm f(program);
        f.Form_Load();
        f.Text1_Change(0, "12.5");
        f.Text1_Change(11, "1.5");
        f.Text1_Change(23, "7");
        f.Text1_Change(26, "-.25");
        ASSERT_TRUE(f.Command1_Click());
        EXPECT_EQ(home.Read("SysPara/SYS_3.ini"), Data("SYS_saved.ini"));
        ASSERT_FALSE(op.messages.empty());
        EXPECT_EQ(op.LastText(), lang == 0 ? "参数保存成功！" : "Save OK!");
        EXPECT_EQ(op.messages.back().title, lang == 0 ? "操作提示" : "Operation Tips");
        EXPECT_EQ(comp, 2);
        // The dialog stays: a second Save writes the same again.
        home.Write("SysPara/SYS_3.ini", "");
        f.Command1_Click();
        EXPECT_EQ(home.Read("SysPara/SYS_3.ini"), Data("SYS_saved.ini"));
    }
    EXPECT_EQ(handedOn, 4);

    // A write that fails says so, never "Save OK!".
    std::filesystem::remove(home / "SysPara/SYS_3.ini");
    std::filesystem::create_directories(home / "SysPara/SYS_3.ini");
    op.messages.clear();
    GyForm f(program);
    f.Form_Load();
    EXPECT_FALSE(f.Command1_Click());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "Save failed: SysPara/SYS_3.ini");
}

// A Save whose file cannot be written leaves the table (and the geometry
// handed on from it) as before Save; the edits stay for another try.
TEST_F(GyFormTest, AFailedSaveLeavesTheTableAsItWas) {
    ASSERT_TRUE(ParseSysPara(Data("SYS_golden.ini"), table).ok());
    const SysPara before = table;
    double conDet = 0;
    program.tranParas = [&](double c, double, double, int16_t, double, double) { conDet = c; };
    std::filesystem::create_directories(home / "SysPara/SYS_0.ini");  // no file can take its place
    GyForm f(program);
    f.Form_Load();
    f.Text1_Change(0, "12.5");
    f.Text1_Change(14, "0.75");  // gConDet, handed to the geometry
    f.Option2_Click();
    EXPECT_FALSE(f.Command1_Click());
    EXPECT_EQ(op.LastText(), "参数保存失败：SysPara/SYS_0.ini");
    EXPECT_EQ(SysParaBytes(table), SysParaBytes(before));
    EXPECT_EQ(conDet, before.gConDet);
    EXPECT_EQ(f.copy().gSlotToBendThreshold, 12.5);
    // Once the file can be written, the same Save goes through.
    std::filesystem::remove(home / "SysPara/SYS_0.ini");
    EXPECT_TRUE(f.Command1_Click());
    EXPECT_EQ(table.gSlotToBendThreshold, 12.5);
    EXPECT_EQ(table.gRunMode, 1);
    EXPECT_EQ(conDet, 0.75);
}

TEST_F(GyFormTest, ReturnDropsEditsAndHiddenValuesGoBackUnchanged) {
    ASSERT_TRUE(ParseSysPara(Data("SYS_golden.ini"), table).ok());
    // A value whose print form does not read back exactly.
    table.gConDet = 0.1 + 0.2;
    const SysPara before = table;
    {
        GyForm f(program);
        f.Form_Load();
        f.Text1_Change(0, "1");
        f.Text1_Change(11, "44");
        f.Option2_Click();
    }  // Return: the dialog and its copy are gone.
    EXPECT_EQ(SysParaBytes(table), SysParaBytes(before));
    EXPECT_EQ(table.gConDet, 0.1 + 0.2);

    // Level 1: the geometry values and the run mode are hidden and go
    // back as they were, bit for bit.
    program.params.gUserLevel = 1;
    GyForm f(program);
    f.Form_Load();
    EXPECT_FALSE(f.layout.frame1Visible);
    f.Text1_Change(4, "2.25");
    ASSERT_TRUE(f.Command1_Click());
    EXPECT_EQ(table.gPatBendCoefP, 2.25);
    EXPECT_EQ(table.gConDet, 0.1 + 0.2);
    EXPECT_EQ(table.gLineDis, before.gLineDis);
    EXPECT_EQ(table.gPJAngle, before.gPJAngle);
    EXPECT_EQ(table.gComp, before.gComp);
    // Saved, then Return: the saved values stay.
    EXPECT_EQ(program.params.gSysParaTable.gPatBendCoefP, 2.25);
}

TEST_F(GyFormTest, TitleAndCaptions) {
    program.params.gSysGroupNames[4] = "铝边";
    program.params.gSysGroup = 4;
    EXPECT_EQ(GyTitle(program.params), "工艺参数设置-铝边");
    program.params.gLanguage = 1;
    EXPECT_EQ(GyTitle(program.params), "Technological Parameter Setup-铝边");
    // Label1(i) is the caption of Text1(i), Label2(i) its unit.
    const auto table = GyCaptions();
    EXPECT_STREQ(FindCaption(table, "Label1(11)", 1), "两节点间密化点数：");
    EXPECT_STREQ(FindCaption(table, "Label1(29)", 0), "拍弧回退角度（0-到空程角）：");
    EXPECT_STREQ(FindCaption(table, "Label2(23)", 1), "S");
}

}  // namespace
}  // namespace velbend

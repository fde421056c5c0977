#include "velbend/forms/wfb_form.h"

#include <gtest/gtest.h>

#include "velbend/params/curvature.h"
#include "velbend/params/pfjj.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class WfbTest : public ::testing::Test {
protected:
    WfbTest() : program(op) {
        auto& st = program.params;
        st.gWanFuGroup = 3;
        st.gWanFuGroupNames[3] = "铝";
        SetDefaultPfjj(st.gPfjjTable, st.gPfjjLast);
        Rows(30, 10);
    }
    // A positive table of n rows (value r, key 1000 - r) and a negative one of m.
    void Rows(int n, int m) {
        auto& st = program.params;
        for (int r = 0; r < n; ++r) st.mWanFuP[r] = {double(r), 1000.0 - r};
        for (int r = 0; r < m; ++r) st.mWanFuN[r] = {-double(r), 500.0 - r};
        st.gWanFuPLast = static_cast<int16_t>(n - 1);
        st.gWanFuNLast = static_cast<int16_t>(m - 1);
    }
    WFB_Form Open() {
        WFB_Form f(program);
        f.Form_Load();
        return f;
    }
    void Spacing(WFB_Form& f, std::initializer_list<std::pair<const char*, const char*>> rows, const char* others) {
        for (int i = 1; i <= 13; ++i) f.Text9[i].clear(), f.Text10[i].clear();
        int i = 1;
        for (auto [r, s] : rows) {
            f.Text9[i] = r;
            f.Text10[i] = s;
            ++i;
        }
        f.Text10[14] = others;
    }

    testing::TempHome home;
    RecordingOperator op;
    Program program;
};

TEST_F(WfbTest, OpeningShowsTheTablesTheSpacingRowsAndTheTitle) {
    WFB_Form f = Open();
    EXPECT_EQ(f.title, "曲率表设置-铝");
    EXPECT_EQ(f.Text1[2], "2.00");
    EXPECT_EQ(f.Text2[2], "998.00");
    EXPECT_EQ(f.ScrollMax(0), 15);  // 30 rows: 15 beyond the visible ones
    EXPECT_EQ(f.ScrollMax(1), 0);   // 10 rows: no scrolling, rows 10..14 empty
    EXPECT_EQ(f.Text3[9], "-9.00");
    EXPECT_EQ(f.Text3[10], "0.00");
    EXPECT_EQ(f.Text9[1], "40");
    EXPECT_EQ(f.Text10[3], "3");
    EXPECT_EQ(f.Text9[4], "");
    EXPECT_EQ(f.Text10[14], "4");
    EXPECT_EQ(f.Text2Back[0], WFB_Form::kCurrentRow);
    EXPECT_EQ(f.Text2Back[1], WFB_Form::kOtherRow);
    program.params.gLanguage = 1;
    f.XianShiCE();
    EXPECT_EQ(f.title, "Curvature Setup-铝");
    EXPECT_EQ(f.Text9[14], "Others");
}

TEST_F(WfbTest, ShownRowsGoBackIntoTheCopyAsTheyAreShown) {
    program.params.mWanFuP[3] = {1.234, 5.678};
    program.params.mWanFuP[17] = {-2.345, 9.999};
    WFB_Form f = Open();
    EXPECT_EQ(f.Text1[3], "1.23");
    EXPECT_EQ(f.mCopyP[3].Value, 1.23);
    EXPECT_EQ(f.mCopyP[3].Key, 5.68);
    EXPECT_EQ(f.mCopyP[17].Value, -2.345);  // not shown yet
    f.VScroll_Change(0, 5);
    EXPECT_EQ(f.Text2[12], "10.00");
    EXPECT_EQ(f.mCopyP[17].Value, -2.35);
    EXPECT_EQ(f.mCopyP[17].Key, 10);
    EXPECT_EQ(program.params.mWanFuP[17].Value, -2.345);
}

TEST_F(WfbTest, TypingScrollingAndTheCurrentRow) {
    WFB_Form f = Open();
    f.VScroll_Change(0, 10);
    EXPECT_EQ(f.Text1[0], "10.00");
    f.TableText_Change(0, 1, 2, "7.5x");  // row 12's radius
    EXPECT_EQ(f.mCopyP[12].Key, 7.5);
    f.TableText_Click(0, 4);
    EXPECT_EQ(f.Text2Back[4], WFB_Form::kCurrentRow);
    EXPECT_EQ(f.Text2Back[0], WFB_Form::kOtherRow);
    f.VScroll_Change(0, 99);  // held within the range
    EXPECT_EQ(f.VScroll1, 15);
    // The program's table is untouched until Save.
    EXPECT_EQ(program.params.mWanFuP[12].Key, 988);
}

TEST_F(WfbTest, AddAndDeleteChangeOnlyTheCopyUntilSave) {
    WFB_Form f = Open();
    f.TableText_Click(0, 5);
    f.Command9_Click(0);  // add below absolute row 5 of 30
    EXPECT_EQ(f.mLastP, 30);
    EXPECT_EQ(f.ScrollMax(0), 16);
    EXPECT_EQ(f.mCopyP[6].Value, 0);
    EXPECT_EQ(f.mCopyP[6].Key, 0);
    EXPECT_EQ(f.mCopyP[7].Value, 6);
    EXPECT_EQ(f.mCopyP[30].Value, 29);
    EXPECT_EQ(program.params.gWanFuPLast, 29);  // Return without Save: nothing changed
    EXPECT_EQ(program.params.mWanFuP[6].Value, 6);

    f.TableText_Click(0, 7);  // delete row 7 (old row 6)
    f.Command9_Click(1);
    EXPECT_EQ(f.mLastP, 29);
    EXPECT_EQ(f.mCopyP[7].Value, 7);
    EXPECT_EQ(f.mCopyP[29].Value, 29);
    EXPECT_EQ(f.mCopyP[30].Value, 0);

    // Beyond the last row of a short table: the last row goes.
    f.TableText_Click(1, 12);
    f.Command9_Click(3);
    EXPECT_EQ(f.mLastN, 8);
    EXPECT_EQ(f.mCopyN[8].Value, -8);
    EXPECT_EQ(f.mCopyN[9].Value, 0);
}

TEST_F(WfbTest, TablesStayWithinOneTo201Rows) {
    Rows(201, 1);
    WFB_Form f = Open();
    f.Command9_Click(0);
    EXPECT_EQ(f.mLastP, 200);
    EXPECT_EQ(op.messages.size(), 1u);
    f.Command9_Click(3);
    EXPECT_EQ(f.mLastN, 0);
    EXPECT_EQ(op.messages.size(), 2u);
    f.Command9_Click(1);  // 201 -> 200 rows is fine
    EXPECT_EQ(f.mLastP, 199);
    f.Command9_Click(0);  // and back to 201
    EXPECT_EQ(f.mLastP, 200);
    f.Command9_Click(2);  // 2 rows -> 1 row is fine
    f.Command9_Click(3);
    EXPECT_EQ(f.mLastN, 0);
    EXPECT_EQ(op.messages.size(), 2u);
}

TEST_F(WfbTest, SaveWritesTheSpacingFileThenTheCurvatureTables) {
    WFB_Form f = Open();
    Spacing(f, {{"40", "1"}, {"100", "2"}, {"240", "3"}}, "4");
    f.TableText_Click(0, 0);
    f.Command9_Click(0);
    ASSERT_TRUE(f.Command1_Click());
    EXPECT_EQ(home.Read("SysPara/pfjj_3.ini"),
              " 40            1 \r\n 100           2 \r\n 240           3 \r\n 0             4 \r\n");
    EXPECT_EQ(program.params.gPfjjLast, 4);
    EXPECT_EQ(program.params.gWanFuPLast, 30);
    EXPECT_EQ(program.params.mWanFuP[1].Key, 0);
    EXPECT_EQ(program.params.mWanFuP[2].Value, 1);
    EXPECT_TRUE(home.Exists("SysPara/wanfubiaoP_3.ini"));
    EXPECT_EQ(op.LastText(), "曲率表保存成功！");
    program.params.gLanguage = 1;
    ASSERT_TRUE(f.Command1_Click());
    EXPECT_EQ(op.LastText(), "Save OK!");

    // Reopened: the same rows, the rest empty.
    program.params.gPfjjTable = {};
    program.params.gPfjjLast = ParsePfjj(home.Read("SysPara/pfjj_3.ini"), program.params.gPfjjTable);
    WFB_Form g = Open();
    EXPECT_EQ(g.Text9[3], "240");
    EXPECT_EQ(g.Text10[3], "3");
    EXPECT_EQ(g.Text10[14], "4");
    for (int i = 4; i <= 13; ++i) EXPECT_EQ(g.Text9[i] + g.Text10[i], "") << i;
}

TEST_F(WfbTest, SaveRefusalsWriteNothing) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> rows;
        const char* others;
        const char* refusal;  // nullptr: accepted
    };
    const Case cases[] = {
        {{{"100", "2"}, {"40", "1"}}, "4", "保存失败！拍弧间距半径设置必须逐个增大"},
        {{{"40", "1"}, {"40", "1"}}, "4", nullptr},
        {{{"40", "0.05"}}, "4", "保存失败！拍弧间距设置值太小"},
        {{{"40", "0.1"}}, "4", nullptr},
        {{{"", ""}, {"40", "1"}}, "4", "保存失败！拍弧间距半径设置数据不能为空"},
        {{{"abc", "1"}}, "4", "保存失败！拍弧间距半径设置数据不能为空"},
        {{{"40", "1"}}, "0.4", "保存失败！拍弧间距其它半径间距设置不能小于0.5"},
        {{{"40", "1"}}, "0.5", nullptr},
        {{{"1", "1"}, {"2", "1"}, {"3", "1"}, {"4", "1"}, {"5", "1"}, {"6", "1"}, {"7", "1"}, {"8", "1"},
          {"9", "1"}, {"10", "1"}},
         "1", nullptr},
        {{{"1", "1"}, {"2", "1"}, {"3", "1"}, {"4", "1"}, {"5", "1"}, {"6", "1"}, {"7", "1"}, {"8", "1"},
          {"9", "1"}, {"10", "1"}, {"11", "1"}},
         "1", "保存失败！拍弧间距半径最多设置10行"},
    };
    for (const Case& c : cases) {
        for (const char* name : {"SysPara/pfjj_3.ini", "SysPara/wanfubiaoP_3.ini", "SysPara/wanfubiaoN_3.ini"})
            std::filesystem::remove(home / name);
        program.params.gPfjjLast = 4;
        program.params.gWanFuPLast = 29;
        // The refusals speak Chinese in either language.
        program.params.gLanguage = static_cast<int16_t>((&c - cases) / 2 % 2);
        WFB_Form f = Open();
        f.Command9_Click(0);  // a row added to the copy
        Spacing(f, {}, c.others);
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            f.Text9[i + 1] = c.rows[i].first;
            f.Text10[i + 1] = c.rows[i].second;
        }
        op.messages.clear();
        const bool saved = f.Command1_Click();
        EXPECT_EQ(saved, c.refusal == nullptr) << c.others;
        if (c.refusal) {
            EXPECT_EQ(op.LastText(), c.refusal);
            EXPECT_EQ(op.messages.back().title, "");
            EXPECT_FALSE(home.Exists("SysPara/pfjj_3.ini"));
            EXPECT_FALSE(home.Exists("SysPara/wanfubiaoP_3.ini"));
            EXPECT_EQ(program.params.gPfjjLast, 4);
        }
        EXPECT_EQ(program.params.gWanFuPLast, c.refusal ? 29 : 30) << c.others;
    }
    // A valid Save while a program runs is refused before anything is written.
    program.params.gLanguage = 1;
    program.ctx.run.gRunning = kTrue;
    WFB_Form f = Open();
    Spacing(f, {{"40", "1"}}, "4");
    EXPECT_FALSE(f.Command1_Click());
    EXPECT_EQ(op.LastText(), "The machine is busy: wait until it stands still, or stop it, then try again!");
    EXPECT_FALSE(home.Exists("SysPara/pfjj_3.ini"));
    EXPECT_EQ(program.params.gWanFuPLast, 29);
}

TEST_F(WfbTest, AFailedSpacingWriteChangesNothingInMemory) {
    std::filesystem::create_directories(home / "SysPara/pfjj_3.ini");  // a folder in the file's way
    WFB_Form f = Open();
    Spacing(f, {{"50", "1.5"}}, "4");
    f.Command9_Click(0);
    EXPECT_FALSE(f.Command1_Click());
    EXPECT_EQ(op.LastText(), "曲率表保存失败：SysPara/pfjj_3.ini");   // nothing was saved
    EXPECT_EQ(program.params.gPfjjLast, 4);
    EXPECT_EQ(program.params.gPfjjTable[0].RadiusLimit, 40);
    EXPECT_EQ(program.params.gWanFuPLast, 29);
    EXPECT_FALSE(home.Exists("SysPara/wanfubiaoP_3.ini"));
}

TEST_F(WfbTest, AFailedCurvatureWriteKeepsTheTablesInMemory) {
    std::filesystem::create_directories(home / "SysPara/wanfubiaoP_3.ini");
    // The spacing table is saved first: the message says which table was
    // saved and which was not.
    const std::pair<int16_t, const char*> said[] = {
        {0, "拍弧间距表已保存：SysPara/pfjj_3.ini。曲率表没有保存：SysPara/wanfubiaoP_3.ini"},
        {1, "The pat-arc spacing table was saved: SysPara/pfjj_3.ini. "
            "The curvature tables were not saved: SysPara/wanfubiaoP_3.ini"},
    };
    for (const auto& [lang, text] : said) {
        program.params.gLanguage = lang;
        std::filesystem::remove(home / "SysPara/pfjj_3.ini");
        WFB_Form f = Open();
        Spacing(f, {{"50", "1.5"}}, "4");
        f.Command9_Click(0);
        EXPECT_FALSE(f.Command1_Click());
        EXPECT_EQ(op.LastText(), text);
        EXPECT_EQ(op.messages.back().icon, MsgIcon::Critical);
        EXPECT_EQ(home.Read("SysPara/pfjj_3.ini"), " 50            1.5 \r\n 0             4 \r\n");
        EXPECT_EQ(program.params.gPfjjLast, 2);
        EXPECT_EQ(program.params.gWanFuPLast, 29);
        EXPECT_EQ(program.params.mWanFuP[1].Value, 1);
    }
}

class PatProgramTest : public WfbTest {
protected:
    PatProgramTest() {
        auto& s = program.params.gSysParaTable;
        s.gPatBendCoefP = 1;
        s.gSpaceAngleP = 3;
        s.gSpaceAngleN = 4;
        s.gMaxBendAngle = 90;
        s.gBendMechDelay = 200;
        s.gAxisPara[1].AutoFeedrate = 3000;
        s.gAxisPara[2].AutoFeedrate = 1500;
        s.gAxisPara[1].PulseEquivalent = 100;
        s.gAxisPara[2].PulseEquivalent = 100;
    }
    std::vector<std::string> Build(int16_t mech, const char* times, const char* angle, const char* step = "2") {
        program.params.gSysParaTable.gBendMechanisms = mech;
        WFB_Form f(program);
        f.Text6 = times;
        f.Text7 = angle;
        f.Text8 = step;
        ProgramLines out;
        f.BuildPatProgram(out);
        return out.lines();
    }
};

TEST_F(PatProgramTest, DoubleMechanism) {
    EXPECT_EQ(Build(2, "1", "10"),
              (std::vector<std::string>{"G90 G01", "G92 X0", "Y3.0000 F1500", "G01 X2.0000 F3000",
                                        "G05 Y13.0000 F00001500", "G05 Y3.0000 F00001500", "G01 X4.0000 F3000",
                                        "G01 Y0 F1500"}));
    EXPECT_EQ(Build(2, "0", "10").size(), 5u);  // preamble and closing lines only
    // Clamped at the maximum, minus the maximum for negative angles.
    EXPECT_EQ(Build(2, "1", "88")[4], "G05 Y90.0000 F00001500");
    EXPECT_EQ(Build(2, "1", "87")[4], "G05 Y90.0000 F00001500");
    EXPECT_EQ(Build(2, "1", "86")[4], "G05 Y89.0000 F00001500");
    EXPECT_EQ(Build(2, "1", "-86")[2], "Y-4.0000 F1500");
    EXPECT_EQ(Build(2, "1", "-85")[4], "G05 Y-89.0000 F00001500");
    EXPECT_EQ(Build(2, "1", "-86")[4], "G05 Y-90.0000 F00001500");  // at the maximum
    for (const char* beyond : {"-86.5", "-87", "-200"})
        EXPECT_EQ(Build(2, "1", beyond)[4], "G05 Y-90.0000 F00001500") << beyond;
}

TEST_F(PatProgramTest, SingleMechanism) {
    EXPECT_EQ(Build(1, "1", "10"),
              (std::vector<std::string>{"G90 G01", "G92 X0", "M19", "G04 P200", "Y0 F1500", "M18", "G04 P200",
                                        "Y3.0000 F1500", "G01 X2.0000 F3000", "G05 Y13.0000 F00001500",
                                        "G05 Y3.0000 F00001500", "G01 X4.0000 F3000", "Y0 F1500", "M19",
                                        "G04 P200"}));
    const auto neg = Build(1, "1", "-10");
    EXPECT_EQ(neg[4], "Y90.0000 F1500");
    EXPECT_EQ(neg[7], "Y4.0000 F1500");
    EXPECT_EQ(neg[9], "G05 Y0.0000 F00001500");  // -10 + 4 < 0: clamped at 0
    EXPECT_EQ(neg[10], "G05 Y4.0000 F00001500");
    EXPECT_EQ(neg.back(), "Y0 F1500");
    EXPECT_EQ(Build(1, "1", "-4")[9], "G05 Y0.0000 F00001500");
    EXPECT_EQ(Build(1, "1", "-3")[9], "G05 Y1.0000 F00001500");
}

TEST_F(PatProgramTest, NoMechanismOrTooManyPatsStartsNothing) {
    EXPECT_TRUE(Build(0, "1", "10").empty());
    WFB_Form f(program);
    EXPECT_FALSE(f.Command7_Click());  // no bending mechanism: nothing written
    EXPECT_FALSE(home.Exists("G5.dat"));
    program.params.gSysParaTable.gBendMechanisms = 2;
    f.Text6 = "40000";  // beyond a 16-bit count
    EXPECT_FALSE(f.Command7_Click());
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    program.params.gSysParaTable.gBendMechanisms = 1;
    f.Text6 = "9996";  // 3 x 9996 + 12 = 30000 lines: one too many
    EXPECT_FALSE(f.Command7_Click());
    EXPECT_EQ(op.LastText(), "加工程序超长，请减少加工循环或缩短选择字形！");
    EXPECT_FALSE(home.Exists("G5.dat"));
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    program.params.gSysParaTable.gBendMechanisms = 2;
    f.Text6 = "9998";  // 3 x 9998 + 5 = 29999 lines fit
    // ... but not at a bend speed that gives no pulse a second.
    program.params.gSysParaTable.gAxisPara[2].AutoFeedrate = 0;
    EXPECT_FALSE(f.Command7_Click());
    EXPECT_EQ(op.LastText(), "轴2的自动速度0不足每秒一个脉冲，请检查轴参数！");
    EXPECT_FALSE(home.Exists("G5.dat"));
    program.params.gSysParaTable.gAxisPara[2].AutoFeedrate = 1500;
    EXPECT_TRUE(f.Command7_Click());
    EXPECT_EQ(program.ctx.run.gTestRunning, kTrue);
    EXPECT_EQ(program.ctx.run.gNcLineCount, 29999);
}

}  // namespace
}  // namespace velbend

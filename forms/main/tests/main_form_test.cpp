// Start-up, shut-down, formtext.ini, captions and the small handlers of the
// main window's model.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "main_fixture.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/main_captions.h"
#include "velbend/machine/run_state.h"
#include "velbend/params/curvature.h"

namespace velbend::testing {
namespace {

using StartUp = MainModelTest;

TEST_F(StartUp, GroupNumbersOfParaGroupCountFromOne) {
    WriteParaGroup(3, 1);
    sys.gMillRadius = 2.5;
    WriteSys(2);
    WriteCurvature(0, 3);
    home.Write("SysPara/pfjj_0.ini", " 40            1 \r\n 0             4 \r\n");
    Load();
    EXPECT_EQ(program.params.gSysGroup, 2);
    EXPECT_EQ(program.params.gWanFuGroup, 0);
    EXPECT_TRUE(m.group.option1[2]);
    EXPECT_TRUE(m.group.option2[0]);
    EXPECT_EQ(m.group.text11[4], "S4");
    EXPECT_EQ(m.group.text13[9], "W9");
    EXPECT_EQ(m.Text15, " 2.5");  // SYS_2.ini was read
    EXPECT_EQ(program.params.gWanFuPLast, 2);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(program.ctx.panel.Timer2Interval, 30);
}

TEST_F(StartUp, NoParaGroupGivesGroupZeroAndOneMessage) {
    WriteSys(0);
    WriteCurvature(0, 2);
    Load();
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.messages.front().text, "缺少参数组配置文件！");
    EXPECT_EQ(op.messages.front().title, "");  // the program's default title
    EXPECT_EQ(program.params.gSysGroup, 0);
    EXPECT_EQ(program.params.gWanFuGroup, 0);
    for (const auto& n : m.group.text11) EXPECT_EQ(n, "");
    EXPECT_TRUE(m.group.option1[0]);
}

TEST_F(StartUp, GroupNumbersOutsideTheTablesStayInside) {
    // Exactly one number 0, and one above 10: both groups stay in 0..9.
    for (auto [s, w] : {std::pair{0, 4}, std::pair{12, 1}, std::pair{3, 0}}) {
        op.messages.clear();
        WriteParaGroup(s, w);
        MainFormModel model(program);
        Form_Load(model);
        EXPECT_GE(program.params.gSysGroup, 0);
        EXPECT_LE(program.params.gSysGroup, 9);
        EXPECT_GE(program.params.gWanFuGroup, 0);
        EXPECT_LE(program.params.gWanFuGroup, 9);
        EXPECT_FALSE(op.messages.empty()) << s << "/" << w;
    }
}

TEST_F(StartUp, CurvatureFilesGiveTheirLastRowIndex) {
    for (auto [rows, last] : {std::pair{1, 0}, std::pair{12, 11}, std::pair{201, 200}, std::pair{300, 200}}) {
        SeedHome();
        WriteCurvature(0, rows);
        MainFormModel model(program);
        Form_Load(model);
        EXPECT_EQ(program.params.gWanFuPLast, last) << rows;
        EXPECT_EQ(program.params.gWanFuNLast, last) << rows;
    }
}

TEST_F(StartUp, MissingTablesKeepDefaultsWithAMessageNamingTheFile) {
    WriteParaGroup(1, 1);
    Load();
    bool namedSys = false, namedCurv = false;
    for (const auto& msg : op.messages) {
        namedSys |= msg.text.find("SYS_0.ini") != std::string::npos;
        namedCurv |= msg.text.find("wanfubiaoP_0.ini") != std::string::npos;
    }
    EXPECT_TRUE(namedSys);
    EXPECT_TRUE(namedCurv);
    EXPECT_EQ(program.ctx.panel.Timer2Interval, 30);  // start-up went on
}

TEST_F(StartUp, PatArcSpacingFileAndItsDefaults) {
    std::string fifteen;
    for (int i = 1; i <= 15; ++i) fifteen += Str(10.0 * i) + "  " + Str(0.5 * i) + "\r\n";
    struct Case {
        std::optional<std::string> file;
        int16_t last;
        bool pfjjIni;
    };
    const Case cases[] = {{" 30            .8 \r\n 0             2 \r\n", 2, false},
                          {" 50            0 \r\n", 4, true},
                          {"", 4, true},
                          {std::nullopt, 4, true},
                          {fifteen, 11, false}};
    for (const auto& c : cases) {
        SeedHome();
        std::filesystem::remove(home / "SysPara/pfjj_0.ini");
        std::filesystem::remove(home / "pfjj.ini");
        if (c.file) home.Write("SysPara/pfjj_0.ini", *c.file);
        MainFormModel model(program);
        Form_Load(model);
        EXPECT_EQ(program.params.gPfjjLast, c.last) << c.file.value_or("<none>");
        EXPECT_EQ(home.Exists("pfjj.ini"), c.pfjjIni) << c.file.value_or("<none>");
        if (c.pfjjIni) {
            EXPECT_EQ(home.Read("pfjj.ini"),
                      " 40            1 \r\n 100           2 \r\n 240           3 \r\n 0             4 \r\n");
        }
    }
}

// The temporary files of writes that a killed program left behind go at
// start-up, in the program folder and in SysPara/; look-alikes stay.
TEST_F(StartUp, LeftoversOfInterruptedWritesAreRemoved) {
    SeedHome();
    const std::vector<std::string> leftovers = {".sys1.ini.tmpA1b2C3", "SysPara/.SYS_0.ini.tmpzZ09aB"};
    const std::vector<std::string> others = {".sys1.ini.tmpA1b2C", "sys1.ini.tmpA1b2C3", ".tmpA1b2C3",
                                             ".sys1.ini.tmpA1-2C3", "SysPara/.SYS_0.ini.tmpA1b2C3x"};
    for (const auto& n : leftovers) home.Write(n, "secret");
    for (const auto& n : others) home.Write(n, "x");
    std::filesystem::create_directories(home / "SysPara/.d.ini.tmpAAAAAA");
    Load();
    for (const auto& n : leftovers) EXPECT_FALSE(home.Exists(n)) << n;
    for (const auto& n : others) EXPECT_TRUE(home.Exists(n)) << n;
    EXPECT_TRUE(home.Exists("SysPara/.d.ini.tmpAAAAAA"));
}

// A file that start-up reports damaged is kept, under the name its message
// gives, before it is first rewritten (the system parameters at shut-down,
// a curvature table by its save); a later damaged start keeps its file
// beside the earlier one.
TEST_F(StartUp, DamagedFilesAreKeptBeforeTheirFirstRewrite) {
    SeedHome();
    const std::string crOnly = "1 a\r2 b\r3 c\r", badRows = "1.00, 2.00\r\nnot a row\r\n";
    home.Write("SysPara/SYS_0.ini", crOnly);
    home.Write("SysPara/wanfubiaoP_0.ini", badRows);
    auto said = [&](const std::string& s) {
        for (const auto& msg : op.messages)
            if (msg.text.find(s) != std::string::npos) return true;
        return false;
    };
    Load();
    EXPECT_TRUE(said("另存为：SysPara/SYS_0.ini.damaged。"));
    EXPECT_TRUE(said("另存为：SysPara/wanfubiaoP_0.ini.damaged。"));
    EXPECT_FALSE(home.Exists("SysPara/SYS_0.ini.damaged"));  // nothing is rewritten yet
    Form_Unload(m);
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini.damaged"), crOnly);
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini").size(), SysParaBytes(program.params.gSysParaTable).size());
    ASSERT_TRUE(SaveWanFuBiao(program.params, 0, 1, op));
    ASSERT_TRUE(SaveWanFuBiao(program.params, 0, 1, op));
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_0.ini.damaged"), badRows);

    home.Write("SysPara/SYS_0.ini", "truncated");
    op.messages.clear();
    MainFormModel again(program);
    Form_Load(again);
    EXPECT_TRUE(said("SysPara/SYS_0.ini.damaged-2"));
    Form_Unload(again);
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini.damaged-2"), "truncated");
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini.damaged"), crOnly);
}

TEST_F(StartUp, NoCardGivesTheMessageAndTheAxesAreStillSetUp) {
    SeedHome();
    sys.gAxisPara[1].Acceleration = 2.5;
    sys.gAxisPara[2].Acceleration = 10;
    sys.gAxisPara[3].Acceleration = 0.25;
    WriteSys(0);
    CallLog::Install(program.ctx.card, 0);
    Load();
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.messages.back().text, "Tarvik卡未正确安装");
    EXPECT_EQ(op.messages.back().title, "");  // the program's default title
    EXPECT_EQ(program.ctx.run.gCardRet, 0);
    const std::vector<std::string> want = {
        "initial()",
        "set_command_pos(0,1,0)", "set_actual_pos(0,1,1)", "set_command_pos(0,2,0)", "set_actual_pos(0,2,1)",
        "set_command_pos(0,3,0)", "set_actual_pos(0,3,1)", "set_command_pos(0,4,0)", "set_actual_pos(0,4,1)",
        "set_startv(0,1,1000)", "set_startv(0,2,1000)", "set_startv(0,3,1000)", "set_startv(0,4,1000)",
        "set_acc(0,1,25000)", "set_acc(0,2,100000)", "set_acc(0,3,2500)", "set_acc(0,4,10000)",
    };
    EXPECT_EQ(CallLog::Calls(), want);
}

TEST_F(StartUp, OneCardGivesNoMessage) {
    SeedHome();
    CallLog::Install(program.ctx.card, 1);
    Load();
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(program.ctx.run.gCardRet, 1);
}

TEST_F(StartUp, AMissingCardLibraryReadsAsNoCard) {
    SeedHome();
    ::setenv("VELBEND_CARDLIB", "/nonexistent/libTarvikM.so", 1);
    program.ctx.card = Card();
    Load();
    ::unsetenv("VELBEND_CARDLIB");
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.messages.back().text, "Tarvik卡未正确安装");
    EXPECT_EQ(program.ctx.panel.Timer2Interval, 30);
}

TEST_F(StartUp, MachineOptionsEnableTheirControls) {
    sys.gCutterUpDownMode = 0;
    sys.gBendMechanisms = 0;
    sys.gFeedRetract = 20;
    SeedHome();
    home.Write("formtext.ini", "60\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 1 \r\n 0 \r\n");
    Load();
    EXPECT_FALSE(m.Control("TextZ").enabled);
    EXPECT_FALSE(m.Control("Label1(5)").enabled);
    EXPECT_FALSE(m.Control("Command_Z1").enabled);
    EXPECT_FALSE(m.Control("TextY").enabled);
    EXPECT_FALSE(m.Control("Command10(4)").enabled);
    EXPECT_FALSE(m.Control("Check4").enabled);
    EXPECT_EQ(program.ctx.panel.Check4, 1);  // the saved 1 ticks the disabled box again
}

TEST_F(StartUp, SecondBuildKeepsTheBendSeekZeroButton) {
    program.ctx.secondBuild = true;
    sys.gBendMechanisms = 0;
    sys.gCutterUpDownMode = 0;
    SeedHome();
    Load();
    EXPECT_TRUE(m.Control("Command_Z1").enabled);
    EXPECT_FALSE(m.Control("Command10(4)").enabled);
    EXPECT_EQ(m.controls.count("TextZ"), 0u);
    EXPECT_TRUE(m.List1Visible);
}

TEST_F(StartUp, FeedRetractThreshold) {
    for (auto [retract, enabled] : {std::pair{0, true}, std::pair{1, false}}) {
        sys.gFeedRetract = static_cast<int16_t>(retract);
        SeedHome();
        MainFormModel model(program);
        Form_Load(model);
        EXPECT_EQ(model.Control("Check4").enabled, enabled) << retract;
    }
}

TEST_F(StartUp, ControlPointFilesAreEmptiedAndTheJogSpeedShown) {
    SeedHome();
    home.Write("CtrP.dat", "SPLINE\r\n");
    home.Write("PointForControl.dat", "1 2\r\n");
    Load();
    EXPECT_EQ(home.Read("CtrP.dat"), "");
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    EXPECT_EQ(program.ctx.panel.Text2, " 1000");
}

TEST_F(StartUp, AClosedWindowLeavesNoCallbackInTheProgram) {
    SeedHome();
    auto& hooks = program.ctx.hooks;
    auto installed = [&] {
        return std::vector<bool>{static_cast<bool>(program.tranParas), static_cast<bool>(hooks.BuildDisplayList),
                                 static_cast<bool>(hooks.BuildCtrPFile), static_cast<bool>(hooks.CalcPathLength),
                                 static_cast<bool>(hooks.DiscardPicks)};
    };
    {
        MainFormModel first(program);
        Form_Load(first);
        EXPECT_EQ(installed(), std::vector<bool>(5, true));
    }
    EXPECT_EQ(installed(), std::vector<bool>(5, false));
    // A window opened again on the same program: closing the older one
    // afterwards leaves the newer one's callbacks in place.
    auto older = std::make_unique<MainFormModel>(program);
    Form_Load(*older);
    MainFormModel newer(program);
    Form_Load(newer);
    older.reset();
    ASSERT_EQ(installed(), std::vector<bool>(5, true));
    program.params.gSysParaTable.gConDet = 0.75;
    SaveSysPara(program.params, 0, 1, program.op(), program.tranParas);
    EXPECT_DOUBLE_EQ(newer.drawing.Core().ConDet, 0.75);
    double total = 0;
    int16_t lines = 0;
    EXPECT_TRUE(hooks.CalcPathLength(total, lines));
    hooks.DiscardPicks();
    hooks.BuildDisplayList(0);
}

// A square of side 100 shown and picked whole (two clicks on its first
// node); the display list of the outline alone.
DisplayList PickSquare(Program& program, MainFormModel& m, TempHome& home) {
    auto& d = m.drawing;
    GLResize(program, d, 756, 532);
    home.Write("PointForDisplay.dat", "SPLINE 1\r\n0 0 Node\r\n100 0 Node\r\n100 100 Node\r\n0 100 Node\r\n");
    EXPECT_TRUE(LoadDisplayPoints(program, d, 0));
    m.panel().Label4[0] = (home / "square.plt").string();
    BuildDisplayList(program, d, 0);
    const DisplayList outline = d.list;
    double X, Y;
    DrawingToPixel(program, 0, 0, X, Y);
    for (int k = 0; k < 2; ++k) Picture1_MouseDown(program, d, 1, 0, X, Y);
    EXPECT_EQ(d.pick.mSelCount, 1);
    EXPECT_FALSE(m.panel().Label4[2].empty());
    return outline;
}

TEST_F(StartUp, AGroupSwitchLeavesTheOutlineWithNothingPicked) {
    SeedHome();
    Load();
    auto& d = m.drawing;
    auto& panel = m.panel();
    const auto outline = PickSquare(program, m, home).Lines;
    ASSERT_NE(d.list.Lines, outline);

    切换参数组_Click(m);
    ASSERT_TRUE(Command3_Click(m, 1));
    EXPECT_EQ(d.pick.mSelCount, 0);
    EXPECT_EQ(home.Read("PointForControl.dat") + home.Read("CtrP.dat"), "");
    EXPECT_TRUE(panel.List1.empty());
    EXPECT_EQ(panel.Label4[1], "");
    EXPECT_EQ(panel.Label4[2], "");
    // The outline and its node squares, as before the pick.
    EXPECT_TRUE(d.list.Lines == outline);
}

// The cutter radius box and a picked path follow the table after a group
// switch and after a dialog's Save, so the window shows what Run makes.
TEST_F(StartUp, TheRadiusBoxAndThePathFollowTheTableAfterASwitchOrASave) {
    sys.gMillRadius = 3;
    WriteSys(1);
    sys.gMillRadius = 1.5;
    SeedHome();
    Load();
    ASSERT_EQ(m.Text15, " 1.5");
    Text15_Change(m, "2");  // typed, not saved
    切换参数组_Click(m);
    m.group.option1.fill(false);
    m.group.option1[1] = true;
    ASSERT_TRUE(Command3_Click(m, 1));
    EXPECT_EQ(m.Text15, " 3");

    PickSquare(program, m, home);
    auto& panel = m.panel();
    const auto listBefore = panel.List1;
    auto& table = program.params.gSysParaTable;
    const std::string before = SysParaBytes(table);
    table.gMillRadius = 6;  // as the dialog's Save left them
    table.gSlotThreshold = 100;  // the square's corners are no longer slotted
    SetupDialogClosed(m, before);
    EXPECT_EQ(m.Text15, " 6");
    const std::string rebuilt = home.Read("CtrP.dat");
    const auto list = panel.List1;
    const auto captions = panel.Label4;
    EXPECT_EQ(listBefore.size(), 4u);
    EXPECT_EQ(list.size(), 1u);
    ContourOffset(program, m.drawing);  // the contour offset of the new values changes nothing more
    EXPECT_EQ(home.Read("CtrP.dat"), rebuilt);
    EXPECT_EQ(panel.List1, list);
    EXPECT_EQ(panel.Label4, captions);
    // A dialog closed without a change leaves the box as typed.
    Text15_Change(m, "7.0");
    SetupDialogClosed(m, SysParaBytes(table));
    EXPECT_EQ(m.Text15, "7.0");
}

// ---- formtext.ini ------------------------------------------------------------

struct FormTextCase {
    const char* file;
    const char* Text3;
    const char* Text4;
    const char* Text7;
    int16_t Check2, Check3, Check4;
    const char* Text6;
    int16_t language;
    int16_t saveOffset;
};

TEST_F(StartUp, FormTextItemsAreApplied) {
    const FormTextCase cases[] = {
        {"5\r\n20\r\n150\r\n1\r\n", "5", "20", "150", 1, 0, 0, "0", 0, 0},
        {"60\r\n10\r\n100\r\n 0 \r\n 1 \r\n1.5\r\n 1 \r\n 2 \r\n", "60", "10", "100", 0, 1, 1, "1.50", 2, 1},
        {"60\r\n10\r\n100\r\n 0 \r\n 1 \r\n1.5\r\n 1 \r\n 0 \r\n", "60", "10", "100", 0, 1, 1, "0", 0, 0},
        {"", "60", "10", "100", 0, 0, 0, "0", 0, 0},
        {"60\r\n10\r\n100\r\n 5 \r\n", "60", "10", "100", 0, 0, 0, "0", 0, 0},
        // A comma typed into a box ends its item; the items after it stay on their lines.
        {"6,5\r\n20\r\n150\r\n 1 \r\n 0 \r\n0\r\n 1 \r\n 2 \r\n", "6", "20", "150", 1, 0, 1, "0", 2, 0},
        // An empty box comes back empty; blank lines at the end are no items.
        {"\r\n20\r\n150\r\n 1 \r\n", "", "20", "150", 1, 0, 0, "0", 0, 0},
        {"5\r\n20\r\n\r\n\r\n", "5", "20", "100", 0, 0, 0, "0", 0, 0},
    };
    for (const auto& c : cases) {
        sys.gSaveContourOffset = c.saveOffset;
        SeedHome();
        home.Write("formtext.ini", c.file);
        Program p(op);
        p.ctx.secondBuild = false;
        CallLog::Install(p.ctx.card, 1);
        MainFormModel model(p);
        Form_Load(model);
        const auto& panel = p.ctx.panel;
        SCOPED_TRACE(c.file);
        EXPECT_EQ(panel.Text3, c.Text3);
        EXPECT_EQ(panel.Text4, c.Text4);
        EXPECT_EQ(panel.Text7, c.Text7);
        EXPECT_EQ(panel.Check2, c.Check2);
        EXPECT_EQ(panel.Check3, c.Check3);
        EXPECT_EQ(panel.Check4, c.Check4);
        EXPECT_EQ(panel.Text6, c.Text6);
        EXPECT_EQ(p.params.gLanguage, c.language);
        EXPECT_EQ(model.controls["Command1"].text, c.language == 0 ? "轮廓偏移" : "Contour offset");
    }
}

TEST_F(StartUp, NoFeedEncoderClearsAndDisablesCheck3) {
    for (auto [port, check3, enabled] : {std::tuple{0, 0, false}, std::tuple{1, 1, true}}) {
        sys.gXEncoderPort = static_cast<int16_t>(port);
        SeedHome();
        home.Write("formtext.ini", "60\r\n10\r\n100\r\n 0 \r\n 1 \r\n0\r\n 0 \r\n 0 \r\n");
        Program p(op);
        p.ctx.secondBuild = false;
        CallLog::Install(p.ctx.card, 1);
        MainFormModel model(p);
        Form_Load(model);
        EXPECT_EQ(p.ctx.panel.Check3, check3) << port;
        EXPECT_EQ(p.ctx.panel.Check3Enabled, enabled) << port;
        Form_Unload(model);
        EXPECT_EQ(home.Read("formtext.ini").substr(18, 5), port ? " 1 \r\n" : " 0 \r\n");
    }
}

TEST_F(StartUp, ShutDownWritesTheEightLinesAndTheGroupFile) {
    SeedHome();
    home.Write("formtext.ini", "");
    Load();
    CallLog::Calls().clear();
    std::filesystem::remove(home / "SysPara/SYS_0.ini");
    Form_Unload(m);
    EXPECT_EQ(home.Read("formtext.ini"), "60\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 0 \r\n 0 \r\n");
    EXPECT_TRUE(home.Exists("SysPara/SYS_0.ini"));
    EXPECT_TRUE(CallLog::Calls().empty());  // an idle close makes no card call
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_F(StartUp, ShutDownWhileBusyStopsFirst) {
    SeedHome();
    Load();
    program.ctx.run.gRunning = kTrue;
    program.ctx.run.mPaused = 1;
    Form_Unload(m);
    EXPECT_FALSE(IsMachineBusy(program.ctx.run));
    EXPECT_EQ(program.ctx.run.mPaused, 0);
    EXPECT_TRUE(home.Exists("formtext.ini"));
}

TEST_F(StartUp, EnglishIsSavedBackAsTwo) {
    SeedHome();
    home.Write("formtext.ini", "60\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 0 \r\n 2 \r\n");
    Load();
    EXPECT_EQ(m.controls["Check3"].text, "Encoder Enabled");
    Form_Unload(m);
    EXPECT_EQ(home.Read("formtext.ini").substr(31), " 2 \r\n");
}

// ---- captions ------------------------------------------------------------------

TEST_F(StartUp, FourthAxisCaptionsFollowTheAxisKindAndLanguage) {
    struct Case {
        int16_t kind, lang;
        const char *z2, *label, *unit, *lamp;
    };
    const Case cases[] = {
        {1, 1, "Forward SeekZero", "Forward Distance：", "mm", "ForWard Zero Switch"},
        {1, 0, "进 刀 回 零", "进刀距离：", "mm", "进刀零位开关"},
        {0, 1, "Swing SeekZero", "Swing Angle：", "deg", "Swing Zero Switch"},
        {0, 0, "摆 刀 回 零", "摆刀角度：", "deg", "摆刀零位开关"},
    };
    for (const auto& c : cases) {
        program.params.gSysParaTable.gAxisKindA = c.kind;
        if (c.lang) English_Click(m);
        else Chinese_Click(m);
        EXPECT_EQ(m.controls["Command_Z2"].text, c.z2);
        EXPECT_EQ(m.controls["Label1(6)"].text, c.label);
        EXPECT_EQ(m.controls["Label0(3)"].text, c.unit);
        EXPECT_EQ(m.controls["Label3(3)"].text, c.lamp);
    }
}

TEST_F(StartUp, NoSwingOnTheFrontSideDisablesTheFourthAxisButtonForGood) {
    auto& s = program.params.gSysParaTable;
    s.gSwingModeP = 1;
    s.gSlotSides = 1;
    Form_Activate(m);
    EXPECT_FALSE(m.Control("Command_Z2").enabled);
    s.gSlotSides = 0;
    Form_Activate(m);
    EXPECT_FALSE(m.Control("Command_Z2").enabled);
    MainFormModel other(program);
    s.gSwingModeP = 0;
    s.gSlotSides = 1;
    Form_Activate(other);
    EXPECT_TRUE(other.Control("Command_Z2").enabled);
}

TEST_F(StartUp, ActivationReplacesATypedJogSpeed) {
    program.ctx.panel.Text2 = "1234";
    program.params.gSysParaTable.gAxisPara[1].ManualFeedrate = 800;
    Form_Activate(m);
    EXPECT_EQ(program.ctx.panel.Text2, " 800");
}

TEST_F(StartUp, TitleWithAndWithoutCaptionFile) {
    for (bool cs7 : {false, true}) {
        program.ctx.secondBuild = cs7;
        program.params.gLanguage = 0;
        const char* v = cs7 ? "V2.2.1" : "V2.2.0";
        SeedHome();
        std::filesystem::remove(home / "Caption");
        MainFormModel a(program);
        Form_Load(a);
        EXPECT_EQ(a.controls["Form"].text, std::string("奥斯特尔-数控围字机控制系统Korvo-") + v);
        English_Click(a);
        EXPECT_EQ(a.controls["Form"].text, std::string("Ostrel-Numerical Bending Machine Control System Korvo-") + v);
        home.Write("Caption", "\xC9\xEE\xDB\xDA\r\nsecond line\r\n");  // 深圳 in GBK
        program.params.gLanguage = 0;
        MainFormModel b(program);
        home.Write("formtext.ini", "");
        Form_Load(b);
        EXPECT_EQ(b.controls["Form"].text, std::string("深圳 Korvo-") + v);
        English_Click(b);
        EXPECT_EQ(b.controls["Form"].text, std::string("深圳 Korvo-") + v);
        std::filesystem::remove(home / "Caption");
    }
}

TEST_F(StartUp, EveryCaptionIsWrittenInBothLanguages) {
    // The jog speed typed stays through a switch; activation after a dialog
    // takes the axis table's manual speed again.
    m.panel().Text2 = "20";
    English_Click(m);
    EXPECT_EQ(m.panel().Text2, "20");
    Chinese_Click(m);
    EXPECT_EQ(m.panel().Text2, "20");
    Form_Activate(m);
    EXPECT_EQ(m.panel().Text2, Str(static_cast<int>(program.ctx.axis(1).ManualFeedrate)));
    English_Click(m);
    for (const auto& c : MainCaptions()) EXPECT_EQ(m.controls[c.caption.name].text, c.caption.en) << c.caption.name;
    Chinese_Click(m);
    Chinese_Click(m);
    for (const auto& c : MainCaptions()) EXPECT_EQ(m.controls[c.caption.name].text, c.caption.zh) << c.caption.name;
    EXPECT_EQ(m.controls["取消删除"].text, "取消全部删除");
    // The second build has no machine-state panel and no TabStrip2.
    program.ctx.secondBuild = true;
    MainFormModel cs7(program);
    XianShiCE(cs7);
    EXPECT_EQ(cs7.controls.count("Frame5"), 0u);
    EXPECT_EQ(cs7.controls.count("TabStrip2.Tab(1)"), 0u);
    EXPECT_EQ(cs7.controls.count("Label3(0)"), 0u);
    EXPECT_EQ(cs7.controls.count("Label3(3)"), 0u);
    EXPECT_EQ(cs7.controls["Frame6"].text, "加工字形信息");
}

TEST_F(StartUp, TabNameFollowsTheLanguage) {
    struct Case {
        std::string before;
        int16_t lang;
        std::string after;
    };
    const Case cases[] = {{"控制", 1, "Control"}, {"Control", 0, "控制"}, {"设置", 1, "Setup"},
                          {"Setup", 0, "设置"},   {"控制", 0, "控制"},   {"other", 1, "other"}};
    for (const auto& c : cases) {
        m.Text1 = c.before;
        program.params.gLanguage = c.lang;
        XianShiCE(m);
        EXPECT_EQ(m.Text1, c.after) << c.before;
    }
}

// ---- small handlers --------------------------------------------------------------

TEST_F(StartUp, TabStripsShowTheirFrames) {
    TabStrip1_Click(m, 2);
    EXPECT_TRUE(m.Frame4Visible);
    EXPECT_EQ(m.Text1, "设置");
    TabStrip1_Click(m, 3);
    EXPECT_TRUE(m.Frame4Visible);
    TabStrip1_Click(m, 1);
    EXPECT_FALSE(m.Frame4Visible);
    EXPECT_EQ(m.Text1, "控制");
    // During a run the setup tab changes nothing.
    program.ctx.run.gRunning = kTrue;
    TabStrip1_Click(m, 2);
    EXPECT_FALSE(m.Frame4Visible);
    EXPECT_EQ(m.Text1, "控制");
    // A run flag of 1 is no run.
    program.ctx.run.gRunning = 1;
    TabStrip1_Click(m, 2);
    EXPECT_TRUE(m.Frame4Visible);

    int rebuilt = -1;
    program.ctx.hooks.BuildDisplayList = [&](int16_t sel) { rebuilt = sel; };
    TabStrip2_Click(m, 2);
    EXPECT_FALSE(m.Frame6Visible);
    EXPECT_TRUE(m.List1Visible);
    EXPECT_EQ(rebuilt, -1);
    program.ctx.run.gRunning = kTrue;
    TabStrip2_Click(m, 1);
    EXPECT_TRUE(m.Frame6Visible);
    EXPECT_FALSE(m.List1Visible);
    EXPECT_EQ(rebuilt, 0);
}

TEST_F(StartUp, ZeroSwitchLampArmsTheOverrideOnlyDuringAStroke) {
    struct Case {
        int16_t level;
        int32_t out1, out2;
        bool secondBuild;
        int16_t armed;
    };
    const Case cases[] = {{0, 1, 0, false, 0}, {1, 1, 0, false, 0}, {2, 0, 0, false, 0},
                          {2, 1, 0, false, 1}, {2, 0, 1, false, 1}, {2, 1, 0, true, 0}};
    for (const auto& c : cases) {
        program.params.gUserLevel = c.level;
        program.ctx.secondBuild = c.secondBuild;
        CallLog::Out1() = c.out1;
        CallLog::Out2() = c.out2;
        program.ctx.run.mSensorOverride = 0;
        Label3_Click(m, 0);
        EXPECT_EQ(program.ctx.run.mSensorOverride, c.armed) << c.level << c.out1 << c.out2;
    }
}

TEST_F(StartUp, CutterRadiusBoxSetsTheParameter) {
    Text15_Change(m, "1.25mm");
    EXPECT_DOUBLE_EQ(program.params.gSysParaTable.gMillRadius, 1.25);
    Text15_Change(m, "x");
    EXPECT_DOUBLE_EQ(program.params.gSysParaTable.gMillRadius, 0);
}

TEST_F(StartUp, SetupButtonsOpenTheirDialogs) {
    const std::tuple<int, int16_t, std::optional<int>> cases[] = {
        {0, 0, 0}, {1, 2, 1}, {2, 0, 2}, {3, 0, 6}, {3, 1, 3}, {3, 2, 3}, {4, 0, 4}, {5, 0, 5},
        {-1, 0, std::nullopt}, {6, 0, std::nullopt}};
    for (auto [index, level, want] : cases) EXPECT_EQ(Command10Dialog(index, level), want) << index << level;
}

}  // namespace
}  // namespace velbend::testing

// The main window's layout as numbers, the parameter-group frame.
#include <gtest/gtest.h>

#include "main_fixture.h"
#include "velbend/forms/main_layout.h"
#include "velbend/machine/run_state.h"

namespace velbend::testing {
namespace {

void ExpectRect(const MainLayout& l, const std::string& name, LayoutRect want, bool twips = false) {
    const auto& map = twips ? l.tw : l.px;
    auto it = map.find(name);
    ASSERT_NE(it, map.end()) << name;
    EXPECT_NEAR(it->second.Left, want.Left, 0.01) << name;
    EXPECT_NEAR(it->second.Top, want.Top, 0.01) << name;
    EXPECT_NEAR(it->second.Width, want.Width, 0.01) << name;
    EXPECT_NEAR(it->second.Height, want.Height, 0.01) << name;
}

TEST(MainLayout, At1008By710ClientPixels) {
    MainLayout l = DesignLayout(false);
    // 15 twips per pixel on both axes.
    ASSERT_TRUE(Form_Resize(l, 1008, 710, 15120, 10650, false));
    ExpectRect(l, "Picture1", {0, 0, 756, 532.5});
    ExpectRect(l, "TabStrip1", {756, 0, 252, 532.5});
    ExpectRect(l, "Frame1", {762, 24, 240, 135.5});
    ExpectRect(l, "Frame2", {762, 167.5, 240, 135.5});
    ExpectRect(l, "Frame3", {762, 311, 240, 135.5});
    ExpectRect(l, "Frame7", {762, 454.5, 240, 45});
    ExpectRect(l, "Frame4", {762, 24, 240, 476.5});
    ExpectRect(l, "Frame5", {6, 538.5, 351.4286, 165.5});
    ExpectRect(l, "Frame9", {363.4286, 538.5, 140.5714, 165.5});
    ExpectRect(l, "TabStrip2", {510, 538.5, 492, 165.5});
    ExpectRect(l, "Frame6", {519.84, 564.98, 472.32, 129.09});
    ExpectRect(l, "List1", {519.84, 564.98, 472.32, 129.09});
    ExpectRect(l, "OutFrame", {504 - 180, 355 - 130, 360, 260});
    ExpectRect(l, "QHparaFrame", {504 - 250, 355 - 0.6 * 410, 500, 410});
    // Inside the frames (twips): X = 240 px x 15, Y = 135.5 px x 15.
    ExpectRect(l, "Command10(2)", {360, 2 * 476.5 * 15 * 0.125 + 480, 2880, 450}, true);
    ExpectRect(l, "Command_TL", {288, 0.66 * 2032.5, 900, 0.18 * 2032.5}, true);
    ExpectRect(l, "Command_XZ", {288 + 2 * 900 + 2 * 180, 0.66 * 2032.5, 900, 0.18 * 2032.5}, true);
    ExpectRect(l, "Command_Z3", {288, 0.64 * 2032.5, 2952, 0.18 * 2032.5}, true);
    ExpectRect(l, "Text4", {288 + 864, 0.14 * 2032.5, 432, 285}, true);
    ExpectRect(l, "Command_Pause", {0.35 * 3600, 0.52 * 2032.5, 756, 0.33 * 2032.5}, true);
    ExpectRect(l, "Command1", {180, 0.28 * 675, 1440, 0.5 * 675}, true);
    ExpectRect(l, "Command4(2)", {0.1 * 2108.57, 0.15 * 2482.5, 0.8 * 2108.57, 375}, true);
    ExpectRect(l, "Line2", {0.3 * 7084.8, 0.325 * 1936.35 + 255, 0.64 * 7084.8, 0}, true);
    ExpectRect(l, "TextA", {1420, 0.6 * 2482.5 - 45, 850, 285}, true);
    int w = 0, h = 0;
    PictureSize(l, w, h);
    EXPECT_EQ(w, 756);
    EXPECT_EQ(h, 532);  // 532.5 rounds to even
}

TEST(MainLayout, ConversionFactorsComeFromTheOuterSize) {
    MainLayout l = DesignLayout(false);
    // Outer size 16 twips per client pixel across, 17 down.
    ASSERT_TRUE(Form_Resize(l, 1000, 700, 16000, 11900, false));
    // Frame4 240... : width 250 - 12 = 238 px.
    ExpectRect(l, "Command10(0)", {238 * 16 * 0.1, 480, 238 * 16 * 0.8, 238 * 17 * 0.125}, true);
    // The run buttons take their Left from the frame width times the Y factor.
    EXPECT_NEAR(l.tw["Command_Run"].Left, 0.08 * 238 * 17, 1e-9);
    EXPECT_NEAR(l.tw["Text2"].Left, 0.08 * 238 * 16 + 0.35 * 238 * 16 + 4 * 16, 1e-9);
}

TEST(MainLayout, SizeGuardKeepsThePreviousLayout) {
    struct Case {
        double w, h;
        bool applied;
    };
    const Case cases[] = {{9999, 9000, false}, {10000, 9000, true}, {12000, 7999, false}, {12000, 8000, true}};
    for (const auto& c : cases) {
        MainLayout l = DesignLayout(false);
        const MainLayout before = l;
        EXPECT_EQ(Form_Resize(l, 1200, 800, c.w, c.h, false), c.applied) << c.w << "x" << c.h;
        if (c.applied) {
            EXPECT_DOUBLE_EQ(l.px["Picture1"].Width, 900);
        }
        else EXPECT_EQ(l.px, before.px);
    }
}

TEST(MainLayout, BottomBandFollowsThePicture) {
    MainLayout l = DesignLayout(false);
    for (double h : {600.0, 800.0, 1000.0}) {
        ASSERT_TRUE(Form_Resize(l, 1200, h, 18000, h * 15, false));
        EXPECT_DOUBLE_EQ(l.px["Frame5"].Top, l.px["Picture1"].Height + 6);
        EXPECT_DOUBLE_EQ(l.px["TabStrip2"].Top, l.px["Picture1"].Height + 6);
    }
}

TEST(MainLayout, SecondBuild) {
    MainLayout l = DesignLayout(true);
    ASSERT_TRUE(Form_Resize(l, 1008, 710, 15120, 10650, true));
    ExpectRect(l, "Frame1", {762, 24, 240, 75.5});
    ExpectRect(l, "Frame2", {762, 107.5, 240, 160.5});
    ExpectRect(l, "Frame3", {762, 276, 240, 160.5});
    ExpectRect(l, "Frame7", {762, 444.5, 240, 55});
    ExpectRect(l, "Frame6", {6, 538.5, 492, 165.5});
    ExpectRect(l, "Frame9", {504, 538.5, 140.5714, 165.5});
    ExpectRect(l, "List1", {650.5714, 543.5, 351.4286, 165.5});
    ExpectRect(l, "Command_SL", {288 + 900 + 180, 0.3 * 1132.5, 900, 0.4 * 1132.5}, true);
    EXPECT_EQ(l.px.count("Frame5"), 0u);
    EXPECT_EQ(l.px.count("TabStrip2"), 0u);
}

// ---- parameter-group frame --------------------------------------------------

using GroupFrameTest = MainModelTest;

TEST_F(GroupFrameTest, SwitchShowsTheNamesAndRewritesParaGroup) {
    SeedHome();
    WriteSys(2);
    WriteCurvature(0, 4);
    Load();
    program.params.gLanguage = 1;
    program.params.gSysGroupNames[2] = "A";
    program.params.gWanFuGroupNames[0] = "B";
    m.group.option1 = {};
    m.group.option1[2] = true;
    home.Write("PointForControl.dat", "picked\r\n");
    切换参数组_Click(m);
    m.group.option1 = {};
    m.group.option1[2] = true;
    EXPECT_TRUE(m.group.visible);
    ASSERT_TRUE(Command3_Click(m, 1));
    EXPECT_EQ(op.LastText(), "Current Sys Parameter:A，Curvature Parameter:B");
    EXPECT_EQ(program.params.gSysGroup, 2);
    EXPECT_FALSE(m.group.visible);
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    const std::string paraGroup = home.Read("ParaGroup.ini");
    auto lines = SplitLines(paraGroup);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0], " 3 ");
    EXPECT_EQ(lines[3], "A");
}

TEST_F(GroupFrameTest, SwitchAndCopyRefuseWhileBusy) {
    SeedHome();
    Load();
    program.ctx.run.gRunning = kTrue;
    m.group.option1 = {};
    m.group.option1[3] = true;
    for (int16_t index : {1, 3, 4}) {
        op.messages.clear();
        EXPECT_FALSE(Command3_Click(m, index)) << index;
        EXPECT_FALSE(op.messages.empty()) << index;
    }
    EXPECT_EQ(program.params.gSysGroup, 0);
}

TEST_F(GroupFrameTest, CopyButtonsShowFromUserLevelOne) {
    for (auto [level, shown] : {std::pair{0, false}, std::pair{1, true}, std::pair{2, true}}) {
        program.params.gUserLevel = static_cast<int16_t>(level);
        切换参数组_Click(m);
        EXPECT_EQ(m.group.copyButtonsVisible, shown) << level;
    }
}

TEST_F(GroupFrameTest, CopyButtonsFollowTheLevelWhileTheFrameStaysOpen) {
    SeedHome();
    Load();
    program.params.gUserLevel = 1;
    切换参数组_Click(m);
    ASSERT_TRUE(m.group.copyButtonsVisible);
    // The users dialog opens over the open frame and closes with another
    // level: the buttons follow it, the frame stays open.
    for (auto [level, shown] : {std::pair{0, false}, std::pair{2, true}, std::pair{0, false}, std::pair{1, true}}) {
        const std::string before = DialogOpening(m);
        program.params.gUserLevel = static_cast<int16_t>(level);
        DialogClosed(m, before);
        EXPECT_EQ(m.group.copyButtonsVisible, shown) << level;
        EXPECT_TRUE(m.group.visible) << level;
    }
    // A copy pressed below level 1 all the same is refused and writes no
    // group's files; from level 1 on it copies.
    const std::pair<int16_t, const char*> refusals[] = {
        {0, "机床用户不能复制参数组！"}, {1, "Machine User cannot copy the parameter groups!"}};
    program.params.gUserLevel = 0;
    for (const auto& [lang, text] : refusals) {
        program.params.gLanguage = lang;
        for (int16_t index : {3, 4}) {
            op.messages.clear();
            EXPECT_FALSE(Command3_Click(m, index)) << index;
            ASSERT_EQ(op.messages.size(), 1u) << index;
            EXPECT_EQ(op.LastText(), text);
            EXPECT_EQ(op.messages[0].title, lang == 0 ? "操作提示" : "Operation Tips");
        }
    }
    for (int g = 1; g < 10; ++g) {
        EXPECT_FALSE(home.Exists(SysParaFileName(g))) << g;
        EXPECT_FALSE(home.Exists("SysPara/wanfubiaoP_" + std::to_string(g) + ".ini")) << g;
        EXPECT_FALSE(home.Exists("SysPara/pfjj_" + std::to_string(g) + ".ini")) << g;
    }
    program.params.gUserLevel = 1;
    EXPECT_TRUE(Command3_Click(m, 3));
    EXPECT_TRUE(Command3_Click(m, 4));
    EXPECT_TRUE(home.Exists(SysParaFileName(9)));
    EXPECT_TRUE(home.Exists("SysPara/pfjj_9.ini"));
}

}  // namespace
}  // namespace velbend::testing

#include "velbend/params/groups.h"

#include "velbend/common/codepage.h"
#include "velbend/common/textfile.h"
#include "velbend/params/curvature.h"
#include "velbend/params/pfjj.h"
#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

using namespace velbend;
using velbend::testing::TempHome;
using velbend::testing::TestData;

namespace {

// ParaGroup.ini with system group `sys` and curvature group `wf` (from 1).
std::string GroupFile(const std::string& sys, const std::string& wf) {
    TextBuilder b;
    b.Line(sys);
    for (int i = 0; i < 10; ++i) b.LineUtf8("设备" + std::to_string(i));
    b.Line(wf);
    for (int i = 0; i < 10; ++i) b.LineUtf8(i == 1 ? "" : "Curve " + std::to_string(i));
    return b.bytes();
}

struct Hooks {
    int tran = 0, cls = 0;
    double conDet = 0;
    GroupSwitchHooks get() {
        return {[this](double a, double, double, int16_t, double, double) { ++tran; conDet = a; },
                [this] { ++cls; }};
    }
};

std::string Sys(double conDet) {
    SysPara t;
    ParseSysPara(*ReadFileBytes(TestData("SYS_golden.ini")), t);
    t.gConDet = conDet;
    return SysParaBytes(t);
}

}  // namespace

TEST(ParaGroupFile, TwentyTwoLinesInGbk) {
    ParamStore st;
    st.gSysGroup = 2;
    st.gWanFuGroup = 9;
    st.gSysGroupNames[0] = "铝材";
    st.gSysGroupNames[1] = "A,B";     // a comma would split the line on reading
    st.gWanFuGroupNames[9] = "不锈钢 1.0";
    std::string expect = " 3 \r\n\xC2\xC1\xB2\xC4\r\nA\xA3\xAC" "B\r\n";
    for (int i = 0; i < 8; ++i) expect += "\r\n";
    expect += " 10 \r\n";
    for (int i = 0; i < 9; ++i) expect += "\r\n";
    expect += Utf8ToGbk("不锈钢 1.0") + "\r\n";
    EXPECT_EQ(ParaGroupBytes(st), expect);
    EXPECT_EQ(SplitLines(expect).size(), 22u);

    ParamStore back;
    auto r = ParseParaGroup(expect, back);
    EXPECT_FALSE(r.missing || r.shortFile || r.badSysGroup || r.badWanFuGroup);
    EXPECT_EQ(back.gSysGroup, 2);
    EXPECT_EQ(back.gWanFuGroup, 9);
    EXPECT_EQ(back.gSysGroupNames[0], "铝材");
    EXPECT_EQ(back.gSysGroupNames[1], "A，B");
    EXPECT_EQ(back.gWanFuGroupNames[9], "不锈钢 1.0");
    EXPECT_EQ(ParaGroupBytes(back), expect);
}

TEST(ParaGroupFile, GroupNumbers) {
    struct Case { std::string sys, wf; int16_t wantSys, wantWf; bool missing, bad; };
    const Case cases[] = {
        {" 3 ", " 1 ", 2, 0, false, false},
        {" 10 ", " 10 ", 9, 9, false, false},
        {" 0 ", " 0 ", 0, 0, true, false},
        {" 0 ", " 5 ", 0, 4, false, true},   // only one number is 0
        {" 11 ", " 2 ", 0, 1, false, true},
        {"-3", " 2 ", 0, 1, false, true},
        {" 2 ", "abc", 1, 0, false, true},
        {" 2.5 ", " 1E1 ", 1, 9, false, false},  // 2.5 rounds to even
        {" 99999 ", " 1 ", 0, 0, false, true},
    };
    for (const auto& c : cases) {
        ParamStore st;
        st.gSysGroup = 7;
        auto r = ParseParaGroup(GroupFile(c.sys, c.wf), st);
        EXPECT_EQ(st.gSysGroup, c.wantSys) << c.sys;
        EXPECT_EQ(st.gWanFuGroup, c.wantWf) << c.wf;
        EXPECT_EQ(r.missing, c.missing) << c.sys;
        EXPECT_EQ(r.badSysGroup || r.badWanFuGroup, c.bad) << c.sys << c.wf;
    }
}

TEST(ParaGroupFile, StartUpReading) {
    TempHome home;
    {
        RecordingOperator op;
        ParamStore st;
        ReadParaGroup(st, op);  // no file
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.messages[0].text, "缺少参数组配置文件！");
        EXPECT_EQ(st.gSysGroup, 0);
        EXPECT_EQ(st.gSysGroupNames[3], "");
    }
    {
        home.Write("ParaGroup.ini", "");
        RecordingOperator op;
        ParamStore st;
        st.gLanguage = 1;  // not read yet at start-up: Chinese all the same
        ReadParaGroup(st, op);
        EXPECT_EQ(op.LastText(), "缺少参数组配置文件！");
    }
    {
        home.Write("ParaGroup.ini", GroupFile(" 12 ", " 3 "));
        RecordingOperator op;
        ParamStore st;
        auto r = ReadParaGroup(st, op);
        EXPECT_TRUE(r.badSysGroup);
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_NE(op.LastText().find("ParaGroup.ini"), std::string::npos);
        EXPECT_EQ(st.gSysGroup, 0);
        EXPECT_EQ(st.gWanFuGroup, 2);
        EXPECT_EQ(st.gSysGroupNames[4], "设备4");
        EXPECT_EQ(st.gWanFuGroupNames[1], "");
    }
    {
        std::string cut = GroupFile(" 2 ", " 2 ");
        cut = cut.substr(0, cut.find("Curve 5"));  // truncated: names 5..9 missing
        home.Write("ParaGroup.ini", cut);
        RecordingOperator op;
        ParamStore st;
        st.gWanFuGroupNames[7] = "stale";
        auto r = ReadParaGroup(st, op);
        EXPECT_TRUE(r.shortFile);
        EXPECT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(st.gSysGroup, 1);
        EXPECT_EQ(st.gWanFuGroupNames[4], "Curve 4");
        EXPECT_EQ(st.gWanFuGroupNames[7], "");
    }
}

TEST(GroupMenus, CurrentGroupsAndOpeningTheFrame) {
    ParamStore st;
    st.gSysGroup = 1;
    st.gWanFuGroup = 2;
    st.gSysGroupNames[1] = "铝";
    st.gWanFuGroupNames[2] = "钢";
    RecordingOperator op;
    ShowCurrentGroups(st, op);
    EXPECT_EQ(op.LastText(), "当前系统参数：铝，曲率表参数：钢");
    EXPECT_EQ(op.messages.back().title, "");
    st.gLanguage = 1;
    ShowCurrentGroups(st, op);
    EXPECT_EQ(op.LastText(), "Current Sys Parameter:铝，Curvature Parameter:钢");

    for (int16_t level : {0, 1, 2}) {
        GroupFrame f;
        f.option1[7] = true;
        st.gUserLevel = level;
        OpenGroupFrame(st, f);
        EXPECT_TRUE(f.visible);
        EXPECT_EQ(f.copyButtonsVisible, level >= 1);
        EXPECT_TRUE(f.option1[1]);
        EXPECT_FALSE(f.option1[7]);
        EXPECT_TRUE(f.option2[2]);
        GroupFrameCommand(2, st, f, op, false, {});
        EXPECT_FALSE(f.visible);
    }
}

TEST(GroupFrame, SaveNamesMakesCommasFullWidth) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    GroupFrame f;
    FillGroupNames(st, f);
    f.text11[0] = "Alu, 1mm";
    f.text13[9] = "第二\r\n行";
    f.text11[3] = "";
    f.visible = true;
    ASSERT_TRUE(GroupFrameCommand(0, st, f, op, false, {}));
    EXPECT_EQ(st.gSysGroupNames[0], "Alu， 1mm");
    EXPECT_EQ(f.text11[0], "Alu， 1mm");
    EXPECT_EQ(st.gWanFuGroupNames[9], "第二  行");
    EXPECT_TRUE(f.visible);
    EXPECT_TRUE(op.messages.empty());
    std::string file = home.Read("ParaGroup.ini");
    EXPECT_EQ(SplitLines(file).size(), 22u);
    ParamStore back;
    ParseParaGroup(file, back);
    EXPECT_EQ(back.gSysGroupNames, st.gSysGroupNames);
    EXPECT_EQ(back.gWanFuGroupNames, st.gWanFuGroupNames);

    // Names with characters that GBK cannot hold are refused, naming their
    // groups: nothing is stored or written, the boxes keep what was typed.
    struct Unstorable { int16_t lang; const char* sys3; const char* wanFu0; const char* text; };
    const Unstorable rows[] = {
        {0, "Ø", "", "参数组说明含有不能保存的字符，请重新输入：设备参数组4"},
        {1, "Straße", "\xF0\x9F\x98\x80", "Group names hold characters that cannot be saved, Please input again: "
                                            "Machine Parameter 4, Curvature Parameter 1"},
        {0, "ok", "钢\xEF\xBF\xBD", "参数组说明含有不能保存的字符，请重新输入：曲率表参数组1"},
    };
    const auto names = st.gSysGroupNames;
    for (const Unstorable& r : rows) {
        st.gLanguage = r.lang;
        f.text11[3] = r.sys3;
        f.text13[0] = r.wanFu0;
        op.messages.clear();
        EXPECT_FALSE(GroupFrameCommand(0, st, f, op, false, {})) << r.sys3;
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.LastText(), r.text);
        EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(st.gSysGroupNames, names);
        EXPECT_EQ(f.text11[3], r.sys3);
        EXPECT_EQ(home.Read("ParaGroup.ini"), file);
    }
    // What GBK holds is saved (é is in GBK); a name read from a damaged
    // file and left as it stands does not stop the others.
    f.text11[3] = "Café";
    f.text13[0] = "";
    st.gWanFuGroupNames[5] = f.text13[5] = "\xEF\xBF\xBD";
    EXPECT_TRUE(GroupSaveNames(st, f, op));
    EXPECT_EQ(st.gSysGroupNames[3], "Café");
    st.gLanguage = 0;

    std::filesystem::remove(home / "ParaGroup.ini");
    std::filesystem::create_directories(home / "ParaGroup.ini");
    EXPECT_FALSE(GroupSaveNames(st, f, op));
    EXPECT_EQ(op.LastText(), "参数保存失败：ParaGroup.ini");
}

TEST(GroupFrame, SwitchReadsTheNewGroupsWhole) {
    TempHome home;
    home.Write("ParaGroup.ini", GroupFile(" 1 ", " 1 "));
    home.Write("SysPara/SYS_2.ini", Sys(0.25));
    home.Write("SysPara/wanfubiaoP_3.ini", "10.00, 500.00\r\n20.00, 100.00\r\n");
    home.Write("SysPara/wanfubiaoN_3.ini", "-10.00, 500.00\r\n");
    RecordingOperator op;
    ParamStore st;
    ReadParaGroup(st, op);
    st.gSysParaTable.gConDet = 9;
    st.gWanFuPLast = 5;
    GroupFrame f;
    OpenGroupFrame(st, f);
    f.option1 = {};
    f.option1[2] = true;
    f.option2 = {};
    f.option2[3] = true;
    f.text11[2] = "typed, not saved";
    Hooks hooks;

    // Busy machine: refused, nothing changes.
    EXPECT_FALSE(GroupFrameCommand(1, st, f, op, true, hooks.get()));
    EXPECT_EQ(op.LastText(), "设备正在运行，不能切换参数组！");
    EXPECT_EQ(st.gSysGroup, 0);
    EXPECT_TRUE(f.visible);

    ASSERT_TRUE(GroupFrameCommand(1, st, f, op, false, hooks.get()));
    EXPECT_EQ(st.gSysGroup, 2);
    EXPECT_EQ(st.gWanFuGroup, 3);
    EXPECT_DOUBLE_EQ(st.gSysParaTable.gConDet, 0.25);
    EXPECT_EQ(st.gWanFuPLast, 1);
    EXPECT_EQ(st.gWanFuNLast, 0);
    EXPECT_DOUBLE_EQ(st.mWanFuN[0].Value, -10);
    EXPECT_EQ(st.gPfjjLast, 4);
    EXPECT_EQ(home.Read("pfjj.ini").substr(0, 19), " 40            1 \r\n");
    EXPECT_EQ(hooks.tran, 1);
    EXPECT_DOUBLE_EQ(hooks.conDet, 0.25);
    EXPECT_EQ(hooks.cls, 1);
    EXPECT_FALSE(f.visible);
    EXPECT_EQ(op.LastText(), "当前系统参数切换至设备2，曲率表参数切换至Curve 3");
    ParamStore back;
    ParseParaGroup(home.Read("ParaGroup.ini"), back);
    EXPECT_EQ(back.gSysGroup, 2);
    EXPECT_EQ(back.gWanFuGroup, 3);
    EXPECT_EQ(back.gSysGroupNames[2], "设备2");  // the box's text is not stored
    EXPECT_EQ(std::filesystem::current_path(), home.path());
}

TEST(GroupFrame, SwitchWithAFileMissingChangesNothing) {
    TempHome home;
    home.Write("SysPara/wanfubiaoP_1.ini", "10.00, 500.00\r\n");
    home.Write("SysPara/wanfubiaoN_1.ini", "10.00, 500.00\r\n");
    home.Write("SysPara/SYS_4.ini", Sys(0.5).substr(0, 500));  // short
    home.Write("SysPara/pfjj_1.ini", " 40            1 \r\n 100           2 \r\n 0             3 \r\n");
    RecordingOperator op;
    ParamStore st;
    st.gLanguage = 1;
    st.gSysParaTable.gConDet = 9;
    st.gWanFuPLast = 5;
    st.gPfjjLast = 4;
    GroupFrame f;
    OpenGroupFrame(st, f);
    f.option1[4] = true;  // the last checked wins
    f.option2[1] = true;
    Hooks hooks;
    EXPECT_FALSE(GroupSwitch(st, f, op, false, hooks.get()));
    EXPECT_NE(op.LastText().find("SysPara/SYS_4.ini"), std::string::npos);
    EXPECT_EQ(op.LastText().find("wanfubiao"), std::string::npos);
    EXPECT_EQ(st.gSysGroup, 0);
    EXPECT_EQ(st.gWanFuGroup, 0);
    EXPECT_EQ(st.gWanFuPLast, 5);
    EXPECT_DOUBLE_EQ(st.gSysParaTable.gConDet, 9);
    EXPECT_EQ(hooks.tran + hooks.cls, 0);
    EXPECT_TRUE(f.visible);
    EXPECT_FALSE(home.Exists("ParaGroup.ini"));

    // With the whole file the switch goes through; the group's spacing rows are used.
    home.Write("SysPara/SYS_4.ini", Sys(0.5));
    EXPECT_TRUE(GroupSwitch(st, f, op, false, hooks.get()));
    EXPECT_EQ(st.gSysGroup, 4);
    EXPECT_EQ(st.gPfjjLast, 3);
    EXPECT_FALSE(home.Exists("pfjj.ini"));
    EXPECT_EQ(op.LastText(), "Current Sys Parameter:，Curvature Parameter:");
}

TEST(GroupFrame, CopyToAllGroups) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    ParseSysPara(*ReadFileBytes(TestData("SYS_golden.ini")), st.gSysParaTable);
    st.gWanFuGroupNames[6] = "六";
    st.gSysGroupNames[3] = "三";
    st.mWanFuP[0] = {1, 2};
    st.gPfjjLast = 2;
    st.gPfjjTable[0] = {50, 1.5};
    st.gPfjjTable[1] = {0, 2};
    Hooks hooks;
    GroupFrame f;
    // Below user level 1 the copies are refused and write nothing.
    for (int index : {3, 4}) {
        EXPECT_FALSE(GroupFrameCommand(index, st, f, op, false, hooks.get())) << index;
        EXPECT_EQ(op.LastText(), "机床用户不能复制参数组！");
    }
    EXPECT_FALSE(home.Exists("SysPara/SYS_0.ini"));
    EXPECT_FALSE(home.Exists("SysPara/pfjj_0.ini"));
    EXPECT_EQ(hooks.tran, 0);
    st.gUserLevel = 1;
    ASSERT_TRUE(GroupFrameCommand(3, st, f, op, false, hooks.get()));
    EXPECT_EQ(op.LastText(), "设备参数复制完成！");
    EXPECT_EQ(op.messages.back().title, "操作提示");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(home.Read("SysPara/SYS_" + std::to_string(i) + ".ini"), SysParaBytes(st.gSysParaTable));
    EXPECT_EQ(hooks.tran, 1);

    ASSERT_TRUE(GroupFrameCommand(4, st, f, op, false, hooks.get()));
    EXPECT_EQ(op.LastText(), "曲率表参数复制完成！");
    for (int i = 0; i < 10; ++i) {
        std::string g = std::to_string(i);
        EXPECT_EQ(home.Read("SysPara/wanfubiaoP_" + g + ".ini"), "1.00, 2.00\r\n");
        EXPECT_EQ(home.Read("SysPara/wanfubiaoN_" + g + ".ini"), "0.00, 0.00\r\n");
        EXPECT_EQ(home.Read("SysPara/pfjj_" + g + ".ini"), " 50            1.5 \r\n 0             2 \r\n");
    }

    // Groups whose files cannot be written are named; the others are written.
    std::filesystem::remove(home / "SysPara/SYS_3.ini");
    std::filesystem::create_directories(home / "SysPara/SYS_3.ini");
    std::filesystem::remove(home / "SysPara/pfjj_6.ini");
    std::filesystem::create_directories(home / "SysPara/pfjj_6.ini");
    std::filesystem::remove(home / "SysPara/SYS_5.ini");
    EXPECT_FALSE(GroupCopySysToAll(st, op, nullptr));
    EXPECT_EQ(op.LastText(), "以下参数组复制失败：4（三）。其余参数组已复制。");
    EXPECT_TRUE(home.Exists("SysPara/SYS_5.ini"));
    st.gLanguage = 1;
    EXPECT_FALSE(GroupCopyWanFuToAll(st, op));
    EXPECT_EQ(op.LastText(), "Copy failed for groups: 7 (六). The other groups were copied.");
    EXPECT_EQ(op.messages.back().title, "Wrong");
}

// The machine setup dialog's fields: interlocks, the stroke rule, the
// sequence words, the user-level greying, conversions and Save.
#include "velbend/forms/sb_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "velbend/params/sysfile.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class SbFormTest : public ::testing::Test {
protected:
    SbFormTest() : program(op) {
        auto& t = program.params.gSysParaTable;
        t.gCutterAngle = 30;
        t.gCutTimes = 3;
        t.gCutStrokes = {1, 2, 3};
        t.gSlotLetters = "UDPN";
        t.gBendMechanisms = 1;
        t.gAxisPara[4].ZeroCompDistance = 5;
        program.params.gUserLevel = 2;
        program.params.gSysGroupNames[0] = "标准";
    }
    SB_Model Open() {
        SB_Model f(program);
        f.Form_Load();
        return f;
    }

    testing::TempHome home;
    RecordingOperator op;
    Program program;
};

// Each option (group, index), from a table with every other option at 0,
// and what LogicLimit then makes of the controls.  Later rules win over
// earlier ones for the same control (rule 3 over rule 1 for Text1(1)).
TEST_F(SbFormTest, LogicLimitRulesInTheirOrder) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int16_t>> clicks;
        std::vector<std::pair<const char*, bool>> enabled;
        int16_t cutTimes = 3;  // the saved number of cuts
    };
    const Case cases[] = {
        {"outputs, sensor", {{2, 0}, {3, 0}},
         {{"Option3(0)", true}, {"Option3(1)", true}, {"Text1(1)", false}, {"Label0(6)", false},
          {"Text1(2)", false}, {"Text1(6)", false}, {"Label1(8)", false}, {"Label0(5)", false}}},
        {"outputs, delay", {{2, 0}, {3, 1}},
         {{"Option3(1)", true}, {"Text1(1)", true}, {"Label0(6)", true}, {"Text1(2)", false}}},
        {"motor: delay greyed even when chosen", {{3, 1}, {2, 1}},
         {{"Option3(0)", false}, {"Option3(1)", false}, {"Text1(1)", false}, {"Label0(6)", false},
          {"Text1(2)", true}, {"Text1(6)", true}, {"Label1(8)", true}, {"Label0(5)", true}}},
        {"no forward feed", {{6, 0}},
         {{"Command3(4)", true}, {"Option4(0)", true}, {"Option4(3)", true}, {"Text1(3)", true},
          {"Text1(5)", true}, {"Label1(17)", true}, {"Frame7", true}, {"Option5(1)", true},
          {"Check1", false}, {"Text5(0)", false}, {"Text5(3)", false}, {"Label1(13)", false},
          {"Label0(4)", false}}},
        {"motor forward feed", {{6, 1}},
         {{"Command3(4)", false}, {"Option4(0)", false}, {"Option4(2)", false}, {"Text1(3)", false},
          {"Text1(5)", false}, {"Label1(9)", false}, {"Label0(11)", false}, {"Frame7", false},
          {"Option5(0)", false}, {"Check1", true}, {"Text5(0)", true}, {"Text5(2)", true},
          {"Label1(12)", true}, {"Label0(3)", true}, {"Text5(3)", true}, {"Label0(4)", true}}},
        {"motor forward feed, two cuts", {{6, 1}},
         {{"Text5(1)", true}, {"Label1(11)", true}, {"Text5(2)", false}, {"Label1(12)", false},
          {"Label0(3)", false}, {"Text5(3)", true}},
         2},
        {"motor forward feed, no cut", {{6, 1}}, {{"Text5(0)", false}, {"Label0(1)", false}, {"Text5(3)", true}}, 0},
        {"rollers", {{7, 0}}, {{"Text2(0)", false}, {"Label2(0)", false}, {"Label0(0)", false}}},
        {"mechanical hand", {{7, 1}}, {{"Text2(0)", true}, {"Label2(0)", true}, {"Label0(0)", true}}},
        {"no mechanism", {{8, 0}},
         {{"Text3(0)", false}, {"Text3(3)", false}, {"Label3(2)", false}, {"Label0(13)", false},
          {"Label0(16)", false}, {"Text3(4)", false}, {"Label3(4)", false}, {"Label0(8)", false}}},
        {"one mechanism", {{8, 1}},
         {{"Text3(0)", true}, {"Label0(16)", true}, {"Text3(4)", true}, {"Label0(8)", true}}},
        {"two mechanisms", {{8, 2}}, {{"Text3(2)", true}, {"Text3(4)", false}, {"Label3(4)", false}}},
    };
    for (const Case& c : cases) {
        program.params.gSysParaTable.gCutTimes = c.cutTimes;
        SB_Model f = Open();
        for (auto [group, index] : c.clicks) f.Option_Click(group, index);
        for (auto [name, on] : c.enabled) EXPECT_EQ(f.Enabled(name), on) << c.what << ": " << name;
    }
}

TEST_F(SbFormTest, CutterZeroFollowsTheSavedModeNotTheChoice) {
    auto& t = program.params.gSysParaTable;
    for (int16_t saved : {0, 1, 2}) {
        t.gCutterUpDownMode = saved;
        SB_Model f = Open();
        EXPECT_EQ(f.Visible("Command6(2)"), saved != 0) << saved;
        f.Option_Click(2, saved == 0 ? 1 : 0);
        EXPECT_EQ(f.Visible("Command6(2)"), saved != 0) << saved;
    }
    // Saved, then reopened: it follows the new mode.
    t.gCutterUpDownMode = 0;
    SB_Model f = Open();
    f.Option_Click(2, 1);
    ASSERT_TRUE(f.Command1_Click());
    EXPECT_TRUE(Open().Visible("Command6(2)"));
}

TEST_F(SbFormTest, StrokesBeyondTheCutCountAreGreyedAndZeroed) {
    program.params.gSysParaTable.gAxisKindA = 1;
    SB_Model f = Open();
    ASSERT_EQ(f.Checked("Option6(1)"), 1);
    f.Text1_Change(4, "1");
    EXPECT_TRUE(f.Enabled("Text5(0)"));
    EXPECT_EQ(f.Text("Text5(0)"), "1");
    for (int k : {1, 2}) {
        const std::string n = Indexed("Text5", k);
        EXPECT_FALSE(f.Enabled(n));
        EXPECT_FALSE(f.Enabled(Indexed("Label1", 10 + k)));
        EXPECT_FALSE(f.Enabled(Indexed("Label0", 1 + k)));
        EXPECT_EQ(f.Text(n), "0");
        EXPECT_EQ(f.Work().gCutStrokes[static_cast<std::size_t>(k)], 0);
    }
    EXPECT_EQ(f.Work().gCutStrokes[0], 1);
    f.Text1_Change(4, "2");  // the boundary: the second stroke is back
    EXPECT_TRUE(f.Enabled("Text5(1)"));
    EXPECT_FALSE(f.Enabled("Text5(2)"));
    f.Text1_Change(4, "3");
    for (int k : {1, 2}) {
        EXPECT_TRUE(f.Enabled(Indexed("Text5", k)));
        EXPECT_EQ(f.Text(Indexed("Text5", k)), "0");
    }
    // A saved stroke count opens the same way.
    EXPECT_EQ(f.Work().gCutTimes, 3);

    // Without the forward feed the count changes nothing else.
    program.params.gSysParaTable.gAxisKindA = 0;
    SB_Model g = Open();
    g.Text1_Change(4, "1");
    EXPECT_EQ(g.Text("Text5(2)"), "3");
    EXPECT_EQ(g.Work().gCutStrokes[2], 3);
}

TEST_F(SbFormTest, SequenceWordsInBothLanguagesAndTheReplacedLetter) {
    struct Case { int16_t language; const char* words[4]; const char* back; };
    const Case cases[] = {
        {0, {"上刀", "下刀", "正摆", "负摆"}, "退刀"},
        {1, {"Up", "Down", "Positive", "Negative"}, "Back"},
    };
    for (const Case& c : cases) {
        program.params.gLanguage = c.language;
        SB_Model f = Open();
        for (int k = 0; k < 4; ++k) EXPECT_EQ(f.Text(Indexed("Combo1", k)), c.words[k]);
        f.Combo1_Click(2, c.back);
        EXPECT_EQ(f.Work().gSlotLetters, "UDBN");
        f.Combo1_Click(0, "Forward-ish");  // typed, matches no word
        EXPECT_EQ(f.Work().gSlotLetters, "UDBN");
        f.Combo1_Click(3, c.language == 0 ? "Up" : "上刀");  // the other language's word
        EXPECT_EQ(f.Work().gSlotLetters, "UDBN");
    }
    // A stored letter outside the six leaves its box empty; a short
    // sequence is completed with blanks before a letter is set.
    program.params.gLanguage = 0;
    program.params.gSysParaTable.gSlotLetters = "UX";
    SB_Model f = Open();
    EXPECT_EQ(f.Text("Combo1(1)"), "");
    EXPECT_EQ(f.Text("Combo1(3)"), "");
    f.Combo1_Click(3, "进刀");
    EXPECT_EQ(f.Work().gSlotLetters, "UX F");
}

TEST_F(SbFormTest, MachineUserOnlyLooksAtTheSettings) {
    for (int16_t level : {0, 1}) {
        program.params.gUserLevel = level;
        SB_Model f = Open();
        for (const char* n : {"Frame1", "Frame2", "Frame9", "Frame10", "Command1"})
            EXPECT_EQ(f.Enabled(n), level != 0) << n;
        for (const char* n : {"Command6(0)", "Command6(1)", "Command7", "Command2"}) EXPECT_TRUE(f.Enabled(n)) << n;
    }
}

TEST_F(SbFormTest, FieldsKeepTheirValueOnBadTextWithAMessage) {
    SB_Model f = Open();
    f.Text2_Change(0, "12.5");
    EXPECT_EQ(f.Work().gHandStroke, 12.5);
    EXPECT_TRUE(op.messages.empty());
    for (const char* typing : {"", "-", ".", " +", "1e", "2E-"}) {  // being typed: kept, no message
        f.Text2_Change(0, typing);
        EXPECT_EQ(f.Work().gHandStroke, 12.5) << typing;
    }
    EXPECT_TRUE(op.messages.empty());
    f.Text2_Change(0, "12abc");  // strict: not a number
    EXPECT_EQ(f.Work().gHandStroke, 12.5);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "请输入数字：12abc");
    f.Text2_Change(0, "--");
    EXPECT_EQ(op.messages.size(), 2u);
    op.messages.clear();
    // A lenient field takes the leading number.
    f.Text1_Change(0, "12abc");
    EXPECT_EQ(f.Work().gCutterAngle, 12);
    // 16-bit fields: halves to even, the range is refused.
    f.Text1_Change(1, "32767");
    EXPECT_EQ(f.Work().gPositionDetectDelay, 32767);
    f.Text1_Change(1, "32768");
    EXPECT_EQ(f.Work().gPositionDetectDelay, 32767);
    EXPECT_EQ(op.messages.size(), 1u);
    f.Text1_Change(1, "2.5");
    EXPECT_EQ(f.Work().gPositionDetectDelay, 2);
    // Display only.
    EXPECT_EQ(f.Text("Text5(4)"), "-5");
    f.Text5_Change(4, "7");
    EXPECT_EQ(f.Work().gAxisPara[4].ZeroCompDistance, 5);
}

TEST_F(SbFormTest, StoredValueWithoutAButtonOpensAndIsKept) {
    auto& t = program.params.gSysParaTable;
    t.gCutterRotateMode = 2;
    t.gBendMechanisms = 3;
    SB_Model f = Open();
    EXPECT_EQ(f.Checked("Option1(0)") + f.Checked("Option1(1)"), 0);
    EXPECT_EQ(f.Checked("Option8(0)") + f.Checked("Option8(1)") + f.Checked("Option8(2)"), 0);
    EXPECT_FALSE(f.Enabled("Text3(4)"));
    ASSERT_TRUE(f.Command1_Click());
    EXPECT_EQ(t.gCutterRotateMode, 2);
    EXPECT_EQ(t.gBendMechanisms, 3);
}

TEST_F(SbFormTest, TitleAndCheckShownWithoutEdit) {
    program.params.gSysParaTable.gSeekZeroBeforeForward = 1;
    SB_Model f = Open();
    EXPECT_EQ(f.Title(), "设备综合设置-标准");
    EXPECT_EQ(f.Checked("Check1"), 1);
    f.Check1_Click(0);
    EXPECT_EQ(f.Work().gSeekZeroBeforeForward, 0);
    EXPECT_EQ(program.params.gSysParaTable.gSeekZeroBeforeForward, 1);  // not saved yet
    program.params.gLanguage = 1;
    EXPECT_EQ(f.Title(), "Machine Setup-标准");
}

// Every field and option reaches its own line of the table through Save,
// and nothing reaches the table before it.
TEST_F(SbFormTest, EveryFieldAndOptionIsSavedToItsLine) {
    const std::pair<const char*, int> fields[] = {
        {"Text1(0)", 47}, {"Text1(1)", 51}, {"Text1(2)", 52}, {"Text1(3)", 54}, {"Text1(4)", 65},
        {"Text1(5)", 57}, {"Text1(6)", 75}, {"Text2(0)", 67}, {"Text3(0)", 69}, {"Text3(1)", 70},
        {"Text3(2)", 71}, {"Text3(3)", 72}, {"Text3(4)", 73}, {"Text5(0)", 60}, {"Text5(1)", 61},
        {"Text5(2)", 62}, {"Text5(3)", 63},
    };
    struct Pick { int group; int16_t index; int line; };
    const Pick options[] = {{1, 1, 48}, {2, 1, 49}, {3, 1, 50}, {4, 1, 53}, {4, 3, 56},
                            {5, 1, 55}, {6, 1, 58}, {7, 1, 66}, {8, 2, 68}};
    SB_Model f = Open();
    for (auto [name, line] : fields) {
        const std::string n = name;
        const auto index = static_cast<int16_t>(n[6] - '0');
        const std::string text = std::to_string(100 + line);
        if (n.starts_with("Text1")) f.Text1_Change(index, text);
        else if (n.starts_with("Text2")) f.Text2_Change(index, text);
        else if (n.starts_with("Text3")) f.Text3_Change(index, text);
        else f.Text5_Change(index, text);
    }
    for (const Pick& o : options) f.Option_Click(o.group, o.index);
    f.Check1_Click(1);
    const SysPara& t = program.params.gSysParaTable;
    for (auto [name, line] : fields) EXPECT_NE(SysParaValue(t, line), 100 + line) << name << " before Save";
    ASSERT_TRUE(f.Command1_Click());
    for (auto [name, line] : fields) EXPECT_EQ(SysParaValue(t, line), 100 + line) << name;
    for (const Pick& o : options) EXPECT_EQ(SysParaValue(t, o.line), o.group == 8 ? 2 : 1) << o.line;
    EXPECT_EQ(t.gSeekZeroBeforeForward, 1);
    EXPECT_EQ(t.gAxisPara[4].ZeroCompDistance, 5);  // Back to Zero is shown only
}

// Save writes the group file: the golden file with only the edited lines
// changed, byte for byte.
TEST_F(SbFormTest, SaveChangesOnlyTheEditedLines) {
    std::ifstream in(testing::TestData("SYS_0.ini"), std::ios::binary);
    const std::string golden{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(golden.empty());
    home.Write("SysPara/SYS_0.ini", golden);
    ASSERT_TRUE(LoadSysPara(program.params, 0, op));
    program.params.gSysGroup = 0;
    SB_Model f = Open();
    f.Text1_Change(0, "45");
    f.Combo1_Click(0, "退刀");
    op.messages.clear();
    ASSERT_TRUE(f.Command1_Click());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    std::string want = golden;
    auto replaceLine = [&](int line, const std::string& value) {
        std::size_t at = 0;
        for (int i = 1; i < line; ++i) at = want.find("\r\n", at) + 2;
        const std::size_t end = want.find("\r\n", at);
        const std::string old = want.substr(at, end - at);
        want.replace(at, value.size() <= 14 ? 14 : value.size(), value + std::string(14 - value.size(), ' '));
        ASSERT_NE(old, want.substr(at, end - at));
    };
    replaceLine(47, " 45");
    replaceLine(64, "BDPN,");
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), want);
}

// A Save whose file cannot be written leaves the table as it was: the
// machine tests, which read the table, never run on unsaved values.
TEST_F(SbFormTest, AFailedSaveLeavesTheTableAsItWas) {
    const SysPara before = program.params.gSysParaTable;
    std::filesystem::create_directories(home / "SysPara/SYS_0.ini");  // no file can take its place
    SB_Model f = Open();
    f.Text1_Change(0, "45");
    f.Option_Click(2, 1);
    EXPECT_FALSE(f.Command1_Click());
    EXPECT_EQ(op.LastText(), "参数保存失败：SysPara/SYS_0.ini");
    EXPECT_EQ(SysParaBytes(program.params.gSysParaTable), SysParaBytes(before));
    EXPECT_EQ(f.Work().gCutterAngle, 45);
}

}  // namespace
}  // namespace velbend

#include "velbend/forms/dialog_common.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "velbend/forms/program.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

TEST(DialogTitle, CaptionDashAndCurrentGroupName) {
    ParamStore st;
    st.gSysGroupNames[2] = "铝边";
    st.gSysGroup = 2;
    EXPECT_EQ(DialogTitle("工艺参数", st), "工艺参数-铝边");
    st.gSysGroup = 10;  // never indexes past the names
    EXPECT_EQ(DialogTitle("Tech", st), "Tech-");
    st.gSysGroup = -1;
    EXPECT_EQ(DialogTitle("Tech", st), "Tech-");
}

TEST(Fields, IntegerLinesRoundHalfEvenAndRefuseOutOfRange) {
    // Line 17 is gComp (Integer), line 1 a double, axis 2's AutoFeedrate
    // (line 32) a Long, axis 1's (line 25) an Integer held in 32 bits.
    struct Case { int line; const char* text; double want; bool ok; };
    const Case cases[] = {
        {17, "1.5", 2, true},   {17, "2.5", 2, true},    {17, "-3.7", -4, true},
        {17, "12abc", 12, true}, {17, "", 0, true},       {17, "1,5", 1, true},
        {17, "32767", 32767, true}, {17, "32767.5", 0, false}, {17, "-32768", -32768, true},
        {17, "-32768.6", 0, false},
        {1, "1e300", 1e300, true},
        {32, "2147483647", 2147483647.0, true}, {32, "2147483648", 0, false},
        {25, "32768", 0, false}, {25, "32766.5", 32766, true},
    };
    for (const Case& c : cases) {
        SysPara t;
        RecordingOperator op;
        const double before = SysParaValue(t, c.line);
        EXPECT_EQ(TakeFieldText(t, c.line, c.text, op, 1), c.ok) << c.line << " " << c.text;
        EXPECT_EQ(SysParaValue(t, c.line), c.ok ? c.want : before) << c.line << " " << c.text;
        EXPECT_EQ(op.messages.size(), c.ok ? 0u : 1u) << c.text;
        if (!c.ok) {
            EXPECT_EQ(op.LastText(), std::string("Value out of range: ") + c.text);
        }
    }
}

TEST(Fields, NumbersShowInThePrintForm) {
    EXPECT_EQ(FieldText(10), " 10");
    EXPECT_EQ(FieldText(-0.25), "-.25");
    EXPECT_EQ(Indexed("Command10", 4), "Command10(4)");
    const Caption table[] = {{"Command1", "确定", "OK"}};
    EXPECT_STREQ(FindCaption(table, "Command1", 0), "确定");
    EXPECT_STREQ(FindCaption(table, "Command1", 1), "OK");
    EXPECT_EQ(FindCaption(table, "Command2", 1), nullptr);
}

// A parameter Save while a program runs or is paused, or while a cutter
// stroke waits for its sensor: refused in one message, the table and its
// file as they were.
TEST(SaveGroupTable, RefusedWhileAProgramRunsOrIsPaused) {
    testing::TempHome home;
    RecordingOperator op;
    Program program(op);
    SysPara& table = program.params.gSysParaTable;
    for (int16_t paused : {0, 1}) {
        program.ctx.run.gRunning = kTrue;
        program.ctx.run.mPaused = paused;
        const SysPara before = table;
        table.gAxisPara[1].PulseEquivalent = 200;  // the dialog's value
        op.messages.clear();
        EXPECT_FALSE(SaveGroupTable(program, before)) << paused;
        EXPECT_EQ(SysParaBytes(table), SysParaBytes(before));
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.LastText(), "设备正忙：请等设备停下或按停止后再操作！");
        EXPECT_FALSE(home.Exists("SysPara/SYS_0.ini"));
    }
    // Stopped, the same Save goes through.
    program.ctx.run.gRunning = 0;
    const SysPara before = table;
    table.gAxisPara[1].PulseEquivalent = 200;
    EXPECT_TRUE(SaveGroupTable(program, before));
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    // A cylinder stroke by hand is judged under the table in force,
    // whichever detection the Save switches to: waiting for its sensor it
    // keeps the Save out; timed by a delay nothing waits for it.
    struct Stroke {
        int16_t inForce, saved;
        bool admitted;
    };
    for (const Stroke s : {Stroke{0, 1, false}, Stroke{0, 0, false}, Stroke{1, 0, true}, Stroke{1, 1, true}}) {
        table.gCutterUpDownMode = 0;
        table.gPositionDetectMode = s.inForce;
        program.ctx.run.gCylinderBusy = 1;
        const SysPara inForce = table;
        table.gPositionDetectMode = s.saved;
        table.gPositionDetectDelay = static_cast<int16_t>(400 + s.saved);
        const SysPara edited = table;
        op.messages.clear();
        EXPECT_EQ(SaveGroupTable(program, inForce), s.admitted) << s.inForce << s.saved;
        EXPECT_EQ(SysParaBytes(table), SysParaBytes(s.admitted ? edited : inForce)) << s.inForce << s.saved;
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.LastText(), s.admitted ? "参数保存成功！" : "设备正忙：请等设备停下或按停止后再操作！");
    }
}

// While the failure message of a Save is shown the machine loop runs on and
// a closing signal saves the table: by then the table and the geometry hold
// the old values again.
TEST(SaveGroupTable, AFailedSaveIsReportedWithTheTableAlreadyBack) {
    struct Watching : RecordingOperator {
        const Program* program = nullptr;
        double handed = -1;
        std::string tableAtMessage;
        double handedAtMessage = -1;
        MsgResult MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) override {
            tableAtMessage = SysParaBytes(program->params.gSysParaTable);
            handedAtMessage = handed;
            return RecordingOperator::MsgBox(text, buttons, icon, title);
        }
    };
    testing::TempHome home;
    Watching op;
    Program program(op);
    op.program = &program;
    program.tranParas = [&](double c, double, double, int16_t, double, double) { op.handed = c; };
    std::filesystem::create_directories(home / "SysPara/SYS_0.ini");  // no file can take its place
    SysPara& table = program.params.gSysParaTable;
    const SysPara before = table;
    table.gAxisPara[1].PulseEquivalent = 200;
    table.gConDet = 0.75;  // handed to the geometry
    EXPECT_FALSE(SaveGroupTable(program, before));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "参数保存失败：SysPara/SYS_0.ini");
    EXPECT_EQ(op.tableAtMessage, SysParaBytes(before));
    EXPECT_EQ(op.handedAtMessage, before.gConDet);
}

}  // namespace
}  // namespace velbend

// The machine setup dialog on the offscreen platform: options clicked and
// their interlocks on the widgets, Save, Esc, the user level, a slotting
// test and a held jog ended by closing or destroying the dialog.
#include "velbend/ui/sb_form.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "velbend/params/sysfile.h"
#include "velbend/ui/widgets.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class SbWindowTest : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped()) return;
        std::ifstream in(testing::TestData("SYS_0.ini"), std::ios::binary);
        golden.assign(std::istreambuf_iterator<char>(in), {});
        home.Write("SysPara/SYS_0.ini", golden);
        axes = program.params.gSysParaTable.gAxisPara;
        ASSERT_TRUE(LoadSysPara(program.params, 0, op));
        program.params.gUserLevel = 2;
        program.params.gSysGroupNames[0] = "标准";
    }
    template <class W = QWidget>
    W* C(SB_Form& d, const char* name) {
        auto* w = d.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // A click on an option button's circle.
    void Pick(SB_Form& d, const char* name) {
        auto* o = C<QRadioButton>(d, name);
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(8, o->height() / 2));
    }
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }
    // The fixture's axes (100 pulses per unit) in place of the file's.
    void FixtureAxes() { program.params.gSysParaTable.gAxisPara = axes; }
    std::string golden;
    std::array<AxisPara, 5> axes{};
};

TEST_F(SbWindowTest, OptionsClickedGreyTheirFields) {
    SB_Form d(program, nullptr);
    d.show();
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("设备综合设置-标准"));
    Pick(d, "Option2(1)");
    EXPECT_TRUE(C<QRadioButton>(d, "Option2(1)")->isChecked());
    EXPECT_FALSE(C<QRadioButton>(d, "Option2(0)")->isChecked());
    EXPECT_FALSE(C(d, "Option3(1)")->isEnabled());
    EXPECT_FALSE(C(d, "Text1(1)")->isEnabled());
    EXPECT_TRUE(C(d, "Text1(2)")->isEnabled());
    EXPECT_TRUE(C(d, "Text1(6)")->isEnabled());
    Pick(d, "Option2(0)");
    Pick(d, "Option3(1)");
    EXPECT_TRUE(C(d, "Text1(1)")->isEnabled());
    EXPECT_FALSE(C(d, "Text1(2)")->isEnabled());
    Pick(d, "Option3(0)");
    EXPECT_FALSE(C(d, "Text1(1)")->isEnabled());

    // Motor forward feed and fewer cuts: the later strokes grey and show 0.
    Pick(d, "Option6(1)");
    EXPECT_FALSE(C(d, "Frame7")->isEnabled());
    EXPECT_TRUE(C(d, "Check1")->isEnabled());
    auto* times = C<QLineEdit>(d, "Text1(4)");
    times->selectAll();
    QTest::keyClicks(times, "1");
    EXPECT_FALSE(C(d, "Text5(1)")->isEnabled());
    EXPECT_EQ(C<QLineEdit>(d, "Text5(1)")->text(), "0");
    EXPECT_TRUE(C(d, "Text5(0)")->isEnabled());
    times->selectAll();
    QTest::keyClicks(times, "3");
    EXPECT_TRUE(C(d, "Text5(2)")->isEnabled());
    EXPECT_EQ(C<QLineEdit>(d, "Text5(2)")->text(), "0");
    // The cutter zero button follows the saved mode only.
    EXPECT_FALSE(C(d, "Command6(2)")->isHidden());  // saved: motor
    Pick(d, "Option8(2)");
    EXPECT_FALSE(C(d, "Text3(4)")->isEnabled());
    Pick(d, "Option8(0)");
    EXPECT_FALSE(C(d, "Text3(0)")->isEnabled());
}

TEST_F(SbWindowTest, SaveWritesTheGroupAndEscDropsEdits) {
    {
        SB_Form d(program, nullptr);
        d.show();
        auto* angle = C<QLineEdit>(d, "Text1(0)");
        angle->selectAll();
        QTest::keyClicks(angle, "45");
        auto* third = C<QComboBox>(d, "Combo1(2)");
        third->setCurrentIndex(5);
        emit third->textActivated(third->currentText());
        QTest::mouseClick(C<QPushButton>(d, "Command1"), Qt::LeftButton);
        EXPECT_EQ(op.LastText(), "参数保存成功！");
        EXPECT_TRUE(d.isVisible());
        // After the save, an edit closed with Esc is dropped.
        angle->selectAll();
        QTest::keyClicks(angle, "60");
        QTest::keyClick(angle, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    }
    // The golden file with lines 47 (blade angle) and 64 (sequence) changed.
    std::string want = golden;
    auto replaceLine = [&](int line, const std::string& value) {
        std::size_t at = 0;
        for (int i = 1; i < line; ++i) at = want.find("\r\n", at) + 2;
        want.replace(at, 14, value + std::string(14 - value.size(), ' '));
    };
    replaceLine(47, " 45");
    replaceLine(64, "UDBN,");
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), want);
    SB_Form again(program, nullptr);
    EXPECT_EQ(C<QLineEdit>(again, "Text1(0)")->text(), "45");
    EXPECT_EQ(C<QComboBox>(again, "Combo1(2)")->currentText(), QString::fromUtf8("退刀"));
}

TEST_F(SbWindowTest, MachineUserUsesOnlyTheCutterButtonsStopAndReturn) {
    program.params.gUserLevel = 0;
    program.params.gSysParaTable.gCutterUpDownMode = 0;
    SB_Form d(program, nullptr);
    d.show();
    for (const char* n : {"Frame1", "Frame2", "Frame9", "Frame10", "Command1", "Command3(0)", "Command4(0)"})
        EXPECT_FALSE(C(d, n)->isEnabled()) << n;
    QTest::mouseClick(C<QPushButton>(d, "Command6(1)"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.card.get_out(0, 1), 1);
    QTest::mouseClick(C<QPushButton>(d, "Command7"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.card.get_out(0, 1), 0);
    QTest::mouseClick(C<QPushButton>(d, "Command2"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(SbWindowTest, AHeldJogStopsWhenTheDialogCloses) {
    FixtureAxes();
    SB_Form d(program, nullptr);
    d.show();
    QTest::mousePress(C(d, "Command4(0)"), Qt::LeftButton);
    Tick(3);
    ASSERT_TRUE(Moving(2));
    d.close();
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 100));
    // The feed jog ends on the release of any mouse button.
    SB_Form e(program, nullptr);
    e.show();
    QTest::mousePress(C(e, "Command5(1)"), Qt::LeftButton);
    Tick(3);
    ASSERT_TRUE(Moving(1));
    QTest::mouseRelease(C(e, "Command5(1)"), Qt::RightButton);
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 100));
    // Destroyed with the feed held: the hold ends while the model is alive.
    auto f = std::make_unique<SB_Form>(program, nullptr);
    f->show();
    EXPECT_TRUE(HoldEndsBeforeTheModelGoes(std::move(f), "Command5(0)", 1));
}

// Any mouse button holds a jog and its release ends it; in step mode the
// press of any button steps and no release stops the step.
TEST_F(SbWindowTest, JogAndStepByAnyMouseButton) {
    FixtureAxes();
    SB_Form d(program, nullptr);
    d.show();
    auto* negative = C(d, "Command4(1)");
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const int32_t before = [&] { int32_t p = 0; program.ctx.card.get_command_pos(0, 2, &p); return p; }();
        QTest::mousePress(negative, b);
        Tick(3);
        EXPECT_TRUE(Moving(2)) << b;
        QTest::mouseRelease(negative, b);
        EXPECT_TRUE(TickUntil([&] { return !Moving(2); }, 100)) << b;
        int32_t after = 0;
        program.ctx.card.get_command_pos(0, 2, &after);
        EXPECT_LT(after, before) << b;
    }
    QTest::mouseClick(C(d, "Check2"), Qt::LeftButton);
    auto* step = C<QLineEdit>(d, "Text7");
    step->selectAll();
    QTest::keyClicks(step, "5");
    int32_t start = 0;
    program.ctx.card.get_command_pos(0, 2, &start);
    QTest::mousePress(negative, Qt::RightButton);
    Tick();
    QTest::mouseRelease(negative, Qt::RightButton);
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 300));
    int32_t end = 0;
    program.ctx.card.get_command_pos(0, 2, &end);
    EXPECT_EQ(end, start - 500);
}

TEST_F(SbWindowTest, FrontSlottingRunsWhileTheDialogStaysOpen) {
    FixtureAxes();
    auto& t = program.params.gSysParaTable;
    t.gCutterUpDownMode = 1;
    t.gSwingModeP = 1;
    t.gSwingModeN = 1;
    t.gSlotSides = 1;  // nothing swings: no search of the fourth axis
    t.gSlotThreshold = 10;
    sim.PlaceSwitch(14, 3, 300, 100000000);
    SB_Form d(program, nullptr);
    d.show();
    QTest::mouseClick(C<QPushButton>(d, "Command3(0)"), Qt::LeftButton);
    ASSERT_EQ(program.ctx.run.gSlotRunning, kTrue);
    ASSERT_TRUE(TickUntil([&] { return program.ctx.run.gSlotRunning == 0; }, 3000));
    EXPECT_EQ(op.LastText(), "开槽完成！");
    EXPECT_TRUE(d.isVisible());
}

}  // namespace
}  // namespace velbend

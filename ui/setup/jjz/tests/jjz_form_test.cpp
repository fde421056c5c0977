// The axis setup dialog on the offscreen platform: opened through its
// registered opener's kind, fields typed and saved byte-exact, the axis
// buttons pressed by any mouse button, a held jog ended by every end of its
// hold, the calibration panel and the second build's position boxes.
#include "velbend/ui/jjz_form.h"

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "velbend/params/sysfile.h"
#include "velbend/ui/widgets.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class JjzFormTest : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        program.params.gUserLevel = 2;
        program.params.gSysParaTable.gXEncoderPort = 1;
        program.params.gSysGroupNames[0] = "默认";
    }
    template <class W = QWidget>
    W* Find(JJZ_Form& d, const char* name) {
        W* w = d.findChild<W*>(QString::fromUtf8(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Type(JJZ_Form& d, const char* box, const char* text) {
        QLineEdit* e = Find<QLineEdit>(d, box);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QString::fromUtf8(text));
    }
};

TEST_F(JjzFormTest, OpensFromItsKindShowsCaptionsAndSavesTypedFieldsByteExact) {
    ASSERT_NE(FindDialog(DialogKind::AxisSetup), nullptr);
    JJZ_Form d(program, nullptr);
    d.show();
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("电机综合设置-默认"));
    EXPECT_EQ(Find<QGroupBox>(d, "Frame4")->title(), QString::fromUtf8("A轴-摆角（进刀）"));
    EXPECT_EQ(Find<QPushButton>(d, "Command3(2)")->text(), QString::fromUtf8("单步移动"));
    EXPECT_EQ(Find<QLabel>(d, "Label2(4)")->text(), QString::fromUtf8("回零摆正："));
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(1)")->text(), " 100");
    EXPECT_FALSE(Find<QGroupBox>(d, "Frame6")->isVisible());
    EXPECT_FALSE(Find(d, "XText")->isVisible());

    Type(d, "Text2(3)", "1234.5");   // 16-bit row: 1234
    Type(d, "Text4(4)", "0.75");
    Type(d, "Text2(7)", "99999.5");  // the bend axis's 32-bit row: 100000
    Type(d, "Text5(0)", "42.5");
    // Beyond the 16-bit range: refused at the fifth digit, the box shows what is kept.
    Type(d, "Text1(7)", "40000");
    EXPECT_EQ(op.LastText(), "数值超出范围：40000");
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(7)")->text(), " 4000");
    QTest::mouseClick(Find<QPushButton>(d, "Command0(0)"), Qt::LeftButton);
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    EXPECT_TRUE(d.isVisible());

    ParamStore want;
    want.gSysParaTable = program.params.gSysParaTable;
    auto& a = want.gSysParaTable.gAxisPara;
    EXPECT_EQ(a[2].ManualFeedrate, 1234);
    EXPECT_EQ(a[4].Acceleration, 0.75);
    EXPECT_EQ(a[2].AutoFeedrate, 100000);
    EXPECT_EQ(a[1].AutoFeedrate, 4000);
    EXPECT_EQ(want.gSysParaTable.gEncoderEquiv, 42.5);
    SaveSysPara(want, 5, 1, op, {});
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), home.Read("SysPara/SYS_5.ini"));

    QTest::mouseClick(Find<QPushButton>(d, "Command0(1)"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(JjzFormTest, AxisButtonsActOnAnyMouseButton) {
    JJZ_Form d(program, nullptr);
    d.show();
    QApplication::setActiveWindow(&d);
    auto* fwd = Find<HoldButton>(d, "Command3(0)");
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(b);
        QTest::mousePress(fwd, b);
        Tick(3);
        ASSERT_TRUE(Moving(3));
        QTest::mouseRelease(fwd, b);
        EXPECT_TRUE(TickUntil([&] { return !Moving(3); }, 100));
    }
    Type(d, "Text2(0)", "10");
    QTest::mouseClick(Find(d, "Command2(2)"), Qt::RightButton);
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 200));
    EXPECT_EQ(Pos(2), 1000);
    QTest::mouseClick(Find(d, "Command2(3)"), Qt::MiddleButton);
    EXPECT_EQ(program.ctx.run.gHomeState, 2);
    QTest::mouseClick(Find(d, "Command2(3)"), Qt::RightButton);  // the cancel
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    // A right click on the pulse-equivalent caption opens no panel.
    QTest::mouseClick(Find(d, "Label1(0)"), Qt::RightButton);
    EXPECT_FALSE(Find(d, "Frame6")->isVisible());
}

TEST_F(JjzFormTest, HeldJogStopsOnEveryEndOfTheHold) {
    // hide, close, the dialog destroyed, the button's focus lost, Esc, the
    // window deactivated
    for (int end : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(end);
        auto d = std::make_unique<JJZ_Form>(program, nullptr);
        d->show();
        QApplication::setActiveWindow(d.get());
        if (end == 2) {
            EXPECT_TRUE(HoldEndsBeforeTheModelGoes(std::move(d), "Command4(1)", 4));
            continue;
        }
        QTest::mousePress(Find<HoldButton>(*d, "Command4(1)"), Qt::LeftButton);
        Tick(3);
        ASSERT_TRUE(Moving(4));
        if (end == 0) d->hide();
        else if (end == 1) d->close();
        else if (end == 3) Find(*d, "Text4(0)")->setFocus();
        else if (end == 4) QTest::keyClick(Find(*d, "Text4(0)"), Qt::Key_Escape);
        QWidget other;
        if (end == 5) {
            other.show();
            QApplication::setActiveWindow(&other);
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(TickUntil([&] { return !Moving(4); }, 100));
        if (end == 4) {
            EXPECT_FALSE(d->isVisible());
        }
    }
}

TEST_F(JjzFormTest, CalibrationPanelFromTheXCaption) {
    program.params.gLanguage = 1;
    JJZ_Form d(program, nullptr);
    d.show();
    QTest::mouseClick(Find(d, "Label1(0)"), Qt::LeftButton);
    ASSERT_TRUE(Find<QGroupBox>(d, "Frame6")->isVisible());
    EXPECT_EQ(Find<QLineEdit>(d, "Text7")->text(), " Feeding Axis Pulse Equivalent Adjust");
    EXPECT_FALSE(Find(d, "Text6(4)")->isVisible());
    EXPECT_FALSE(Find(d, "Command7(6)")->isVisible());
    Type(d, "Text6(2)", "500");
    Type(d, "Text6(3)", "498");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(2)"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>(d, "Text6(1)")->text(), " 100.401606425703");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(3)"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(1)")->text(), " 100.401606425703");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(5)"), Qt::LeftButton);
    EXPECT_FALSE(Find<QGroupBox>(d, "Frame6")->isVisible());

    QTest::mouseClick(Find(d, "Label5(0)"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>(d, "Text7")->text(), " Encoder Pulse Equivalent Adjust");
    EXPECT_TRUE(Find(d, "Text6(4)")->isVisible());
    EXPECT_TRUE(Find(d, "Check2")->isVisible());
    EXPECT_FALSE(Find(d, "Command7(6)")->isVisible());  // as the feed panel left it
    EXPECT_EQ(Find<QCheckBox>(d, "Check2")->text(), QString::fromUtf8("锁定"));
}

TEST_F(JjzFormTest, SecondBuildShowsThePositionBoxesAndUserLevelLocksTheFrames) {
    program.ctx.secondBuild = true;
    program.params.gUserLevel = 0;
    program.ctx.card.set_command_pos(0, 3, 2550);
    JJZ_Form d(program, nullptr);
    d.show();
    d.Timer1_Timer();
    EXPECT_TRUE(Find(d, "ZText")->isVisible());
    EXPECT_EQ(Find<QLineEdit>(d, "ZText")->text(), "25.50");
    for (const char* f : {"Frame1", "Frame2", "Frame3", "Frame4", "Frame5"}) EXPECT_FALSE(Find(d, f)->isEnabled()) << f;
    EXPECT_FALSE(Find(d, "Command0(0)")->isEnabled());
    EXPECT_TRUE(Find(d, "Command5")->isEnabled());
    // A press on a disabled jog moves nothing.
    QTest::mousePress(Find(d, "Command2(0)"), Qt::LeftButton);
    Tick(3);
    EXPECT_FALSE(Moving(2));
}

}  // namespace
}  // namespace velbend

// GY1_Form on the offscreen platform: opened in both builds, typed into and
// saved, the feed jog held and the dialog closed or destroyed, the second
// build's two options clicked.
#include "velbend/ui/gy1_form.h"

#include <gtest/gtest.h>

#include <memory>

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

class GY1FormWindowTest : public testing::WindowTest {
protected:
    GY1FormWindowTest() {
        auto& s = program.ctx.sys();
        s.gAxisKindA = 1;
        s.gCutterUpDownMode = 1;
        s.gXEncoderPort = 1;
        s.gEncoderEquiv = 50;
        s.gDownDistFront = 5;
        s.gDownDistBack = 5;
        s.gCutTimes = 3;
        s.gBendMechanisms = 1;
        program.ctx.axis(3).ZeroCompDistance = 20;
        program.params.gSysGroupNames[0] = "Group A";
    }
    template <class W>
    W* Find(QWidget& d, const char* name) {
        W* w = d.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Type(QWidget& d, const char* name, const char* text) {
        auto* e = Find<QLineEdit>(d, name);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    // A click on a check box's indicator.
    void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    using WindowTest::Tick;
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }
};

TEST_F(GY1FormWindowTest, OpensInBothBuildsAndCaptionsItself) {
    ASSERT_NE(FindDialog(DialogKind::TechOperator), nullptr);
    for (bool second : {false, true}) {
        SCOPED_TRACE(second ? "second build" : "first build");
        program.ctx.secondBuild = second;
        program.params.gLanguage = second ? 1 : 0;
        GY1_Form d(program, nullptr);
        d.show();
        EXPECT_EQ(d.windowTitle(), second ? "Technological Parameter Setup-Group A" : QString::fromUtf8("工艺参数设置-Group A"));
        EXPECT_TRUE(Find<QGroupBox>(d, "Frame3")->isVisible());
        EXPECT_FALSE(Find<QGroupBox>(d, "Frame4")->isVisible());
        EXPECT_FALSE(Find<QGroupBox>(d, "Frame6")->isVisible());
        EXPECT_EQ(Find<QLineEdit>(d, "Text1(0)")->text(), " 100");
        EXPECT_EQ(d.findChild<QCheckBox*>("Check4") != nullptr, second);
        EXPECT_EQ(d.findChild<QCheckBox*>("Check5") != nullptr, second);
        EXPECT_EQ(Find<QPushButton>(d, "Command2(2)")->text(), second ? "Stop" : QString::fromUtf8("停止"));
        // Esc closes it.
        QTest::keyClick(Find<QLineEdit>(d, "Text1(3)"), Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    }
}

// Every caption fits its control in both languages and both builds (the
// captions with boxes set into their blanks included).
TEST_F(GY1FormWindowTest, CaptionsFitTheirControls) {
    for (bool second : {false, true})
        for (int16_t lang : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << (second ? "second build" : "first build") << " language " << lang);
            program.ctx.secondBuild = second;
            program.params.gLanguage = lang;
            GY1_Form d(program, nullptr);
            d.show();
            for (QWidget* w : d.findChildren<QWidget*>()) {
                int need = 0;
                if (auto* b = qobject_cast<QPushButton*>(w))
                    need = b->fontMetrics().horizontalAdvance(b->text()) + 8;
                else if (auto* c = qobject_cast<QCheckBox*>(w))
                    need = c->sizeHint().width();
                else if (auto* l = qobject_cast<QLabel*>(w))
                    need = l->fontMetrics().horizontalAdvance(l->text());
                else
                    continue;
                EXPECT_LE(need, w->width()) << w->objectName().toStdString();
            }
        }
}

// Typed values reach the group's file, byte for byte as the parameter store
// writes that table.
TEST_F(GY1FormWindowTest, TypedFieldsAreSaved) {
    GY1_Form d(program, nullptr);
    d.show();
    Type(d, "Text1(0)", "98.5");
    Type(d, "Text1(3)", "33");
    Type(d, "Text1(10)", "7");
    Type(d, "Text5(1)", "2.25");
    Type(d, "Text1(2)", "120");
    Tick(Find<QCheckBox>(d, "Check1"));
    QTest::mouseClick(Find<QPushButton>(d, "Command2(0)"), Qt::LeftButton);
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    EXPECT_TRUE(d.isVisible());
    const std::string saved = home.Read("SysPara/SYS_0.ini");

    SysPara want = program.ctx.sys();
    program.ctx.sys() = SysPara{};
    ASSERT_TRUE(LoadSysPara(program.params, 0, op));
    EXPECT_EQ(program.ctx.sys().gAxisPara[1].PulseEquivalent, 98.5);
    EXPECT_EQ(program.ctx.sys().gSpaceAngleP, 33);
    EXPECT_EQ(program.ctx.sys().gDownDistFront, 7);
    EXPECT_EQ(program.ctx.sys().gDownDistBack, 7);
    EXPECT_EQ(program.ctx.sys().gAxisPara[3].ZeroCompDistance, 18);
    EXPECT_EQ(program.ctx.sys().gCutStrokes[1], 2.25);
    EXPECT_EQ(program.ctx.sys().gSeekZeroBeforeForward, 1);
    EXPECT_EQ(program.ctx.panel.Text7, "120");
    program.ctx.sys() = want;
    ASSERT_TRUE(SaveSysPara(program.params, 0, 1, op, {}));
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), saved);

    // Return closes it; nothing more is written.
    Type(d, "Text1(3)", "44");
    QTest::mouseClick(Find<QPushButton>(d, "Command2(1)"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(program.ctx.sys().gSpaceAngleP, 33);
}

TEST_F(GY1FormWindowTest, HeldJogStopsWhenTheDialogCloses) {
    GY1_Form d(program, nullptr);
    d.show();
    QTest::mouseClick(Find<QPushButton>(d, "Command1(0)"), Qt::LeftButton);
    ASSERT_TRUE(Find<QGroupBox>(d, "Frame6")->isVisible());
    auto* feed = Find<HoldButton>(d, "Command7(6)");
    QTest::mousePress(feed, Qt::LeftButton);
    Tick(5);
    ASSERT_TRUE(Moving(1));
    d.close();
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 200));

    // A release by the right button ends a hold too.
    GY1_Form again(program, nullptr);
    again.show();
    QTest::mouseClick(Find<QPushButton>(again, "Command1(0)"), Qt::LeftButton);
    auto* back = Find<HoldButton>(again, "Command7(7)");
    QTest::mousePress(back, Qt::LeftButton);
    Tick(5);
    ASSERT_TRUE(Moving(1));
    QTest::mouseRelease(back, Qt::RightButton);
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 200));

    // Destroyed with the feed held: the hold ends while the model is alive.
    auto last = std::make_unique<GY1_Form>(program, nullptr);
    last->show();
    QTest::mouseClick(Find<QPushButton>(*last, "Command1(0)"), Qt::LeftButton);
    EXPECT_TRUE(HoldEndsBeforeTheModelGoes(std::move(last), "Command7(6)", 1));
}

TEST_F(GY1FormWindowTest, CalibrationRoundAndEncoderCount) {
    GY1_Form d(program, nullptr);
    d.show();
    QTest::mouseClick(Find<QPushButton>(d, "Command1(1)"), Qt::LeftButton);
    EXPECT_TRUE(Find<QLineEdit>(d, "Text6(4)")->isVisible());
    Type(d, "Text6(2)", "1000");
    Type(d, "Text6(3)", "998");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(2)"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>(d, "Text6(1)")->text(), " 50.1002004008016");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(3)"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(1)")->text(), " 50.1002004008016");
    program.ctx.run.gEncoderCount = 321;
    d.Timer1_Timer();
    EXPECT_EQ(Find<QLineEdit>(d, "Text6(4)")->text(), "321");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(8)"), Qt::LeftButton);
    d.Timer1_Timer();
    EXPECT_EQ(Find<QLineEdit>(d, "Text6(4)")->text(), "0");
    QTest::mouseClick(Find<QPushButton>(d, "Command7(5)"), Qt::LeftButton);
    EXPECT_FALSE(Find<QGroupBox>(d, "Frame6")->isVisible());
}

TEST_F(GY1FormWindowTest, SecondBuildOptionsWriteThrough) {
    program.ctx.secondBuild = true;
    program.ctx.panel.Check3 = 0;
    program.ctx.panel.Check3Enabled = false;
    GY1_Form d(program, nullptr);
    d.show();
    auto* encoder = Find<QCheckBox>(d, "Check4");
    auto* seek = Find<QCheckBox>(d, "Check5");
    EXPECT_FALSE(encoder->isChecked());
    EXPECT_FALSE(encoder->isEnabled());
    Tick(encoder);
    EXPECT_EQ(program.ctx.panel.Check3, 0);
    Tick(seek);
    EXPECT_EQ(program.ctx.panel.Check2, 1);
    QTest::mouseClick(Find<QPushButton>(d, "Command2(1)"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.panel.Check2, 1);
}

}  // namespace
}  // namespace velbend

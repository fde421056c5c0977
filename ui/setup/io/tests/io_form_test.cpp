// The IO dialog on the offscreen platform: lamps from the card through its
// 200 ms timer, the caption toggle at level 2 shown before the next poll,
// the buttons the machine cannot use.
#include "velbend/ui/io_form.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class IoWindowTest : public testing::WindowTest {
protected:
    QColor Color(IO_Form& d, const char* lamp) {
        auto* f = d.findChild<QFrame*>(lamp);
        EXPECT_NE(f, nullptr) << lamp;
        return f ? f->palette().color(QPalette::Window) : QColor();
    }
};

TEST_F(IoWindowTest, ZeroSwitchLampFollowsTheInput) {
    program.params.gLanguage = 1;
    IO_Form d(program, nullptr);
    d.show();
    EXPECT_EQ(d.windowTitle(), "IO Setup");
    EXPECT_EQ(d.findChild<QLabel*>("Label11")->text(), "IN2  X Zero Switch");
    ASSERT_TRUE(d.Timer1()->isActive());
    EXPECT_EQ(d.Timer1()->interval(), 200);
    const QColor background = d.palette().color(QPalette::Window);
    sim.SetInput(2, 0);
    sim.SetInput(0, 0);  // the X limit: not polled
    EXPECT_TRUE(QTest::qWaitFor([&] { return Color(d, "Shape1(8)") == QColor(0, 255, 0); }));
    EXPECT_EQ(Color(d, "Shape1(0)"), background);
    sim.SetInput(2, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Color(d, "Shape1(8)") == background; }));
}

TEST_F(IoWindowTest, CaptionClickSwitchesAtOnceOnlyAtLevelTwo) {
    for (int16_t level : {1, 2}) {
        program.params.gUserLevel = level;
        IO_Form d(program, nullptr);
        d.show();
        d.Timer1()->stop();  // what follows is not the poll's doing
        QTest::mouseClick(d.findChild<QLabel*>("Label21(3)"), Qt::LeftButton);
        EXPECT_EQ(program.ctx.card.get_out(0, 3), level == 2 ? 1 : 0);
        EXPECT_EQ(Color(d, "Shape2(3)") == QColor(255, 0, 0), level == 2);
        program.ctx.card.write_bit(0, 3, 0);
    }
}

TEST_F(IoWindowTest, ButtonsByMachine) {
    program.params.gSysParaTable.gCutterUpDownMode = 1;
    program.params.gSysParaTable.gBendMechanisms = 2;
    IO_Form d(program, nullptr);
    d.show();
    for (const char* n : {"Command1(1)", "Command1(2)", "Command1(4)"})
        EXPECT_FALSE(d.findChild<QPushButton*>(n)->isEnabled()) << n;
    QTest::mouseClick(d.findChild<QPushButton*>("Command1(0)"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.card.get_out(0, 0), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Color(d, "Shape2(0)") == QColor(255, 0, 0); }));  // next poll
    QTest::mouseClick(d.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(program.ctx.card.get_out(0, 0), 1);  // outputs stay as switched
}

}  // namespace
}  // namespace velbend

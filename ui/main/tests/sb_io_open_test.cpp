// The machine setup and IO dialogs opened from the real main window's
// Command10(0) and Command10(2): interlocks clicked, Save, a held jog ended
// by closing the dialog, the IO lamps and an output caption toggled.
#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/ui/io_form.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/sb_form.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {
namespace {

class SetupFromMainWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped()) return;
        Start();
        program.params.gUserLevel = 2;
        Find<QTabBar>("TabStrip1")->setCurrentIndex(1);
        form->Refresh();
    }
    bool Moving(int n) {
        int32_t s = 0;
        program.ctx.card.get_status(0, n, &s);
        return s != 0;
    }
    template <class D>
    bool Open(const char* button, const std::function<void(D&)>& drive) {
        return RunModal([&] { Click(button); }, [&](QDialog* d) {
            auto* f = qobject_cast<D*>(d);
            ASSERT_NE(f, nullptr);
            drive(*f);
        });
    }
    static void Pick(QWidget& d, const char* name) {
        auto* o = d.findChild<QRadioButton*>(name);
        ASSERT_NE(o, nullptr) << name;
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(8, o->height() / 2));
    }
};

TEST_F(SetupFromMainWindow, MachineSetupInterlocksSaveAndJog) {
    const int16_t saved = program.params.gSysParaTable.gCutterUpDownMode;
    ASSERT_TRUE(Open<SB_Form>("Command10(0)", [&](SB_Form& d) {
        Pick(d, "Option2(1)");
        EXPECT_FALSE(d.findChild<QWidget*>("Text1(1)")->isEnabled());
        EXPECT_TRUE(d.findChild<QWidget*>("Text1(2)")->isEnabled());
        EXPECT_EQ(d.findChild<QWidget*>("Command6(2)")->isHidden(), saved == 0);
        Pick(d, "Option7(1)");
        auto* hand = d.findChild<QLineEdit*>("Text2(0)");
        ASSERT_TRUE(hand->isEnabled());
        hand->selectAll();
        QTest::keyClicks(hand, "321.5");
        QTest::mouseClick(d.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        // A held bending jog stops when the dialog closes.
        QTest::mousePress(d.findChild<HoldButton*>("Command4(0)"), Qt::LeftButton);
        Tick(5);
        EXPECT_TRUE(Moving(2));
        d.close();
    }));
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    EXPECT_EQ(program.params.gSysParaTable.gCutterUpDownMode, 1);
    EXPECT_EQ(program.params.gSysParaTable.gHandStroke, 321.5);
    EXPECT_NE(home.Read("SysPara/SYS_0.ini").find("\r\n 321.5        "), std::string::npos);
    EXPECT_TRUE(TickUntil([&] { return !Moving(2); }, 200));
    // Reopened: the saved cutter mode shows the cutter zero button.
    ASSERT_TRUE(Open<SB_Form>("Command10(0)", [&](SB_Form& d) {
        EXPECT_FALSE(d.findChild<QWidget*>("Command6(2)")->isHidden());
        EXPECT_TRUE(d.findChild<QRadioButton*>("Option7(1)")->isChecked());
    }));
}

TEST_F(SetupFromMainWindow, IoLampsAndCaptionToggle) {
    sim.SetInput(8, 0);  // Y zero switch active
    ASSERT_TRUE(Open<IO_Form>("Command10(2)", [&](IO_Form& d) {
        d.Timer1()->stop();
        d.model().Timer1_Timer();
        d.ShowLamps();
        EXPECT_EQ(d.findChild<QFrame*>("Shape1(9)")->palette().color(QPalette::Window), QColor(0, 255, 0));
        QTest::mouseClick(d.findChild<QLabel*>("Label21(4)"), Qt::LeftButton);
        EXPECT_EQ(d.findChild<QFrame*>("Shape2(4)")->palette().color(QPalette::Window), QColor(255, 0, 0));
        QTest::mouseClick(d.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    }));
    EXPECT_EQ(program.ctx.card.get_out(0, 4), 1);
}

}  // namespace
}  // namespace velbend::testing

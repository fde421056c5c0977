// The axis setup dialog opened from the real main window's Command10(1):
// fields typed and saved byte-exact, and a held jog of Y ended by Esc and by
// the dialog losing the focus.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/params/sysfile.h"
#include "velbend/ui/jjz_form.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {
namespace {

class AxisSetupFromMainWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped()) return;
        Start();
        program.params.gUserLevel = 2;
        Find<QTabBar>("TabStrip1")->setCurrentIndex(1);
        form->Refresh();
    }
    // Opens the dialog from Command10(1) and runs drive inside it.
    bool Open(const std::function<void(JJZ_Form&)>& drive) {
        return RunModal([&] { Click("Command10(1)"); }, [&](QDialog* d) {
            auto* f = qobject_cast<JJZ_Form*>(d);
            ASSERT_NE(f, nullptr);
            drive(*f);
        });
    }
};

TEST_F(AxisSetupFromMainWindow, TypedFieldsAreSavedByteExact) {
    ParamStore want;
    want.gSysParaTable = program.params.gSysParaTable;
    want.gSysParaTable.gAxisPara[2].ManualFeedrate = 900;
    want.gSysParaTable.gAxisPara[3].PulseEquivalent = 123.25;
    op.messages.clear();
    ASSERT_TRUE(Open([&](JJZ_Form& d) {
        for (auto [box, text] : {std::pair{"Text2(3)", "900"}, std::pair{"Text3(1)", "123.25"}}) {
            auto* e = d.findChild<QLineEdit*>(box);
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, text);
        }
        QTest::mouseClick(d.findChild<QPushButton*>("Command0(0)"), Qt::LeftButton);
        QTest::mouseClick(d.findChild<QPushButton*>("Command0(1)"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    SaveSysPara(want, 7, 1, op, {});
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), home.Read("SysPara/SYS_7.ini"));
}

TEST_F(AxisSetupFromMainWindow, HeldJogOfYStopsOnEscAndOnFocusLoss) {
    for (bool byFocus : {false, true}) {
        SCOPED_TRACE(byFocus ? "focus lost" : "Esc");
        ASSERT_TRUE(Open([&](JJZ_Form& d) {
            QApplication::setActiveWindow(&d);
            auto* fwd = d.findChild<HoldButton*>("Command2(0)");
            QTest::mousePress(fwd, Qt::LeftButton);
            Tick(5);
            ASSERT_TRUE(Moving(2));
            if (byFocus) {
                QWidget other;
                other.show();
                QApplication::setActiveWindow(&other);
                QApplication::processEvents();
                EXPECT_FALSE(fwd->IsHeld());
                EXPECT_TRUE(TickUntil([&] { return !Moving(2); }, 200));  // still open
                EXPECT_TRUE(d.isVisible());
                d.reject();
            } else {
                QTest::keyClick(&d, Qt::Key_Escape);
                EXPECT_FALSE(d.isVisible());
            }
        }));
        EXPECT_TRUE(TickUntil([&] { return !Moving(2); }, 200));
    }
}

}  // namespace
}  // namespace velbend::testing

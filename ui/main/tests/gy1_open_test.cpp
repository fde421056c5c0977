// The operator's technological-parameter dialog opened from the real main
// window's Command10(3) at user level 0, in both builds: fields typed and
// saved byte-exact, a held feed jog ended by closing the dialog, and the
// second build's "Seek Before Work" written through to the main window and
// kept over a restart in formtext.ini.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/params/sysfile.h"
#include "velbend/ui/gy1_form.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {
namespace {

class OperatorDialogFromMainWindow : public MainWindowTest {
protected:
    void StartAtLevel0(bool secondBuild) {
        Start(secondBuild);
        ASSERT_EQ(program.params.gUserLevel, 0);
        Find<QTabBar>("TabStrip1")->setCurrentIndex(1);
        form->Refresh();
    }
    // Opens the dialog from Command10(3) and runs drive inside it.
    bool Open(const std::function<void(GY1_Form&)>& drive) {
        return RunModal([&] { Click("Command10(3)"); }, [&](QDialog* d) {
            auto* f = qobject_cast<GY1_Form*>(d);
            ASSERT_NE(f, nullptr);
            drive(*f);
        });
    }
    static void Retype(QWidget& d, const char* name, const char* text) {
        auto* e = d.findChild<QLineEdit*>(name);
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    static void ClickButton(QWidget& d, const char* name) {
        auto* b = d.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
    using MainWindowTest::Tick;
    bool Moving(int n) {
        int32_t s = 0;
        program.ctx.card.get_status(0, n, &s);
        return s != 0;
    }

    void TypeAndSave(bool secondBuild) {
        StartAtLevel0(secondBuild);
        ParamStore want;
        want.gSysParaTable = program.params.gSysParaTable;
        want.gSysParaTable.gSpaceAngleP = 33;
        want.gSysParaTable.gDownDistBack = 7.5;
        op.messages.clear();
        ASSERT_TRUE(Open([&](GY1_Form& d) {
            EXPECT_TRUE(d.windowTitle().startsWith(QString::fromUtf8("工艺参数设置-")));
            EXPECT_EQ(d.findChild<QCheckBox*>("Check5") != nullptr, secondBuild);
            EXPECT_TRUE(d.findChild<QGroupBox*>("Frame4")->isVisible());  // the sample swings
            Retype(d, "Text1(3)", "33");
            Retype(d, "Text1(6)", "7.5");
            Retype(d, "Text1(2)", "250");
            ClickButton(d, "Command2(0)");
            EXPECT_TRUE(d.isVisible());
            ClickButton(d, "Command2(1)");
            EXPECT_FALSE(d.isVisible());
        }));
        EXPECT_EQ(op.LastText(), "参数保存成功！");
        SaveSysPara(want, 7, 1, op, {});
        EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), home.Read("SysPara/SYS_7.ini"));
        EXPECT_EQ(Find<QLineEdit>("Text7")->text(), "250");
    }
    // The feed jog held in the calibration panel, then the dialog closed.
    void HeldJogThenClose(bool secondBuild);
};

TEST_F(OperatorDialogFromMainWindow, FirstBuildTypedFieldsAreSavedByteExact) { TypeAndSave(false); }
TEST_F(OperatorDialogFromMainWindow, SecondBuildTypedFieldsAreSavedByteExact) { TypeAndSave(true); }

void OperatorDialogFromMainWindow::HeldJogThenClose(bool secondBuild) {
    StartAtLevel0(secondBuild);
    ASSERT_TRUE(Open([&](GY1_Form& d) {
        ClickButton(d, "Command1(0)");
        auto* feed = d.findChild<HoldButton*>("Command7(6)");
        ASSERT_NE(feed, nullptr);
        QTest::mousePress(feed, Qt::LeftButton);
        Tick(5);
        ASSERT_TRUE(Moving(1));
        d.close();
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
}

TEST_F(OperatorDialogFromMainWindow, FirstBuildHeldFeedJogStopsWhenTheDialogCloses) { HeldJogThenClose(false); }
TEST_F(OperatorDialogFromMainWindow, SecondBuildHeldFeedJogStopsWhenTheDialogCloses) { HeldJogThenClose(true); }

TEST_F(OperatorDialogFromMainWindow, SecondBuildSeekBeforeWorkSurvivesARestart) {
    StartAtLevel0(true);
    ASSERT_TRUE(Open([&](GY1_Form& d) {
        auto* encoder = d.findChild<QCheckBox*>("Check4");
        auto* seek = d.findChild<QCheckBox*>("Check5");
        ASSERT_NE(encoder, nullptr);
        ASSERT_NE(seek, nullptr);
        // The sample machine has no feed encoder.
        EXPECT_FALSE(encoder->isChecked());
        EXPECT_FALSE(encoder->isEnabled());
        EXPECT_FALSE(seek->isChecked());
        Tick(seek);
        ClickButton(d, "Command2(1)");
    }));
    EXPECT_EQ(program.ctx.panel.Check2, 1);
    EXPECT_TRUE(Find<QCheckBox>("Check2")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("Check2")->isVisible());
    form->close();
    form.reset();

    // A restart: the main window reads formtext.ini again.
    program.ctx.panel = MainPanel{};
    StartAtLevel0(true);
    EXPECT_EQ(program.ctx.panel.Check2, 1);
    ASSERT_TRUE(Open([&](GY1_Form& d) {
        EXPECT_TRUE(d.findChild<QCheckBox*>("Check5")->isChecked());
        EXPECT_EQ(d.findChild<QCheckBox*>("Check5")->text(), QString::fromUtf8("加工前回零"));
    }));
}

}  // namespace
}  // namespace velbend::testing

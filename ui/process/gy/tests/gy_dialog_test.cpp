#include "velbend/ui/gy_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "velbend/common/textfile.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/widgets.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

using testing::TestData;

std::string Data(const std::string& name) { return ReadFileBytes(TestData(name)).value_or(""); }

class GyDialogTest : public testing::WindowTest {
protected:
    void SetUp() override {
        testing::WindowTest::SetUp();
        ASSERT_TRUE(ParseSysPara(Data("SYS_golden.ini"), program.params.gSysParaTable).ok());
        program.params.gSysGroup = 3;
        program.params.gSysGroupNames[3] = "铝边";
        program.params.gUserLevel = 2;
    }
    static QLineEdit* Box(QWidget* d, int i) { return d->findChild<QLineEdit*>(QString("Text1(%1)").arg(i)); }
    static void Retype(QLineEdit* box, const char* text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
};

// (The main window's test opens it from Command10(3) while the machine loop ticks.)
TEST_F(GyDialogTest, OpenedByItsOpenerTypedAndSaved) {
    const DialogOpener* open = FindDialog(DialogKind::TechMaker);
    ASSERT_NE(open, nullptr);
    const bool opened = testing::RunModal([&] { (*open)(program, nullptr); }, [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("工艺参数设置-铝边"));
        Retype(Box(d, 0), "12.5");
        Retype(Box(d, 11), "1.5");
        Retype(Box(d, 23), "7");
        Retype(Box(d, 26), "-.25");
        QTest::mouseClick(d->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());  // Save keeps the dialog open
        QTest::keyClick(Box(d, 3), Qt::Key_Escape);
        EXPECT_FALSE(d->isVisible());
    });
    ASSERT_TRUE(opened);
    EXPECT_EQ(home.Read("SysPara/SYS_3.ini"), Data("SYS_saved.ini"));
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    EXPECT_EQ(program.params.gSysParaTable.gComp, 2);
}

TEST_F(GyDialogTest, FrameAndHeightByLevelAndEscDropsEdits) {
    for (int16_t level : {1, 2}) {
        program.params.gUserLevel = level;
        program.params.gLanguage = level == 1 ? 1 : 0;
        GY_Form d(program, nullptr);
        d.show();
        EXPECT_EQ(d.height(), Twips(level == 2 ? 7320 - 450 : 5800 - 450));
        EXPECT_EQ(d.findChild<QGroupBox*>("Frame1")->isVisible(), level == 2);
        EXPECT_EQ(Box(&d, 14)->isVisible(), level == 2);
        EXPECT_EQ(d.findChild<QPushButton*>("Command1")->text(), level == 2 ? QString::fromUtf8("保存") : "Save");
        EXPECT_EQ(Box(&d, 11)->text(), " 3");
        EXPECT_EQ(Box(&d, 6)->text(), " .25");
        EXPECT_EQ(Box(&d, 7)->text(), "-2.5");
        EXPECT_TRUE(d.findChild<QRadioButton*>("Option1")->isChecked());
        Retype(Box(&d, 4), "9");
        // The run mode is hidden at level 1 (its click reaches nothing).
        QTest::mouseClick(d.findChild<QRadioButton*>("Option2"), Qt::LeftButton);
        EXPECT_EQ(d.model().runMode(), level == 2 ? 1 : 0);
        // Enter is no Save; Esc closes and nothing is kept.
        QTest::keyClick(Box(&d, 4), Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(Box(&d, 4), Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(program.params.gSysParaTable.gPatBendCoefP, 1.05);
        EXPECT_EQ(program.params.gSysParaTable.gRunMode, 0);
    }
    EXPECT_FALSE(home.Exists("SysPara/SYS_3.ini"));
}

TEST_F(GyDialogTest, IntegerOutOfRangeKeepsTheValueShown) {
    program.params.gLanguage = 1;
    GY_Form d(program, nullptr);
    d.show();
    Retype(Box(&d, 23), "40000");
    // "4000" was taken, "40000" is refused and the box shows 4000 again.
    EXPECT_EQ(Box(&d, 23)->text(), " 4000");
    EXPECT_EQ(d.model().copy().gSplicePause, 4000);
    EXPECT_EQ(op.LastText(), "Value out of range: 40000");
    QTest::mouseClick(d.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(program.params.gSysParaTable.gSplicePause, 4000);
    EXPECT_EQ(op.LastText(), "Save OK!");
}

}  // namespace
}  // namespace velbend

// The technological-parameter, user and about dialogs opened from the real
// main window: Command10(3) by user level, Command10(5), the 关于我们 menu.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/common/textfile.h"
#include "velbend/ui/gy_dialog.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/yh_dialog.h"

namespace velbend::testing {
namespace {

// The dialogs' own test data.
std::string ProcessData(const std::string& name) {
    const auto dir = std::filesystem::path(__FILE__).parent_path() / "../../process/gy/tests/data";
    return ReadFileBytes(dir / name).value_or("");
}

class ProcessDialogsFromMainWindow : public MainWindowTest {
protected:
    void ShowSetupButtons() { Find<QTabBar>("TabStrip1")->setCurrentIndex(1); }
    static void Retype(QLineEdit* box, const char* text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
};

TEST_F(ProcessDialogsFromMainWindow, UserLevelRaisedThroughYhFormOpensGyFormAndSaves) {
    home.Write("sys1.ini", "m1\r\ns2\r\n");
    home.Write("SysPara/SYS_0.ini", ProcessData("SYS_golden.ini"));
    Start();
    ShowSetupButtons();
    ASSERT_EQ(program.params.gUserLevel, 0);

    // Level 0: Command10(3) opens the operator's dialog, not GY_Form.
    bool makerDialog = true;
    RunModal([&] { Click("Command10(3)"); },
             [&](QDialog* d) { makerDialog = qobject_cast<GY_Form*>(d) != nullptr; });
    EXPECT_FALSE(makerDialog);

    // Command10(5): the Machine Maker password by Enter closes YH_Form at level 1.
    const bool userDialog = RunModal([&] { Click("Command10(5)"); }, [&](QDialog* d) {
        ASSERT_NE(qobject_cast<YH_Form*>(d), nullptr);
        auto* option2 = d->findChild<QRadioButton*>("Option2");
        QTest::mouseClick(option2, Qt::LeftButton, {}, QPoint(8, option2->height() / 2));
        auto* text1 = d->findChild<QLineEdit*>("Text1");
        QTest::keyClicks(text1, "m1");
        QTest::keyClick(text1, Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
    });
    ASSERT_TRUE(userDialog);
    EXPECT_EQ(program.params.gUserLevel, 1);

    // Now Command10(3) opens GY_Form; the machine loop ticks while it is
    // open and a feed move goes on.
    Card& card = program.ctx.card;
    card.set_startv(0, 1, 1000);
    card.set_speed(0, 1, 1000);
    card.set_acc(0, 1, 10000);
    card.pmove(0, 1, 100000);
    QTimer loop;
    QObject::connect(&loop, &QTimer::timeout, [&] { Tick(); });
    loop.start(1);
    int32_t posAtOpen = -1, posAtClose = -1;
    op.messages.clear();
    const bool techDialog = RunModal([&] { Click("Command10(3)"); }, [&](QDialog* d) {
        ASSERT_NE(qobject_cast<GY_Form*>(d), nullptr);
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("工艺参数设置-标准机型"));
        EXPECT_FALSE(d->findChild<QWidget*>("Frame1")->isVisible());  // level 1
        card.get_command_pos(0, 1, &posAtOpen);
        Retype(d->findChild<QLineEdit*>("Text1(0)"), "12.5");
        Retype(d->findChild<QLineEdit*>("Text1(23)"), "7");
        Retype(d->findChild<QLineEdit*>("Text1(26)"), "-.25");
        QTest::qWait(20);
        // A Save waits for the machine to stand still: the feed is stopped first.
        card.dec_stop(0, 1);
        int32_t status = 1;
        QTRY_VERIFY_WITH_TIMEOUT((card.get_status(0, 1, &status), status == 0), 5000);
        QTest::mouseClick(d->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        card.get_command_pos(0, 1, &posAtClose);
        QTest::mouseClick(d->findChild<QPushButton*>("Command2"), Qt::LeftButton);
        EXPECT_FALSE(d->isVisible());
    });
    loop.stop();
    ASSERT_TRUE(techDialog);
    EXPECT_GT(posAtClose, posAtOpen);
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.LastText(), "参数保存成功！");
    // The saved file: the golden one with the three lines typed; line 17
    // (Text1(11), not typed here) as the golden file has it.
    const std::string savedBytes = ProcessData("SYS_saved.ini");
    std::vector<std::string_view> saved = SplitLines(savedBytes);
    const std::string golden = ProcessData("SYS_golden.ini");
    const std::vector<std::string_view> goldenLines = SplitLines(golden);
    ASSERT_EQ(saved.size(), 90u);
    saved[16] = goldenLines[16];
    std::string want;
    for (auto l : saved) want.append(l).append("\r\n");
    EXPECT_EQ(home.Read("SysPara/SYS_0.ini"), want);
    program.params.gUserLevel = 0;
}

TEST_F(ProcessDialogsFromMainWindow, AboutBoxFromItsMenuEntry) {
    home.Write("cinf.ini", "a\r\nb\r\nc\r\nd\r\n\"Maker, Ltd.\"\r\nf\r\ng\r\nh\r\n");
    Start();
    Trigger("English");
    QString shown;
    const bool opened = RunModal([&] { Trigger("关于我们"); }, [&](QDialog* d) {
        shown = d->findChild<QLabel*>("Label1")->text();
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown, "\"Maker, Ltd.\"");
}

// A program folder seeded from the sample has the about box's lines, in
// both languages.
TEST_F(ProcessDialogsFromMainWindow, AboutBoxOfTheSampleFolderIsNotEmpty) {
    Start();
    QStringList shown[2];
    for (int lang : {0, 1}) {
        Trigger(lang == 0 ? "Chinese" : "English");
        EXPECT_TRUE(RunModal([&] { Trigger("关于我们"); }, [&](QDialog* d) {
            for (int i = 1; i <= 4; ++i)
                shown[lang] << d->findChild<QLabel*>(QString("Label%1").arg(i))->text();
            QTest::keyClick(d, Qt::Key_Escape);
        }));
        EXPECT_FALSE(shown[lang].contains(QString())) << lang;
    }
    EXPECT_NE(shown[0], shown[1]);
}

}  // namespace
}  // namespace velbend::testing

#include "velbend/ui/yh_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

#include "velbend/ui/run_modal.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class YhDialogTest : public testing::WindowTest {
protected:
    void SetUp() override {
        testing::WindowTest::SetUp();
        home.Write("sys1.ini", "m1\r\ns2\r\n");
    }
    template <class W = QWidget>
    static W* Find(QWidget* d, const char* name) { return d->findChild<W*>(name); }
    // A click on an option's indicator (its caption may be short).
    static void ClickOption(QWidget* d, const char* name) {
        QWidget* o = Find(d, name);
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(8, o->height() / 2));
    }
};

TEST_F(YhDialogTest, RightPasswordByEnterRaisesTheLevelAndCloses) {
    const DialogOpener* open = FindDialog(DialogKind::Users);
    ASSERT_NE(open, nullptr);
    program.params.gLanguage = 1;
    const bool opened = testing::RunModal([&] { (*open)(program, nullptr); }, [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "User Setup");
        EXPECT_TRUE(Find<QRadioButton>(d, "Option1")->isChecked());
        EXPECT_FALSE(Find(d, "Command5")->isEnabled());
        EXPECT_FALSE(Find(d, "PassIn")->isVisible());
        ClickOption(d, "Option2");
        EXPECT_TRUE(Find(d, "PassIn")->isVisible());
        EXPECT_FALSE(Find(d, "user")->isEnabled());
        QLineEdit* text1 = Find<QLineEdit>(d, "Text1");
        EXPECT_EQ(d->focusWidget(), text1);
        // Every password box shows "*" for each character and takes six.
        for (const char* name : {"Text1", "Text2", "Text3", "Text4"}) {
            auto* box = Find<QLineEdit>(d, name);
            EXPECT_EQ(box->echoMode(), QLineEdit::Password) << name;
            EXPECT_EQ(box->maxLength(), 6) << name;
            EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), '*') << name;
        }
        QTest::keyClicks(text1, "m1");
        QTest::keyClick(text1, Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
    });
    ASSERT_TRUE(opened);
    EXPECT_EQ(program.params.gUserLevel, 1);
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(YhDialogTest, WrongPasswordByTheOkButtonAndTheChangePanel) {
    program.params.gLanguage = 1;
    YH_Form d(program, nullptr);
    d.show();
    ClickOption(&d, "Option3");
    QLineEdit* text1 = Find<QLineEdit>(&d, "Text1");
    // At most six characters.
    QTest::keyClicks(text1, "S2S2S2S2");
    EXPECT_EQ(text1->text(), "S2S2S2");
    QTest::mouseClick(Find(&d, "Command4"), Qt::LeftButton);
    EXPECT_EQ(op.LastText(), "Password wrong!");
    EXPECT_EQ(program.params.gUserLevel, 0);
    EXPECT_TRUE(Find<QRadioButton>(&d, "Option1")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(&d, "Option3")->isChecked());
    EXPECT_FALSE(Find(&d, "PassIn")->isVisible());
    EXPECT_TRUE(Find(&d, "user")->isEnabled());
    EXPECT_EQ(d.focusWidget(), Find(&d, "Option1"));

    // The right one by the OK button: the dialog stays, level 2 selected.
    ClickOption(&d, "Option3");
    EXPECT_EQ(text1->text(), "");
    QTest::keyClicks(text1, "s2");
    QTest::mouseClick(Find(&d, "Command4"), Qt::LeftButton);
    EXPECT_EQ(program.params.gUserLevel, 2);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(Find<QRadioButton>(&d, "Option3")->isChecked());
    ASSERT_TRUE(Find(&d, "Command5")->isEnabled());

    // Change panel: Enter does nothing there; OK changes the password.
    QTest::mouseClick(Find(&d, "Command5"), Qt::LeftButton);
    EXPECT_TRUE(Find(&d, "PassEdit")->isVisible());
    EXPECT_EQ(d.focusWidget(), Find(&d, "Text2"));
    QTest::keyClicks(Find(&d, "Text2"), "s2");
    QTest::keyClicks(Find(&d, "Text3"), "n2");
    QTest::keyClicks(Find(&d, "Text4"), "n2");
    QTest::keyClick(Find(&d, "Text4"), Qt::Key_Return);
    EXPECT_TRUE(Find(&d, "PassEdit")->isVisible());
    EXPECT_EQ(home.Read("sys1.ini"), "m1\r\ns2\r\n");
    QTest::mouseClick(Find(&d, "Command1"), Qt::LeftButton);
    EXPECT_FALSE(Find(&d, "PassEdit")->isVisible());
    EXPECT_EQ(home.Read("sys1.ini"), "\"m1\"\r\n\"n2\"\r\n");
    EXPECT_EQ(op.LastText(), "Password wrong!");  // no message for the change

    // Esc closes from the password panel without changing the level.
    ClickOption(&d, "Option2");
    EXPECT_EQ(program.params.gUserLevel, 1);
    ClickOption(&d, "Option3");
    EXPECT_TRUE(Find(&d, "PassIn")->isVisible());
    QTest::keyClick(text1, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(program.params.gUserLevel, 1);
}

}  // namespace
}  // namespace velbend

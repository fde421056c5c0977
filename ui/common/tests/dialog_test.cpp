#include "velbend/ui/dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "velbend/ui/widgets.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class Probe : public ModalDialog {
public:
    explicit Probe(Program& p) : ModalDialog(p, nullptr) {
        jog = new HoldButton("jog", this);
        jog->setObjectName("Command1(0)");
        edit = new QLineEdit(this);
        edit->setObjectName("Text1");
        QObject::connect(jog, &HoldButton::held, [this] { ++helds; });
        QObject::connect(jog, &HoldButton::letGo, [this] { ++releases; });
        Load();
    }
    void XianShiCE() override {
        static const Caption table[] = {{"Form", "探针", "Probe"}, {"Command1(0)", "点动", "Jog"}};
        ApplyCaptions(this, table, program().language());
    }
    HoldButton* jog;
    QLineEdit* edit;
    int helds = 0, releases = 0;
};

class ModalDialogTest : public testing::WindowTest {};

TEST_F(ModalDialogTest, CaptionsFollowTheLanguage) {
    program.params.gLanguage = 1;
    Probe d(program);
    EXPECT_EQ(d.windowTitle(), "Probe");
    EXPECT_EQ(d.jog->text(), "Jog");
    program.params.gLanguage = 0;
    d.XianShiCE();
    EXPECT_EQ(d.jog->text(), QString::fromUtf8("点动"));
}

TEST_F(ModalDialogTest, HoldEndsOnReleaseOfAnyButtonAndOnClose) {
    Probe d(program);
    d.show();
    QTest::mousePress(d.jog, Qt::LeftButton);
    EXPECT_EQ(d.helds, 1);
    QTest::mouseRelease(d.jog, Qt::RightButton);
    EXPECT_EQ(d.releases, 1);
    // A right press holds as well; a second press while held starts nothing more.
    QTest::mousePress(d.jog, Qt::RightButton);
    QTest::mousePress(d.jog, Qt::LeftButton);
    EXPECT_EQ(d.helds, 2);
    QTest::mouseRelease(d.jog, Qt::LeftButton);
    EXPECT_EQ(d.releases, 2);
    // Held, then Esc in a text box: the dialog closes and the hold ends.
    QTest::mousePress(d.jog, Qt::LeftButton);
    d.edit->setFocus();
    QTest::keyClick(d.edit, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(d.helds, 3);
    EXPECT_EQ(d.releases, 3);
}

TEST_F(ModalDialogTest, EnterIsNoDefaultButton) {
    Probe d(program);
    d.show();
    QTest::keyClick(d.edit, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.jog->isDefault());
}

}  // namespace
}  // namespace velbend

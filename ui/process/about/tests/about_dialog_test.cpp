#include "velbend/ui/about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "velbend/ui/run_modal.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class AboutDialogTest : public testing::WindowTest {};

TEST_F(AboutDialogTest, ShowsTheLinesOfTheLanguageAndClosesWithEsc) {
    home.Write("cinf.ini", "\xBA\xE3\r\nb\r\nc\r\nd\r\n\"Acme, Inc.\", <b>CNC</b>\r\nf\r\ng\r\nh\r\n");
    const DialogOpener* open = FindDialog(DialogKind::About);
    ASSERT_NE(open, nullptr);
    for (int16_t lang : {1, 0}) {
        program.params.gLanguage = lang;
        const bool opened = testing::RunModal([&] { (*open)(program, nullptr); }, [&](QDialog* d) {
            auto* label1 = d->findChild<QLabel*>("Label1");
            EXPECT_EQ(label1->text(), lang == 1 ? QString("\"Acme, Inc.\", <b>CNC</b>") : QString::fromUtf8("恒"));
            EXPECT_EQ(d->findChild<QLabel*>("Label4")->text(), lang == 1 ? "h" : "d");
            // An open box is not re-captioned by a language switch.
            program.params.gLanguage = static_cast<int16_t>(1 - lang);
            QTest::keyClick(d, Qt::Key_Escape);
            EXPECT_FALSE(d->isVisible());
        });
        EXPECT_TRUE(opened);
    }
    // A long line wraps within its label instead of being cut off.
    home.Write("cinf.ini", "a\r\nb\r\nc\r\nd\r\n"
                           "Address: Room 1208, Building 3, Science Park, Longgang District, Shenzhen, China\r\n");
    {
        program.params.gLanguage = 1;
        AboutMe_Form d(program, nullptr);
        auto* label1 = d.findChild<QLabel*>("Label1");
        ASSERT_TRUE(label1->wordWrap());
        EXPECT_LE(label1->heightForWidth(label1->width()), label1->height());
        EXPECT_LE(label1->geometry().bottom(), d.findChild<QLabel*>("Label2")->geometry().top());
    }
    // Missing file: empty lines, the box still opens.
    std::filesystem::remove(home / "cinf.ini");
    AboutMe_Form d(program, nullptr);
    EXPECT_EQ(d.findChild<QLabel*>("Label1")->text(), "");
}

}  // namespace
}  // namespace velbend

#include "wfb_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "velbend/params/pfjj.h"
#include "velbend/ui/widgets.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

class WfbDialogTest : public testing::WindowTest {
protected:
    WfbDialogTest() {
        auto& st = program.params;
        SetDefaultPfjj(st.gPfjjTable, st.gPfjjLast);
        for (int r = 0; r < 20; ++r) st.mWanFuP[r] = {double(r), 400.0 - r};
        st.gWanFuPLast = 19;
        st.gWanFuNLast = 0;
        st.gWanFuGroupNames[0] = "A";
    }
    template <class W>
    W* Find(QWidget& d, const char* name) {
        W* w = d.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST_F(WfbDialogTest, OpensFromItsButtonCaptionsAndSavesTypedRows) {
    const DialogOpener* opener = FindDialog(DialogKind::Curvature);
    ASSERT_NE(opener, nullptr);
    program.params.gLanguage = 1;
    WfbDialog d(program, nullptr);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Curvature Setup-A");
    EXPECT_EQ(Find<QPushButton>(d, "Command9(0)")->text(), "Add Line");
    EXPECT_EQ(Find<QScrollBar>(d, "VScroll1")->maximum(), 5);

    QLineEdit* value = Find<QLineEdit>(d, "Text1(3)");
    value->selectAll();
    QTest::keyClicks(value, "12.5");
    QLineEdit* r4 = Find<QLineEdit>(d, "Text9(4)");
    QTest::keyClicks(r4, "300");
    QTest::keyClicks(Find<QLineEdit>(d, "Text10(4)"), "3.5");
    QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
    EXPECT_EQ(op.LastText(), "Save OK!");
    EXPECT_EQ(program.params.mWanFuP[3].Value, 12.5);
    EXPECT_EQ(program.params.gPfjjLast, 5);
    EXPECT_EQ(program.params.gPfjjTable[3].RadiusLimit, 300);

    // A click marks the current row grey.
    QTest::mouseClick(Find<QLineEdit>(d, "Text2(6)"), Qt::LeftButton);
    EXPECT_EQ(d.model().mCurLineP, 6);
    EXPECT_TRUE(Find<QLineEdit>(d, "Text2(6)")->styleSheet().contains("#dcdcdc"));
}

TEST_F(WfbDialogTest, AddedRowShowsBelowTheCurrentRowAndReturnKeepsTheProgramTable) {
    WfbDialog d(program, nullptr);
    d.show();
    QTest::mouseClick(Find<QLineEdit>(d, "Text1(5)"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(d, "Command9(0)"), Qt::LeftButton);
    EXPECT_EQ(Find<QScrollBar>(d, "VScroll1")->maximum(), 6);
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(6)")->text(), "0.00");
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(7)")->text(), "6.00");
    QTest::mouseClick(Find<QPushButton>(d, "Command9(1)"), Qt::LeftButton);  // row 5 goes
    EXPECT_EQ(Find<QLineEdit>(d, "Text1(5)")->text(), "0.00");
    EXPECT_EQ(Find<QScrollBar>(d, "VScroll1")->maximum(), 5);
    QTest::mouseClick(Find<QPushButton>(d, "Command2"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(program.params.gWanFuPLast, 19);
    EXPECT_EQ(program.params.mWanFuP[5].Value, 5);
}

TEST_F(WfbDialogTest, HeldFeedStopsWhenItsHoldEnds) {
    struct Case {
        const char* name;
        std::function<void(WfbDialog&, QPushButton*)> end;
    };
    QWidget other;
    const Case cases[] = {
        {"Esc", [](WfbDialog& d, QPushButton*) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"hidden", [](WfbDialog& d, QPushButton*) { d.hide(); }},
        {"released by the right button", [](WfbDialog&, QPushButton* b) { QTest::mouseRelease(b, Qt::RightButton); }},
        {"another window activated",
         [&other](WfbDialog&, QPushButton*) {
             other.show();
             QApplication::setActiveWindow(&other);
             QApplication::processEvents();
         }},
    };
    for (const Case& c : cases) {
        WfbDialog d(program, nullptr);
        d.show();
        QApplication::setActiveWindow(&d);
        auto* feed = Find<QPushButton>(d, "Command6");
        QTest::mousePress(feed, Qt::LeftButton);
        Tick(10);
        int32_t s = 0;
        program.ctx.card.get_status(0, 1, &s);
        ASSERT_NE(s, 0) << c.name;
        c.end(d, feed);
        EXPECT_TRUE(TickUntil([&] {
            program.ctx.card.get_status(0, 1, &s);
            return s == 0;
        }, 200)) << c.name;
    }
    // Destroyed with the feed held: the hold ends while the model is alive.
    auto d = std::make_unique<WfbDialog>(program, nullptr);
    d->show();
    EXPECT_TRUE(HoldEndsBeforeTheModelGoes(std::move(d), "Command5", 1));
}

}  // namespace
}  // namespace velbend

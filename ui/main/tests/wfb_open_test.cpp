// The curvature-table dialog opened from the real main window's
// Command10(4): rows edited and saved, a held feed stopped by Esc.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "main_window_fixture.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {
namespace {

class CurvatureFromMainWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped()) return;
        Start();
    }
    bool Moving(int n) {
        int32_t s = 0;
        program.ctx.card.get_status(0, n, &s);
        return s != 0;
    }
};

TEST_F(CurvatureFromMainWindow, RowsEditedAndSavedAndAHeldFeedStopsOnEsc) {
    auto* button = Find<QPushButton>("Command10(4)");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());  // the sample machine has a bending mechanism
    const int16_t group = program.params.gWanFuGroup;
    ASSERT_TRUE(RunModal([&] { Click("Command10(4)"); }, [&](QDialog* d) {
        auto* value = d->findChild<QLineEdit*>("Text1(0)");
        ASSERT_NE(value, nullptr);
        value->selectAll();
        QTest::keyClicks(value, "77.25");
        QTest::mouseClick(d->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        QTest::mousePress(d->findChild<QPushButton*>("Command5"), Qt::LeftButton);
        Tick(5);
        EXPECT_TRUE(Moving(1));
        QTest::keyClick(d, Qt::Key_Escape);
        EXPECT_FALSE(d->isVisible());
    }));
    EXPECT_EQ(op.LastText(), "曲率表保存成功！");
    EXPECT_EQ(program.params.mWanFuP[0].Value, 77.25);
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_" + std::to_string(group) + ".ini").rfind("77.25", 0), 0u);
    EXPECT_TRUE(TickUntil([&] { return !Moving(1); }, 200));
}

}  // namespace
}  // namespace velbend::testing

// The drawing in the real main window: the sample letter opened through the
// menu, zoomed with the wheel, dragged, every contour picked by clicks on
// its nodes; the control-point files, the segment list and the length
// captions on the window; the outline where the nodes map; then Close, after
// which neither the wheel nor a click brings anything back.  Both builds.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/ui/picture1_probe.h"
#include "velbend/common/numtext.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/picking.h"

namespace velbend::testing {
namespace {

class DrawingRoad : public MainWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    QWidget* picture() { return Find<QWidget>("Picture1"); }
    DrawingModel& drawing() { return form->model().drawing; }
    QPoint PixelOf(double x, double y) { return PicturePixelOf(program, x, y); }
    std::string Caption(const char* name) { return Find<QLabel>(name)->text().toStdString(); }
};

TEST_P(DrawingRoad, OpenZoomDragPickAndClose) {
    Start(GetParam());
    OpenLetter();
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    auto& panel = program.ctx.panel;
    const auto& t = drawing().tables;
    ASSERT_GT(t.mNodeCount, 1);
    EXPECT_EQ(Caption("Label4(0)"), (home / "letter_e.dxf").string());
    EXPECT_EQ(panel.Picture1Width, picture()->width());
    const double homeWidth = panel.gViewWidth;

    // The outline lies where its mapped nodes and points say.
    QImage img = picture()->grab().toImage();
    for (int k = 1; k < t.mNodeCount; ++k) EXPECT_TRUE(LitNear(img, PixelOf(t.mNodes[k].X, t.mNodes[k].Y))) << k;
    for (int i = 0; i < t.mDisplayPointCount; i += 5)
        EXPECT_TRUE(LitNear(img, PixelOf(t.mDisplayPoints[i].X, t.mDisplayPoints[i].Y))) << i;
    EXPECT_EQ(img.pixel(1, 1) & 0xFFFFFF, 0u);

    // Wheel: one step per notch, about the centre; the drag moves the view
    // by the pixels dragged.
    TurnWheel(picture(), 120);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, ZoomInWidth(homeWidth));
    TurnWheel(picture(), -120);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, ZoomOutWidth(ZoomInWidth(homeWidth)));
    Trigger("还原视图");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, homeWidth);
    // The wheel over a text box leaves the drawing alone.
    TurnWheel(Find<QLineEdit>("Text5"), 120);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, homeWidth);
    const double cx = panel.gViewCenterX, cy = panel.gViewCenterY;
    QTest::mousePress(picture(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::mouseMove(picture(), QPoint(43, 23));
    QTest::mouseRelease(picture(), Qt::LeftButton, Qt::NoModifier, QPoint(43, 23));
    const double unit = homeWidth / picture()->width();
    EXPECT_NEAR(panel.gViewCenterX, cx - 40 * unit, 1e-9);
    EXPECT_NEAR(panel.gViewCenterY, cy + 20 * unit, 1e-9);
    Trigger("还原视图");

    // Every contour picked by clicks.
    const int contours = PickEveryContour();
    ASSERT_GE(contours, 1);
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(drawing().pick.mSelCount, contours);
    EXPECT_EQ(CountControlBlocks(home.Read("PointForControl.dat")), contours);
    int splines = 0;
    const std::string ctrp = home.Read("CtrP.dat");
    for (std::string_view line : SplitLines(ctrp)) splines += line.rfind("SPLINE", 0) == 0;
    EXPECT_EQ(splines, 2 * contours);
    auto* list = Find<QListWidget>("List1");
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->count(), static_cast<int>(panel.List1.size()));
    EXPECT_EQ(list->item(0)->text().toStdString().rfind("第 1段,", 0), 0u);
    const std::string selected = Caption("Label4(1)");
    ASSERT_GT(selected.size(), 4u);
    EXPECT_EQ(selected.substr(selected.size() - 4), "  mm");
    // One piece: the total adds the end feed and the bend-to-slot distance.
    const double L1 = Val(selected);
    EXPECT_GT(L1, 100);
    EXPECT_NEAR(Val(Caption("Label4(2)")),
                L1 + (contours - 1) * Val(panel.Text4) + Val(panel.Text7) + program.ctx.sys().gBendToSlotDist, 1e-3);

    // Two pieces from the piece-count box.
    auto* text5 = Find<QLineEdit>("Text5");
    text5->setText("2");
    QApplication::processEvents();
    EXPECT_NEAR(Val(Caption("Label4(2)")),
                Val(panel.Text4) + 2 * (L1 + (contours - 1) * Val(panel.Text4)) + Val(panel.Text7) +
                    program.ctx.sys().gBendToSlotDist,
                1e-3);

    // Close: black; a wheel step draws nothing, a click picks nothing.
    Trigger("关闭");
    EXPECT_EQ(Caption("Label4(0)"), "");
    EXPECT_EQ(Caption("Label4(1)"), "");
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(home.Read("CtrP.dat"), "");
    TurnWheel(picture(), 120);
    EXPECT_TRUE(drawing().list.Lines.empty());
    QTest::mouseClick(picture(), Qt::LeftButton, Qt::NoModifier, QPoint(picture()->width() / 2, picture()->height() / 2));
    EXPECT_EQ(drawing().pick.mSelection[0].Kind, 0);
    img = picture()->grab().toImage();
    EXPECT_TRUE(AllBlack(img));
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_P(DrawingRoad, SegmentListByKeysHighlightsAsAClickDoes) {
    Start(GetParam());
    OpenLetter();
    PickEveryContour();
    auto* list = Find<QListWidget>("List1");
    ASSERT_GT(list->count(), 4);
    if (auto* tabs = Find<QTabBar>("TabStrip2")) tabs->setCurrentIndex(1);  // the list's tab
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->currentRow(), -1);  // filling the list made no row current
    // What the drawing shows with segment `row` + 1 highlighted.
    auto highlighted = [&](int row) {
        const auto shown = drawing().list.Lines;
        BuildDisplayList(program, drawing(), static_cast<int16_t>(row + 1));
        const bool same = drawing().list.Lines == shown;
        drawing().list.Lines = shown;
        return same;
    };
    list->setCurrentRow(0);
    EXPECT_TRUE(highlighted(0));
    const int last = list->count() - 1;
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_End, last},
                                            {Qt::Key_Up, last - 1}, {Qt::Key_Home, 0}, {Qt::Key_PageDown, -1}};
    for (auto [key, row] : keys) {
        QTest::keyClick(list, key);
        if (row < 0) {  // a page on from the first row
            row = list->currentRow();
            EXPECT_GT(row, 0);
        }
        EXPECT_EQ(list->currentRow(), row) << key;
        EXPECT_TRUE(highlighted(row)) << key;
    }
    // A click on another row highlights it once; a click on the current row
    // highlights it again after a zoom took the highlight away.
    auto clickRow = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    };
    list->scrollToItem(list->item(1));
    auto redraws = drawing().mRedrawCount;
    clickRow(1);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(drawing().mRedrawCount, redraws + 1);
    EXPECT_TRUE(highlighted(1));
    TurnWheel(picture(), 120);
    EXPECT_FALSE(highlighted(1));
    redraws = drawing().mRedrawCount;
    clickRow(1);
    EXPECT_EQ(drawing().mRedrawCount, redraws + 1);
    EXPECT_TRUE(highlighted(1));
}

INSTANTIATE_TEST_SUITE_P(Builds, DrawingRoad, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "CS7" : "Velbend"; });

}  // namespace
}  // namespace velbend::testing

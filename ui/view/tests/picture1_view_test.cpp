// Picture1 in a window of its own with a menu bar whose entries carry the
// drawing's names: a DXF letter opened through the menu, zoomed with the
// wheel, dragged, every contour picked by clicks on its nodes, closed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include "velbend/common/numtext.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/geometry/picking.h"
#include "velbend/ui/picture1_view.h"
#include "velbend/ui/picture1_probe.h"
#include "velbend/ui/window_fixture.h"

namespace velbend {
namespace {

std::filesystem::path Letters(const std::string& name) {
    // <source>/ui/view/tests/data -> <source>/geometry/tests/data
    const auto source = std::filesystem::path(VELBEND_TEST_DATA_DIR).parent_path().parent_path().parent_path().parent_path();
    return source / "geometry" / "tests" / "data" / name;
}

class Harness : public testing::WindowTest {
protected:
    Harness() {
        program.params.gLanguage = 1;
        drawing.Core().TranParas(0.1, 5, 30, 10, 45, 105.0);
        drawing.Core().ControlPointCls();
        InstallDrawingHooks(program, drawing);
        window.setObjectName("MainForm");
        QMenu* file = window.menuBar()->addMenu("File");
        QMenu* view = window.menuBar()->addMenu("View");
        for (const char* name : {"打开", "关闭", "退出"}) file->addAction(QString::fromUtf8(name))->setObjectName(QString::fromUtf8(name));
        for (const char* name : {"还原视图", "取消选择", "查看选择面积", "增加节点", "删除节点"})
            view->addAction(QString::fromUtf8(name))->setObjectName(QString::fromUtf8(name));
        auto* client = new QWidget(&window);
        window.setCentralWidget(client);
        picture = new Picture1View(program, drawing, client);
        QObject::connect(picture, &Picture1View::changed, [this] { ++changes; });
        InstallDrawingMenus(window.menuBar(), program, drawing, &window, [this] { ++refreshes; });
        window.resize(800, 600);
        picture->setGeometry(10, 10, 756, 532);  // placed as the main window places it
        window.show();
        QApplication::processEvents();
    }

    void Trigger(const char* name) {
        QAction* a = window.menuBar()->findChild<QAction*>(QString::fromUtf8(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    QPoint PixelOf(double x, double y) { return PicturePixelOf(program, x, y); }
    // Clicks the first node of every contour twice (the whole contour).
    int PickEveryContour() {
        int contours = 0;
        for (int k = 1; k < drawing.tables.mNodeCount; ++k) {
            if (drawing.tables.mNodes[k].NodeNo != 1) continue;
            const QPoint at = PixelOf(drawing.tables.mNodes[k].X, drawing.tables.mNodes[k].Y);
            QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, at);
            ++contours;
        }
        return contours;
    }

    DrawingModel drawing;
    QMainWindow window;
    Picture1View* picture = nullptr;
    int changes = 0, refreshes = 0;
};

TEST_F(Harness, OpenZoomDragPickEveryContourAndClose) {
    const auto dxf = Letters("letters_cubic.dxf");
    ASSERT_TRUE(std::filesystem::exists(dxf)) << dxf;
    EXPECT_EQ(picture->objectName(), "Picture1");
    EXPECT_DOUBLE_EQ(program.ctx.panel.Picture1Width, 756);
    EXPECT_DOUBLE_EQ(program.ctx.panel.Picture1Height, 532);

    op.fileAnswers.push_back(dxf.string());
    Trigger("打开");
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(program.ctx.panel.Label4[0], dxf.string());
    ASSERT_GT(drawing.tables.mNodeCount, 1);
    const double homeWidth = program.ctx.panel.gViewWidth;

    // The outline lies where the mapped node coordinates say.
    QImage img = picture->grab().toImage();
    ASSERT_EQ(img.size(), QSize(756, 532));
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0u);
    for (int k = 1; k < drawing.tables.mNodeCount; ++k)
        EXPECT_TRUE(LitNear(img, PixelOf(drawing.tables.mNodes[k].X, drawing.tables.mNodes[k].Y))) << k;
    for (int i = 0; i < drawing.tables.mDisplayPointCount; i += 7) {
        const DisplayPoint& q = drawing.tables.mDisplayPoints[i];
        EXPECT_TRUE(LitNear(img, PixelOf(q.X, q.Y))) << i;
    }

    // Wheel: a high-resolution wheel steps once per whole notch.
    TurnWheel(picture, 60);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewWidth, homeWidth);
    TurnWheel(picture, 60);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewWidth, ZoomInWidth(homeWidth));
    TurnWheel(picture, -240);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewWidth, ZoomOutWidth(ZoomOutWidth(ZoomInWidth(homeWidth))));
    Trigger("还原视图");
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewWidth, homeWidth);

    // Drag beside the outline: the view follows the mouse.
    const double cx = program.ctx.panel.gViewCenterX;
    QTest::mousePress(picture, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(drawing.mMousePointer, 5);
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(picture, QPoint(52, 2));
    QTest::mouseRelease(picture, Qt::LeftButton, Qt::NoModifier, QPoint(52, 2));
    EXPECT_EQ(drawing.mMousePointer, 0);
    EXPECT_EQ(picture->cursor().shape(), Qt::ArrowCursor);
    EXPECT_NEAR(program.ctx.panel.gViewCenterX, cx - 50 * homeWidth / 756, 1e-9);
    Trigger("还原视图");

    // Pick every contour by its first node.
    const int contours = PickEveryContour();
    ASSERT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(drawing.pick.mSelCount, contours);
    EXPECT_EQ(CountControlBlocks(home.Read("PointForControl.dat")), contours);
    EXPECT_EQ(drawing.mPathCount, 2 * contours);
    EXPECT_FALSE(program.ctx.panel.List1.empty());
    // The piece length is the sum of the contours' lengths.
    std::map<int, double> lengths;
    {
        std::ifstream f(Letters("letters_cubic.lengths"));
        int i;
        double len;
        while (f >> i >> len) lengths[i] = len;
    }
    double sum = 0;
    for (auto& [i, len] : lengths) sum += len;
    const std::string& selected = program.ctx.panel.Label4[1];
    ASSERT_GE(selected.size(), 4u);
    EXPECT_EQ(selected.substr(selected.size() - 4), "  mm");
    EXPECT_NEAR(Val(selected), sum, sum * 0.01);
    EXPECT_FALSE(program.ctx.panel.Label4[2].empty());
    EXPECT_GE(changes, 2 * contours);
    // VELBEND_VIEW_PNG=<file> keeps a picture of the picked letter to look at.
    if (const char* png = std::getenv("VELBEND_VIEW_PNG")) picture->grab().save(QString::fromLocal8Bit(png));

    // Close: black, and neither a wheel step nor a click brings anything back.
    Trigger("关闭");
    EXPECT_TRUE(drawing.list.Lines.empty());
    TurnWheel(picture, 120);
    EXPECT_TRUE(drawing.list.Lines.empty());
    QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(378, 266));
    EXPECT_EQ(drawing.pick.mSelection[0].Kind, 0);
    img = picture->grab().toImage();
    EXPECT_TRUE(AllBlack(img));
}

TEST_F(Harness, CtrlClickOpensLikeShiftClick) {
    op.fileAnswers.push_back(Letters("letters_cubic.dxf").string());
    Trigger("打开");
    ASSERT_GT(drawing.tables.mNodeCount, 1);
    const NodeRecord& n = drawing.tables.mNodes[1];
    const QPoint at = PixelOf(n.X, n.Y);
    const int16_t r = ContourDirection(drawing.tables, 1);
    struct Case {
        Qt::KeyboardModifiers mod;
        int16_t kind, code;
    };
    for (const Case& c : {Case{Qt::NoModifier, static_cast<int16_t>(-r), 3}, Case{Qt::ShiftModifier, r, 2},
                          Case{Qt::ControlModifier, r, 2}}) {
        QTest::mouseClick(picture, Qt::LeftButton, c.mod, at);
        EXPECT_EQ(drawing.pick.mSelection[0].Kind, c.kind) << c.mod;
        EXPECT_EQ(drawing.pick.mRangeCode, c.code) << c.mod;
        drawing.pick.mSelection[0] = SelEntry{};
    }
}

TEST_F(Harness, NodeModeCursorAndExit) {
    op.fileAnswers.push_back(Letters("letters_cubic.dxf").string());
    Trigger("打开");
    Trigger("增加节点");
    EXPECT_EQ(drawing.mMousePointer, 2);
    EXPECT_EQ(picture->cursor().shape(), Qt::CrossCursor);
    // A right click ends the mode.
    QTest::mouseClick(picture, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(drawing.mMousePointer, 0);
    EXPECT_EQ(picture->cursor().shape(), Qt::ArrowCursor);
    Trigger("删除节点");
    EXPECT_EQ(picture->cursor().shape(), Qt::ForbiddenCursor);
    Trigger("退出");
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace velbend

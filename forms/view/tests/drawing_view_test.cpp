// The drawing view's model: zoom steps, resize, pan, the fit of a display
// file, hit tests, node editing by mouse, picking and the display list.
#include <cmath>

#include "drawing_fixture.h"
#include "velbend/geometry/plane.h"
#include "velbend/machine/run_state.h"

using namespace velbend;
using velbend::testing::DrawingTest;
using velbend::testing::TwoSquares;

namespace {

TEST(ZoomSteps, EveryThresholdFromBothSides) {
    struct Case {
        double w, out, in;
    };
    const Case cases[] = {
        {20, 40, 20},       {21, 41, 1},         {25, 45, 5},         {99, 119, 79},     {100, 150, 80},
        {101, 151, 51},     {200, 250, 150},     {499, 549, 449},     {500, 600, 450},   {501, 601, 401},
        {999, 1099, 899},   {1000, 1200, 900},   {1001, 1201, 801},   {4999, 5199, 4799}, {5000, 5500, 4800},
        {5001, 5501, 4501}, {9999, 10499, 9499}, {10000, 11000, 9500}, {10001, 11001, 9001},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ZoomOutWidth(c.w), c.out) << c.w;
        EXPECT_DOUBLE_EQ(ZoomInWidth(c.w), c.in) << c.w;
    }
}

TEST_F(DrawingTest, WheelSequencesFrom200) {
    auto& panel = program.ctx.panel;
    panel.gViewWidth = 200;
    WheelZoom(program, d, false);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 250);
    WheelZoom(program, d, false);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 300);

    panel.gViewWidth = 200;
    const double in[] = {150, 100, 80, 60, 40, 20, 20};
    for (double w : in) {
        WheelZoom(program, d, true);
        EXPECT_DOUBLE_EQ(panel.gViewWidth, w);
    }
    // Zooming is about the centre, and a step rebuilds the list (redraws).
    panel.gViewCenterX = 7;
    const auto before = d.mRedrawCount;
    WheelZoom(program, d, false);
    EXPECT_DOUBLE_EQ(panel.gViewCenterX, 7);
    EXPECT_EQ(d.mRedrawCount, before + 1);
}

TEST_F(DrawingTest, AWheelStepRebuildsTheNodeSquaresAtTheNewWidth) {
    Load(TwoSquares());
    auto squareSide = [&] {
        for (const DisplayLine& l : d.list.Lines)
            if (l.Color == kYellow) return std::hypot(l.X2 - l.X1, l.Y2 - l.Y1);
        return 0.0;
    };
    for (bool in : {true, false, false}) {
        WheelZoom(program, d, in);
        EXPECT_NEAR(squareSide(), 0.006 * program.ctx.panel.gViewWidth, 1e-9) << in;
    }
}

TEST_F(DrawingTest, ResizeTakesZeroAsOneAndKeepsAMinimumWidth) {
    auto& panel = program.ctx.panel;
    panel.gViewWidth = 200;
    EXPECT_EQ(GLResize(program, d, 400, 0), 0);
    EXPECT_DOUBLE_EQ(panel.gViewAspect, 1.0 / 400);
    EXPECT_DOUBLE_EQ(d.gViewScale, 2);
    GLResize(program, d, 0, 300);
    EXPECT_DOUBLE_EQ(panel.gViewAspect, 300);
    EXPECT_DOUBLE_EQ(panel.Picture1Width, 1);

    // A width of 0, or none at all, becomes the minimum; a zoom in from a
    // little above 20 ends below 20 (and below the fitted minimum).
    SetView(program, d, 1, 2, 0);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, kMinViewWidth);
    SetView(program, d, 1, 2, std::nan(""));
    EXPECT_DOUBLE_EQ(panel.gViewWidth, kMinViewWidth);
    SetView(program, d, 1, 2, 20.5);
    WheelZoom(program, d, true);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 0.5);
    WheelZoom(program, d, true);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 0.5);
}

TEST_F(DrawingTest, PanFollowsTheMouseAtEveryWindowSizeAndZoom) {
    struct Case {
        int width, height;
        double w;
    };
    const Case cases[] = {{756, 532, 200}, {378, 266, 200}, {756, 532, 80}};
    for (const Case& c : cases) {
        GLResize(program, d, c.width, c.height);
        SetView(program, d, 10, 20, c.w);  // zoomed after the resize
        d.tables.mNodeCount = 1;          // an outline without nodes
        Picture1_MouseDown(program, d, 1, 0, 100, 100);
        ASSERT_EQ(d.mMousePointer, 5);
        Picture1_MouseMove(program, d, 1, 0, 150, 130);  // 50 right, 30 down
        Picture1_MouseMove(program, d, 1, 0, 200, 160);  // and again
        Picture1_MouseUp(program, d, 1, 0, 200, 160);
        EXPECT_EQ(d.mMousePointer, 0);
        const double unit = c.w / c.width;
        EXPECT_NEAR(program.ctx.panel.gViewCenterX, 10 - 100 * unit, 1e-9) << c.width << " " << c.w;
        EXPECT_NEAR(program.ctx.panel.gViewCenterY, 20 + 60 * unit, 1e-9) << c.width << " " << c.w;
        // The point that was under the mouse is under it again.
        double x, y;
        PixelToDrawing(program, 200, 160, x, y);
        SetView(program, d, 10, 20, c.w);
        double x0, y0;
        PixelToDrawing(program, 100, 100, x0, y0);
        EXPECT_NEAR(x, x0, 1e-9);
        EXPECT_NEAR(y, y0, 1e-9);
    }
    // A move without a pan changes nothing.
    Picture1_MouseMove(program, d, 0, 0, 300, 300);
    EXPECT_DOUBLE_EQ(program.ctx.panel.gViewCenterX, 10);
}

TEST_F(DrawingTest, FitOfTheFiveLineDisplayFile) {
    Load("SPLINE 1\r\n10 0 Node\r\n20 0\r\n20 10 Node\r\n10 10\r\n");
    auto& panel = program.ctx.panel;
    EXPECT_DOUBLE_EQ(panel.gViewCenterX, 15);
    EXPECT_DOUBLE_EQ(panel.gViewCenterY, 5);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 1.2 * 10 / 0.7);
    EXPECT_DOUBLE_EQ(d.mHomeWidth, 1.2 * 10 / 0.7);
    ASSERT_EQ(d.tables.mNodeCount, 3);
    EXPECT_EQ(d.tables.mNodes[2].X, 20);
    EXPECT_EQ(d.tables.mNodes[2].NodeNo, 2);
    EXPECT_EQ(d.tables.mNodes[2].PointIndex, 2);
    ASSERT_EQ(d.tables.mDisplayPointCount, 4);
    EXPECT_EQ(d.tables.mDisplayPoints[0].Flag, 1);
    EXPECT_EQ(d.tables.mDisplayPoints[3].NodeNo, 2);
    EXPECT_EQ(d.tables.mDisplayPoints[3].StepNo, 1);

    // Wide outlines fit their width: dy just below 0.7 dx.
    Load("SPLINE 1\r\n0 0 Node\r\n100 69.9 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 120);
    Load("SPLINE 1\r\n0 0 Node\r\n100 70 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 120);
    Load("SPLINE 1\r\n0 0 Node\r\n100 71 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 1.2 * 71 / 0.7);

    // Fits narrower than the minimum width take the minimum.
    Load("SPLINE 1\r\n0 0 Node\r\n0.9 0 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, 1.2 * 0.9);
    Load("SPLINE 1\r\n0 0 Node\r\n0.8 0 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, kMinViewWidth);
    // A single point keeps the minimum width; Restore view returns to it.
    Load("SPLINE 1\r\n5 5 Node\r\n");
    EXPECT_DOUBLE_EQ(panel.gViewWidth, kMinViewWidth);
    WheelZoom(program, d, false);
    还原视图_Click(program, d);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, kMinViewWidth);
}

TEST_F(DrawingTest, RestoreViewNeedsAnOpenOutlineAndNoRun) {
    Load(TwoSquares());
    auto& panel = program.ctx.panel;
    const double home = panel.gViewWidth;
    WheelZoom(program, d, false);
    program.ctx.run.gRunning = kTrue;
    还原视图_Click(program, d);
    EXPECT_NE(panel.gViewWidth, home);
    program.ctx.run.gRunning = 0;
    panel.Label4[0].clear();
    还原视图_Click(program, d);
    EXPECT_NE(panel.gViewWidth, home);
    panel.Label4[0] = "a.plt";
    还原视图_Click(program, d);
    EXPECT_DOUBLE_EQ(panel.gViewWidth, home);
}

TEST_F(DrawingTest, HitTestAtNinePerMilleHitsAtOnePercentPans) {
    Load(TwoSquares());
    const double w = program.ctx.panel.gViewWidth;
    struct Case {
        double frac;
        bool hit;
    };
    for (const Case& c : {Case{0.009, true}, Case{0.0099, true}, Case{0.0101, false}}) {
        ClickAt(100 + c.frac * w, 100 + c.frac * w);
        EXPECT_EQ(d.pick.mSelection[0].Kind != 0, c.hit) << c.frac;
        EXPECT_EQ(d.mMousePointer, 0);
        d.pick.mSelection[0] = SelEntry{};
    }
    // Exactly 1 % misses and starts a pan.
    double X, Y;
    DrawingToPixel(program, 100 + 0.01 * w, 100, X, Y);
    X = std::ceil(X);  // no nearer than 1 %
    Picture1_MouseDown(program, d, 1, 0, X, Y);
    EXPECT_EQ(d.pick.mSelection[0].Kind, 0);
    EXPECT_EQ(d.mMousePointer, 5);
    Picture1_MouseUp(program, d, 1, 0, X, Y);

    // A deleted node is passed over: the click falls through to panning.
    d.pick.mDeletedNodes[0] = d.tables.mNodes[3];
    d.pick.mDeleteCount = 1;
    ClickNode(3);
    EXPECT_EQ(d.pick.mSelection[0].Kind, 0);
}

TEST_F(DrawingTest, PlainClickRunsClockwiseShiftAndCtrlCounterClockwise) {
    Load(TwoSquares());
    // The outer square's turns sum below 0 (ContourDirection -1): a plain
    // pick walks it forwards in point order (kind 1) with code 3, a pick
    // with any modifier key backwards with code 2.
    struct Case {
        int shift;
        int16_t kind, code;
    };
    for (const Case& c : {Case{0, 1, 3}, Case{1, -1, 2}, Case{2, -1, 2}, Case{4, -1, 2}}) {
        ClickNode(1, c.shift);
        EXPECT_EQ(d.pick.mSelection[0].Kind, c.kind) << c.shift;
        EXPECT_EQ(d.pick.mRangeCode, c.code) << c.shift;
        EXPECT_EQ(d.pick.mSelection[0].FirstNode, 1);
        d.pick.mSelection[0] = SelEntry{};
    }
}

TEST_F(DrawingTest, PickEveryContourWritesBlocksPathListAndCaptions) {
    Load(TwoSquares());
    auto& panel = program.ctx.panel;
    program.ctx.sys().gBendToSlotDist = 50;
    ClickNode(1);
    ClickNode(5);  // another contour: ignored, the range stays open
    EXPECT_EQ(d.pick.mSelCount, 0);
    EXPECT_EQ(d.pick.mSelection[0].LastNode, 0);
    ClickNode(1);  // same node: the whole contour
    EXPECT_EQ(d.pick.mSelCount, 1);
    EXPECT_EQ(CountControlBlocks(home.Read("PointForControl.dat")), 1);
    EXPECT_FALSE(home.Read("CtrP.dat").empty());
    EXPECT_EQ(panel.Label4[1], "400.0000  mm");
    // Text4 10, Text5 1, Text7 100: 400 + 100 + 50.
    EXPECT_EQ(panel.Label4[2], "550.0000  mm");
    EXPECT_FALSE(panel.List1.empty());

    ClickNode(6, 1);
    ClickNode(6, 1);
    EXPECT_EQ(d.pick.mSelCount, 2);
    EXPECT_EQ(d.mPathCount, 4);
    // Two contours: one splice between them is left out of the piece.
    EXPECT_EQ(panel.Label4[1], "480.0000  mm");
    EXPECT_EQ(panel.Label4[2], "640.0000  mm");
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_F(DrawingTest, AddNodeWithinHalfAUnitOfTheSegmentAndNeverBetweenContours) {
    // Points 10 apart on the X axis; the click lies above the middle at the
    // height giving d1 + d2.
    const std::string file = "SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 30 Node\r\n";
    struct Case {
        double sum;
        bool added;
    };
    for (const Case& c : {Case{10.4, true}, Case{10.49, true}, Case{10.51, false}, Case{10.6, false}}) {
        Load(file);
        program.ctx.panel.gViewWidth = 200;  // the nodes lie beyond the hit tolerance
        d.mMousePointer = 2;
        const double h = std::sqrt(c.sum * c.sum / 4 - 25);
        ClickAt(5, h);
        EXPECT_EQ(d.pick.mAddedNodeCount, c.added ? 1 : 0) << c.sum;
        EXPECT_EQ(d.tables.mNodeCount, c.added ? 4 : 3) << c.sum;
        EXPECT_EQ(d.mMousePointer, 2);  // the mode stays on
        d.pick.mAddedNodeCount = 0;
    }
    // The last point of contour 1 and the first of contour 2 are 4 apart: a
    // click between them adds nothing.
    Load("SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 10 Node\r\nSPLINE 2\r\n14 10 Node\r\n30 10\r\n30 40 Node\r\n");
    program.ctx.panel.gViewWidth = 200;
    d.mMousePointer = 2;
    ClickAt(12, 10.1);
    EXPECT_EQ(d.pick.mAddedNodeCount, 0);
    EXPECT_EQ(d.tables.mNodeCount, 5);
}

TEST_F(DrawingTest, FullSelectionAndAddedNodeTablesRefuseWithAMessage) {
    Load(TwoSquares());
    // The 101st range still goes in; the 102nd is refused and nothing is
    // written.
    for (int k = 0; k < kMaxSelections - 1; ++k) d.pick.mSelection[k] = SelEntry{1, 1, 1};
    d.pick.mSelCount = kMaxSelections - 1;
    ClickNode(5);
    ClickNode(5);
    ASSERT_EQ(d.pick.mSelCount, kMaxSelections);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    const std::string picked = home.Read("PointForControl.dat");
    EXPECT_EQ(CountControlBlocks(picked), 1);
    ClickNode(1);
    EXPECT_EQ(d.pick.mSelCount, kMaxSelections);
    EXPECT_EQ(op.LastText(), "Too many contours are picked");
    EXPECT_EQ(home.Read("PointForControl.dat"), picked);

    // The 1001st added node still goes in; the next is refused.
    Load("SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 30 Node\r\n");
    op.messages.clear();
    program.ctx.panel.gViewWidth = 100;  // nodes are hit within 1
    d.mMousePointer = 2;
    d.pick.mAddedNodeCount = kMaxAddedNodes - 1;
    ClickAt(5, 0.1);
    EXPECT_EQ(d.pick.mAddedNodeCount, kMaxAddedNodes);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    const std::string display = home.Read("PointForDisplay.dat");
    ClickAt(2.5, 0.1);
    EXPECT_EQ(d.pick.mAddedNodeCount, kMaxAddedNodes);
    EXPECT_EQ(op.LastText(), "Too many nodes have been added");
    EXPECT_EQ(home.Read("PointForDisplay.dat"), display);
}

TEST_F(DrawingTest, DeleteNodeModeHidesTheSquareUntilFull) {
    Load(TwoSquares());
    删除节点_Click(program, d);
    ASSERT_EQ(d.mMousePointer, 12);
    const int yellow = Count(kYellow);
    ClickNode(2);
    EXPECT_EQ(d.pick.mDeleteCount, 1);
    EXPECT_EQ(Count(kYellow), yellow - 4);
    EXPECT_EQ(Count(kWhite), 12);  // the outline keeps the point
    EXPECT_EQ(d.mMousePointer, 12);

    // Cancel Delete Before brings it back, and with none left only redraws.
    取消前一个删除_Click(program, d);
    EXPECT_EQ(d.pick.mDeleteCount, 0);
    EXPECT_EQ(d.mMousePointer, 0);
    EXPECT_EQ(Count(kYellow), yellow);
    const auto redraws = d.mRedrawCount;
    取消前一个删除_Click(program, d);
    EXPECT_EQ(d.pick.mDeleteCount, 0);
    EXPECT_EQ(d.mRedrawCount, redraws + 1);

    // A full table refuses with a message.
    d.mMousePointer = 12;
    d.pick.mDeleteCount = kMaxDeletedNodes - 1;
    ClickNode(3);
    EXPECT_EQ(d.pick.mDeleteCount, kMaxDeletedNodes);
    EXPECT_TRUE(op.messages.empty());
    ClickNode(4);
    EXPECT_EQ(d.pick.mDeleteCount, kMaxDeletedNodes);
    EXPECT_EQ(op.LastText(), "Too many nodes have been deleted!");
}

TEST_F(DrawingTest, DisplayListOfAPickedLetterWithAndWithoutARun) {
    Load(TwoSquares());
    // Outline 8 + 4 segments, 8 node squares.
    EXPECT_EQ(Count(kWhite), 12);
    EXPECT_EQ(Count(kYellow), 32);
    EXPECT_EQ(Count(kGreen), 0);
    EXPECT_EQ(d.list.Lines.size(), 44u);

    ClickNode(1);  // open: the arrow shows
    EXPECT_EQ(Count(kGreen), 2);
    ClickNode(1);
    ClickNode(5, 1);
    ClickNode(5, 1);
    ASSERT_EQ(d.pick.mSelCount, 2);
    // Outer contour picked plain (kind 3, magenta path): start, side
    // middles, three records at each corner, end: 15 points, 14 lines.
    // Inner with Shift (kind 2, green path): 11 points, 10 lines, and the
    // two arrows.  Corners as red squares.
    const int magenta = Count(kMagenta), red = Count(kRed), green = Count(kGreen);
    EXPECT_EQ(magenta, 14);
    EXPECT_EQ(green, 10 + 4);
    EXPECT_GT(red, 0);
    EXPECT_EQ(red % 4, 0);
    EXPECT_EQ(Count(kYellow), 32);

    // A run: the node squares go, arrows and path stay.
    program.ctx.run.gRunning = kTrue;
    BuildDisplayList(program, d, 0);
    EXPECT_EQ(Count(kYellow), 0);
    EXPECT_EQ(Count(kWhite), 12);
    EXPECT_EQ(Count(kMagenta), magenta);
    EXPECT_EQ(Count(kGreen), green);
    EXPECT_EQ(Count(kRed), red);
    // No highlight from the list while running; afterwards segment 1 (start
    // to first corner, two lines) is yellow.
    List1_Click(program, d, 0);
    EXPECT_EQ(Count(kYellow), 0);
    program.ctx.run.gRunning = 0;
    List1_Click(program, d, 0);
    EXPECT_EQ(Count(kYellow), 32 + 2);
    EXPECT_EQ(Count(kMagenta), magenta - 2);
}

TEST_F(DrawingTest, RangeArrowStaysOnItsContour) {
    // Node 2 is the last point of contour 1; its neighbour is the contour's
    // first point (0, 0), not the first point of contour 2.
    Load("SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 10 Node\r\nSPLINE 2\r\n50 50 Node\r\n60 50\r\n");
    DisplayList list;
    ASSERT_TRUE(DrawRangeArrow(d.tables, SelEntry{1, 2, 0}, list));
    ASSERT_EQ(list.Lines.size(), 2u);
    // Kind 1: direction from the neighbour (0, 0) to the node (10, 10); the
    // wings point back at 225° +- 0.4 rad... the tip is the node.
    for (const DisplayLine& l : list.Lines) {
        EXPECT_DOUBLE_EQ(l.X1, 10);
        EXPECT_DOUBLE_EQ(l.Y1, 10);
        EXPECT_NEAR(std::hypot(l.X2 - 10, l.Y2 - 10), 8, 1e-9);
        EXPECT_GT(l.X2 + l.Y2, 20);  // wings on the side away from the neighbour
    }
    list.Lines.clear();
    ASSERT_TRUE(DrawRangeArrow(d.tables, SelEntry{-1, 2, 0}, list));
    for (const DisplayLine& l : list.Lines) EXPECT_LT(l.X2 + l.Y2, 20);
    // Past the contour's end the count goes on at its start: with the last
    // point too near, the neighbour two steps on is the contour's second
    // point (10, 0), and the arrow points straight up.
    Load("SPLINE 1\r\n0 0 Node\r\n10 0\r\n10 10 Node\r\n10 10.005\r\nSPLINE 2\r\n50 50 Node\r\n60 50\r\n");
    list.Lines.clear();
    ASSERT_TRUE(DrawRangeArrow(d.tables, SelEntry{1, 2, 0}, list));
    ASSERT_EQ(list.Lines.size(), 2u);
    EXPECT_NEAR(list.Lines[0].X2 + list.Lines[1].X2, 20, 1e-9);
    EXPECT_NEAR(list.Lines[0].Y2, 10 + 8 * std::sin(kTwoPi / 4 + 0.4), 1e-9);
    // A contour whose points all lie on the node has no arrow.
    Load("SPLINE 1\r\n5 5 Node\r\n5 5.005\r\nSPLINE 2\r\n50 50 Node\r\n");
    list.Lines.clear();
    EXPECT_FALSE(DrawRangeArrow(d.tables, SelEntry{1, 1, 0}, list));
    EXPECT_TRUE(list.Lines.empty());
}

TEST_F(DrawingTest, RightClickFlagsMarkersAndEndsTheNodeModes) {
    Load(TwoSquares());
    program.ctx.sys().gSlotThreshold = 1;
    ClickNode(1);
    ClickNode(1);
    ASSERT_FALSE(d.mMarkers.empty());
    const PathMarker m = d.mMarkers.front();
    d.mMousePointer = 2;
    program.ctx.run.gRunning = kTrue;
    ClickAt(m.X, m.Y, 2);
    EXPECT_EQ(d.mMousePointer, 0);
    EXPECT_EQ(d.mMarkers.front().Flag, 0);
    program.ctx.run.gRunning = 0;
    ClickAt(m.X, m.Y, 2);
    EXPECT_EQ(d.mMarkers.front().Flag, 1.0);
    // The middle button does nothing.
    d.mMousePointer = 2;
    ClickAt(m.X, m.Y, 4);
    EXPECT_EQ(d.mMousePointer, 2);
}

TEST_F(DrawingTest, AClickOnANodeByCursorMode) {
    Load(TwoSquares());
    const std::string display = home.Read("PointForDisplay.dat");
    struct Case {
        int16_t cursor;
        int shift;
        bool deleted;
    };
    // Add-node mode and a pan in progress leave a node alone; delete-node
    // mode deletes with or without a modifier key.
    for (const Case& c : {Case{2, 0, false}, Case{2, 1, false}, Case{5, 0, false}, Case{12, 0, true},
                          Case{12, 2, true}}) {
        d.pick.mDeleteCount = 0;
        d.mMousePointer = c.cursor;
        double X, Y;
        DrawingToPixel(program, d.tables.mNodes[2].X, d.tables.mNodes[2].Y, X, Y);
        Picture1_MouseDown(program, d, 1, c.shift, X, Y);
        EXPECT_EQ(d.pick.mDeleteCount, c.deleted ? 1 : 0) << c.cursor << " " << c.shift;
        EXPECT_EQ(d.pick.mSelection[0].Kind, 0) << c.cursor;
        EXPECT_EQ(d.pick.mAddedNodeCount, 0) << c.cursor;
        EXPECT_EQ(d.mMousePointer, c.cursor);
    }
    EXPECT_EQ(home.Read("PointForDisplay.dat"), display);
}

TEST_F(DrawingTest, NothingHappensBeforeAnOutlineOrOnNodesDuringARun) {
    Picture1_MouseDown(program, d, 1, 0, 10, 10);
    EXPECT_EQ(d.mMousePointer, 0);
    Load(TwoSquares());
    program.ctx.run.gRunning = kTrue;
    ClickNode(1);
    EXPECT_EQ(d.pick.mSelection[0].Kind, 0);
    // A node is neither deleted nor can the add-node mode be entered.
    d.mMousePointer = 12;
    ClickNode(2);
    EXPECT_EQ(d.pick.mDeleteCount, 0);
    d.mMousePointer = 0;
    增加节点_Click(program, d);
    EXPECT_EQ(d.mMousePointer, 0);
    // Beside the nodes a pan still starts.
    Picture1_MouseDown(program, d, 1, 0, 1, 1);
    EXPECT_EQ(d.mMousePointer, 5);
}

}  // namespace

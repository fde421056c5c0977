// Picking contours: the blocks of PointForControl.dat, the contour
// direction, node editing and a long sequence of picks and edits.
#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "velbend/common/operator.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/picking.h"
#include "velbend/testsupport/tempdir.h"
#include "geometry_test_util.h"

using namespace velbend;

namespace {

// A 10 x 10 square from (10, 10), points counter-clockwise, a node at
// every corner.
const char* kSquare =
    "SPLINE 1\r\n"
    "10.000000 10.000000 Node\r\n"
    "20.000000 10.000000 Node\r\n"
    "20.000000 20.000000 Node\r\n"
    "10.000000 20.000000 Node\r\n"
    "SPLINE END\r\n";

DisplayTables Tables(const std::string& text) {
    DisplayTables t;
    EXPECT_EQ(ParseDisplayPoints(text, t, 1), "");
    return t;
}

ControlPointLimits Limits() { return {10.0, 2.0}; }

using velbend::testing::Lines;

}  // namespace

TEST(Picking, SquarePickedPlainlyIsWalkedCounterClockwiseAsKind3) {
    DisplayTables t = Tables(kSquare);
    PickState pick;
    ASSERT_EQ(t.mNodeCount, 5);
    EXPECT_EQ(ContourDirection(t, 1), -1);
    EXPECT_EQ(CountContourNodes(t, 1), 4);
    // Plain pick: walk sign -(-1) = 1, kind 3.
    std::string block = ControlPointsBlock(t, pick, Limits(), 1, 1, 3);
    EXPECT_EQ(block, velbend::testing::SquarePickBlock());
}

TEST(Picking, SquarePickedWithShiftIsWalkedClockwiseAsKind2) {
    DisplayTables t = Tables(kSquare);
    PickState pick;
    std::string block = ControlPointsBlock(t, pick, Limits(), 1, 1, -2);
    EXPECT_EQ(block, Lines({
        "SPLINE 90.0000 2",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 20.000000 2 0.00000000 90.00000000 0.00000000",
        "10.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 20.000000 2 0.00000000 90.00000000 0.00000000",
        "20.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 10.000000 2 0.00000000 90.00000000 0.00000000",
        "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 90.0000 0",
    }));
}

TEST(Picking, OpenRangesSplicesAndArcs) {
    // A contour with a plain arc of radius 10 between two nodes.
    std::string text = "SPLINE 1\r\n0.000000 0.000000 Node\r\n";
    char buf[64];
    for (int k = 1; k < 18; ++k) {  // quarter circles around (50, 0) would be too wide: radius 10
        double a = 3.14159265358979 * k / 36;  // 5 degree steps on the upper half circle
        std::snprintf(buf, sizeof buf, "%.6f %.6f\r\n", 30 - 10 * std::cos(a), 10 * std::sin(a));
        if (k == 1) text += "20.000000 0.000000 Node\r\n";
        text += buf;
    }
    text += "30.000000 10.000000 Node\r\n40.000000 20.000000\r\n0.000000 20.000000 Node\r\nSPLINE END\r\n";
    DisplayTables t = Tables(text);
    PickState pick;
    // An added node at the top of the arc is a splice.
    pick.mAddedNodes[0] = {30.0, 10.0};
    pick.mAddedNodeCount = 1;
    std::string block = ControlPointsBlock(t, pick, Limits(), 2, 3, 3);
    // From node 2 (20, 0) forwards to node 3 (30, 10): arc points carry the radius.
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(block.substr(0, block.find("\r\n")).substr(0, 7), "SPLINE ");
    EXPECT_NE(block.find("20.000000 0.000000 1 0.00000000"), std::string::npos);
    // Radius and the arriving chord's angle (chord / radius) in radians.
    EXPECT_NE(block.find("\r\n20.038053 0.871557 0 10.00007067 0.08723812 0.00000000\r\n"), std::string::npos)
        << block;
    // The end node is written as a plain type-1 point, never as a splice.
    EXPECT_NE(block.find("30.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\nSPLINE"), std::string::npos);
    // Walking on through the splice: 1, 5, 1.
    std::string through = ControlPointsBlock(t, pick, Limits(), 2, 4, 3);
    EXPECT_NE(through.find("30.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                           "30.000000 10.000000 5 0.00000000 0.00000000 0.00000000\r\n"
                           "30.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"),
              std::string::npos)
        << through;
    // Nodes of two contours do not make a block.
    DisplayTables two = Tables(std::string(kSquare).replace(std::string(kSquare).find("SPLINE END"), 10,
                                                             "SPLINE 2\r\n1.000000 1.000000 Node\r\n2.000000 1.000000 Node\r\nSPLINE END"));
    EXPECT_EQ(ControlPointsBlock(two, pick, Limits(), 1, 5, 3), "");
}

TEST(Picking, ANodeAtTheOriginIsARealPoint) {
    // The square's first corner lies at (0, 0).
    DisplayTables t = Tables(
        "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000 Node\r\n"
        "10.000000 10.000000 Node\r\n0.000000 10.000000 Node\r\nSPLINE END\r\n");
    PickState pick;
    std::string block = ControlPointsBlock(t, pick, Limits(), 2, 2, 3);
    EXPECT_NE(block.find("0.000000 0.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                         "0.000000 0.000000 2 0.00000000 -90.00000000 0.00000000\r\n"),
              std::string::npos)
        << block;
    std::string ctrp = BuildCtrPText(block, CtrPSettings{}, {});
    EXPECT_NE(ctrp.find("0.000000 0.000000 2 0.000000 -90.000000 0.000000"), std::string::npos);
}

TEST(Picking, ARepeatedPointIsNoArc) {
    // A point repeated inside a contour: no circle through it, no NaN.
    DisplayTables t = Tables(
        "SPLINE 1\r\n0.000000 0.000000 Node\r\n5.000000 0.000000\r\n5.000000 0.000000\r\n"
        "10.000000 1.000000\r\n10.000000 10.000000 Node\r\nSPLINE END\r\n");
    PickState pick;
    std::string block = ControlPointsBlock(t, pick, Limits(), 1, 1, 3);
    EXPECT_EQ(block.find("nan"), std::string::npos) << block;
    EXPECT_EQ(block.find("NaN"), std::string::npos) << block;
    EXPECT_NE(block.find("5.000000 0.000000 0 0.00000000 0.00000000 0.00000000\r\n"), std::string::npos) << block;
    EXPECT_EQ(pick.mArcFlag, 0);
}

TEST(Picking, SecondBuildPicksThroughTheSplineWalk) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    // A closed degree-1 spline square, counter-clockwise from (0, 0), and
    // its display points as the display-point writer lists them: from the
    // spline's end backwards, a node at every kept parameter.
    CoreAlgorithm core = velbend::testing::SquareSpline();
    DisplayTables t = Tables(
        "SPLINE 1\r\n0.000000 0.000000 Node\r\n0.000000 5.000000 Node\r\n0.000000 10.000000 Node\r\n"
        "5.000000 10.000000 Node\r\n10.000000 10.000000 Node\r\n10.000000 5.000000 Node\r\n"
        "10.000000 0.000000 Node\r\n5.000000 0.000000 Node\r\nSPLINE END\r\n");
    home.Write("PointForControl.dat", "");
    PickState pick;
    EXPECT_FALSE(PickOptionsFor("/a/Letter.DXF", false).SplineWalk);
    EXPECT_FALSE(PickOptionsFor("/a/letter.nc", true).SplineWalk);
    const PickOptions cs7 = PickOptionsFor("/a/Letter.DXF", true);
    ASSERT_TRUE(cs7.SplineWalk);
    // The falling walk of the whole contour turns clockwise (sense 1): a
    // plain pick walks the other way, rising, as kind 3.
    EXPECT_EQ(PickNode(t, pick, Limits(), core, cs7, 1, false, op, 1), PickResult::Opened);
    EXPECT_EQ(pick.mSelection[0].Kind, -1);
    EXPECT_EQ(pick.mRangeCode, 3);
    EXPECT_TRUE(home.Exists("PDdir.dat"));
    // To node 5, (10, 10): spline nodes 1 to 5, through (10, 0).
    EXPECT_EQ(PickNode(t, pick, Limits(), core, cs7, 5, false, op, 1), PickResult::Closed);
    std::string block = home.Read("PointForControl.dat");
    EXPECT_EQ(block.substr(0, 19), "SPLINE -90.0000 3\r\n") << block;
    EXPECT_NE(block.find("10.000000 0.000000 2 0.00000000 -90.00000000 0.00000000"), std::string::npos) << block;
    EXPECT_NE(block.find("10.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\nSPLINE -90.0000 0\r\n"),
              std::string::npos)
        << block;
    EXPECT_EQ(CountControlBlocks(block), 1);
    EXPECT_EQ(pick.mSelCount, 1);
    EXPECT_TRUE(op.messages.empty());
}

TEST(Picking, ClickHitTests) {
    DisplayTables t = Tables(std::string(kSquare).replace(std::string(kSquare).find("SPLINE END"), 10,
                                                           "SPLINE 2\r\n10.000000 22.000000 Node\r\nSPLINE END"));
    PickState pick;
    // Within a hundredth of the view width (200: 2 units) in X and in Y.
    EXPECT_EQ(FindClickedNode(t, pick, 20.5, 19, 200), 3);
    EXPECT_EQ(FindClickedNode(t, pick, 15, 15, 200), 0);
    EXPECT_EQ(FindClickedNode(t, pick, 11.2, 20.5, 200), 4);
    EXPECT_TRUE(DeleteNode(t, pick, 4));
    EXPECT_EQ(FindClickedNode(t, pick, 11.2, 20.5, 200), 5);  // the deleted node is hidden
    int32_t j = -1;
    double d = 0;
    ASSERT_TRUE(FindAddNodeSegment(t, 14, 10.1, j, d));
    EXPECT_EQ(j, 0);
    EXPECT_NEAR(d, 4.0012, 1e-4);
    // No segment joins two contours.
    EXPECT_FALSE(FindAddNodeSegment(t, 10, 21, j, d));
}

TEST(Picking, EditDisplayNodeMarksOrInsertsOneNode) {
    const std::string in = "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.000000 10.000000\r\nSPLINE END\r\n";
    PickState pick;
    std::string out;
    // Close to point 1: point 1 becomes a node.
    EXPECT_EQ(EditDisplayText(in, out, pick, 1, 10, 0, 10, 10, 0.05), NodeEdit::Marked);
    EXPECT_EQ(out, "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000 Node\r\n10.000000 10.000000\r\nSPLINE END\r\n");
    EXPECT_EQ(pick.mAddedNodeCount, 1);
    // Exactly 0.1 from point 1: a new point 0.1 along the segment.
    EXPECT_EQ(EditDisplayText(in, out, pick, 1, 10, 0, 10, 10, 0.1), NodeEdit::Inserted);
    EXPECT_EQ(out, "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.000000 0.100000 Node\r\n10.000000 10.000000\r\nSPLINE END\r\n");
    EXPECT_DOUBLE_EQ(pick.mAddedNodes[1].Y, 0.1);
    // Close to point 2: point 2 becomes the node.
    EXPECT_EQ(EditDisplayText(in, out, pick, 1, 10, 0, 10, 10, 9.95), NodeEdit::Marked);
    EXPECT_EQ(out, "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.000000 10.000000 Node\r\nSPLINE END\r\n");
    EXPECT_DOUBLE_EQ(pick.mAddedNodes[2].Y, 10);
    // Already a node: nothing changes, nothing is recorded.
    EXPECT_EQ(EditDisplayText(in, out, pick, 0, 0, 0, 10, 0, 0.01), NodeEdit::Unchanged);
    EXPECT_EQ(out, in);
    EXPECT_EQ(pick.mAddedNodeCount, 3);
    // The last point of a contour: the next line is the end line.
    EXPECT_EQ(EditDisplayText(in, out, pick, 2, 10, 10, 10, 10.05, 0.2), NodeEdit::Unchanged);
    // A full table refuses.
    pick.mAddedNodeCount = kMaxAddedNodes;
    EXPECT_EQ(EditDisplayText(in, out, pick, 1, 10, 0, 10, 10, 5), NodeEdit::Refused);
}

TEST(Picking, LongSequenceKeepsFileAndSelectionConsistent) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    CoreAlgorithm core;
    // Outer square and an inner square.
    home.Write("PointForDisplay.dat",
               "SPLINE 1\r\n10.000000 10.000000 Node\r\n20.000000 10.000000 Node\r\n20.000000 20.000000 Node\r\n"
               "10.000000 20.000000 Node\r\nSPLINE 2\r\n13.000000 13.000000 Node\r\n17.000000 13.000000 Node\r\n"
               "17.000000 17.000000 Node\r\n13.000000 17.000000 Node\r\nSPLINE END\r\n");
    home.Write("PointForControl.dat", "");
    DisplayTables t;
    ASSERT_TRUE(LoadDisplayPoints(t, op, 1));
    PickState pick;
    auto blocks = [&] { return CountControlBlocks(home.Read("PointForControl.dat")); };

    // Node edits are allowed only while nothing is picked.
    EXPECT_TRUE(CanEditNodes(t, pick));
    EXPECT_EQ(EditDisplayNode(pick, 0, 10, 10, 20, 10, 5, op, 1), NodeEdit::Inserted);
    ASSERT_TRUE(LoadDisplayPoints(t, op, 1));
    EXPECT_EQ(t.mNodeCount, 10);  // (15, 10) is a node now
    EXPECT_TRUE(DeleteNode(t, pick, 3));
    EXPECT_TRUE(UndoDeleteNode(pick));
    EXPECT_TRUE(DeleteNode(t, pick, 4));  // (20, 20)

    const PickOptions plain;
    // Outer contour, plain: kind 3, walked forwards.
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 1, false, op, 1), PickResult::Opened);
    EXPECT_FALSE(CanEditNodes(t, pick));
    EXPECT_EQ(pick.mSelection[0].Kind, 1);
    EXPECT_EQ(pick.mRangeCode, 3);
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 7, false, op, 1), PickResult::Ignored);  // other contour
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 1, false, op, 1), PickResult::Closed);
    EXPECT_EQ(pick.mSelCount, 1);
    EXPECT_EQ(blocks(), 1);
    // The added node is a splice in the block.
    EXPECT_NE(home.Read("PointForControl.dat").find("15.000000 10.000000 5 "), std::string::npos);
    EXPECT_FALSE(UndoDeleteNode(pick));  // a contour is picked

    // Inner contour with Shift: kind 2, walked backwards.
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 6, true, op, 1), PickResult::Opened);
    EXPECT_EQ(pick.mSelection[1].Kind, -1);
    EXPECT_EQ(pick.mRangeCode, 2);
    // Cancel Select while the range is open gives up the open range only.
    EXPECT_TRUE(CancelSelect(pick, op, 1));
    EXPECT_EQ(pick.mSelection[1].Kind, 0);
    EXPECT_EQ(blocks(), 1);
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 6, true, op, 1), PickResult::Opened);
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 8, true, op, 1), PickResult::Closed);
    EXPECT_EQ(pick.mSelCount, 2);
    EXPECT_EQ(blocks(), 2);
    std::string two = home.Read("PointForControl.dat");

    // A third pick, then Cancel Select takes it back exactly.
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 2, false, op, 1), PickResult::Opened);
    EXPECT_EQ(PickNode(t, pick, Limits(), core, plain, 4, false, op, 1), PickResult::Closed);
    EXPECT_EQ(blocks(), 3);
    EXPECT_TRUE(CancelSelect(pick, op, 1));
    EXPECT_EQ(pick.mSelCount, 2);
    EXPECT_EQ(pick.mSelection[2].Kind, 0);
    EXPECT_EQ(home.Read("PointForControl.dat"), two);

    // The control path marks the deleted corner (20, 20) as kind 4.
    CtrPSettings s;
    ASSERT_EQ(BuildCtrPFile(s, std::span<const NodeRecord>(pick.mDeletedNodes.data(), pick.mDeleteCount), op, 1),
              CtrPBuild::Written);
    EXPECT_NE(home.Read("CtrP.dat").find("20.000000 20.000000 4 0.000000 -90.000000 0.000000"), std::string::npos);

    // Cancel down to nothing; a further cancel does nothing.
    EXPECT_TRUE(CancelSelect(pick, op, 1));
    EXPECT_TRUE(CancelSelect(pick, op, 1));
    EXPECT_EQ(pick.mSelCount, 0);
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    EXPECT_FALSE(CancelSelect(pick, op, 1));
    // Nothing picked: CtrP.dat keeps what it held.
    EXPECT_EQ(BuildCtrPFile(s, {}, op, 1), CtrPBuild::Unchanged);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

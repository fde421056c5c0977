// Readers of the control path: strip length, segment list, path drawing.
#include <string>

#include <gtest/gtest.h>

#include "velbend/geometry/area.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/picking.h"
#include "geometry_test_util.h"

using namespace velbend;

namespace {

using velbend::testing::Lines;

// The square (10, 10)-(20, 20) picked with Shift: clockwise, turns of +90.
const std::string kClockwise = Lines({
    "SPLINE 90.000000 2.0",
    "10.000000 10.000000 1 0.000000 0.000000 0.000000",
    "10.000000 20.000000 1 0.000000 0.000000 0.000000",
    "10.000000 20.000000 2 0.000000 90.000000 0.000000",
    "10.000000 20.000000 1 0.000000 0.000000 0.000000",
    "20.000000 20.000000 1 0.000000 0.000000 0.000000",
    "20.000000 20.000000 2 0.000000 90.000000 0.000000",
    "20.000000 20.000000 1 0.000000 0.000000 0.000000",
    "20.000000 10.000000 1 0.000000 0.000000 0.000000",
    "20.000000 10.000000 2 0.000000 90.000000 0.000000",
    "20.000000 10.000000 1 0.000000 0.000000 0.000000",
    "10.000000 10.000000 1 0.000000 0.000000 0.000000",
    "SPLINE 90.000000 0.0",
});

SysPara Sys() {
    SysPara s;
    s.gMillRadius = 2;
    s.gMillRadiusCoef = 1;
    s.gSlotThreshold = 10;
    s.gBendToSlotRThreshold = 5;
    s.gArcCompP = 0.5;
    s.gArcCompN = 0.25;
    return s;
}

}  // namespace

TEST(PathLength, SegmentListOfTheClockwiseSquare) {
    // Every corner shortens both segments beside it by R * (tan 45 - pi/4).
    EXPECT_EQ(FillSegmentList(kClockwise, Sys(), ArcRule::Other, false), (std::vector<std::string>{
        "第 1段,10.000 ,加工长9.142 ,缩短0.858",
        "第 2段,10.000 ,加工长9.142 ,缩短0.858",
        "第 3段,10.000 ,加工长9.142 ,缩短0.858",
        "第 4段,10.000 ,加工长9.142 ,缩短0.858",
    }));
    // Counter-clockwise corners have no zone; a turn within the slot
    // threshold is no slotting point.
    std::string ccw = BuildCtrPText(Lines({
        "SPLINE -90.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 2 0.00000000 -90.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 2 0.00000000 5.00000000 0.00000000",
        "10.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 90.0000 0",
    }), CtrPSettings{}, {});
    EXPECT_EQ(FillSegmentList(ccw, Sys(), ArcRule::Other, false), (std::vector<std::string>{
        "第 1段,10.000 ,加工长10.000 ,缩短0.000",
        "第 2段,10.000 ,加工长9.571 ,缩短0.429",
    }));
}

TEST(PathLength, SquarePickedPlainlyFromPickToAreaByHand) {
    // The square (10, 10)-(20, 20), points counter-clockwise, a node at every
    // corner, picked plainly from its first node back to it.
    DisplayTables t;
    ASSERT_EQ(ParseDisplayPoints("SPLINE 1\r\n10.000000 10.000000 Node\r\n20.000000 10.000000 Node\r\n"
                                 "20.000000 20.000000 Node\r\n10.000000 20.000000 Node\r\nSPLINE END\r\n",
                                 t, 1),
              "");
    PickState pick;
    ASSERT_EQ(ContourDirection(t, 1), -1);
    const std::string block = ControlPointsBlock(t, pick, {10.0, 2.0}, 1, 1, 3);
    CtrPSettings s;
    s.MillRadius = 2;
    s.MillRadiusCoef = 1;
    const std::string d0 = BuildCtrPText(block, s, {});
    s.Offset = 2;
    const std::string d2 = BuildCtrPText(block, s, {});
    // Every turn is -90 (counter-clockwise): slotting points without a
    // cutter zone, so nothing is shortened.
    EXPECT_EQ(FillSegmentList(d0, Sys(), ArcRule::Other, false), (std::vector<std::string>{
        "第 1段,10.000 ,加工长10.000 ,缩短0.000",
        "第 2段,10.000 ,加工长10.000 ,缩短0.000",
        "第 3段,10.000 ,加工长10.000 ,缩短0.000",
        "第 4段,10.000 ,加工长10.000 ,缩短0.000",
    }));
    // Offset 2 outwards: sides of 14.
    EXPECT_EQ(FillSegmentList(d2, Sys(), ArcRule::Other, false), (std::vector<std::string>{
        "第 1段,14.000 ,加工长14.000 ,缩短0.000",
        "第 2段,14.000 ,加工长14.000 ,缩短0.000",
        "第 3段,14.000 ,加工长14.000 ,缩短0.000",
        "第 4段,14.000 ,加工长14.000 ,缩短0.000",
    }));
    PathLength len = CalcPathLength(d0, Sys(), 7, ArcRule::Other, false);
    EXPECT_DOUBLE_EQ(len.Total, 40);
    EXPECT_EQ(len.mSplineLineCount, 2);
    ASSERT_EQ(len.mPathPointCount, 11);
    const double at[11] = {0, 10, 10, 10, 20, 20, 20, 30, 30, 30, 40};
    for (int i = 0; i < 11; ++i) EXPECT_DOUBLE_EQ(len.mPathTable[i].Length, at[i]) << i;
    EXPECT_DOUBLE_EQ(CalcPathLength(d2, Sys(), 7, ArcRule::Other, false).Total, 56);
    // 99 strips of 10 x 0.1, and 139 strips of 14 x 0.1.
    EXPECT_EQ(SelectAreaText(d0, 1).value_or("refused"), "99.000");
    EXPECT_EQ(SelectAreaText(d2, 1).value_or("refused"), "194.600");

    // Open pick from the first node to the third: the ends are moved along
    // the bisectors of the header's and the closing line's turns.
    const std::string open = ControlPointsBlock(t, pick, {10.0, 2.0}, 1, 3, 3);
    EXPECT_EQ(open, "SPLINE -90.0000 3\r\n"
                    "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                    "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                    "20.000000 10.000000 2 0.00000000 -90.00000000 0.00000000\r\n"
                    "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                    "20.000000 20.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                    "SPLINE -90.0000 0\r\n");
    const std::string o2 = BuildCtrPText(open, s, {});
    EXPECT_EQ(o2, "SPLINE -90.000000 3.0\r\n"
                  "8.000000 8.000000 1 0.000000 0.000000 0.000000\r\n"
                  "22.000000 8.000000 1 0.000000 0.000000 0.000000\r\n"
                  "22.000000 8.000000 2 0.000000 -90.000000 0.000000\r\n"
                  "22.000000 8.000000 1 0.000000 0.000000 0.000000\r\n"
                  "22.000000 22.000000 1 0.000000 0.000000 0.000000\r\n"
                  "SPLINE -90.000000 0.0\r\n");
    EXPECT_EQ(FillSegmentList(o2, Sys(), ArcRule::Other, false), (std::vector<std::string>{
        "第 1段,14.000 ,加工长14.000 ,缩短0.000",
        "第 2段,14.000 ,加工长14.000 ,缩短0.000",
    }));
    EXPECT_DOUBLE_EQ(CalcPathLength(o2, Sys(), 7, ArcRule::Other, false).Total, 28);
    // The open path is closed by its chord: a right triangle of 14 x 14,
    // strips 0.1 to 13.9 wide.
    EXPECT_EQ(SelectAreaText(o2, 1).value_or("refused"), "97.300");
}

TEST(PathLength, SquareWithPointsNearACornerOffsetInwards) {
    // The same square with three plain points on its first side, two of them
    // 1 from a corner.  An inward offset of 2 (left of the counter-clockwise
    // walk) gives every corner an offset zone of 2: those two points go.
    DisplayTables t;
    ASSERT_EQ(ParseDisplayPoints("SPLINE 1\r\n10.000000 10.000000 Node\r\n11.000000 10.000000\r\n"
                                 "15.000000 10.000000\r\n19.000000 10.000000\r\n20.000000 10.000000 Node\r\n"
                                 "20.000000 20.000000 Node\r\n10.000000 20.000000 Node\r\nSPLINE END\r\n",
                                 t, 1),
              "");
    PickState pick;
    ASSERT_EQ(ContourDirection(t, 1), -1);
    const std::string block = ControlPointsBlock(t, pick, {10.0, 2.0}, 1, 1, 3);
    EXPECT_NE(block.find("SPLINE -90.0000 3\r\n10.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                         "11.000000 10.000000 0 0.00000000 0.00000000 0.00000000\r\n"
                         "15.000000 10.000000 0 0.00000000 0.00000000 0.00000000\r\n"
                         "19.000000 10.000000 0 0.00000000 0.00000000 0.00000000\r\n"
                         "20.000000 10.000000 1 "),
              std::string::npos)
        << block;
    CtrPSettings s{-2, 2, 1};
    const std::string in2 = BuildCtrPText(block, s, {});
    EXPECT_EQ(in2, "SPLINE -90.000000 3.0\r\n"
                   "12.000000 12.000000 1 0.000000 0.000000 0.000000\r\n"
                   "15.000000 12.000000 0 0.000000 0.000000 0.000000\r\n"
                   "18.000000 12.000000 1 0.000000 0.000000 0.000000\r\n"
                   "18.000000 12.000000 2 0.000000 -90.000000 0.000000\r\n"
                   "18.000000 12.000000 1 0.000000 0.000000 0.000000\r\n"
                   "18.000000 18.000000 1 0.000000 0.000000 0.000000\r\n"
                   "18.000000 18.000000 2 0.000000 -90.000000 0.000000\r\n"
                   "18.000000 18.000000 1 0.000000 0.000000 0.000000\r\n"
                   "12.000000 18.000000 1 0.000000 0.000000 0.000000\r\n"
                   "12.000000 18.000000 2 0.000000 -90.000000 0.000000\r\n"
                   "12.000000 18.000000 1 0.000000 0.000000 0.000000\r\n"
                   "12.000000 12.000000 1 0.000000 0.000000 0.000000\r\n"
                   "SPLINE -90.000000 0.0\r\n");
    EXPECT_EQ(FillSegmentList(in2, Sys(), ArcRule::Other, false)[0], "第 1段,6.000 ,加工长6.000 ,缩短0.000");
    EXPECT_EQ(SelectAreaText(in2, 1).value_or("refused"), "35.400");
    // Outwards (right of the walk) a counter-clockwise turn has no zone: all
    // three points stay, 2 below the side.
    s.Offset = 2;
    const std::string out2 = BuildCtrPText(block, s, {});
    EXPECT_NE(out2.find("8.000000 8.000000 1 0.000000 0.000000 0.000000\r\n"
                        "11.000000 8.000000 0 0.000000 0.000000 0.000000\r\n"
                        "15.000000 8.000000 0 0.000000 0.000000 0.000000\r\n"
                        "19.000000 8.000000 0 0.000000 0.000000 0.000000\r\n"
                        "22.000000 8.000000 1 "),
              std::string::npos)
        << out2;
}

TEST(PathLength, TotalGapsAndPathTable) {
    PathLength one = CalcPathLength(kClockwise, Sys(), 7, ArcRule::Other, false);
    EXPECT_DOUBLE_EQ(one.Total, 40);
    EXPECT_EQ(one.mSplineLineCount, 2);
    EXPECT_EQ(one.mPathPointCount, 11);
    EXPECT_DOUBLE_EQ(one.mPathTable.back().Length, 40);
    // Two contours: one gap between them, none after the last.
    PathLength two = CalcPathLength(kClockwise + kClockwise, Sys(), 7, ArcRule::Other, false);
    EXPECT_DOUBLE_EQ(two.Total, 87);
    EXPECT_EQ(two.mSplineLineCount, 4);
    EXPECT_TRUE(CalcPathLength("", Sys(), 7, ArcRule::Other, false).mPathTable.empty());
}

TEST(PathLength, APointAtTheOriginLosesNoSegment) {
    // A contour starting at (0, 0) and one passing through it.
    const std::string path = Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 0.000000 1 0.000000 0.000000 0.000000",
        "3.000000 4.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
        "SPLINE 0.000000 3.0",
        "-6.000000 -8.000000 1 0.000000 0.000000 0.000000",
        "0.000000 0.000000 0 0.000000 0.000000 0.000000",
        "6.000000 8.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    });
    EXPECT_DOUBLE_EQ(CalcPathLength(path, Sys(), 1, ArcRule::Other, false).Total, 5 + 1 + 20);
    EXPECT_EQ(FillSegmentList(path, Sys(), ArcRule::Other, false),
              (std::vector<std::string>{"第 1段,5.000 ,加工长5.000 ,缩短0.000",
                                        "第 2段,20.000 ,加工长20.000 ,缩短0.000"}));
}

TEST(PathLength, ArcCompensationBySide) {
    // An arc point of radius 10 on a left (counter-clockwise) bend.
    const std::string path = Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 0.000000 1 0.000000 0.000000 0.000000",
        "10.000000 0.000000 0 10.000000 1.000000 0.000000",
        "10.000000 10.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    });
    // DXF and NC: a left turn is direction -1: d * (1 + 0.5 / 10).
    EXPECT_DOUBLE_EQ(CalcPathLength(path, Sys(), 0, ArcRule::Dxf, false).Total, 10 * 1.05 + 10);
    EXPECT_DOUBLE_EQ(CalcPathLength(path, Sys(), 0, ArcRule::Nc, false).Total, 10 * 1.05 + 10);
    // Any other outline: by the turn of the three points as well, as the
    // machine program bends it.
    EXPECT_DOUBLE_EQ(CalcPathLength(path, Sys(), 0, ArcRule::Other, false).Total, 10 * 1.05 + 10);
    // A right bend: d * (1 - 0.25 / 10), in both builds.
    std::string right = path;
    right.replace(right.find("10.000000 10.000000 1"), 21, "10.000000 -10.00000 1");
    for (bool second : {false, true}) {
        EXPECT_DOUBLE_EQ(CalcPathLength(right, Sys(), 0, ArcRule::Dxf, second).Total, 10 * 0.975 + 10);
        EXPECT_DOUBLE_EQ(CalcPathLength(right, Sys(), 0, ArcRule::Nc, second).Total, 10 * 0.975 + 10);
        EXPECT_DOUBLE_EQ(CalcPathLength(right, Sys(), 0, ArcRule::Other, second).Total, 10 * 0.975 + 10);
    }
    // Straight on: TurnAngle sees no side (the length stays); the second
    // build asks Cal_arcdir of a DXF outline, which takes it as +1.
    std::string ahead = path;
    ahead.replace(ahead.find("10.000000 10.000000 1"), 21, "20.000000 0.000000 1");
    EXPECT_DOUBLE_EQ(CalcPathLength(ahead, Sys(), 0, ArcRule::Dxf, false).Total, 10 + 10);
    EXPECT_DOUBLE_EQ(CalcPathLength(ahead, Sys(), 0, ArcRule::Nc, true).Total, 10 + 10);
    EXPECT_DOUBLE_EQ(CalcPathLength(ahead, Sys(), 0, ArcRule::Dxf, true).Total, 10 * 0.975 + 10);
    // No point after the arc point in its contour: no side, no compensation.
    const std::string last = Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 0.000000 1 0.000000 0.000000 0.000000",
        "10.000000 0.000000 0 10.000000 1.000000 0.000000",
        "SPLINE 0.000000 0.0",
    });
    EXPECT_DOUBLE_EQ(CalcPathLength(last, Sys(), 0, ArcRule::Dxf, true).Total, 10);
    // Only a bending arc is compensated: a radius at the bend-to-slot
    // threshold bends, one just below it is slotted and fed as it is; the
    // segment list follows the same rule.
    SysPara sys = Sys();
    sys.gBendToSlotRThreshold = 10;
    EXPECT_DOUBLE_EQ(CalcPathLength(path, sys, 0, ArcRule::Dxf, false).Total, 10 * 1.05 + 10);
    sys.gBendToSlotRThreshold = 10.000001;
    EXPECT_DOUBLE_EQ(CalcPathLength(path, sys, 0, ArcRule::Dxf, false).Total, 10 + 10);
    EXPECT_EQ(FillSegmentList(path, sys, ArcRule::Dxf, false),
              (std::vector<std::string>{"第 1段,20.000 ,加工长20.000 ,缩短0.000"}));
    sys.gBendToSlotRThreshold = 10;
    EXPECT_EQ(FillSegmentList(path, sys, ArcRule::Dxf, false),
              (std::vector<std::string>{"第 1段,20.500 ,加工长20.500 ,缩短0.000"}));
    EXPECT_EQ(ArcRuleOf("C:/a/Letter.DXF"), ArcRule::Dxf);
    EXPECT_EQ(ArcRuleOf("/a/b.nc"), ArcRule::Nc);
    EXPECT_EQ(ArcRuleOf("/a/b.plt"), ArcRule::Other);
}

TEST(PathLength, DrawingHighlightsTheSegmentChosenInTheList) {
    DisplayList list;
    DrawCtrPMarkers(kClockwise, Sys(), 100, 2, list);
    // Block start marker, then per corner a red marker; 0.3 half side.
    ASSERT_FALSE(list.Lines.empty());
    EXPECT_EQ(list.Lines[0].Color, kRed);
    EXPECT_DOUBLE_EQ(list.Lines[0].X1, 10 - 0.3);
    int yellow = 0, magenta = 0, green = 0;
    for (const DisplayLine& l : list.Lines) {
        if (l.Color == kYellow) {
            ++yellow;
            // The second item of the list: from (10, 20) to (20, 20).
            EXPECT_EQ(l.Y1, 20);
            EXPECT_EQ(l.Y2, 20);
        }
        if (l.Color == kMagenta) ++magenta;
        if (l.Color == kGreen) ++green;
    }
    EXPECT_GE(yellow, 1);
    EXPECT_EQ(magenta, 0);  // kind 2 draws green
    EXPECT_GT(green, 0);
    // Nothing highlighted with 0.
    DisplayList plain;
    std::vector<PathMarker> markers{{20, 20, 1.0}};
    DrawCtrPMarkers(kClockwise, Sys(), 100, 0, plain, &markers);
    for (const DisplayLine& l : plain.Lines) EXPECT_NE(l.Color, kYellow);
    // The three slotting corners are markers; a flagged one keeps its flag.
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[0].Flag, 1.0);
    EXPECT_EQ(markers[1].X, 10);
    EXPECT_EQ(markers[1].Y, 20);
    DrawCtrPMarkers(kClockwise, Sys(), 100, 0, plain, &markers);
    EXPECT_EQ(markers.size(), 3u);
}

// Control points from the spline: the walk over spans and nodes, PDdir.dat
// and the sense read back from it.
#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/picking.h"
#include "velbend/testsupport/tempdir.h"
#include "geometry_test_util.h"

using namespace velbend;

namespace {

using velbend::testing::Lines;

using velbend::testing::SquareSpline;

}  // namespace

TEST(ControlPointGen, PDdirOfASplineSquare) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    CoreAlgorithm core = SquareSpline();
    home.Write("PDdir.dat", "old contents\r\n");
    ASSERT_TRUE(core.ControlPointGen(1, -1, 1, 1, 1, op, 1));
    EXPECT_EQ(home.Read("PDdir.dat"), Lines({
        "SPLINE 90.0000 1",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "0.000000 1.666667 0 0.00000000 0.00000000 0.00000000",
        "0.000000 3.333333 0 0.00000000 0.00000000 0.00000000",
        "0.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "0.000000 5.000000 2 0.00000000 0.00000000 0.00000000",
        "0.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "0.000000 6.666667 0 0.00000000 0.00000000 0.00000000",
        "0.000000 8.333333 0 0.00000000 0.00000000 0.00000000",
        "0.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "0.000000 10.000000 2 0.00000000 90.00000000 0.00000000",
        "0.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "1.666667 10.000000 0 0.00000000 0.00000000 0.00000000",
        "3.333333 10.000000 0 0.00000000 0.00000000 0.00000000",
        "5.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "5.000000 10.000000 2 0.00000000 0.00000000 0.00000000",
        "5.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "6.666667 10.000000 0 0.00000000 0.00000000 0.00000000",
        "8.333333 10.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 2 0.00000000 90.00000000 0.00000000",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 8.333333 0 0.00000000 0.00000000 0.00000000",
        "10.000000 6.666667 0 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 2 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 3.333333 0 0.00000000 0.00000000 0.00000000",
        "10.000000 1.666667 0 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 2 0.00000000 90.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "8.333333 0.000000 0 0.00000000 0.00000000 0.00000000",
        "6.666667 0.000000 0 0.00000000 0.00000000 0.00000000",
        "5.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "5.000000 0.000000 2 0.00000000 0.00000000 0.00000000",
        "5.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "3.333333 0.000000 0 0.00000000 0.00000000 0.00000000",
        "1.666667 0.000000 0 0.00000000 0.00000000 0.00000000",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 90.0000 0",
    }));
    // Walked falling, the square turns clockwise: sense 1.
    EXPECT_EQ(ReadPDdirLength(core), 1);
    // Walked rising from node 1: counter-clockwise, and the closing end's
    // turn (that of node 1) is written before the closing line.
    ASSERT_TRUE(core.ControlPointGen(1, 0, 1, 1, 1, op, 1));
    std::string rising = home.Read("PDdir.dat");
    EXPECT_EQ(rising.substr(0, 18), "SPLINE -90.0000 1\r");
    EXPECT_NE(rising.find("0.000000 0.000000 2 0.00000000 -90.00000000 0.00000000\r\nSPLINE -90.0000 0\r\n"),
              std::string::npos)
        << rising;
    EXPECT_EQ(ReadPDdirLength(core), -1);
    EXPECT_TRUE(op.messages.empty());
}

TEST(ControlPointGen, PartialWalksAndAppending) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    CoreAlgorithm core = SquareSpline();
    home.Write("PointForControl.dat", "");
    // From node 3 (10, 0) falling to node 7 (0, 10) through node 1: the
    // turns between them, none at the two ends.
    ASSERT_TRUE(core.ControlPointGen(1, -1, 3, 7, 3, op, 1));
    std::string block = home.Read("PointForControl.dat");
    EXPECT_EQ(block.substr(0, 18), "SPLINE 90.0000 3\r\n");
    EXPECT_NE(block.find("0.000000 0.000000 2 0.00000000 90.00000000"), std::string::npos) << block;
    EXPECT_EQ(block.find("10.000000 0.000000 2 "), std::string::npos) << block;
    EXPECT_EQ(block.find("0.000000 10.000000 2 "), std::string::npos) << block;
    EXPECT_NE(block.find("0.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\nSPLINE 90.0000 0\r\n"),
              std::string::npos)
        << block;
    // A second call appends a block; WalkDir 1 writes header and closing only.
    ASSERT_TRUE(core.ControlPointGen(1, 1, 2, 2, 2, op, 1));
    std::string both = home.Read("PointForControl.dat");
    EXPECT_EQ(both.substr(0, block.size()), block);
    EXPECT_EQ(both.substr(block.size()), "SPLINE 0.0000 2\r\nSPLINE 0.0000 0\r\n");
    EXPECT_EQ(CountControlBlocks(both), 2);
}

TEST(ControlPointGen, ArcsGetChordsNearTheTolerance) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    // A quadratic arc-like curve: chords carry radius, angle and excess.
    CoreAlgorithm core;
    SplineModel s;
    s.Flag = 1;
    s.Degree = 2;
    s.Knots = {0, 0, 0, 0.5, 1, 1, 1};
    s.CtrlX = {0, 0, 100, 100};
    s.CtrlY = {0, 100, 100, 0};
    s.Usable = true;
    core.Splines = {s};
    core.SplineCount = 1;
    core.ParamTable = {{0, 0.5, 1.0}};
    core.TranParas(0.05, 2, 5, 10, 45, 105);
    ASSERT_TRUE(core.ControlPointGen(1, 0, 1, 1, 1, op, 1));
    std::string out = home.Read("PDdir.dat");
    size_t chords = 0;
    for (size_t p = out.find(" 0 "); p != std::string::npos; p = out.find(" 0 ", p + 1)) ++chords;
    EXPECT_GT(chords, 10u) << out;
    // Every chord record has a radius above 0, and its chord height
    // r sin(b/2) tan(b/2) lies within 10 % of the tolerance.
    EXPECT_EQ(out.find(" 0 0.00000000 "), std::string::npos) << out;
    size_t start = 0;
    while ((start = out.find("\r\n", start)) != std::string::npos) {
        start += 2;
        double x, y, r, b, c;
        int type;
        if (std::sscanf(out.c_str() + start, "%lf %lf %d %lf %lf %lf", &x, &y, &type, &r, &b, &c) != 6 || type != 0)
            continue;
        double h = r * std::sin(b / 2) * std::tan(b / 2);
        EXPECT_GE(h, 0.9 * 0.05 - 1e-6) << x << " " << y;
        EXPECT_LE(h, 1.1 * 0.05 + 1e-6) << x << " " << y;
        EXPECT_GT(c, 0);  // the arc is longer than its chord
    }
}

TEST(ControlPointGen, RefusesBadSettingsAndNodes) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    CoreAlgorithm core = SquareSpline();
    home.Write("PointForControl.dat", "keep\r\n");
    core.TranParas(0, 2, 5, 10, 45, 105);
    EXPECT_FALSE(core.ControlPointGen(1, -1, 1, 1, 3, op, 1));
    core.TranParas(0.1, -1, 5, 10, 45, 105);
    EXPECT_FALSE(core.ControlPointGen(1, -1, 1, 1, 3, op, 1));
    core.TranParas(0.1, 2, 5, 10, 45, 105);
    EXPECT_FALSE(core.ControlPointGen(2, -1, 1, 1, 3, op, 1));
    EXPECT_FALSE(core.ControlPointGen(1, -1, 9, 1, 3, op, 1));
    EXPECT_FALSE(core.ControlPointGen(1, -1, 1, 0, 3, op, 1));
    EXPECT_EQ(op.messages.size(), 5u);
    EXPECT_EQ(home.Read("PointForControl.dat"), "keep\r\n");
}

TEST(ControlPointGen, SenseFromTurnsAndArcs) {
    const CoreAlgorithm core;
    EXPECT_EQ(PDdirSense("", core), -1);
    EXPECT_EQ(PDdirSense("SPLINE 10.0000 1\r\nSPLINE 99.0000 0\r\n", core), 1);
    // The closing line's turn is not counted.
    EXPECT_EQ(PDdirSense("SPLINE -10.0000 1\r\nSPLINE 99.0000 0\r\n", core), -1);
    // An arc record bending left (Cal_arcdir -1) followed by a type-1 record.
    EXPECT_EQ(PDdirSense("SPLINE 5.0000 1\r\n"
                         "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                         "10.000000 0.000000 0 10.00000000 0.10000000 0.00000000\r\n"
                         "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000\r\n"
                         "SPLINE 0.0000 0\r\n",
                         core),
              -1);  // 5 - 0.1 / pi * 360 < 0
}

// Real letters read from a DXF file: the spline walk and the display points
// agree on every contour's sense and on where each picked stretch starts
// and ends.
TEST(ControlPointGen, LettersAgreeWithTheirDisplayPoints) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    CoreAlgorithm core;
    core.TranParas(0.1, 5, 30, 10, 45, 105.0);
    ASSERT_TRUE(core.ReadDXF(velbend::testing::TestData("letters_cubic.dxf").string(), op, 1)) << op.LastText();
    ASSERT_TRUE(core.DisplayPointGen(op, 1));
    DisplayTables t;
    ASSERT_TRUE(LoadDisplayPoints(t, op, 1));
    ASSERT_GT(core.SplineCount, 1);
    const ControlPointLimits lim{10, 5};
    const PickOptions cs7{true};
    const PickOptions plain;
    for (int16_t id = 1; id <= core.SplineCount; ++id) {
        int16_t first = 0;
        for (int16_t k = 1; k < t.mNodeCount; ++k)
            if (t.mNodes[k].ContourId == id) { first = k; break; }
        ASSERT_GT(first, 0);
        const int16_t N = CountContourNodes(t, id);
        if (N < 3) continue;
        // Sense: the falling walk of the spline against the display order.
        PickState a, b;
        home.Write("PointForControl.dat", "");
        EXPECT_EQ(PickNode(t, a, lim, core, cs7, first, false, op, 1), PickResult::Opened);
        EXPECT_EQ(PickNode(t, b, lim, core, plain, first, false, op, 1), PickResult::Opened);
        EXPECT_EQ(a.mSelection[0].Kind, b.mSelection[0].Kind) << "contour " << id;
        // A stretch from the contour's second node to its last.
        const int16_t from = static_cast<int16_t>(first + 1), to = static_cast<int16_t>(first + N - 1);
        a.mSelection[0].FirstNode = from;
        ASSERT_EQ(PickNode(t, a, lim, core, cs7, to, false, op, 1), PickResult::Closed) << op.LastText();
        const std::string file = home.Read("PointForControl.dat");
        std::vector<std::string_view> lines = SplitLines(file);
        ASSERT_GE(lines.size(), 4u);
        double x0, y0, x1, y1;
        ASSERT_EQ(std::sscanf(std::string(lines[1]).c_str(), "%lf %lf", &x0, &y0), 2);
        ASSERT_EQ(std::sscanf(std::string(lines[lines.size() - 2]).c_str(), "%lf %lf", &x1, &y1), 2);
        EXPECT_NEAR(x0, t.mNodes[from].X, 0.001) << "contour " << id;
        EXPECT_NEAR(y0, t.mNodes[from].Y, 0.001) << "contour " << id;
        EXPECT_NEAR(x1, t.mNodes[to].X, 0.001) << "contour " << id;
        EXPECT_NEAR(y1, t.mNodes[to].Y, 0.001) << "contour " << id;
    }
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

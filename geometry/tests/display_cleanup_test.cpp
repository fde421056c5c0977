// Thinning, duplicate removal, mirror, PLT export and the outline tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "../src/display_file.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/testsupport/tempdir.h"

using namespace velbend;
using velbend::testing::TempHome;

TEST(ThinGolden, StraightRunsShrinkBendsAndNodesStay) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat",
               "SPLINE 1\r\n10.000000 0.000000 Node\r\n11.000000 0.000000\r\n12.000000 0.000000\r\n"
               "13.000000 0.000000\r\n14.000000 0.000000\r\n15.000000 0.000000\r\n16.000000 0.000000\r\n"
               "16.000000 1.000000\r\n16.000000 2.000000\r\nSPLINE END\r\n");
    ASSERT_TRUE(ThinDisplayPoints(op, 0));
    EXPECT_EQ(home.Read("PointForDisplay.dat"),
              "SPLINE 1\r\n10.000000 0.000000 Node\r\n14.000000 0.000000\r\n16.000000 0.000000\r\nSPLINE END\r\n");
    EXPECT_FALSE(home.Exists("PointForDisplay0.dat"));
}

TEST(Thin, APointAtTheOriginIsAnOrdinaryPoint) {
    // A point at (0, 0) inside a block neither restarts the block nor makes
    // its successor be written at once.
    std::string in = "SPLINE 1\r\n-10.000000 0.000000 Node\r\n-5.000000 0.000000\r\n0.000000 0.000000\r\n"
                     "1.000000 0.000000\r\n2.000000 0.000000\r\n2.000000 5.000000\r\nSPLINE END\r\n";
    EXPECT_EQ(ThinDisplayText(in), "SPLINE 1\r\n-10.000000 0.000000 Node\r\n-5.000000 0.000000\r\n0.000000 0.000000\r\n"
                                   "2.000000 0.000000\r\nSPLINE END\r\n");
    // Repeated points and a contour closing on its first point.
    std::string closing = "SPLINE 1\r\n0.000000 0.000000 Node\r\n0.000000 0.000000\r\n10.000000 0.000000\r\n"
                          "10.000000 10.000000\r\n0.000000 10.000000\r\n0.000000 0.000000\r\nSPLINE END\r\n";
    EXPECT_EQ(ThinDisplayText(closing),
              "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.000000 10.000000\r\n"
              "0.000000 10.000000\r\nSPLINE END\r\n");
}

TEST(DuplicatesGolden, LaterRepeatsAreDroppedAcrossBlocks) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat",
               "SPLINE 1\r\n1.000000 2.000000 Node\r\n3.000000 4.000000\r\n"
               "SPLINE 2\r\n3.000000 4.000000\r\n3.000000 4.000000 Node\r\n1.000000 2.000000 Node\r\n"
               "5.000000 6.000000\r\nSPLINE END\r\n");
    ASSERT_TRUE(RemoveDuplicateLines(op, 0));
    EXPECT_EQ(home.Read("PointForDisplay.dat"),
              "SPLINE 1\r\n1.000000 2.000000 Node\r\n3.000000 4.000000\r\n"
              "SPLINE 2\r\n3.000000 4.000000 Node\r\n5.000000 6.000000\r\nSPLINE END\r\n");
}

TEST(Duplicates, NoLineCap) {
    std::string in = "SPLINE 1\r\n";
    for (int i = 0; i < 40000; ++i) {
        in += Format(i * 0.001, "0.000000") + " 1.000000\r\n";
        if (i % 2 == 0) in += "0.000000 1.000000\r\n";
    }
    in += "SPLINE END\r\n";
    std::string out = RemoveDuplicateText(in);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 40002);
}

TEST(MirrorGolden, YIsNegatedNodesStayAndZeroHasNoSign) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat",
               "SPLINE 1\r\n1.500000 2.250000 Node\r\n-3.000000 0.000000\r\n4.000000 -5.125000\r\n"
               "SPLINE 2\r\n0.000000 0.000000 Node\r\nSPLINE END\r\n");
    ASSERT_TRUE(MirrorDisplayY(op, 0));
    const std::string once = home.Read("PointForDisplay.dat");
    EXPECT_EQ(once,
              "SPLINE 1\r\n1.500000 -2.250000 Node\r\n-3.000000 0.000000\r\n4.000000 5.125000\r\n"
              "SPLINE 2\r\n0.000000 0.000000 Node\r\nSPLINE END\r\n");
    ASSERT_TRUE(MirrorDisplayY(op, 0));
    ASSERT_TRUE(MirrorDisplayY(op, 0));
    EXPECT_EQ(home.Read("PointForDisplay.dat"), once);
    // A mirrored Y = 0 still equals the unmirrored text for the duplicate removal.
    EXPECT_EQ(RemoveDuplicateText("SPLINE 1\r\n1.000000 0.000000\r\nSPLINE 2\r\n" +
                                  MirrorDisplayText("1.000000 0.000000\r\n") + "SPLINE END\r\n"),
              "SPLINE 1\r\n1.000000 0.000000\r\nSPLINE 2\r\nSPLINE END\r\n");
}

TEST(CleanUp, AFailedWriteKeepsTheDisplayFile) {
    TempHome home;
    RecordingOperator op;
    const std::string old = "SPLINE 1\r\n1.000000 2.000000 Node\r\n1.000000 2.000000 Node\r\nSPLINE END\r\n";
    home.Write("PointForDisplay.dat", old);
    std::filesystem::create_directory(home / "PointForDisplay0.dat");  // the scratch file cannot be made
    EXPECT_FALSE(RemoveDuplicateLines(op, 1));
    EXPECT_EQ(home.Read("PointForDisplay.dat"), old);
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].title, "Wrong");
    // No display file: a message, nothing made.
    TempHome empty;
    RecordingOperator op2;
    EXPECT_FALSE(ThinDisplayPoints(op2, 0));
    EXPECT_FALSE(empty.Exists("PointForDisplay.dat"));
    EXPECT_EQ(op2.messages.size(), 1u);
}

// The rewritten display file keeps the permissions the old one had.
TEST(CleanUp, TheDisplayFileKeepsItsPermissions) {
    TempHome home;
    RecordingOperator op;
    namespace fs = std::filesystem;
    home.Write("PointForDisplay.dat", "SPLINE 1\r\n1.000000 2.000000 Node\r\n1.000000 2.000000 Node\r\nSPLINE END\r\n");
    fs::permissions(home / "PointForDisplay.dat", fs::perms(0600));
    ASSERT_TRUE(RemoveDuplicateLines(op, 1));
    EXPECT_EQ(home.Read("PointForDisplay.dat"), "SPLINE 1\r\n1.000000 2.000000 Node\r\nSPLINE END\r\n");
    EXPECT_EQ(fs::status(home / "PointForDisplay.dat").permissions() & fs::perms::all, fs::perms(0600));
}

TEST(PltExportGolden, TimesFortyWithHeaderAndTrailer) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat",
               "SPLINE 1\r\n10.000000 5.000000 Node\r\n12.500000 5.000000\r\n0.000000 0.000000\r\n"
               "-12.345600 0.010000\r\nSPLINE END\r\n");
    ASSERT_TRUE(ExportShapePlt("/tmp/a.dxf", op, 0));
    EXPECT_EQ(home.Read("字形PLT.plt"),
              "LT;\r\nSP1;\r\nPU400 200;\r\nPD400 200;\r\nPD500 200;\r\nPD0 0;\r\nPD-494 0;\r\nPD400 200;\r\n"
              "LT;\r\nSP1;\r\nSP0;\r\n");
    EXPECT_EQ(op.LastText(), "当前显示字形已保存为“字形PLT.plt");
    ASSERT_TRUE(ExportShapePlt("/tmp/a.dxf", op, 1));
    EXPECT_TRUE(home.Exists("ShapePLT.plt"));
    EXPECT_EQ(op.LastText(), "Have been saved as “ShapePLT.plt");
}

// The pen-down strokes of an export, in mm, by the file's own lines.
double PenDownLength(const std::string& plt) {
    double length = 0, x = 0, y = 0;
    for (std::string_view line : SplitLines(plt)) {
        const bool down = line.starts_with("PD");
        if (!down && !line.starts_with("PU")) continue;
        const std::string xy(line.substr(2, line.size() - 3));
        const double nx = std::stod(xy) / 40, ny = std::stod(xy.substr(xy.find(' '))) / 40;
        if (down) length += std::hypot(nx - x, ny - y);
        x = nx;
        y = ny;
    }
    return length;
}

TEST(PltExportGolden, EachBlockIsClosedAsTheViewDrawsIt) {
    struct Case { const char* display; const char* plt; double length; };
    const Case cases[] = {
        // Rectangle 40 x 30: 140 mm shown, 140 mm of strokes.
        {"SPLINE 1\r\n0 0 Node\r\n40 0 Node\r\n40 30 Node\r\n0 30 Node\r\nSPLINE END\r\n",
         "LT;\r\nSP1;\r\nPU0 0;\r\nPD0 0;\r\nPD1600 0;\r\nPD1600 1200;\r\nPD0 1200;\r\nPD0 0;\r\n"
         "LT;\r\nSP1;\r\nSP0;\r\n", 140},
        // L 180, and a second block that the end of the file ends.
        {"SPLINE 1\r\n0 0\r\n50 0\r\n50 10\r\n10 10\r\n10 40\r\n0 40\r\nSPLINE 2\r\n100 0\r\n101 0\r\n",
         "LT;\r\nSP1;\r\nPU0 0;\r\nPD0 0;\r\nPD2000 0;\r\nPD2000 400;\r\nPD400 400;\r\nPD400 1600;\r\n"
         "PD0 1600;\r\nPD0 0;\r\nLT;\r\nSP1;\r\nPU4000 0;\r\nPD4000 0;\r\nPD4040 0;\r\nPD4000 0;\r\nSP0;\r\n", 182},
        // A block that ends on its first point needs no closing line, nor
        // a single point; a last point 0.0125 mm off the first (half a
        // plotter unit) does, 0.012 mm off does not.
        {"SPLINE 1\r\n0 0\r\n10 0\r\n0 0\r\nSPLINE 2\r\n5 5\r\nSPLINE END\r\n",
         "LT;\r\nSP1;\r\nPU0 0;\r\nPD0 0;\r\nPD400 0;\r\nPD0 0;\r\nLT;\r\nSP1;\r\nPU200 200;\r\nPD200 200;\r\n"
         "LT;\r\nSP1;\r\nSP0;\r\n", 20},
        {"SPLINE 1\r\n0 0\r\n10 0\r\n.0125 0\r\nSPLINE END\r\n",
         "LT;\r\nSP1;\r\nPU0 0;\r\nPD0 0;\r\nPD400 0;\r\nPD1 0;\r\nPD0 0;\r\nLT;\r\nSP1;\r\nSP0;\r\n", 20},
        {"SPLINE 1\r\n0 0\r\n10 0\r\n.012 0\r\nSPLINE END\r\n",
         "LT;\r\nSP1;\r\nPU0 0;\r\nPD0 0;\r\nPD400 0;\r\nPD0 0;\r\nLT;\r\nSP1;\r\nSP0;\r\n", 20},
        {"SPLINE 1\r\nSPLINE END\r\n", "LT;\r\nSP1;\r\nLT;\r\nSP1;\r\nSP0;\r\n", 0},
    };
    for (const Case& c : cases) {
        const std::string plt = ShapePltText(c.display);
        EXPECT_EQ(plt, c.plt) << c.display;
        EXPECT_NEAR(PenDownLength(plt), c.length, 1e-9) << c.display;
    }
}

TEST(PltExport, NoOpenFileWritesNothing) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat", "SPLINE END\r\n");
    EXPECT_FALSE(ExportShapePlt("", op, 0));
    EXPECT_EQ(op.LastText(), "尚未打开文件，不能输出！");
    EXPECT_FALSE(ExportShapePlt("", op, 1));
    EXPECT_EQ(op.LastText(), "Have no opened file, Can't Output!");
    EXPECT_FALSE(home.Exists("字形PLT.plt"));
    EXPECT_FALSE(home.Exists("ShapePLT.plt"));
}

TEST(DisplayTables, LoadFillsPointsAndNodes) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat",
               "SPLINE 3\r\n1.000000 1.000000 Node\r\n2.000000 1.000000\r\n0.000000 0.000000\r\n"
               "3.000000 0.000000 Node\r\nSPLINE 4\r\nSPLINE 5\r\n-1.000000 9.000000\r\nSPLINE END\r\n"
               "SPLINE 7\r\n4.000000 4.000000 Node\r\n");
    DisplayTables t;
    ASSERT_TRUE(LoadDisplayPoints(t, op, 0));
    ASSERT_EQ(t.mDisplayPointCount, 6);
    ASSERT_EQ(t.mNodeCount, 4);
    const DisplayPoint& p2 = t.mDisplayPoints[2];  // (0, 0) is an ordinary point
    EXPECT_EQ(p2.Flag, 0);
    EXPECT_EQ(p2.NodeNo, 1);
    EXPECT_EQ(p2.StepNo, 2);
    EXPECT_EQ(t.mDisplayPoints[3].Flag, 0);
    EXPECT_EQ(t.mDisplayPoints[3].NodeNo, 2);
    EXPECT_EQ(t.mDisplayPoints[3].StepNo, 0);
    // Two headers without points between: the next point starts contour 5;
    // without a node its StepNo counts on from the previous node.
    EXPECT_EQ(t.mDisplayPoints[4].Flag, 1);
    EXPECT_EQ(t.mDisplayPoints[4].ContourId, 5);
    EXPECT_EQ(t.mDisplayPoints[4].NodeNo, 0);
    EXPECT_EQ(t.mDisplayPoints[4].StepNo, 1);
    // After SPLINE END a new header still starts a contour.
    EXPECT_EQ(t.mNodes[3].ContourId, 7);
    EXPECT_EQ(t.mNodes[3].NodeNo, 1);
    EXPECT_EQ(t.mNodes[3].PointIndex, 5);
    EXPECT_EQ(t.mNodes[2].X, 3.0);
    EXPECT_EQ(t.mNodes[2].NodeNo, 2);
    EXPECT_DOUBLE_EQ(t.MinX, -1);
    EXPECT_DOUBLE_EQ(t.MaxY, 9);
}

TEST(DisplayTables, OverCapacityOrMissingFileIsRefusedAndTablesStay) {
    DisplayTables t;
    ASSERT_EQ(ParseDisplayPoints("SPLINE 1\r\n1.000000 1.000000 Node\r\nSPLINE END\r\n", t, 0), "");
    std::string nodes = "SPLINE 1\r\n";
    for (int i = 0; i <= kMaxNodes; ++i) nodes += std::to_string(i) + ".000000 0.000000 Node\r\n";
    EXPECT_NE(ParseDisplayPoints(nodes, t, 1), "");
    std::string points = "SPLINE 1\r\n";
    for (int i = 0; i <= kMaxDisplayPoints; ++i) points += std::to_string(i) + ".000000 0.000000\r\n";
    EXPECT_NE(ParseDisplayPoints(points, t, 1), "");
    EXPECT_NE(ParseDisplayPoints("SPLINE 40000\r\n", t, 1), "");
    EXPECT_EQ(t.mDisplayPointCount, 1);
    EXPECT_EQ(t.mNodeCount, 2);
    TempHome home;
    RecordingOperator op;
    EXPECT_FALSE(LoadDisplayPoints(t, op, 1));
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(t.mNodeCount, 2);
}

TEST(NumberText, FixedPatternsMatchTheCommonFormat) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-2000, 2000);
    std::vector<double> values = {0.0,    -0.0,      -0.0000004, 0.0005, -0.0005, 1.0005,       2.5,
                                  -2.5,   999.9995,  1e20,       -1e-20, 0.0015,  123456.0005, 1.00049999999999,
                                  1e9,    -999999999.9995, 123456789.0078125, 0.1 + 0.2};
    for (int i = 0; i < 20000; ++i) values.push_back(d(rng) / (1 + (i % 7) * 100));
    // Values on and next to three-decimal halfway points.
    for (int i = 0; i < 5000; ++i) {
        double h = (std::floor(d(rng) * 1000) + 0.5) / 1000;
        values.push_back(h);
        values.push_back(std::nextafter(h, 1e300));
        values.push_back(std::nextafter(h, -1e300));
    }
    for (double v : values) {
        for (auto [dec, pat] : std::vector<std::pair<int, const char*>>{{0, "0"}, {3, "0.000"}, {6, "0.000000"}}) {
            std::string s;
            geo::AppendFixed(s, v, dec);
            ASSERT_EQ(s, Format(v, pat)) << v;
        }
        std::string r;
        geo::AppendRounded3(r, v);
        ASSERT_EQ(r, Format(v, "0.000") + "000") << v;
    }
}

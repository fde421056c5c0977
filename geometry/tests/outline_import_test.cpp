// NC and PLT outlines to display points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/testsupport/tempdir.h"

using namespace velbend;
using velbend::testing::TempHome;

namespace {

std::string Nc(const std::string& text, double plane = 0, double threshold = 30) {
    std::string err;
    std::string out = NcToDisplay(text, plane, threshold, 1, &err);
    EXPECT_EQ(err, "");
    return out;
}

std::string Plt(const std::string& text, double threshold = 30) {
    std::string err;
    std::string out = PltToDisplay(text, threshold, 1, &err);
    EXPECT_EQ(err, "");
    return out;
}

}  // namespace

TEST(NcGolden, OutlineInThePlaneWithNodesAndSubdivision) {
    TempHome home;
    RecordingOperator op;
    home.Write("a.nc", "%\r\nG00 Z5\r\nG00 X0 Y0\r\nG01 Z0\r\nG01 X100\r\nG01 Y50\r\nG00 Z5\r\nM30\r\n");
    ASSERT_TRUE(ImportNcFile(home / "a.nc", 0, 30, op, 0));
    EXPECT_EQ(home.Read("PointForDisplay.dat"),
              "SPLINE 1\r\n"
              "0.000000 0.000000 Node\r\n"
              "100.000000 0.000000 Node\r\n"
              "100.000000 5.000000\r\n"
              "100.000000 10.000000\r\n"
              "100.000000 15.000000\r\n"
              "100.000000 20.000000\r\n"
              "100.000000 25.000000\r\n"
              "100.000000 30.000000\r\n"
              "100.000000 35.000000\r\n"
              "100.000000 40.000000\r\n"
              "100.000000 45.000000\r\n"
              "100.000000 50.000000\r\n"
              "SPLINE END\r\n");
    EXPECT_TRUE(op.messages.empty());
}

TEST(NcImport, WordsCommentsAndPlaneMatching) {
    // Words run together, lower case, comments in parentheses and after ';'.
    std::string a = Nc("G0Z5\nG0X10Y10\nG1z0.000 (Z5 X99 in a comment)\nG01X20Y10F300\nG1 X20 Y-3F300 ; X77\n");
    EXPECT_EQ(a,
              "SPLINE 1\r\n"
              "10.000000 10.000000 Node\r\n"
              "20.000000 10.000000 Node\r\n"
              "20.000000 3.500000\r\n"
              "20.000000 -3.000000\r\n"
              "SPLINE END\r\n");
    // Z0.001 is not the plane 0.
    EXPECT_EQ(Nc("G0Z5\nG1Z0.001\nG1X10\nG1Y10\n"), "SPLINE END\r\n");
    // The first Z word already in the plane opens a contour of its own.
    EXPECT_EQ(Nc("G1 X1 Y1 Z0\nG1 X11\nG0 Z5\n"),
              "SPLINE 1\r\n1.000000 1.000000 Node\r\n11.000000 1.000000\r\nSPLINE END\r\n");
    // Contours are numbered in the order the path enters the plane.
    std::string two = Nc("Z5\nX0Y0\nZ0\nX10\nZ5\nX50\nZ0\nX60\nZ5\n");
    EXPECT_NE(two.find("SPLINE 2\r\n50.000000 0.000000 Node\r\n60.000000 0.000000\r\n"), std::string::npos);
}

TEST(NcImport, ShortMovesSubdivisionAndTurnThreshold) {
    // 0.05 then 0.08 in the same direction: the second is accepted at 0.13.
    EXPECT_EQ(Nc("Z5\nX0Y0\nZ0\nX10\nX10.05\nX10.13\nX20\nZ5\n"),
              "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\n10.130000 0.000000\r\n"
              "20.000000 0.000000\r\nSPLINE END\r\n");
    // 9.99 gets no subdivision, 15 gets two points at its thirds.
    EXPECT_EQ(Nc("Z5\nX0Y0\nZ0\nX1\nX10.99\nY15\nZ5\n", 0, 90),
              "SPLINE 1\r\n0.000000 0.000000 Node\r\n1.000000 0.000000\r\n10.990000 0.000000 Node\r\n"
              "10.990000 5.000000\r\n10.990000 10.000000\r\n10.990000 15.000000\r\nSPLINE END\r\n");
    // Both bounds are exclusive: with T = 0 a straight run (a turn of
    // exactly T) is no node, a slight bend is one.
    std::string exact = Nc("Z5\nX0Y0\nZ0\nX1\nX2\nX3Y0.5\nX4Y0.5\nZ5\n", 0, 0);
    EXPECT_EQ(exact.find("1.000000 0.000000 Node"), std::string::npos);
    EXPECT_NE(exact.find("2.000000 0.000000 Node"), std::string::npos);
    // A slight turn across the direction -pi/pi is a turn of nearly 2 pi - T,
    // not a corner.
    std::string across = Nc("Z5\nX10Y0\nZ0\nX9\nX8\nX7Y-0.1\nZ5\n", 0, 30);
    EXPECT_EQ(across.find("8.000000 0.000000 Node"), std::string::npos);
    EXPECT_NE(across.find("8.000000 0.000000"), std::string::npos);
}

TEST(NcImport, HugeCoordinatesAreRefusedAndNothingIsWritten) {
    TempHome home;
    RecordingOperator op;
    home.Write("PointForDisplay.dat", "old\r\n");
    home.Write("a.nc", "Z5\nX0Y0\nZ0\nX1E300\nZ5\n");
    EXPECT_FALSE(ImportNcFile(home / "a.nc", 0, 30, op, 1));
    EXPECT_EQ(home.Read("PointForDisplay.dat"), "old\r\n");
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText().find("line 4"), std::string::npos);
    // A missing file is told, too.
    EXPECT_FALSE(ImportNcFile(home / "none.nc", 0, 30, op, 1));
    EXPECT_EQ(op.messages.size(), 2u);
}

TEST(NcImport, AProgramThatNeverReachesThePlaneGivesAnEmptyDrawingAndANote) {
    TempHome home;
    RecordingOperator op;
    home.Write("a.nc", "G0 Z5\nG1 X10\n");
    ASSERT_TRUE(ImportNcFile(home / "a.nc", -1, 30, op, 1));
    EXPECT_EQ(home.Read("PointForDisplay.dat"), "SPLINE END\r\n");
    EXPECT_EQ(op.LastText(), "The file holds no outline to show.");
}

TEST(PltGolden, RectangleInPlotterUnits) {
    TempHome home;
    RecordingOperator op;
    home.Write("a.plt", "IN;\r\nSP1;\r\nPU0,0;\r\nPU400,400;\r\nPD;\r\nPD1200,400;\r\nPD1200,800;\r\n"
                        "PD400,800;\r\nPD400,400;\r\nPU;\r\nPU0,0;\r\nSP0;\r\n");
    ASSERT_TRUE(ImportPltFile(home / "a.plt", 30, op, 0));
    // The last PD point (back at the start) is not written.
    EXPECT_EQ(home.Read("PointForDisplay.dat"),
              "SPLINE 1\r\n"
              "10.000000 10.000000 Node\r\n"
              "15.000000 10.000000\r\n"
              "20.000000 10.000000\r\n"
              "25.000000 10.000000\r\n"
              "30.000000 10.000000 Node\r\n"
              "30.000000 15.000000\r\n"
              "30.000000 20.000000 Node\r\n"
              "25.000000 20.000000\r\n"
              "20.000000 20.000000\r\n"
              "15.000000 20.000000\r\n"
              "10.000000 20.000000 Node\r\n"
              "10.000000 15.000000\r\n"
              "SPLINE END\r\n");
}

TEST(PltImport, CommandsPairsAndPen) {
    // 4000,2000 is (100, 50); the same strokes written on one line, with
    // several pairs in one PD, read alike.
    std::string lines = Plt("PU4000,2000;\nPD4400,2000;\nPD4400,2400;\nPD4000,2400;\n");
    EXPECT_EQ(Plt("IN;PU0,40,4000,2000;PD4400,2000,4400,2400;PD 4000 2400;"), lines);
    EXPECT_EQ(lines.substr(0, 37), "SPLINE 1\r\n100.000000 50.000000 Node\r\n");
    // pu0,0; is the pen parked at the origin.
    EXPECT_EQ(Plt("pu0,0;\n"), "SPLINE END\r\n");
    // PD before any PU starts the stroke at its point.
    EXPECT_EQ(Plt("PD400,400;PD800,400;PD800,800;"),
              "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\n20.000000 10.000000 Node\r\n"
              "20.000000 15.000000\r\nSPLINE END\r\n");
    // A corner within 1.0 of the last node is no node; the next one, 1.118
    // from it, is.
    std::string close = Plt("PU0,40;PD20,40;PD20,80;PD400,80;");
    EXPECT_EQ(close.find("0.500000 1.000000 Node"), std::string::npos);
    EXPECT_NE(close.find("0.500000 2.000000 Node"), std::string::npos);
}

TEST(PltImport, HugeCoordinatesAreRefused) {
    std::string err;
    EXPECT_EQ(PltToDisplay("PU0,40;PD1E300,40;", 30, 0, &err), "");
    EXPECT_NE(err, "");
}

TEST(NcImport, BlanksBeforeTheNumberAndArcMovesTold) {
    struct Row {
        const char* name;
        std::string nc, display, en, zh;  // the message after the Open ("" none)
    };
    auto en = [](const char* n) {
        return std::string("The NC program holds arc moves in the machining plane that are read as straight moves to "
                           "their end points: G02/G03 (") +
               n +
               "). Arcs therefore show as straight lines, and circles as polygons or single points; let the CAM "
               "program write arcs as straight moves.";
    };
    auto zh = [](const char* n) {
        return std::string("NC程序中加工平面内有按直线移动到终点读取的圆弧插补：G02/G03 ") + n +
               "段。圆弧因此显示为直线，整圆显示为多边形或一个点；请让CAM程序将圆弧输出为直线段。";
    };
    const std::vector<Row> rows = {
        {"blank or tab after the letter", "G00 Z 5.000000\nG00 X 0 Y 0\nG01 Z 0.000000\nG01 X 34.897 Y\t-3\nG00 Z 5\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n34.897000 -3.000000\r\nSPLINE END\r\n", "", ""},
        {"words run together", "Z0\nG01X12.5Y-3F300\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n12.500000 -3.000000\r\nSPLINE END\r\n", "", ""},
        // A blank after the number ends the word; blanks followed by no
        // number leave it empty (the coordinate stays).
        {"blank after the number", "Z0\nX 12.5 7 Y 3\nX F300 Y 8\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n12.500000 3.000000 Node\r\n12.500000 8.000000\r\nSPLINE END\r\n", "",
         ""},
        // Arcs ending in the plane, modal G2 and a full circle without an end
        // point count; straight moves and an arc leaving the plane do not.
        {"arcs", "G0 Z5\nG0 X0 Y0\nG1 Z0\nG2 X20 Y0 I10 J0\nX0 Y0 R10\nG02 I10 J0\nG1 X0 Y10\nG3 X5 Y5 Z5 I5\n",
         "", en("3"), zh("3")},
        // A drilling cycle ends the arc mode.
        {"cycle", "Z0\nG2X10I5\nG81X20R1\nX30R1\n", "", en("1"), zh("1")},
    };
    for (const Row& r : rows) {
        if (!r.display.empty()) {
            EXPECT_EQ(Nc(r.nc), r.display) << r.name;
        }
        TempHome home;
        home.Write("a.nc", r.nc);
        for (int16_t language : {1, 0}) {
            RecordingOperator op;
            ASSERT_TRUE(ImportNcFile(home / "a.nc", 0, 30, op, language)) << r.name;
            const std::string& text = language == 0 ? r.zh : r.en;
            ASSERT_EQ(op.messages.size(), text.empty() ? 0u : 1u) << r.name;
            if (!text.empty()) {
                EXPECT_EQ(op.LastText(), text) << r.name;
            }
        }
    }
}

TEST(PltImport, PenUpEndsTheContourAndPassedOverCommandsAreTold) {
    struct Row {
        const char* name;
        std::string plt, display, en, zh;  // the message after the Open ("" none)
    };
    const std::vector<Row> rows = {
        // PU; ends the contour, PD; does not.
        {"pen up", "PU400,400;PD800,400;PD;PD800,800;PU;PD1200,800;PD1200,1200;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\n20.000000 10.000000 Node\r\n"
         "20.000000 15.000000\r\nSPLINE 2\r\n30.000000 20.000000 Node\r\n30.000000 25.000000\r\nSPLINE END\r\n",
         "", ""},
        {"parked", "PU400,400;PD800,400;PU0,0;PD800,800;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE 2\r\n20.000000 20.000000 Node\r\n"
         "SPLINE END\r\n",
         "", ""},
        // Drawing commands with coordinates are named; PR; and PE; alone,
        // pen selection and speed are not.
        {"passed over", "IN;SP1;PU400,400;PD800,400;PA1200,400;pa 400,800;CI200;PR;PE;VS10;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE END\r\n",
         "The PLT file holds plotter commands that are not read: PA (2), CI (1). Only PU and PD are read, so these "
         "parts of the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：PA 2个、CI 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        {"plotted with PA", "IN;PU;PA400,400;PD;PA800,400,800,800;PU;", "SPLINE END\r\n",
         "The file holds no outline to show. It holds plotter commands that are not read: PA (2). Only PU and PD "
         "are read; write the outline with PU and PD commands.",
         "文件中没有可显示的轮廓。文件中有未读取的绘图命令：PA 2个。只读取PU和PD；请用PU和PD命令输出轮廓。"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Plt(r.plt), r.display) << r.name;
        TempHome home;
        home.Write("a.plt", r.plt);
        for (int16_t language : {1, 0}) {
            RecordingOperator op;
            ASSERT_TRUE(ImportPltFile(home / "a.plt", 30, op, language)) << r.name;
            const std::string& text = language == 0 ? r.zh : r.en;
            ASSERT_EQ(op.messages.size(), text.empty() ? 0u : 1u) << r.name;
            if (!text.empty()) {
                EXPECT_EQ(op.LastText(), text) << r.name;
            }
        }
    }
}

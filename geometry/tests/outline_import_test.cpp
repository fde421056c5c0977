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
    EXPECT_EQ(err.find("SC"), std::string::npos);
    // A scaling that is not applied is named with the refusal.
    for (int16_t language : {0, 1}) {
        EXPECT_EQ(PltToDisplay("SC0,1,0,1;PU0,40;PD1E300,40;", 30, language, &err), "");
        EXPECT_NE(err.find(language == 0 ? "。PLT文件中有未应用的缩放设定：SC 1个。" : ". The PLT file holds scaling that is not applied: SC (1)."),
                  std::string::npos)
            << err;
    }
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
    const std::string inchEn = "The NC program holds inch settings that are read as millimetres: G20 (1). The outline "
                               "therefore shows at 1/25.4 of its size; let the CAM program write millimetres (G21).";
    const std::string inchZh = "NC程序中有按毫米读取的英寸单位设定：G20 1个。轮廓因此只显示为原尺寸的1/25.4；"
                               "请让CAM程序以毫米（G21）输出。";
    const std::string incrementalEn =
        "The NC program holds incremental settings whose coordinates are read as absolute ones: G91 (2). The moves "
        "after them therefore show out of place or out of shape; let the CAM program write absolute coordinates "
        "(G90).";
    const std::string incrementalZh = "NC程序中有坐标按绝对值读取的增量设定：G91 2个。其后的移动因此显示在别处或变形；"
                                      "请让CAM程序以绝对坐标（G90）输出。";
    auto paramEn = [](const char* n) {
        return std::string("The NC program holds parameter words whose values are not read: # (") + n +
               "). A word whose value is a parameter (such as Z#<depth>) is read as 0, so the machining plane typed "
               "at the prompt finds the moves read at Z 0, not those in the plane the program means; let the CAM "
               "program write coordinates as numbers.";
    };
    auto paramZh = [](const char* n) {
        return std::string("NC程序中有未读取其值的参数字：# ") + n +
               "个。以参数为值的字（如Z#<depth>）按0读取，输入的加工平面因此只找到按Z0读取的移动，"
               "而不是程序所指平面内的移动；请让CAM程序以数值输出坐标。";
    };
    auto planesEn = [](const std::string& counts) {
        return "The NC program holds arc moves in the ZX plane (G18) or the YZ plane (G19) that end in the machining "
               "plane: " +
               counts +
               ". Each is read as a straight move to its end point: the outline shows a straight line where the tool "
               "leaves the machining plane along an arc; let the CAM program write the outline's arcs in the XY plane "
               "(G17).";
    };
    auto planesZh = [](const std::string& counts) {
        return "NC程序中有ZX平面（G18）或YZ平面（G19）内、终点在加工平面内的圆弧插补：" + counts +
               "。每段按直线移动到终点读取：刀具沿圆弧离开加工平面之处，轮廓显示为直线；请让CAM程序在XY平面（G17）内输出"
               "轮廓的圆弧。";
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
        // Inch and incremental programs are read in millimetres and as
        // absolute coordinates, and told with the count of their words.
        {"inch", "G20 G90\nG0 Z5\nG0 X0 Y0\nG1 Z0\nG1 X2 Y0\nG0 Z5\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n2.000000 0.000000\r\nSPLINE END\r\n", inchEn, inchZh},
        {"incremental", "G90 Z0\nG91 X10\nX10\nG90\nG91G28Z5\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\nSPLINE END\r\n", incrementalEn, incrementalZh},
        // Millimetres, absolute coordinates and incremental arc centres.
        {"metric absolute", "G21 G90 G91.1\nZ0\nX12.5\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n12.500000 0.000000\r\nSPLINE END\r\n", "", ""},
        {"every note in order", "G91 G20\nZ0\nG91 G2 X10 I5\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n10.000000 0.000000\r\nSPLINE END\r\n",
         inchEn + " " + incrementalEn + " " + en("1"), inchZh + incrementalZh + zh("1")},
        // Moves without a Z word (those in comments are none) are in no
        // plane; a file without moves is only empty.
        {"no Z word", "G0 X0 Y0 (Z0)\nG1 X10 Y0 ; Z0\nG1 Y10\n", "SPLINE END\r\n",
         "The file holds no outline to show. The NC program holds no Z word, but its contours are chosen by the Z "
         "of their plane: only the moves in the machining plane are shown, so a program without Z words (such as "
         "one for a laser or a plotter) shows no outline; let the CAM program write the Z of the machining plane.",
         "文件中没有可显示的轮廓。NC程序中没有Z字，而轮廓按其所在平面的Z坐标选取：只显示加工平面内的移动，"
         "因此没有Z字的程序（如激光或绘图仪程序）不显示轮廓；请让CAM程序输出加工平面的Z坐标。"},
        {"no moves", "%\nG21\nM30\n", "SPLINE END\r\n", "The file holds no outline to show.",
         "文件中没有可显示的轮廓。"},
        // Parameter words (#) are counted, outside comments; a word whose
        // value is one reads as 0, with or without a blank before it, and
        // the letters of a parameter's name are no words.
        {"parameter words",
         "#<depth> = -1\nG0 Z5\nG0 X0 Y0\nG1 Z#<depth> (#<depth> is the plane)\nG1 X20\nG0 Z5\nG0 X30\nG1 Z #2\nG1 X40\n",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n20.000000 0.000000\r\nSPLINE 2\r\n30.000000 0.000000 Node\r\n"
         "40.000000 0.000000\r\nSPLINE END\r\n",
         paramEn("3"), paramZh("3")},
        {"parameter names", "G0 Z5\nG0 X0 Y0\n#<safe_z> = 0\n#<_xy>=1\nG1 X10\nG1 Y10\n", "SPLINE END\r\n",
         "The file holds no outline to show. " + paramEn("2"), "文件中没有可显示的轮廓。" + paramZh("2")},
        // Arcs are counted by their plane (G17 the default): those of the
        // ZX and YZ planes apart, each plane with its count, and read as
        // straight moves all the same.
        {"arcs of three planes", "G0 Z5\nG0 X0 Y0\nG1 Z0\nG17 G2 X20 Y0 I10 J0\nG18 G2 X40 Z0 I10 K0\nG19 G3 Y20 Z0 J10 K0\n",
         Nc("Z5\nX0Y0\nZ0\nX20Y0\nX40Z0\nY20Z0\n"), en("1") + " " + planesEn("G18 (1), G19 (1)"),
         zh("1") + planesZh("G18 1段、G19 1段")},
        // Modal: a plane holds until another is chosen; an arc leaving the
        // plane is not counted.
        {"ZX arcs", "Z0\nG18 G2 X10 K5\nX20 K5\nG2 X30 Z5 K5\n", "", planesEn("G18 (2)"), planesZh("G18 2段")},
        {"XY again", "Z0\nG19\nG17 G2 X10 I5\n", "", en("1"), zh("1")},
        {"YZ arcs", "Z0\nG19 G3 Y10 J5\nG1 Y20\nG2 Y30 K5\nG91.1 G18.1 G2 Y40 J5\n", "", planesEn("G19 (3)"),
         planesZh("G19 3段")},
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
                // A warning for what is read otherwise; no outline alone is news.
                const bool onlyEmpty = r.en == "The file holds no outline to show.";
                EXPECT_EQ(op.messages[0].icon, onlyEmpty ? MsgIcon::Information : MsgIcon::Warning) << r.name;
            }
        }
    }
}

TEST(PltImport, PenUpEndsTheContourAndPassedOverCommandsAreTold) {
    struct Row {
        const char* name;
        std::string plt, display, en, zh;  // the message after the Open ("" none)
    };
    const std::string relativeEn =
        "After PR the coordinates of PU and PD (up to the next PA) are relative ones, but they are read as absolute "
        "ones, so their strokes show out of place; write the outline in absolute coordinates.";
    const std::string relativeZh =
        "PR之后（直到下一个PA）PU和PD的坐标是相对坐标，却按绝对坐标读取，其笔画因此显示在别处；请用绝对坐标输出轮廓。";
    auto unreadEn = [](const char* n) {
        return std::string("The PLT file holds PU and PD commands whose coordinates cannot all be read: PU/PD (") + n +
               "). A coordinate that is no number is read as the number it starts with, or as 0 when it starts with "
               "none, and a last X without its Y is left out, so points of these commands show out of place or are "
               "missing; write the coordinates as pairs of numbers.";
    };
    auto unreadZh = [](const char* n) {
        return std::string("PLT文件中有坐标不能全部读取的PU和PD命令：PU/PD ") + n +
               "个。不是数字的坐标按其开头的数字读取（开头没有数字时按0读取），缺少Y的最后一个X被略去，"
               "这些命令的点因此显示在别处或缺失；请以成对的数字输出坐标。";
    };
    auto scaleEn = [](const char* n) {
        return std::string("The PLT file holds scaling that is not applied: SC (") + n +
               "). The coordinates after it are read as plotter units (0.025 mm) instead of user units, so the "
               "outline shows at another size and out of place; scaling is applied only where IP gives both corners "
               "(four numbers) and SC is not isotropic; write the outline in plotter units, or with such IP and SC.";
    };
    auto scaleZh = [](const char* n) {
        return std::string("PLT文件中有未应用的缩放设定：SC ") + n +
               "个。其后的坐标按绘图仪单位（0.025 mm）而不是用户单位读取，轮廓因此显示为另一尺寸并显示在别处；"
               "只有IP给出两个角点（四个数）且SC不是等比例缩放时才应用缩放；请以绘图仪单位输出轮廓，或使用这样的IP和SC。";
    };
    auto originEn = [](const char* n) {
        return std::string("The PLT file holds strokes drawn from the origin after PU0,0: PD (") + n +
               "). PU0,0 is read as the pen parked, so these strokes start at their first PD point instead and the "
               "origin is missing from the outline; move the drawing away from the origin.";
    };
    auto originZh = [](const char* n) {
        return std::string("PLT文件中有在PU0,0之后从原点画起的笔画：PD ") + n +
               "个。PU0,0按笔停放读取，这些笔画因此从其第一个PD点开始，原点不在轮廓中；请将图形移离原点。";
    };
    const std::string noDrawingEn = "The file holds no outline to show. The PLT file holds no HP-GL drawing commands, "
                                    "and only its PU and PD commands are read; write the outline with PU and PD "
                                    "commands.";
    const std::string noDrawingZh = "文件中没有可显示的轮廓。PLT文件中没有HP-GL绘图命令，而只读取PU和PD命令；"
                                    "请用PU和PD命令输出轮廓。";
    const std::string otherEn =
        "The file holds no outline to show. The PLT file holds no HP-GL drawing commands: it is written in another "
        "language than HP-GL (such as a cutter maker's own plotter language), whose commands are not read. Only "
        "HP-GL's PU and PD are read; write the outline in HP-GL with PU and PD commands.";
    const std::string otherZh =
        "文件中没有可显示的轮廓。PLT文件中没有HP-GL绘图命令：它是用HP-GL以外的语言（如切割机厂家自己的绘图仪语言）"
        "写成的，其命令不被读取。只读取HP-GL的PU和PD；请以HP-GL的PU和PD命令输出轮廓。";
    const std::string cutter = "SET MARKER_X_DIS=8951.\r\nSET MARKER_Y_DIS=6000.\r\nLOAD_MARKERS.END.\r\nU,400,400,\r\n"
                               "D,400,400,1600,400,1600,1600,400,1600,400,400,\r\n@\r\n";
    const std::vector<Row> rows = {
        // PU; ends the contour, PD; does not.
        {"pen up", "PU400,400;PD800,400;PD;PD800,800;PU;PD1200,800;PD1200,1200;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\n20.000000 10.000000 Node\r\n"
         "20.000000 15.000000\r\nSPLINE 2\r\n30.000000 20.000000 Node\r\n30.000000 25.000000\r\nSPLINE END\r\n",
         "", ""},
        // PU0,0 is the pen parked: the next PD point starts a stroke of its
        // own, so one drawn from the origin is told.
        {"parked", "PU400,400;PD800,400;PU0,0;PD800,800;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE 2\r\n20.000000 20.000000 Node\r\n"
         "SPLINE END\r\n",
         originEn("1"), originZh("1")},
        {"square from the origin", "IN;PU0,0;PD400,0,400,400,0,400,0,0;PU;",
         "SPLINE 1\r\n10.000000 0.000000 Node\r\n10.000000 5.000000\r\n10.000000 10.000000 Node\r\n"
         "5.000000 10.000000\r\n0.000000 10.000000 Node\r\n0.000000 5.000000\r\nSPLINE END\r\n",
         originEn("1"), originZh("1")},
        // Once a stroke: PD; and pen selection leave the pen at the origin,
        // pu0,0 twice is one parking.
        {"strokes from the origin", "IN;PU0,0;PD;SP1;PD40,0;PD40,40;PU0,0;pu0,0;PD80,0,80,40;",
         "SPLINE 1\r\n1.000000 0.000000 Node\r\nSPLINE 2\r\n2.000000 0.000000 Node\r\nSPLINE END\r\n", originEn("2"),
         originZh("2")},
        // Not told: a stroke from the origin itself, the pen moved by a PU (a
        // real parking, with a position or without) or by a passed-over
        // command, and PU 0,0 with a blank (a move, no parking).
        {"stroke at the origin", "PU0,0;PD0,0,400,0,400,400;PU;",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n5.000000 0.000000\r\n10.000000 0.000000 Node\r\n10.000000 5.000000\r\n"
         "SPLINE END\r\n",
         "", ""},
        {"parked, then moved", "IN;PU0,0;PU400,400;PD800,400;PU;PU0,0;SP0;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE END\r\n", "", ""},
        {"parked, then lifted", "PU0,0;PU;PD800,400,800,800;",
         "SPLINE 1\r\n20.000000 10.000000 Node\r\n20.000000 15.000000\r\nSPLINE END\r\n", "", ""},
        {"parked, then moved by PA", "PU0,0;PA400,400;PD800,400,800,800;",
         "SPLINE 1\r\n20.000000 10.000000 Node\r\n20.000000 15.000000\r\nSPLINE END\r\n",
         "The PLT file holds plotter commands that are not read: PA (1). Only PU and PD are read, so these parts of "
         "the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：PA 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        {"move to the origin", "PU 0,0;PD400,0,400,400;PU;",
         "SPLINE 1\r\n0.000000 0.000000 Node\r\n5.000000 0.000000\r\n10.000000 0.000000 Node\r\n10.000000 5.000000\r\n"
         "SPLINE END\r\n",
         "", ""},
        // A coordinate that is no number reads as the number it starts with,
        // or 0; a command is counted once however many it holds.
        {"coordinates no numbers", "PU40,40;PD80,abc;PD120x,40;PD.,-;PD160e,40;PU;",
         "SPLINE 1\r\n1.000000 1.000000 Node\r\n2.000000 0.000000 Node\r\n3.000000 1.000000 Node\r\n"
         "0.000000 0.000000 Node\r\nSPLINE END\r\n",
         unreadEn("4"), unreadZh("4")},
        {"numbers in every form", "PU+40,40.;PD80,.4E2,1.2e2,40\t160 +4e+1;PU;",
         "SPLINE 1\r\n1.000000 1.000000 Node\r\n2.000000 1.000000\r\n3.000000 1.000000\r\nSPLINE END\r\n", "", ""},
        // A last X without its Y is left out: a PU with nothing else lifts
        // the pen only.
        {"lone X", "PU40,40;PD80,40,80;PD80,80;PU120;PD120,80;",
         "SPLINE 1\r\n1.000000 1.000000 Node\r\n2.000000 1.000000\r\nSPLINE 2\r\n3.000000 2.000000 Node\r\n"
         "SPLINE END\r\n",
         unreadEn("2"), unreadZh("2")},
        {"no pair", "IN;PDx;PU;", "SPLINE END\r\n", "The file holds no outline to show. " + unreadEn("1"),
         "文件中没有可显示的轮廓。" + unreadZh("1")},
        // Drawing commands with coordinates are named; PA; alone (nothing
        // changes), pen selection and speed are not.
        {"passed over", "IN;SP1;PU400,400;PD800,400;PA1200,400;pa 400,800;CI200;PA;VS10;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE END\r\n",
         "The PLT file holds plotter commands that are not read: PA (2), CI (1). Only PU and PD are read, so these "
         "parts of the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：PA 2个、CI 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        {"plotted with PA", "IN;PU;PA400,400;PD;PA800,400,800,800;PU;", "SPLINE END\r\n",
         "The file holds no outline to show. It holds plotter commands that are not read: PA (2). Only PU and PD "
         "are read; write the outline with PU and PD commands.",
         "文件中没有可显示的轮廓。文件中有未读取的绘图命令：PA 2个。只读取PU和PD；请用PU和PD命令输出轮廓。"},
        // A PR, with coordinates or without, makes the PU and PD coordinates
        // after it relative; they are read as absolute.
        {"bare PR", "IN;SP1;PU400,400;PR;PD400,0,0,400;PA;PU0,0;SP0;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n10.000000 5.000000\r\n10.000000 0.000000 Node\r\n"
         "5.000000 5.000000\r\nSPLINE END\r\n",
         "The PLT file holds plotter commands that are not read: PR (1). Only PU and PD are read, so these parts of "
         "the drawing are missing from the outline; write the outline with PU and PD commands. " + relativeEn,
         "PLT文件中有未读取的绘图命令：PR 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。" +
             relativeZh},
        {"plotted with PR", "IN;PU;PR400,400;PD;PR400,0,0,400;PU;", "SPLINE END\r\n",
         "The file holds no outline to show. It holds plotter commands that are not read: PR (2). Only PU and PD "
         "are read; write the outline with PU and PD commands. " + relativeEn,
         "文件中没有可显示的轮廓。文件中有未读取的绘图命令：PR 2个。只读取PU和PD；请用PU和PD命令输出轮廓。" +
             relativeZh},
        // PE whatever its parameters look like (encoded, 8-bit, none, on the
        // next line), and any command whose parameters stand on the next line.
        {"plotted with PE", "IN;SP1;PE<=_p_p;PE;PE\n<=\xbf\xc0;CI\n200;SP0;", "SPLINE END\r\n",
         "The file holds no outline to show. It holds plotter commands that are not read: PE (3), CI (1). Only PU "
         "and PD are read; write the outline with PU and PD commands.",
         "文件中没有可显示的轮廓。文件中有未读取的绘图命令：PE 3个、CI 1个。只读取PU和PD；请用PU和PD命令输出轮廓。"},
        {"every PLT note in order", "IN;PU400,400;PR;PD800,400;PA;CI40;PU0,0;PD400,x;PU;",
         "SPLINE 1\r\n10.000000 10.000000 Node\r\n15.000000 10.000000\r\nSPLINE 2\r\n10.000000 0.000000 Node\r\n"
         "SPLINE END\r\n",
         "The PLT file holds plotter commands that are not read: PR (1), CI (1). Only PU and PD are read, so these "
         "parts of the drawing are missing from the outline; write the outline with PU and PD commands. " +
             relativeEn + " " + unreadEn("1") + " " + originEn("1"),
         "PLT文件中有未读取的绘图命令：PR 1个、CI 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。" +
             relativeZh + unreadZh("1") + originZh("1")},
        // The ';' after a command may be left out: the next mnemonic starts
        // the next command, in either case.
        {"commands without ;", "IN;SP1PU400,400;PD1600,400,1600,1600,400,1600,400,400;PU;SP0;",
         Plt("IN;SP1;PU400,400;PD1600,400,1600,1600,400,1600,400,400;PU;SP0;"), "", ""},
        {"no ; at all", "IN SP1PU400,400PD1600,400,1600,1600 400,1600PUSP0",
         Plt("IN;SP1;PU400,400;PD1600,400,1600,1600,400,1600;PU;SP0;"), "", ""},
        {"lower case", "in;sp1pu400,400pd1600,400,1600,1600pu;",
         Plt("IN;SP1;PU400,400;PD1600,400,1600,1600;PU;"), "", ""},
        // Letters that are no mnemonic stay in the parameters (as "abc"
        // above); so do those of a quoted text.
        {"quoted text", "CO\"PU0,0PD\"PU400,400PD800,400,800,800;",
         Plt("PU400,400;PD800,400,800,800;"), "", ""},
        // Encoded PE after other commands is named as after a ';'.
        {"PE without ;", "IN;SP1;TR0PE<=_p_p;PM0PE<=_p;SP0;", "SPLINE END\r\n",
         "The file holds no outline to show. It holds plotter commands that are not read: PE (2). Only PU and PD "
         "are read; write the outline with PU and PD commands.",
         "文件中没有可显示的轮廓。文件中有未读取的绘图命令：PE 2个。只读取PU和PD；请用PU和PD命令输出轮廓。"},
        // A label's text runs to its terminator (ETX, or the one DT sets),
        // over line ends, and holds no command; a label never ended ends at
        // ';'.  Labels are named; an empty one draws nothing.
        {"labels", "IN;PU400,400;PD800,400,800,800;LBPD0,0;PU\x03PU;LB\x03" "DT*;LBa\nPD0,0*PU1200,400PD1600,400;"
                   "LBPD40,40;PU;",
         Plt("IN;PU400,400;PD800,400,800,800;PU;PU1200,400;PD1600,400;PU;"),
         "The PLT file holds plotter commands that are not read: LB (3). Only PU and PD are read, so these parts "
         "of the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：LB 3个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        {"IN ends DT", "DT*;IN;LBPD0,0*;PD40,40\x03PU400,400PD800,400,800,800;",
         Plt("PU400,400;PD800,400,800,800;"),
         "The PLT file holds plotter commands that are not read: LB (1). Only PU and PD are read, so these parts "
         "of the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：LB 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        // Scaling (SC) is applied where IP gives both corners: user units
        // to plotter units, so this is an 80 mm square.  After SC the
        // corners may still come; SC; and DF end the scaling.
        {"scaled", "IN;SP1;IP0,0,4000,4000;SC0,100,0,100;PU10,10;PD90,10,90,90,10,90,10,10;PU;SP0;",
         Plt("IN;SP1;PU400,400;PD3600,400,3600,3600,400,3600,400,400;PU;SP0;"), "", ""},
        {"corners after SC", "SC-10,90,-10,90,0;IP0,0,4000,4000;PU0,0.;PD80,0",
         Plt("PU400,400;PD3600,400;"), "", ""},
        {"point factor", "IP400,400;SC10,40,10,40,2;PU10,10;PD20,10,20,20;", Plt("PU400,400;PD800,400,800,800;"),
         "", ""},
        {"scaling ended", "IP0,0,4000,4000;SC0,100,0,100;SC;PU400,400;PD800,400;DF;PD800,800;IP;SC;PD400,800;",
         Plt("PU400,400;PD800,400,800,800,400,800;"), "", ""},
        {"DF ends it", "IP0,0,4000,4000;SC0,100,0,100;DT*;DF;PU400,400;PD800,400;LBx*PD0,0\x03",
         Plt("PU400,400;PD800,400;"),
         "The PLT file holds plotter commands that are not read: LB (1). Only PU and PD are read, so these parts "
         "of the drawing are missing from the outline; write the outline with PU and PD commands.",
         "PLT文件中有未读取的绘图命令：LB 1个。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。"},
        // An SC under which no coordinate is read changes nothing.
        {"SC, no coordinates", "PU400,400;PD800,400;SC0,100,0,100;PU;PD;", Plt("PU400,400;PD800,400;"), "", ""},
        // Where the corners are the plotter's own (no IP, IN, IP with two
        // numbers, IR) or SC is isotropic or has no size, the coordinates
        // are read as plotter units and the SC is named, once for each SC
        // under which coordinates are read.
        {"SC without corners", "SC0,100,0,100;PU10,10;PD90,10,90,90;SC0,100,0,100;PU;IP400,400;PD10,10;",
         Plt("PU10,10;PD90,10,90,90;PU;PD10,10;"), scaleEn("2"), scaleZh("2")},
        {"corners reset",
         "IP0,0,4000,4000;IN;SC0,100,0,100;PU10,10;PD90,10;IP0,0,4000,4000;IR0,0,100,100;SC0,1,0,1;PD90,90;",
         Plt("PU10,10;PD90,10,90,90;"), scaleEn("2"), scaleZh("2")},
        {"isotropic or no size", "IP0,0,4000,4000;SC0,100,0,100,1;PU10,10;SC0,0,0,100;PD90,10;SC0,1,0,1,2,5;PD90,90;",
         Plt("PU10,10;PD90,10,90,90;"), scaleEn("3"), scaleZh("3")},
        // Two letters inside a longer word are no command: a cutter job in
        // its maker's own language is told as such, naming nothing it does
        // not hold; with an HP-GL command in it, or without any word, only
        // the lack of drawing commands is told.
        {"another plotter language", cutter, "SPLINE END\r\n", otherEn, otherZh},
        {"HP-GL without drawing", "IN;SP1;\r\n" + cutter, "SPLINE END\r\n", noDrawingEn, noDrawingZh},
        {"no words", "\x1b%0A\r\n1600,400\r\n", "SPLINE END\r\n", noDrawingEn, noDrawingZh},
        {"a pen command without coordinates", "IN;PU;SP0;", "SPLINE END\r\n", "The file holds no outline to show.",
         "文件中没有可显示的轮廓。"},
        {"words among commands", "IN;PU400,400;PD800,400,800,800;SET MARKER_X_DIS=8951.;LOAD_MARKERS;PU;",
         Plt("PU400,400;PD800,400,800,800;"), "", ""},
        // A mnemonic stands after a number and after the letter that ends a
        // printer escape sequence; after other letters, or followed by a
        // word, it does not.
        {"after an escape", "IP0,0,4000,4000;SC0,100,0,100\x1b%0BIN;PU400,400;PD800,400,800,800;",
         Plt("PU400,400;PD800,400,800,800;"), "", ""},
        {"after a word", "IP0,0,4000,4000;SC0,100,0,100B%0BIN;PU400,400;PD800,400,800,800;",
         Plt("PU400,400;PD800,400,800,800;"), scaleEn("1"), scaleZh("1")},
        {"followed by a word", "IN;PU400,400;PD800,400;PDxy;PUTS;PD800,800;", Plt("PU400,400;PD800,400,800,800;"),
         "", ""},
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
                const bool onlyEmpty = r.en == "The file holds no outline to show.";
                EXPECT_EQ(op.messages[0].icon, onlyEmpty ? MsgIcon::Information : MsgIcon::Warning) << r.name;
            }
        }
    }
}

// DXF spline reading and the display points of a DXF outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/testsupport/tempdir.h"

using velbend::CoreAlgorithm;
using velbend::RecordingOperator;
using velbend::testing::TempHome;

namespace {

struct TestSpline {
    int degree = 3;
    std::vector<double> knots;
    std::vector<std::pair<double, double>> ctrl;
    std::vector<double> weights;
    std::vector<std::pair<double, double>> fit;  // fit points (11, 21)
    bool flag70 = true;
    std::string flag70Value = "8";
    bool with210 = true;
    std::string name = "SPLINE";
    std::string layer = "0";
};

std::string Num(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

// A DXF file as a CAD program writes it: HEADER with the extents, the
// splines in ENTITIES.  Lines end in `eol`.
std::string MakeDxf(const std::vector<TestSpline>& splines, const std::string& eol = "\n", bool header = true,
                    const std::string& insUnits = "") {
    std::vector<std::string> l;
    auto pair = [&](const std::string& code, const std::string& value) {
        l.push_back(code);
        l.push_back(value);
    };
    if (header) {
        pair("0", "SECTION");
        pair("2", "HEADER");
        pair("9", "$ACADVER");
        pair("1", "AC1015");
        if (!insUnits.empty()) {
            pair("9", "$INSUNITS");
            pair("70", insUnits);
        }
        pair("9", "$EXTMIN");
        pair("10", "0.0");
        pair("20", "0.0");
        pair("30", "0.0");
        pair("9", "$EXTMAX");
        pair("10", "100.0");
        pair("20", "100.0");
        pair("30", "0.0");
        pair("0", "ENDSEC");
    }
    pair("0", "SECTION");
    pair("2", "ENTITIES");
    for (const TestSpline& s : splines) {
        pair("  0", s.name);
        pair("  5", "2A");
        pair("100", "AcDbEntity");
        pair("  8", s.layer);
        pair("100", "AcDbSpline");
        if (s.with210) {
            pair("210", "0.0");
            pair("220", "0.0");
            pair("230", "1.0");
        }
        if (s.flag70) pair(" 70", s.flag70Value);
        pair(" 71", std::to_string(s.degree));
        pair(" 72", std::to_string(s.knots.size()));
        pair(" 73", std::to_string(s.ctrl.size()));
        pair(" 74", "0");
        pair(" 42", "0.0000001");
        pair(" 43", "0.0000001");
        for (double k : s.knots) pair(" 40", Num(k));
        for (double w : s.weights) pair(" 41", Num(w));
        for (auto [x, y] : s.ctrl) {
            pair(" 10", Num(x));
            pair(" 20", Num(y));
            pair(" 30", "0.0");
        }
        for (auto [x, y] : s.fit) {
            pair(" 11", Num(x));
            pair(" 21", Num(y));
        }
    }
    pair("  0", "ENDSEC");
    pair("  0", "EOF");
    std::string out;
    for (const std::string& s : l) out += s + eol;
    return out;
}

TestSpline Cubic() {
    TestSpline s;
    s.knots = {0, 0, 0, 0, 1, 1, 1, 1};
    s.ctrl = {{0, 0}, {40, 80}, {80, 80}, {120, 0}};
    return s;
}

// A square of side 30 as four straight cubic pieces joined at triple knots.
TestSpline BoxSquare() {
    TestSpline s;
    s.knots = {0, 0, 0, 0, .25, .25, .25, .5, .5, .5, .75, .75, .75, 1, 1, 1, 1};
    s.ctrl = {{0, 0},   {10, 0},  {20, 0},  {30, 0},  {30, 10}, {30, 20}, {30, 30},
              {20, 30}, {10, 30}, {0, 30},  {0, 20},  {0, 10},  {0, 0}};
    return s;
}

// A closed cubic through the corners of a square as a periodic spline:
// wrapped (its first three control points repeated at its end, eleven
// uniform knots) or in the form that does not repeat them (five knots).
TestSpline Periodic(bool wrapped) {
    TestSpline s;
    s.flag70Value = "11";  // closed, periodic, planar
    s.ctrl = {{0, 0}, {40, 0}, {40, 40}, {0, 40}};
    s.knots = {0, 1, 2, 3, 4};
    if (wrapped) {
        s.ctrl.insert(s.ctrl.end(), {{0, 0}, {40, 0}, {40, 40}});
        s.knots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    }
    return s;
}

// A spline given by its fit points alone.
TestSpline FitOnly() {
    TestSpline s;
    s.flag70Value = "9";
    s.fit = {{0, 0}, {40, 0}, {40, 40}, {0, 40}};
    return s;
}

struct Fixture {
    TempHome home;
    RecordingOperator op;
    CoreAlgorithm core;
    Fixture() { core.TranParas(0.1, 5, 30, 10, 45, 105.0); }
    bool Load(const std::string& dxf) {
        home.Write("in.dxf", dxf);
        return core.ReadDXF((home / "in.dxf").string(), op, 1);
    }
    std::string Display() { return home.Read("PointForDisplay.dat"); }
};

}  // namespace

TEST(DxfGolden, SingleCubicSplineGivesTwentyPointsFromTheEndBackwards) {
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({Cubic()})));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    EXPECT_EQ(f.Display(),
              "SPLINE 1\r\n"
              "120.000000 0.000000 Node\r\n"
              "114.000000 11.400000\r\n"
              "108.000000 21.600000\r\n"
              "102.000000 30.600000\r\n"
              "96.000000 38.400000\r\n"
              "90.000000 45.000000\r\n"
              "84.000000 50.400000\r\n"
              "78.000000 54.600000\r\n"
              "72.000000 57.600000\r\n"
              "66.000000 59.400000\r\n"
              "60.000000 60.000000 Node\r\n"
              "54.000000 59.400000\r\n"
              "48.000000 57.600000\r\n"
              "42.000000 54.600000\r\n"
              "36.000000 50.400000\r\n"
              "30.000000 45.000000\r\n"
              "24.000000 38.400000\r\n"
              "18.000000 30.600000\r\n"
              "12.000000 21.600000\r\n"
              "6.000000 11.400000\r\n"
              "SPLINE END\r\n");
    ASSERT_EQ(f.core.ParamTable.size(), 1u);
    EXPECT_EQ(f.core.ParamTable[0], (std::vector<double>{0, 0.5, 1.0}));
    EXPECT_EQ(f.core.MaxParamCount, 3);
    EXPECT_TRUE(f.op.messages.empty());
}

TEST(DxfGolden, ClosedBoxSquareWithTripleKnots) {
    Fixture f;
    f.core.TranParas(0.1, 5, 30, 4, 45, 105.0);
    ASSERT_TRUE(f.Load(MakeDxf({BoxSquare()})));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    EXPECT_EQ(f.Display(),
              "SPLINE 1\r\n"
              "0.000000 0.000000 Node\r\n"
              "0.000000 3.750000\r\n"
              "0.000000 7.500000\r\n"
              "0.000000 11.250000\r\n"
              "0.000000 15.000000 Node\r\n"
              "0.000000 18.750000\r\n"
              "0.000000 22.500000\r\n"
              "0.000000 26.250000\r\n"
              "0.000000 30.000000 Node\r\n"
              "3.750000 30.000000\r\n"
              "7.500000 30.000000\r\n"
              "11.250000 30.000000\r\n"
              "15.000000 30.000000 Node\r\n"
              "18.750000 30.000000\r\n"
              "22.500000 30.000000\r\n"
              "26.250000 30.000000\r\n"
              "30.000000 30.000000 Node\r\n"
              "30.000000 26.250000\r\n"
              "30.000000 22.500000\r\n"
              "30.000000 18.750000\r\n"
              "30.000000 15.000000 Node\r\n"
              "30.000000 11.250000\r\n"
              "30.000000 7.500000\r\n"
              "30.000000 3.750000\r\n"
              "30.000000 0.000000 Node\r\n"
              "26.250000 0.000000\r\n"
              "22.500000 0.000000\r\n"
              "18.750000 0.000000\r\n"
              "15.000000 0.000000 Node\r\n"
              "11.250000 0.000000\r\n"
              "7.500000 0.000000\r\n"
              "3.750000 0.000000\r\n"
              "SPLINE END\r\n");
}

TEST(DxfReading, LineEndsCaseBlanksAndMissingExtrusionReadAlike) {
    Fixture a;
    ASSERT_TRUE(a.Load(MakeDxf({Cubic(), BoxSquare()})));
    ASSERT_TRUE(a.core.DisplayPointGen(a.op, 1));
    const std::string expected = a.Display();

    // CR LF line ends, lower-case entity names, no 210 group, a layer named
    // like a group code ("10"), and knots on another scale (0..8).
    TestSpline c = Cubic();
    c.name = "spline";
    c.with210 = false;
    c.layer = "10";
    TestSpline b = BoxSquare();
    b.layer = "SPLINE";  // a value that reads like an entity name
    for (double& k : b.knots) k *= 8;
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({c, b}, "\r\n")));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    EXPECT_EQ(f.Display(), expected);
    EXPECT_EQ(f.core.SplineCount, 2);
    EXPECT_EQ(f.core.SplineCounts(1, 1), 8);
    EXPECT_EQ(f.core.SplineCounts(1, 2), 4);
    EXPECT_EQ(f.core.SplineCounts(2, 2), 13);
    EXPECT_EQ(f.core.Splines[1].Knots.back(), 1.0);
    EXPECT_EQ(f.core.Splines[1].Knots[4], 0.25);
}

TEST(DxfReading, OtherEntitiesGiveNothingToASpline) {
    // A LINE between two splines: its points belong to the LINE only.
    std::string dxf = MakeDxf({Cubic(), BoxSquare()});
    size_t second = dxf.find("  0\nSPLINE", dxf.find("  0\nSPLINE") + 1);
    dxf.insert(second, "  0\nLINE\n  8\n0\n 10\n5.0\n 20\n6.0\n 30\n0.0\n 11\n7.0\n 21\n8.0\n 31\n0.0\n"
                       "  0\nCIRCLE\n 10\n1.0\n 20\n1.0\n 40\n3.0\n");
    Fixture f;
    ASSERT_TRUE(f.Load(dxf));
    ASSERT_EQ(f.core.SplineCount, 2);
    EXPECT_EQ(f.core.Splines[0].CtrlX.size(), 4u);
    EXPECT_EQ(f.core.Splines[0].Knots.size(), 8u);
    EXPECT_EQ(f.core.Splines[1].CtrlX.size(), 13u);
}

TEST(DxfReading, TempDatHoldsEveryLfPieceAsALine) {
    Fixture f;
    std::string dxf = MakeDxf({Cubic()}, "\r\n");
    ASSERT_TRUE(f.Load(dxf));
    std::string temp = f.home.Read("Temp.dat");
    // "0\r\n" becomes "0\r\r\n"; the empty piece after the last LF is a line.
    EXPECT_EQ(temp.substr(0, 14), "0\r\r\nSECTION\r\r\n");
    EXPECT_EQ(temp.substr(temp.size() - 8), "EOF\r\r\n\r\n");
}

TEST(DxfReading, FlagFollowsGroup70AndDegreeIsHonoured) {
    // A quadratic Bezier: with degree 2 its middle point is (1, 1) for the
    // control points (0,0), (1,2), (2,0); read as cubic it would not exist.
    TestSpline q;
    q.degree = 2;
    q.knots = {0, 0, 0, 1, 1, 1};
    q.ctrl = {{0, 0}, {1, 2}, {2, 0}};
    q.flag70 = false;
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({q, Cubic()})));
    EXPECT_EQ(f.core.SplineFlags(1), 0);
    EXPECT_EQ(f.core.SplineFlags(2), 1);
    ASSERT_TRUE(f.core.LoadCurrentSpline(1));
    EXPECT_EQ(f.core.CurDegree, 2);
    velbend::SplinePoint p = f.core.EvalBSpline(0.5);
    EXPECT_DOUBLE_EQ(p.X, 1.0);
    EXPECT_DOUBLE_EQ(p.Y, 1.0);
    // The end of the curve is its last control point whatever the flag.
    p = f.core.EvalBSpline(1.0);
    EXPECT_DOUBLE_EQ(p.X, 2.0);
    EXPECT_DOUBLE_EQ(p.Y, 0.0);
}

TEST(DxfReading, WeightsMakeARationalCircle) {
    // Quarter circle of radius 10 as a rational quadratic.
    TestSpline r;
    r.degree = 2;
    r.knots = {0, 0, 0, 1, 1, 1};
    r.ctrl = {{10, 0}, {10, 10}, {0, 10}};
    r.weights = {1, std::sqrt(0.5), 1};
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({r})));
    ASSERT_TRUE(f.core.LoadCurrentSpline(1));
    for (double t = 0; t <= 1.0; t += 0.1) {
        velbend::SplinePoint p = f.core.EvalBSpline(t);
        EXPECT_NEAR(std::hypot(p.X, p.Y), 10.0, 1e-12) << t;
    }
}

namespace {

// A file of MakeDxf(..., false) with the pairs of its one section alone.
std::string NoSections(std::string dxf) {
    for (std::string pair : {"0\nSECTION\n2\nENTITIES\n", "  0\nENDSEC\n"}) dxf.erase(dxf.find(pair), pair.size());
    return dxf;
}

}  // namespace

TEST(DxfReading, AFileWithoutAHeaderIsReadFromItsFirstSection) {
    Fixture a;
    ASSERT_TRUE(a.Load(MakeDxf({Cubic()})));
    ASSERT_TRUE(a.core.DisplayPointGen(a.op, 1));
    const std::string noHeader = MakeDxf({Cubic()}, "\n", false);
    // A comment naming the binary sentinel is no binary file.
    for (const std::string& dxf : {noHeader, "0\nSECTION\n2\nBLOCKS\n0\nENDSEC\n" + noHeader,
                                   "999\nAutoCAD Binary DXF\n" + noHeader}) {
        Fixture f;
        ASSERT_TRUE(f.Load(dxf)) << f.op.LastText();
        ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
        EXPECT_EQ(f.Display(), a.Display());
        EXPECT_TRUE(f.op.messages.empty());
    }
}

TEST(DxfReading, BadFilesAreRefusedWithAMessageAndWriteNothing) {
    struct Case {
        std::string name, bytes, message;
    };
    std::vector<Case> cases = {
        {"empty", "", "The DXF file is empty."},
        {"blank", "\r\n \r\n", "The DXF file is empty."},
        {"no section", NoSections(MakeDxf({Cubic()}, "\n", false)),
         "The DXF file has no HEADER section and cannot be read."},
        {"no spline", MakeDxf({}), "The DXF file holds no usable SPLINE."},
        {"odd", "0\nSECTION\n2\n", "The DXF file is incomplete: its last group code has no value."},
        {"not pairs", "0\nSECTION\nHEADER\n", "The DXF file is malformed (line 3 is no group code)."},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\2\0HEADER\0", 41),
         "The DXF file is a binary DXF and cannot be read: only DXF files saved as text (ASCII) are read; save the "
         "drawing as an ASCII DXF."},
        // Splines that cannot be used are named with the reason.
        {"periodic", MakeDxf({Periodic(false)}),
         "The DXF file holds no usable SPLINE. It holds splines that cannot be used: SPLINE (1): periodic splines "
         "(1), read only in the form that repeats the first control points at the end (save them as non-periodic "
         "splines).\n"},
        {"fit points", MakeDxf({FitOnly(), FitOnly()}, "\n", true, "1"),
         "The DXF file holds no usable SPLINE. It holds splines that cannot be used: SPLINE (2): splines of fit "
         "points only (2), since only control points are read (let the CAD program write control points).\n"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.home.Write("PointForDisplay.dat", "old\r\n");
        f.home.Write("Temp.dat", "old scratch\r\n");
        EXPECT_FALSE(f.Load(c.bytes)) << c.name;
        EXPECT_EQ(f.core.SplineCount, 0) << c.name;
        // A refused file is not copied into the scratch file.
        EXPECT_EQ(f.home.Read("Temp.dat"), "old scratch\r\n") << c.name;
        ASSERT_EQ(f.op.messages.size(), 1u) << c.name;
        EXPECT_EQ(f.op.messages[0].text.substr(0, c.message.size()), c.message) << c.name;
        EXPECT_EQ(f.op.messages[0].title, "Wrong");
        // What the Open menu does next draws an empty outline, not garbage.
        ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
        EXPECT_EQ(f.Display(), "SPLINE END\r\n") << c.name;
    }
    Fixture m;
    m.home.Write("Temp.dat", "old scratch\r\n");
    EXPECT_FALSE(m.core.ReadDXF((m.home / "missing.dxf").string(), m.op, 0));
    EXPECT_EQ(m.op.LastText().substr(0, 6), "无法");
    EXPECT_EQ(m.home.Read("Temp.dat"), "old scratch\r\n");
}

TEST(DxfReading, ARefusedFileOfManyLinesLeavesTempDatAsItWas) {
    // A large file that is no DXF: nothing of it reaches the scratch file.
    std::string big;
    for (int i = 0; i < 200000; ++i) big += "  0\nLINE\n 10\n1.0\n";
    Fixture f;
    f.home.Write("Temp.dat", "old scratch\r\n");
    EXPECT_FALSE(f.Load(big));
    const std::string temp = f.home.Read("Temp.dat");
    EXPECT_TRUE(temp == "old scratch\r\n") << temp.size() << " bytes: " << temp.substr(0, 40);
    // A file that is read replaces it.
    ASSERT_TRUE(f.Load(MakeDxf({Cubic()})));
    EXPECT_EQ(f.home.Read("Temp.dat").substr(0, 15), "0\r\nSECTION\r\n2\r\n");
}

TEST(DxfReading, AKnotCountAboveTheRequiredOneMakesTheSplineUnusable) {
    // A cubic of 4 control points needs exactly 8 knots; 9 are as wrong as 7.
    TestSpline extra = Cubic();
    extra.knots = {0, 0, 0, 0, 1, 1, 1, 1, 1};
    TestSpline fewer = Cubic();
    fewer.knots.pop_back();
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({extra, fewer, Cubic()})));
    ASSERT_EQ(f.core.SplineCount, 3);
    EXPECT_EQ(f.core.SplineCounts(1, 1), 9);
    EXPECT_FALSE(f.core.Splines[0].Usable);
    EXPECT_FALSE(f.core.Splines[1].Usable);
    EXPECT_TRUE(f.core.Splines[2].Usable);
    // Alone, such a spline leaves the file without a usable one.
    Fixture g;
    EXPECT_FALSE(g.Load(MakeDxf({extra})));
    EXPECT_EQ(g.op.LastText().substr(0, 36), "The DXF file holds no usable SPLINE.");
}

TEST(DxfReading, Group70WithValueZeroStillSetsTheFlag) {
    TestSpline zero = Cubic();
    zero.flag70Value = "     0";
    TestSpline none = Cubic();
    none.flag70 = false;
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({zero, none})));
    EXPECT_EQ(f.core.SplineFlags(1), 1);
    EXPECT_EQ(f.core.SplineFlags(2), 0);
}

TEST(DxfReading, ASplineOfMoreThanAThousandControlPointsIsEvaluatedExactly) {
    // A clamped uniform cubic of 1200 control points over the knots 0..1197:
    // its spans are 1/1197 (below 1e-3) once the knots run from 0 to 1.
    // Control points on the blossoms of u and u * u reproduce the curve
    // (u, u * u) exactly, u = 1197 t.
    const int n = 1200, p = 3;
    std::vector<double> u;
    for (int i = 0; i < n + p + 1; ++i) u.push_back(std::clamp(i - p, 0, n - p));
    TestSpline s;
    s.knots = u;
    for (int i = 0; i < n; ++i) {
        const double a = u[i + 1], b = u[i + 2], c = u[i + 3];
        s.ctrl.push_back({(a + b + c) / 3, (a * b + b * c + c * a) / 3});
    }
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({s})));
    ASSERT_TRUE(f.core.LoadCurrentSpline(1));
    ASSERT_TRUE(f.core.CurUsable);
    const double m = n - p;
    for (int k = 0; k <= 4000; ++k) {
        const double t = k / 4000.0;
        const velbend::SplinePoint q = f.core.EvalBSpline(t);
        ASSERT_NEAR(q.X, m * t, 1e-8) << t;
        ASSERT_NEAR(q.Y, m * t * m * t, 1e-5) << t;
    }
    // Just past every knot too, where the span has only begun.
    for (int i = 0; i < n - p; ++i) {
        const double t = (i + 1e-4) / m;
        const velbend::SplinePoint q = f.core.EvalBSpline(t);
        ASSERT_NEAR(q.X, m * t, 1e-8) << i;
        ASSERT_NEAR(q.Y, m * t * m * t, 1e-5) << i;
    }
}

TEST(DxfReading, BlankLinesAfterTheLastPairAreTolerated) {
    // Without the EOF pair, blank lines may follow the last pair (LF or CR LF).
    std::string dxf = MakeDxf({Cubic()});
    dxf.erase(dxf.rfind("  0\nEOF\n"));
    for (const char* tail : {"\n", "\n\n  \n\t\n", "\r\n\r\n"}) {
        Fixture f;
        EXPECT_TRUE(f.Load(dxf + tail)) << f.op.LastText();
        EXPECT_EQ(f.core.SplineCount, 1);
        EXPECT_TRUE(f.op.messages.empty());
    }
    // A blank line followed by more pairs breaks the pairing.
    Fixture g;
    const std::string broken = dxf + "\n  0\nEOF\n";
    const long long blank = std::count(dxf.begin(), dxf.end(), '\n') + 1;
    EXPECT_FALSE(g.Load(broken));
    const std::string expected = "The DXF file is malformed (line " + std::to_string(blank) + " is no group code).";
    EXPECT_EQ(g.op.LastText().substr(0, expected.size()), expected);
}

TEST(DxfReading, UnusableSplinesKeepTheirBlockNumberWithoutPoints) {
    TestSpline wrongCount = Cubic();
    wrongCount.knots.pop_back();  // 7 knots for 4 control points
    TestSpline overflow = Cubic();
    overflow.ctrl[1].first = 777.25;  // written as 1e999 below
    TestSpline huge = Cubic();
    huge.ctrl[2].second = 1e300;
    TestSpline backwards = Cubic();
    backwards.knots = {1, 1, 1, 1, 0, 0, 0, 0};
    Fixture f;
    std::string dxf = MakeDxf({wrongCount, overflow, huge, backwards, Cubic()});
    dxf.replace(dxf.find("777.25"), 6, "1e999");
    ASSERT_TRUE(f.Load(dxf));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    std::string d = f.Display();
    EXPECT_EQ(d.substr(0, 50), "SPLINE 1\r\nSPLINE 2\r\nSPLINE 3\r\nSPLINE 4\r\nSPLINE 5\r\n");
    EXPECT_NE(d.find("120.000000 0.000000 Node"), std::string::npos);
    EXPECT_EQ(f.core.SplineCount, 5);
    EXPECT_FALSE(f.core.Splines[0].Usable);
    EXPECT_FALSE(f.core.Splines[1].Usable);
    EXPECT_FALSE(f.core.Splines[2].Usable);
    EXPECT_FALSE(f.core.Splines[3].Usable);
    // Evaluating an unusable spline gives (0, 0) and reads nothing.
    f.core.LoadCurrentSpline(1);
    EXPECT_EQ(f.core.EvalBSpline(0.5).X, 0.0);
}

// A file that is read names, in the one message after it, the splines that
// cannot be used beside usable ones (by kind, with their counts) and a
// drawing unit other than millimetres or none, with what it does to the
// size shown.
TEST(DxfReading, WhatIsReadOtherwiseIsToldInOneMessage) {
    struct Row {
        const char* name;
        std::vector<TestSpline> splines;
        std::string units;  // $INSUNITS ("" none)
        std::string en, zh;  // "" no message
    };
    TestSpline wrongCount = Cubic();
    wrongCount.knots.pop_back();
    // Fit points beside control points that make no curve, and a spline of
    // neither: no spline of fit points only.
    TestSpline fitAndWrong = wrongCount;
    fitAndWrong.fit = FitOnly().fit;
    TestSpline empty;
    empty.flag70Value = "9";
    const std::string missing = " These contours are missing from the outline.";
    const std::string periodicEn =
        "periodic splines (1), read only in the form that repeats the first control points at the end (save them "
        "as non-periodic splines)";
    const std::string periodicZh = "周期样条曲线 1个（只读取在末尾重复起始控制点的形式，请将其保存为非周期样条曲线）";
    const std::string fitEn =
        "splines of fit points only (1), since only control points are read (let the CAD program write control "
        "points)";
    const std::string fitZh = "只有拟合点的样条曲线 1个（只读取控制点，请让CAD程序输出控制点）";
    auto unitEn = [](const char* name, const char* code, const char* size) {
        return std::string("The DXF file's drawing unit is ") + name + " ($INSUNITS " + code +
               "), but its coordinates are read as millimetres: if the drawing is in " + name +
               ", the outline shows at " + size + "; check the size shown, and save the drawing in millimetres.";
    };
    auto unitZh = [](const char* name, const char* code, const char* size) {
        return std::string("DXF文件的图形单位是") + name + "（$INSUNITS " + code + "），其坐标却按毫米读取：若图形确以" + name +
               "绘制，轮廓显示为" + size + "；请核对显示的尺寸，并以毫米保存图形。";
    };
    const std::vector<Row> rows = {
        {"periodic beside a usable one", {Cubic(), Periodic(false)}, "",
         "The DXF file holds splines that cannot be used: SPLINE (1): " + periodicEn + "." + missing,
         "DXF文件中有不能使用的样条曲线：SPLINE 1个：" + periodicZh + "。这些轮廓不在图形中。"},
        {"fit points beside a usable one", {FitOnly(), Cubic()}, "",
         "The DXF file holds splines that cannot be used: SPLINE (1): " + fitEn + "." + missing,
         "DXF文件中有不能使用的样条曲线：SPLINE 1个：" + fitZh + "。这些轮廓不在图形中。"},
        {"each kind", {wrongCount, FitOnly(), Cubic(), Periodic(false), wrongCount}, "",
         "The DXF file holds splines that cannot be used: SPLINE (4): " + periodicEn + "; " + fitEn +
             "; splines whose knots, control points and degree make no curve (2)." + missing,
         "DXF文件中有不能使用的样条曲线：SPLINE 4个：" + periodicZh + "；" + fitZh +
             "；节点、控制点和阶数构不成曲线的样条曲线 2个。这些轮廓不在图形中。"},
        {"fit points beside control points, and an empty spline", {Cubic(), fitAndWrong, empty}, "",
         "The DXF file holds splines that cannot be used: SPLINE (2): splines whose knots, control points and "
         "degree make no curve (2)." + missing,
         "DXF文件中有不能使用的样条曲线：SPLINE 2个：节点、控制点和阶数构不成曲线的样条曲线 2个。这些轮廓不在图形中。"},
        // A periodic spline that repeats its first control points is read
        // exactly: a closed curve.
        {"periodic, wrapped", {Periodic(true)}, "", "", ""},
        {"millimetres", {Cubic()}, "     4", "", ""},
        {"unitless", {Cubic()}, "0", "", ""},
        {"inches", {Cubic()}, "1", unitEn("inches", "1", "1/25.4 of its size"),
         unitZh("英寸", "1", "原尺寸的1/25.4")},
        {"centimetres", {Cubic()}, "5", unitEn("centimetres", "5", "1/10 of its size"),
         unitZh("厘米", "5", "原尺寸的1/10")},
        {"micrometres", {Cubic()}, "13", unitEn("micrometres", "13", "1000 times its size"),
         unitZh("微米", "13", "原尺寸的1000倍")},
        {"US survey miles", {Cubic()}, "24", unitEn("US survey miles", "24", "1/1609347.2187 of its size"),
         unitZh("美制测量英里", "24", "原尺寸的1/1609347.2187")},
        {"unknown unit", {Cubic()}, "25",
         "The DXF file's drawing unit is unknown ($INSUNITS 25), and its coordinates are read as millimetres, so the "
         "outline may show at another size; check the size shown, and save the drawing in millimetres.",
         "DXF文件的图形单位未知（$INSUNITS 25），其坐标按毫米读取，轮廓因此可能显示为另一尺寸；请核对显示的尺寸，并以毫米保存图形。"},
        {"splines and unit", {Cubic(), wrongCount}, "1",
         "The DXF file holds splines that cannot be used: SPLINE (1): splines whose knots, control points and "
         "degree make no curve (1)." + missing + " " + unitEn("inches", "1", "1/25.4 of its size"),
         "DXF文件中有不能使用的样条曲线：SPLINE 1个：节点、控制点和阶数构不成曲线的样条曲线 1个。这些轮廓不在图形中。" +
             unitZh("英寸", "1", "原尺寸的1/25.4")},
    };
    for (const Row& r : rows) {
        for (int16_t language : {1, 0}) {
            Fixture f;
            f.home.Write("in.dxf", MakeDxf(r.splines, "\n", true, r.units));
            ASSERT_TRUE(f.core.ReadDXF((f.home / "in.dxf").string(), f.op, language)) << r.name;
            const std::string& text = language == 0 ? r.zh : r.en;
            ASSERT_EQ(f.op.messages.size(), text.empty() ? 0u : 1u) << r.name << ": " << f.op.LastText();
            if (text.empty()) continue;
            EXPECT_EQ(f.op.LastText(), text) << r.name;
            EXPECT_EQ(f.op.messages[0].icon, velbend::MsgIcon::Warning) << r.name;
        }
    }
    // The wrapped periodic spline closes on itself.
    Fixture f;
    ASSERT_TRUE(f.Load(MakeDxf({Periodic(true)})));
    ASSERT_TRUE(f.core.LoadCurrentSpline(1));
    ASSERT_TRUE(f.core.CurUsable);
    const velbend::SplinePoint a = f.core.EvalBSpline(0), b = f.core.EvalBSpline(1), m = f.core.EvalBSpline(0.5);
    EXPECT_NEAR(a.X, b.X, 1e-9);
    EXPECT_NEAR(a.Y, b.Y, 1e-9);
    EXPECT_GT(std::hypot(m.X - a.X, m.Y - a.Y), 20);
}

TEST(DisplayPoints, CompBelowOneIsRefusedAndTheOldFileStays) {
    for (int16_t comp : {0, -5}) {
        Fixture f;
        f.core.TranParas(0.1, 5, 30, comp, 45, 105.0);
        ASSERT_TRUE(f.Load(MakeDxf({Cubic()})));
        f.home.Write("PointForDisplay.dat", "old\r\n");
        EXPECT_FALSE(f.core.DisplayPointGen(f.op, 0));
        EXPECT_EQ(f.Display(), "old\r\n");
        EXPECT_EQ(f.op.messages.size(), 1u);
        EXPECT_FALSE(f.core.AddNote(1, 1, 1, f.op, 0));
    }
}

TEST(DisplayPoints, CoincidentCandidatesAreFilteredAndRoundedToThreeDecimals) {
    // A degenerate first piece: all control points of [0, 0.5] coincide, so
    // the candidates 0.25 and 0.5 lie on the start point and are dropped.
    TestSpline s;
    s.degree = 1;
    s.knots = {0, 0, 0.5, 1, 1};
    s.ctrl = {{-3.5, 12.34567}, {-3.5, 12.34567}, {-3.5004, 12.3466}};
    Fixture f;
    f.core.TranParas(0.1, 5, 30, 2, 45, 105.0);
    ASSERT_TRUE(f.Load(MakeDxf({s})));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    // Every candidate lies within 0.001 of the one before it: only the first
    // parameter stays and the block is empty.
    EXPECT_EQ(f.Display(), "SPLINE 1\r\nSPLINE END\r\n");
    EXPECT_EQ(f.core.ParamTable[0], std::vector<double>{0.0});

    s.ctrl = {{-3.5, 12.34567}, {-3.5, 12.34567}, {-3.5, 13.34567}};
    Fixture g;
    g.core.TranParas(0.1, 5, 30, 2, 45, 105.0);
    ASSERT_TRUE(g.Load(MakeDxf({s})));
    ASSERT_TRUE(g.core.DisplayPointGen(g.op, 1));
    EXPECT_EQ(g.Display(),
              "SPLINE 1\r\n"
              "-3.500000 13.346000 Node\r\n"
              "-3.500000 13.096000\r\n"
              "-3.500000 12.846000 Node\r\n"
              "-3.500000 12.346000\r\n"
              "SPLINE END\r\n");
    // 0.25 and 0.5 lie on the start point (compared with the candidate just
    // before, kept or not).
    EXPECT_EQ(g.core.ParamTable[0], (std::vector<double>{0.0, 0.75, 1.0}));
}

TEST(DisplayPoints, TheCoincidenceFilterDropsAStepOfExactly0001) {
    // A straight piece of degree 1 from (0, 0) to (0.002, 0): its candidates
    // 0, 0.5 and 1 lie exactly 0.001 apart, so only the first stays; the
    // same in Y.  A step just above 0.001 keeps them all.
    struct Case {
        double x, y;
        std::vector<double> params;
    };
    const Case cases[] = {
        {0.002, 0, {0.0}},
        {0, 0.002, {0.0}},
        {0.0022, 0, {0.0, 0.5, 1.0}},
        {0, 0.0022, {0.0, 0.5, 1.0}},
    };
    for (const Case& c : cases) {
        TestSpline s;
        s.degree = 1;
        s.knots = {0, 0, 1, 1};
        s.ctrl = {{0, 0}, {c.x, c.y}};
        Fixture f;
        f.core.TranParas(0.1, 5, 30, 2, 45, 105.0);
        ASSERT_TRUE(f.Load(MakeDxf({s})));
        ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
        EXPECT_EQ(f.core.ParamTable[0], c.params) << c.x << " " << c.y;
    }
}

TEST(DisplayPoints, AddNoteInsertsOneNodeParameter) {
    Fixture f;
    f.core.TranParas(0.1, 5, 30, 4, 45, 105.0);
    ASSERT_TRUE(f.Load(MakeDxf({Cubic()})));
    ASSERT_TRUE(f.core.DisplayPointGen(f.op, 1));
    // Sub-interval 2 is [0.5, 1]; its point 2 lies at t = 0.75.
    ASSERT_TRUE(f.core.AddNote(1, 2, 2, f.op, 1));
    EXPECT_EQ(f.core.ParamTable[0], (std::vector<double>{0, 0.5, 0.75, 1.0}));
    std::string d = f.Display();
    EXPECT_NE(d.find("90.000000 45.000000 Node"), std::string::npos);
    // Out-of-range numbers insert nothing and do not fail.
    for (auto [g, p] : std::vector<std::pair<int, int>>{{0, 1}, {9, 1}, {1, 0}, {1, 5}}) {
        EXPECT_TRUE(f.core.AddNote(1, static_cast<int16_t>(g), static_cast<int16_t>(p), f.op, 1));
        EXPECT_EQ(f.core.ParamTable[0].size(), 4u);
    }
}

TEST(Directions, ArcDirectionOfThreePoints) {
    CoreAlgorithm c;
    EXPECT_EQ(c.Cal_arcdir(0, 0, 1, 0, 1, 1), -1);
    EXPECT_EQ(c.Cal_arcdir(0, 0, 1, 0, 1, -1), 1);
    EXPECT_EQ(c.Cal_arcdir(0, 0, 1, 1, 2, 2), 1);
    EXPECT_EQ(CoreAlgorithm::VectorAngle(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(CoreAlgorithm::VectorAngle(0, -1), 4.712388980384685);
    EXPECT_EQ(CoreAlgorithm::VectorAngle(-1, 0), 3.14159265358979);
    // Two coinciding points: the zero vector has angle 0.
    EXPECT_EQ(c.Cal_arcdir(0, 0, 0, 0, 1, 1), 1);   // beta = 5pi/4 - 0 >= pi
    EXPECT_EQ(c.Cal_arcdir(0, 0, 0, 0, -1, -1), -1); // beta = pi/4 < pi
}

TEST(ControlPoints, ClearingEmptiesBothFilesAndCreatesMissingOnes) {
    TempHome home;
    home.Write("PointForControl.dat", "SPLINE 0.0000 3\r\n");
    CoreAlgorithm c;
    ASSERT_TRUE(c.ControlPointCls());
    EXPECT_TRUE(home.Exists("CtrP.dat"));
    EXPECT_EQ(home.Read("PointForControl.dat"), "");
    EXPECT_EQ(home.Read("CtrP.dat"), "");
}

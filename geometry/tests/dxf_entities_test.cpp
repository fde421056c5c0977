// DXF files from design tools: the SPLINE entities are read as always, the
// splines of blocks where their INSERTs place them, and the drawing
// entities that are not read are named, with their counts, in the current
// language.  The fixtures
// inkscape_*.dxf have the shape of a design tool's R14 export (see
// data/make_inkscape_fixtures.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/testsupport/tempdir.h"

using namespace velbend;
using velbend::testing::TempHome;
using velbend::testing::TestData;

namespace {

std::string Data(const std::string& name) {
    auto b = ReadFileBytes(TestData(name));
    EXPECT_TRUE(b.has_value()) << name;
    return b.value_or("");
}

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

// The (code, value) pairs of a DXF text with LF line ends.
std::vector<std::pair<std::string, std::string>> Pairs(const std::string& dxf) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t lf; (lf = dxf.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(dxf.substr(start, lf - start));
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) pairs.emplace_back(Trimmed(lines[i]), lines[i + 1]);
    return pairs;
}

// The same file with every entity of its ENTITIES section other than
// SPLINE cut out.
std::string SplinesOnly(const std::string& dxf) {
    std::string out;
    bool entities = false, drop = false;
    std::string last;
    for (const auto& [code, value] : Pairs(dxf)) {
        const std::string v = Trimmed(value);
        if (code == "0") {
            drop = entities && v != "SPLINE" && v != "ENDSEC";
            if (v == "ENDSEC") entities = false;
        }
        if (code == "2" && last == "SECTION") entities = v == "ENTITIES";
        last = code == "0" ? v : std::string();
        if (!drop) out += (code.size() < 3 ? std::string(3 - code.size(), ' ') : "") + code + "\n" + value + "\n";
    }
    return out;
}

// The fit points (11/21) of spline number `which` (1-based) of the file.
std::vector<std::pair<double, double>> FitPoints(const std::string& dxf, int which) {
    std::vector<std::pair<double, double>> fits;
    int spline = 0;
    bool in = false;
    for (const auto& [code, value] : Pairs(dxf)) {
        if (code == "0") {
            const bool isSpline = Trimmed(value) == "SPLINE";
            if (isSpline) ++spline;
            in = isSpline && spline == which;
        }
        if (!in) continue;
        if (code == "11") fits.emplace_back(std::stod(value), 0);
        if (code == "21") fits.back().second = std::stod(value);
    }
    return fits;
}

struct Import {
    TempHome home;
    RecordingOperator op;
    CoreAlgorithm core;
    Import() { core.TranParas(0.1, 5, 30, 10, 45, 105.0); }
    bool Read(const std::string& bytes, int16_t language) {
        home.Write("in.dxf", bytes);
        return core.ReadDXF(Path(), op, language);
    }
    std::string Path() const { return (home / "in.dxf").string(); }
    std::string Display() {
        EXPECT_TRUE(core.DisplayPointGen(op, 1));
        return home.Read("PointForDisplay.dat");
    }
};

// The header's unit (inches) is named after them.
const std::string kNamedZh =
    "DXF文件中有未读取的图元：LWPOLYLINE 2个、LINE 1个。"
    "只读取样条曲线（SPLINE），图形的这些部分不在轮廓中；请将每个轮廓导出为一条样条曲线。"
    "DXF文件的图形单位是英寸（$INSUNITS 1），其坐标却按毫米读取：若图形确以英寸绘制，轮廓显示为原尺寸的1/25.4；"
    "请核对显示的尺寸，并以毫米保存图形。";
const std::string kNamedEn =
    "The DXF file holds drawing entities that are not read: LWPOLYLINE (2), LINE (1). "
    "Only SPLINE entities are read, so these parts of the drawing are missing from the outline; "
    "export each contour as one spline. The DXF file's drawing unit is inches ($INSUNITS 1), but its coordinates "
    "are read as millimetres: if the drawing is in inches, the outline shows at 1/25.4 of its size; check the size "
    "shown, and save the drawing in millimetres.";

}  // namespace

TEST(DxfEntities, SplinesOfADesignToolsExportReadAsBeforeAndTheRestIsNamed) {
    const std::string dxf = Data("inkscape_letter_d.dxf");
    const std::string splines = SplinesOnly(dxf);
    ASSERT_EQ(splines.find("LWPOLYLINE"), std::string::npos);
    ASSERT_EQ(splines.find("\nLINE\n"), std::string::npos);
    ASSERT_NE(splines.find("SPLINE"), std::string::npos);

    // The splines alone: read naming only the header's unit.
    Import alone;
    ASSERT_TRUE(alone.Read(splines, 1)) << alone.op.LastText();
    ASSERT_EQ(alone.op.messages.size(), 1u);
    EXPECT_EQ(alone.op.LastText(), kNamedEn.substr(kNamedEn.find("The DXF file's drawing unit")));
    const std::string display = alone.Display();

    for (int16_t language : {0, 1}) {
        Import f;
        ASSERT_TRUE(f.Read(dxf, language)) << f.op.LastText();
        // One message, naming each type that was not read with its count.
        ASSERT_EQ(f.op.messages.size(), 1u);
        EXPECT_EQ(f.op.messages[0].text, language == 0 ? kNamedZh : kNamedEn);
        EXPECT_EQ(f.op.messages[0].title, language == 0 ? "操作提示" : "Operation Tips");
        EXPECT_EQ(f.op.messages[0].icon, MsgIcon::Warning);
        EXPECT_EQ(f.op.messages[0].buttons, MsgButtons::Ok);

        // The splines exactly as without the other entities.
        ASSERT_EQ(f.core.SplineCount, 2);
        ASSERT_EQ(f.core.Splines.size(), alone.core.Splines.size());
        for (size_t i = 0; i < f.core.Splines.size(); ++i) {
            const SplineModel &a = f.core.Splines[i], &b = alone.core.Splines[i];
            EXPECT_EQ(a.Knots, b.Knots);
            EXPECT_EQ(a.CtrlX, b.CtrlX);
            EXPECT_EQ(a.CtrlY, b.CtrlY);
            EXPECT_EQ(a.Flag, b.Flag);
            EXPECT_EQ(a.Degree, b.Degree);
            EXPECT_TRUE(a.Usable);
        }
        EXPECT_EQ(f.Display(), display);
        EXPECT_EQ(f.home.Read("Temp.dat").size(), dxf.size() + std::count(dxf.begin(), dxf.end(), '\n') + 2);
    }

    // Read correctly: group 70 (value 0) gives the flag, the declared counts
    // hold, the chord-length knots run from 0 to 1, and the curve passes
    // through its fit points at the knots.  The header's unit (inches) is
    // not applied: the coordinates are millimetres as the file gives them.
    Import f;
    ASSERT_TRUE(f.Read(dxf, 1));
    EXPECT_EQ(f.core.SplineCounts(1, 1), 15);
    EXPECT_EQ(f.core.SplineCounts(1, 2), 11);
    EXPECT_EQ(f.core.SplineCounts(2, 1), 13);
    EXPECT_EQ(f.core.SplineCounts(2, 2), 9);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(f.core.SplineFlags(i), 1);
        ASSERT_TRUE(f.core.LoadCurrentSpline(i));
        EXPECT_EQ(f.core.CurDegree, 3);
        EXPECT_EQ(f.core.CurKnots.front(), 0.0);
        EXPECT_EQ(f.core.CurKnots.back(), 1.0);
        const auto fits = FitPoints(dxf, i);
        ASSERT_EQ(fits.size() + 6, f.core.CurKnots.size());
        for (size_t k = 0; k < fits.size(); ++k) {
            const SplinePoint p = f.core.EvalBSpline(f.core.CurKnots[k + 3]);
            EXPECT_NEAR(p.X, fits[k].first, 1e-4) << i << " " << k;
            EXPECT_NEAR(p.Y, fits[k].second, 1e-4) << i << " " << k;
        }
    }
    f.core.LoadCurrentSpline(1);
    EXPECT_EQ(f.core.EvalBSpline(0).Y, 100.0);
    EXPECT_NEAR(f.core.EvalBSpline(f.core.CurKnots[7]).X, 80.0, 1e-4);  // the bowl's widest point
}

TEST(DxfEntities, AFileOfPolylinesAloneIsRefusedNamingThem) {
    const std::string dxf = Data("inkscape_letters_lw.dxf");
    for (int16_t language : {0, 1}) {
        Import f;
        f.home.Write("Temp.dat", "old scratch\r\n");
        EXPECT_FALSE(f.Read(dxf, language));
        EXPECT_EQ(f.core.SplineCount, 0);
        ASSERT_EQ(f.op.messages.size(), 1u);
        const std::string expected =
            language == 0 ? "DXF文件中没有可用的样条曲线（SPLINE）。文件中有未读取的图元：LWPOLYLINE 2个。"
                            "只读取样条曲线（SPLINE）；请将每个轮廓导出为一条样条曲线。\n" + f.Path()
                          : "The DXF file holds no usable SPLINE. It holds drawing entities that are not read: "
                            "LWPOLYLINE (2). Only SPLINE entities are read; export each contour as one spline.\n" +
                                f.Path();
        EXPECT_EQ(f.op.messages[0].text, expected);
        EXPECT_EQ(f.op.messages[0].title, language == 0 ? "错误" : "Wrong");
        EXPECT_EQ(f.home.Read("Temp.dat"), "old scratch\r\n");
    }
}

TEST(DxfEntities, FilesOfSplinesOnlyShowNoMessage) {
    for (const char* name : {"letters_quadratic.dxf", "letters_cubic.dxf", "letters_fitted.dxf",
                             "circle_rational.dxf"}) {
        Import f;
        ASSERT_TRUE(f.core.ReadDXF(TestData(name).string(), f.op, 0)) << name;
        EXPECT_TRUE(f.op.messages.empty()) << name << ": " << f.op.LastText();
        EXPECT_TRUE(f.core.UnreadEntities.empty()) << name;
    }
}

namespace {

// A file with a HEADER, a BLOCKS section holding a block definition with a
// LINE and a SPLINE, and the given ENTITIES pairs ("0" lines start entities).
std::string WithEntities(const std::string& entities) {
    return "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n1\n0\nENDSEC\n"
           "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB1\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDBLK\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n" +
           entities + "0\nENDSEC\n0\nEOF\n";
}

const std::string kCubic =
    "0\nSPLINE\n100\nAcDbSpline\n70\n8\n71\n3\n72\n8\n73\n4\n"
    "40\n0\n40\n0\n40\n0\n40\n0\n40\n1\n40\n1\n40\n1\n40\n1\n"
    "10\n0\n20\n0\n10\n40\n20\n80\n10\n80\n20\n80\n10\n120\n20\n0\n";

std::vector<std::pair<std::string, long long>> Counts(const CoreAlgorithm& core) {
    std::vector<std::pair<std::string, long long>> v;
    for (const DxfEntityCount& c : core.UnreadEntities) v.emplace_back(c.Type, c.Count);
    return v;
}

}  // namespace

TEST(DxfEntities, TheDrawingsEntitiesAreCountedAndSubEntitiesBelongToTheirOwner) {
    CoreAlgorithm core;
    const std::string text = WithEntities(
        kCubic +
        "0\nline\n10\n0\n20\n0\n"                                   // lower case: the same type
        "0\nPOLYLINE\n66\n1\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n1\n20\n1\n0\nSEQEND\n"
        "0\nINSERT\n2\nB1\n66\n1\n0\nATTRIB\n1\ntext\n0\nSEQEND\n"
        "0\n  LINE  \n10\n5\n20\n5\n" +
        kCubic);
    EXPECT_EQ(core.ReadDXFBytes(text, 1), "");
    EXPECT_EQ(core.SplineCount, 2);
    using V = std::vector<std::pair<std::string, long long>>;
    // The INSERT draws its block, whose LINE is counted with the others.
    EXPECT_EQ(Counts(core), (V{{"LINE", 3}, {"POLYLINE", 1}}));
    EXPECT_EQ(CoreAlgorithm::UnreadEntitiesText(core.UnreadEntities, 1),
              "The DXF file holds drawing entities that are not read: LINE (3), POLYLINE (1). "
              "Only SPLINE entities are read, so these parts of the drawing are missing from the outline; "
              "export each contour as one spline.");

    // Splines only, in any section, and a block no INSERT places: nothing to name.
    EXPECT_EQ(core.ReadDXFBytes(WithEntities(kCubic), 0), "");
    EXPECT_TRUE(core.UnreadEntities.empty());
    EXPECT_EQ(CoreAlgorithm::UnreadEntitiesText(core.UnreadEntities, 0), "");

    // The list is rebuilt at every read, refused or not.
    EXPECT_EQ(core.ReadDXFBytes(WithEntities("0\nCIRCLE\n10\n0\n20\n0\n40\n5\n"), 1),
              "The DXF file holds no usable SPLINE. It holds drawing entities that are not read: CIRCLE (1). "
              "Only SPLINE entities are read; export each contour as one spline.");
    EXPECT_EQ(Counts(core), (V{{"CIRCLE", 1}}));
    EXPECT_EQ(core.ReadDXFBytes(WithEntities(""), 1), "The DXF file holds no usable SPLINE.");
    EXPECT_TRUE(core.UnreadEntities.empty());
}

TEST(DxfEntities, NamesAreShownSafelyAndTheListStaysShort) {
    // Twenty-two types: the first sixteen are named, the entities of the
    // rest are counted together; a name
    // with bytes that are no printable ASCII shows '?' for them, and a very
    // long one is cut.
    std::string ents;
    for (int i = 0; i < 20; ++i) ents += "0\nT" + std::to_string(i) + "\n8\n0\n";
    ents += "0\nT19\n0\nT\xC3\xA9\n0\n" + std::string(100, 'X') + "\n";
    CoreAlgorithm core;
    EXPECT_EQ(core.ReadDXFBytes(WithEntities(kCubic + ents), 1), "");
    const std::string en = CoreAlgorithm::UnreadEntitiesText(core.UnreadEntities, 1);
    EXPECT_NE(en.find(": T0 (1), T1 (1), "), std::string::npos) << en;
    EXPECT_NE(en.find(", T15 (1), other types (7). Only SPLINE"), std::string::npos) << en;
    EXPECT_EQ(en.find("T16"), std::string::npos) << en;
    const std::string zh = CoreAlgorithm::UnreadEntitiesText(core.UnreadEntities, 0);
    EXPECT_NE(zh.find("、T15 1个、其他类型 7个。"), std::string::npos) << zh;
    // All the types are kept, with the names made safe to show.
    ASSERT_EQ(core.UnreadEntities.size(), 22u);
    EXPECT_EQ(core.UnreadEntities[19].Type, "T19");
    EXPECT_EQ(core.UnreadEntities[19].Count, 2);
    EXPECT_EQ(core.UnreadEntities[20].Type, "T??");
    EXPECT_EQ(core.UnreadEntities[21].Type, std::string(32, 'X'));
}

namespace {

// A closed 30 mm square of degree 1, counter-clockwise from (0, 0).
const std::string kSquare =
    "0\nSPLINE\n70\n1\n71\n1\n72\n7\n73\n5\n40\n0\n40\n0\n40\n1\n40\n2\n40\n3\n40\n4\n40\n4\n"
    "10\n0\n20\n0\n10\n30\n20\n0\n10\n30\n20\n30\n10\n0\n20\n30\n10\n0\n20\n0\n";

std::string BlockDef(const std::string& name, const std::string& body, const char* base = "10\n0\n20\n0\n") {
    return "0\nBLOCK\n8\n0\n2\n" + name + "\n70\n0\n" + base + "3\n" + name + "\n" + body + "0\nENDBLK\n";
}
std::string Ins(const std::string& name, const std::string& pairs = "") {
    return "0\nINSERT\n8\n0\n2\n" + name + "\n" + pairs;
}
std::string BlocksDxf(const std::string& blocks, const std::string& entities) {
    return "0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n" + blocks +
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string Num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.10g", v);
    return b;
}
// The control points of a spline: "x,y x,y ...".
std::string CtrlText(const SplineModel& s) {
    std::string t;
    for (size_t j = 0; j < s.CtrlX.size(); ++j) t += (j ? " " : "") + Num(s.CtrlX[j]) + "," + Num(s.CtrlY[j]);
    return t;
}

// The first contour of a display file, closed back to its first point.
double FirstContourLength(const std::string& display) {
    std::istringstream in(display);
    std::string line;
    std::vector<std::pair<double, double>> pts;
    int blocks = 0;
    while (std::getline(in, line)) {
        if (line.rfind("SPLINE", 0) == 0) {
            if (++blocks > 1) break;
            continue;
        }
        double x, y;
        if (std::sscanf(line.c_str(), "%lf %lf", &x, &y) == 2) pts.emplace_back(x, y);
    }
    double len = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const auto& a = pts[i];
        const auto& b = pts[(i + 1) % pts.size()];
        len += std::hypot(b.first - a.first, b.second - a.second);
    }
    return len;
}

std::string NotDrawnEn(const std::string& list, int n) {
    return "The DXF file holds block insertions that cannot be drawn: INSERT (" + std::to_string(n) + "): " + list +
           ". These parts of the drawing are missing from the outline.";
}
std::string NotDrawnZh(const std::string& list, int n) {
    return "DXF文件中有不能绘制的图块插入：INSERT " + std::to_string(n) + "个：" + list + "。图形的这些部分不在轮廓中。";
}

// A chain of `depth` blocks, each inserting the one before; the first holds the square.
std::string Chain(int depth) {
    std::string b = BlockDef("N1", kSquare);
    for (int i = 2; i <= depth; ++i) b += BlockDef("N" + std::to_string(i), Ins("N" + std::to_string(i - 1)));
    return b;
}

}  // namespace

// The splines of a block are drawn where each INSERT of the drawing places
// them; what cannot be placed as the file says is named with its count.
TEST(DxfEntities, BlockSplinesAreDrawnWhereEachInsertPlacesThem) {
    struct Row {
        const char* name;
        std::string blocks, entities;
        std::vector<std::string> contours;  // control points of each spline
        std::string en, zh;                 // the message ("" none)
        double length = 0;                  // of the first contour shown (0: not checked)
    };
    const std::string sq = BlockDef("SQ", kSquare);
    const std::string arrays = "arrays of columns and rows (1), since only single insertions are drawn (explode the arrays)";
    const std::string arraysZh = "多行多列的阵列插入 1个（只绘制单个插入，请将阵列分解）";
    const std::string extrusion =
        "insertions with an extrusion direction other than +Z or -Z (1), which do not lie in the drawing plane";
    const std::string extrusionZh = "拉伸方向不是+Z或-Z的插入 1个（不在绘图平面内）";
    const std::string self = "insertions of a block into itself (1)", selfZh = "将图块插入其自身的插入 1个";
    const std::string origin = "0,0 30,0 30,30 0,30 0,0";
    const std::vector<Row> rows = {
        {"scale 2 at (100, 100)", sq, Ins("SQ", "10\n100\n20\n100\n41\n2\n42\n2\n"),
         {"100,100 160,100 160,160 100,160 100,100"}, "", "", 240},
        {"rotated 90 degrees", sq, Ins("SQ", "10\n100\n20\n100\n50\n90\n"), {"100,100 100,130 70,130 70,100 100,100"},
         "", "", 120},
        {"rotated -270 degrees, the same", sq, Ins("SQ", "10\n100\n20\n100\n50\n-270\n"),
         {"100,100 100,130 70,130 70,100 100,100"}, "", ""},
        {"a negative X scale mirrors", sq, Ins("SQ", "10\n100\n20\n100\n41\n-1\n"),
         {"100,100 70,100 70,130 100,130 100,100"}, "", ""},
        {"a negative Y scale mirrors", sq, Ins("SQ", "10\n100\n20\n100\n42\n-0.5\n"),
         {"100,100 130,100 130,85 100,85 100,100"}, "", ""},
        {"the base point goes to the insertion point", BlockDef("SQ", kSquare, "10\n10\n20\n20\n"),
         Ins("SQ", "10\n100\n20\n100\n"), {"90,80 120,80 120,110 90,110 90,80"}, "", ""},
        {"nested", sq + BlockDef("OUT", Ins("SQ", "10\n10\n20\n0\n41\n2\n42\n2\n")),
         Ins("OUT", "10\n100\n20\n100\n50\n90\n"), {"100,110 100,170 40,170 40,110 100,110"}, "", ""},
        {"inserted twice, drawn twice", sq, Ins("SQ") + Ins("SQ", "10\n50\n20\n0\n"),
         {origin, "50,0 80,0 80,30 50,30 50,0"}, "", ""},
        {"a block name in another case, once a column and a row", sq, Ins("sq", "70\n1\n71\n1\n44\n40\n45\n40\n"),
         {origin}, "", ""},
        {"names alike in their first 40 characters",
         BlockDef(std::string(40, 'L') + "a", kSquare) + BlockDef(std::string(40, 'L') + "B", kSquare, "10\n-50\n20\n0\n"),
         Ins(std::string(40, 'L') + "b"), {"50,0 80,0 80,30 50,30 50,0"}, "", ""},
        {"two columns", sq, Ins("SQ", "70\n2\n44\n40\n") + Ins("SQ"), {origin}, NotDrawnEn(arrays, 1),
         NotDrawnZh(arraysZh, 1)},
        {"two rows", sq, Ins("SQ") + Ins("SQ", "71\n2\n45\n40\n"), {origin}, NotDrawnEn(arrays, 1),
         NotDrawnZh(arraysZh, 1)},
        // For -Z the plane's X axis is -X: the insertion mirrors.
        {"extrusion -Z", sq, Ins("SQ", "10\n100\n20\n100\n210\n0\n220\n0\n230\n-1\n"),
         {"-100,100 -130,100 -130,130 -100,130 -100,100"}, "", ""},
        {"extrusion +Z, not of unit length", sq, Ins("SQ", "210\n0\n220\n0\n230\n2\n"), {origin}, "", ""},
        {"extrusion within 1e-9 of +Z", sq, Ins("SQ", "210\n1e-9\n220\n-1e-9\n230\n1\n"), {origin}, "", ""},
        {"extrusion 1.5e-9 off +Z", sq, Ins("SQ", "210\n0\n220\n1.5e-9\n230\n1\n") + Ins("SQ"), {origin},
         NotDrawnEn(extrusion, 1), NotDrawnZh(extrusionZh, 1)},
        {"extrusion +X", sq, Ins("SQ", "210\n1\n220\n0\n230\n0\n") + Ins("SQ"), {origin}, NotDrawnEn(extrusion, 1),
         NotDrawnZh(extrusionZh, 1)},
        {"a block inserting itself", BlockDef("SELF", kSquare + Ins("SELF", "10\n5\n20\n5\n")), Ins("SELF"), {origin},
         NotDrawnEn(self, 1), NotDrawnZh(selfZh, 1)},
        {"a block inserting itself through another", BlockDef("A", Ins("B")) + BlockDef("B", kSquare + Ins("A")),
         Ins("A") + Ins("A"), {origin, origin}, NotDrawnEn("insertions of a block into itself (2)", 2),
         NotDrawnZh("将图块插入其自身的插入 2个", 2)},
        {"16 nested blocks", Chain(16), Ins("N16"), {origin}, "", ""},
        {"17 nested blocks", Chain(17), Ins("N17") + kSquare, {origin},
         NotDrawnEn("insertions nested in more than 16 blocks (1)", 1), NotDrawnZh("嵌套超过16层图块的插入 1个", 1)},
        {"a block the file does not define", sq + BlockDef("", kSquare), Ins("SQ") + Ins("NONE") + Ins(""), {origin},
         NotDrawnEn("insertions of a block the file does not define (2)", 2),
         NotDrawnZh("所插入图块在文件中没有定义的插入 2个", 2)},
        {"a block no INSERT places is not drawn", sq + BlockDef("UNUSED", kSquare), kSquare + Ins("SQ", "10\n50\n"),
         {origin, "50,0 80,0 80,30 50,30 50,0"}, "", ""},
        // The other entities of a block, once for each placement; an ATTDEF
        // shows through its INSERT's ATTRIB.
        {"the entities of a block inserted twice",
         BlockDef("SQ", kSquare + "0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n0\nATTDEF\n1\nx\n"), Ins("SQ") + Ins("SQ"),
         {origin, origin},
         "The DXF file holds drawing entities that are not read: LINE (2). Only SPLINE entities are read, so these "
         "parts of the drawing are missing from the outline; export each contour as one spline.",
         "DXF文件中有未读取的图元：LINE 2个。只读取样条曲线（SPLINE），图形的这些部分不在轮廓中；请将每个轮廓导出为一条样条曲线。"},
        {"each reason", BlockDef("SELF", Ins("SELF")) + sq,
         Ins("SQ", "70\n3\n") + Ins("SQ", "230\n0\n") + Ins("SELF") + Ins("X") + kSquare, {origin},
         NotDrawnEn(arrays + "; " + extrusion + "; " + self + "; insertions of a block the file does not define (1)", 4),
         NotDrawnZh(arraysZh + "；" + extrusionZh + "；" + selfZh + "；所插入图块在文件中没有定义的插入 1个", 4)},
    };
    for (const Row& r : rows) {
        for (int16_t language : {1, 0}) {
            Import f;
            ASSERT_TRUE(f.Read(BlocksDxf(r.blocks, r.entities), language)) << r.name << ": " << f.op.LastText();
            const std::string& text = language == 0 ? r.zh : r.en;
            ASSERT_EQ(f.op.messages.size(), text.empty() ? 0u : 1u) << r.name << ": " << f.op.LastText();
            if (!text.empty()) {
                EXPECT_EQ(f.op.LastText(), text) << r.name;
            }
            ASSERT_EQ(f.core.SplineCount, static_cast<int16_t>(r.contours.size())) << r.name;
            for (size_t i = 0; i < r.contours.size(); ++i) {
                EXPECT_TRUE(f.core.Splines[i].Usable) << r.name;
                EXPECT_EQ(CtrlText(f.core.Splines[i]), r.contours[i]) << r.name << " " << i;
            }
            if (r.length > 0) {
                EXPECT_NEAR(FirstContourLength(f.Display()), r.length, 1e-9) << r.name;
            }
        }
    }

    // A rotation of 30 degrees and a rational arc: the curve is the placed
    // curve, its weights kept.
    {
        const std::string arc = "0\nSPLINE\n70\n8\n71\n2\n72\n6\n73\n3\n40\n0\n40\n0\n40\n0\n40\n1\n40\n1\n40\n1\n"
                                "41\n1\n41\n0.70710678118654757\n41\n1\n10\n10\n20\n0\n10\n10\n20\n10\n10\n0\n20\n10\n";
        CoreAlgorithm core;
        ASSERT_EQ(core.ReadDXFBytes(BlocksDxf(BlockDef("ARC", arc), Ins("ARC", "10\n5\n20\n-5\n50\n30\n41\n3\n42\n3\n")), 1), "");
        ASSERT_TRUE(core.LoadCurrentSpline(1));
        EXPECT_EQ(core.CurWeights.size(), 3u);
        for (double t = 0; t <= 1.0; t += 0.125) {
            const SplinePoint p = core.EvalBSpline(t);
            EXPECT_NEAR(std::hypot(p.X - 5, p.Y + 5), 30.0, 1e-9) << t;
        }
        const SplinePoint a = core.EvalBSpline(0);
        EXPECT_NEAR(a.X, 5 + 30 * std::cos(std::numbers::pi / 6), 1e-9);
        EXPECT_NEAR(a.Y, -5 + 30 * std::sin(std::numbers::pi / 6), 1e-9);
    }

    // Refused: the only splines in a block no INSERT places, or in
    // insertions that are not drawn, which the refusal names.
    for (int16_t language : {1, 0}) {
        Import f;
        EXPECT_FALSE(f.Read(BlocksDxf(BlockDef("SQ", kSquare), ""), language));
        EXPECT_EQ(f.op.LastText(), (language == 0 ? "DXF文件中没有可用的样条曲线（SPLINE）。\n"
                                                  : "The DXF file holds no usable SPLINE.\n") + f.Path());
        Import g;
        EXPECT_FALSE(g.Read(BlocksDxf(BlockDef("SQ", kSquare), Ins("SQ", "71\n4\n")), language));
        EXPECT_EQ(g.op.LastText(),
                  (language == 0 ? "DXF文件中没有可用的样条曲线（SPLINE）。文件中有不能绘制的图块插入：INSERT 1个：" + arraysZh + "。\n"
                                 : "The DXF file holds no usable SPLINE. It holds block insertions that cannot be "
                                   "drawn: INSERT (1): " + arrays + ".\n") + g.Path());
        EXPECT_EQ(g.core.InsertsNotDrawn.Array, 1);
    }
}

TEST(DxfEntities, ADrawingPlacedAsOneBlockAtTheOriginShowsAsBefore) {
    // The design tool's file with its ENTITIES moved into a block that one
    // INSERT places at the origin at scale 1: the same display file and
    // the same message.
    const std::string dxf = Data("inkscape_letter_d.dxf");
    const size_t from = dxf.find("ENTITIES\n") + 9;
    const size_t to = dxf.find("  0\nENDSEC\n", from);
    ASSERT_NE(to, std::string::npos);
    const std::string blocked = dxf.substr(0, from - 9) + "BLOCKS\n  0\nBLOCK\n  2\nDRAWING\n 10\n0.0\n 20\n0.0\n" +
                                dxf.substr(from, to - from) +
                                "  0\nENDBLK\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nINSERT\n  8\n0\n  2\nDRAWING\n"
                                " 10\n0.0\n 20\n0.0\n 30\n0.0\n 41\n1.0\n 42\n1.0\n 43\n1.0\n 50\n0.0\n" +
                                dxf.substr(to);
    std::string display;
    {
        Import a;
        ASSERT_TRUE(a.Read(dxf, 1));
        display = a.Display();
    }
    for (int16_t language : {0, 1}) {
        Import b;
        ASSERT_TRUE(b.Read(blocked, language)) << b.op.LastText();
        EXPECT_EQ(b.op.LastText(), language == 0 ? kNamedZh : kNamedEn);
        EXPECT_EQ(b.core.SplineCount, 2);
        EXPECT_EQ(b.Display(), display);
    }
}

TEST(DxfEntities, InsertionsAreBoundedInWhatTheyPlace) {
    // At most 32767 splines, placed ones counted.
    std::string inserts;
    for (int i = 0; i < 32767; ++i) inserts += "0\nINSERT\n2\nSQ\n";
    CoreAlgorithm core;
    EXPECT_EQ(core.ReadDXFBytes(BlocksDxf(BlockDef("SQ", kSquare), inserts), 1), "");
    EXPECT_EQ(core.SplineCount, 32767);
    EXPECT_EQ(core.ReadDXFBytes(BlocksDxf(BlockDef("SQ", kSquare), inserts + Ins("SQ")), 0),
              "DXF文件中的样条曲线超过32767条，不能读取。");
    EXPECT_EQ(core.SplineCount, 0);

    // At most 2^22 entities, control points and knots placed by
    // insertions: blocks L1..L5 each insert the one before 16 times (L0 is
    // empty), so that an insertion of Lk spends 16, 272, 4368, 69904 or
    // 1118480; 3 of L5, 12 of L4 and one of L1 spend exactly 2^22, and the
    // one POINT of block P is one too many.  What lies outside blocks is
    // not counted.
    std::string blocks = BlockDef("L0", "") + BlockDef("P", "0\nPOINT\n");
    for (int k = 1; k <= 5; ++k) {
        std::string body;
        for (int i = 0; i < 16; ++i) body += "0\nINSERT\n2\nL" + std::to_string(k - 1) + "\n";
        blocks += BlockDef("L" + std::to_string(k), body);
    }
    std::string top = kSquare + "0\nPOINT\n0\nINSERT\n2\nL1\n";
    for (int i = 0; i < 15; ++i) top += i < 3 ? "0\nINSERT\n2\nL5\n" : "0\nINSERT\n2\nL4\n";
    EXPECT_EQ(core.ReadDXFBytes(BlocksDxf(blocks, top), 1), "");
    EXPECT_EQ(core.SplineCount, 1);
    EXPECT_EQ(core.ReadDXFBytes(BlocksDxf(blocks, top + Ins("P")), 1),
              "The DXF file cannot be read: its block insertions make the drawing larger than 4194304 entities, "
              "control points and knots.");
    EXPECT_EQ(core.ReadDXFBytes(BlocksDxf(blocks, Ins("P") + top), 0),
              "DXF文件不能读取：其图块插入使图形超过4194304个图元、控制点和节点。");
    EXPECT_EQ(core.SplineCount, 0);
    EXPECT_TRUE(core.UnreadEntities.empty());
}

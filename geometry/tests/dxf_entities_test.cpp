// DXF files from design tools: the SPLINE entities are read as always, and
// the drawing entities of the ENTITIES section that are not read are named,
// with their counts, in the current language.  The fixtures
// inkscape_*.dxf have the shape of a design tool's R14 export (see
// data/make_inkscape_fixtures.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

TEST(DxfEntities, OnlyTheEntitiesSectionIsCountedAndSubEntitiesBelongToTheirOwner) {
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
    EXPECT_EQ(Counts(core), (V{{"LINE", 2}, {"POLYLINE", 1}, {"INSERT", 1}}));
    EXPECT_EQ(CoreAlgorithm::UnreadEntitiesText(core.UnreadEntities, 1),
              "The DXF file holds drawing entities that are not read: LINE (2), POLYLINE (1), INSERT (1). "
              "Only SPLINE entities are read, so these parts of the drawing are missing from the outline; "
              "export each contour as one spline.");

    // Splines only, in any section: nothing to name.
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

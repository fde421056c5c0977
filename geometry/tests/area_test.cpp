// Area of the picked contours: golden areas and the sweep against the
// plain scan-line transcription.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "area_reference.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/geometry/area.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/testsupport/tempdir.h"

using namespace velbend;

namespace {

std::string Contour(int kind, std::initializer_list<std::pair<double, double>> pts) {
    std::string s = "SPLINE 0.000000 " + std::to_string(kind) + ".0\r\n";
    for (auto [x, y] : pts) {
        AppendFixed(s, x, 6);
        s += ' ';
        AppendFixed(s, y, 6);
        s += " 1 0.000000 0.000000 0.000000\r\n";
    }
    return s + "SPLINE 0.000000 0.0\r\n";
}

std::string Area(const std::string& text) { return SelectAreaText(text, 1).value_or("refused"); }

void ExpectWellFormedPick(const std::string& pick, int points) {
    ASSERT_GE(pick.size(), 2u);
    EXPECT_EQ(pick.substr(pick.size() - 2), "\r\n");
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = pick.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(pick.substr(start, end - start));
    ASSERT_EQ(lines.size(), static_cast<size_t>(points) + 2) << pick;
    EXPECT_EQ(lines.front().rfind("SPLINE ", 0), 0u);
    EXPECT_EQ(lines.back().rfind("SPLINE ", 0), 0u);
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& l = lines[i];
        EXPECT_EQ(std::count(l.begin(), l.end(), ' '), 5) << l;
        EXPECT_EQ(l.find_first_not_of("0123456789.- "), std::string::npos) << l;
    }
}

}  // namespace

TEST(Area, GoldenAreas) {
    // 99 strips of 0.1 x 10: the line at the bottom meets the corners.
    const std::string square = Contour(3, {{10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}});
    EXPECT_EQ(Area(square), "99.000");
    // Mid-side vertices: the line at 15 is moved 0.01 lower and its strip
    // is 0.11 high, so the strips below shift by 0.01.
    EXPECT_EQ(Area(Contour(3, {{10, 10}, {15, 10}, {20, 10}, {20, 15}, {20, 20}, {15, 20}, {10, 20}, {10, 15}})),
              "99.100");
    // A ring: outer kind 3 minus inner kind 2 (4 x 4: 39 strips).
    EXPECT_EQ(Area(square + Contour(2, {{13, 13}, {13, 17}, {17, 17}, {17, 13}})), "83.400");
    // A control path as the builder writes it, from an NC "L" that starts
    // at the origin.
    std::string pick =
        "SPLINE -90.0000 3\r\n"
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000\r\n";
    for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{6, 0}, {6, 2}, {2, 2}, {2, 10}, {0, 10}}) {
        const std::string at = std::to_string(x) + ".000000 " + std::to_string(y) + ".000000 ";
        pick += at + "1 0.00000000 0.00000000 0.00000000\r\n";
        pick += at + "2 0.00000000 -90.00000000 0.00000000\r\n";
        pick += at + "1 0.00000000 0.00000000 0.00000000\r\n";
    }
    pick += "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000\r\nSPLINE -90.0000 0\r\n";
    // The pick is well-formed: a header, 17 point lines of six fields and
    // the closing line, each ending in CR LF.
    ExpectWellFormedPick(pick, 17);
    std::string ctrp = BuildCtrPText(pick, CtrPSettings{}, {});
    size_t corners = 0;
    for (size_t at = 0; (at = ctrp.find(" 2 0.000000 -90.000000 ", at)) != std::string::npos; ++at) ++corners;
    EXPECT_EQ(corners, 5u) << ctrp;
    EXPECT_EQ(Area(ctrp), "27.860");
    // Nothing picked.
    EXPECT_EQ(Area(""), "0.000");
}

TEST(Area, ReadingRules) {
    // A header whose kind is neither 2 nor 3 starts nothing: its points join
    // the contour before; short lines and points before any header are passed over.
    std::vector<AreaContour> cs = ReadAreaContours(
        "1 1 1\r\nSPLINE 0 3\r\n0 0 1\r\nSPLINE 0 0.0\r\n5 5 1\r\n7\r\nSPLINE 0 x\r\nSPLINE 0 2\r\n");
    ASSERT_EQ(cs.size(), 3u);
    EXPECT_EQ(cs[0].X.size(), 1u);
    EXPECT_EQ(cs[1].X.size(), 2u);
    EXPECT_EQ(cs[1].X[1], 5);
    EXPECT_TRUE(cs[2].X.empty());  // an empty contour adds nothing
    EXPECT_EQ(Area("SPLINE 0 2\r\n"), "0.000");
    // Out-of-range coordinates are refused with a message.
    velbend::testing::TempHome home;
    home.Write("CtrP.dat", Contour(3, {{0, 0}, {1e9, 0}, {0, 1}}));
    RecordingOperator op;
    EXPECT_FALSE(GetSelectArea(home / "CtrP.dat", op, 1).has_value());
    EXPECT_EQ(op.messages.size(), 1u);
    home.Write("CtrP.dat", Contour(3, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    EXPECT_EQ(GetSelectArea(home / "CtrP.dat", op, 1).value_or(""), "99.000");
}

TEST(Area, SweepMatchesTheScanLineTranscription) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> uni(0, 1);
    for (int round = 0; round < 30; ++round) {
        std::vector<AreaContour> cs(1);
        int contours = 1 + round % 4;
        for (int c = 0; c < contours; ++c) {
            AreaContour k;
            k.Kind = c == 0 ? 3 : 2;
            int n = 3 + static_cast<int>(uni(rng) * 300);
            double cx = uni(rng) * 50, cy = uni(rng) * 50, r0 = 5 + uni(rng) * 20;
            for (int i = 0; i < n; ++i) {
                double a = 2 * 3.14159265358979 * i / n;
                double r = r0 * (0.6 + 0.4 * uni(rng));
                double x = cx + r * std::cos(a), y = cy + r * std::sin(a);
                if (round % 3 == 0) {  // grid points: many lines meet vertices
                    x = std::round(x * 10) / 10;
                    y = std::round(y * 10) / 10;
                }
                k.X.push_back(x);
                k.Y.push_back(y);
                if (uni(rng) < 0.05) {  // repeated points, as corner triples give
                    k.X.push_back(x);
                    k.Y.push_back(y);
                }
            }
            cs.push_back(k);
        }
        // Self-crossing zigzag too.
        if (round % 5 == 4) {
            AreaContour z;
            z.Kind = 3;
            for (int i = 0; i < 40; ++i) {
                z.X.push_back(i % 2 ? 30 : 0);
                z.Y.push_back(i * 0.73);
            }
            cs.push_back(z);
        }
        for (size_t i = 1; i < cs.size(); ++i)
            ASSERT_EQ(ContourArea(cs[i]), reference::ContourArea(cs[i])) << "round " << round << " contour " << i;
        ASSERT_EQ(TotalArea(cs), reference::TotalArea(cs));
    }
}

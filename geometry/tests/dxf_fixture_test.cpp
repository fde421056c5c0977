// DXF files written by a general-purpose DXF library (see
// data/make_dxf_fixtures.py): letters of a TrueType font as quadratic,
// cubic and fitted cubic splines, and a rational circle.  Each spline must
// come through the whole import (read, display points, thinning, duplicate
// removal, loading) as a closed outline as long as the spline itself.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "velbend/common/operator.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/testsupport/tempdir.h"

using namespace velbend;
using velbend::testing::TempHome;
using velbend::testing::TestData;

namespace {

std::map<int, double> ExpectedLengths(const std::string& name) {
    std::map<int, double> m;
    std::ifstream f(TestData(name + ".lengths"));
    int i;
    double len;
    while (f >> i >> len) m[i] = len;
    return m;
}

class DxfFixture : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(DxfFixture, ImportsToClosedOutlinesOfTheSplinesLength) {
    const std::string name = GetParam();
    std::map<int, double> expected = ExpectedLengths(name);
    ASSERT_FALSE(expected.empty()) << name;

    TempHome home;
    RecordingOperator op;
    CoreAlgorithm core;
    core.TranParas(0.1, 5, 30, 10, 45, 105.0);
    ASSERT_TRUE(core.ReadDXF(TestData(name + ".dxf").string(), op, 1)) << op.LastText();
    ASSERT_EQ(core.SplineCount, static_cast<int16_t>(expected.size()));
    ASSERT_TRUE(core.DisplayPointGen(op, 1));
    ASSERT_TRUE(ThinDisplayPoints(op, 1));
    ASSERT_TRUE(RemoveDuplicateLines(op, 1));
    DisplayTables t;
    ASSERT_TRUE(LoadDisplayPoints(t, op, 1));
    EXPECT_TRUE(op.messages.empty()) << op.LastText();

    for (auto [id, length] : expected) {
        core.LoadCurrentSpline(id);
        ASSERT_TRUE(core.CurUsable) << name << " spline " << id;
        // The spline closes on itself.
        SplinePoint a = core.EvalBSpline(0.0), b = core.EvalBSpline(1.0);
        EXPECT_NEAR(a.X, b.X, 1e-6);
        EXPECT_NEAR(a.Y, b.Y, 1e-6);
        // The contour's polyline, closed from its last point to its first.
        double sum = 0;
        int first = -1, last = -1;
        for (int i = 0; i < t.mDisplayPointCount; ++i) {
            if (t.mDisplayPoints[i].ContourId != id) continue;
            if (first < 0) first = i;
            if (last >= 0)
                sum += std::hypot(t.mDisplayPoints[i].X - t.mDisplayPoints[last].X,
                                  t.mDisplayPoints[i].Y - t.mDisplayPoints[last].Y);
            last = i;
        }
        ASSERT_GE(first, 0) << name << " spline " << id;
        EXPECT_EQ(t.mDisplayPoints[first].Flag, 1);
        sum += std::hypot(t.mDisplayPoints[first].X - t.mDisplayPoints[last].X,
                          t.mDisplayPoints[first].Y - t.mDisplayPoints[last].Y);
        // The first point written is the end of the curve, which is its start.
        EXPECT_NEAR(t.mDisplayPoints[first].X, a.X, 0.0006);
        EXPECT_NEAR(t.mDisplayPoints[first].Y, a.Y, 0.0006);
        EXPECT_NEAR(sum, length, length * 0.005) << name << " spline " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DxfFixture,
                         ::testing::Values("letters_quadratic", "letters_cubic", "letters_fitted",
                                           "circle_rational"));

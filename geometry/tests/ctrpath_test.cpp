// The control-path builder: golden files, the zone rules and the fast
// passes against the straightforward scans.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "ctrpath_gen.h"
#include "ctrpath_reference.h"
#include "velbend/common/operator.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/testsupport/tempdir.h"
#include "geometry_test_util.h"

using namespace velbend;

namespace {

using velbend::testing::Lines;

using velbend::testing::SquarePickBlock;
const std::string kSquarePick = SquarePickBlock();

}  // namespace

TEST(CtrPath, SquareWithOffset0And2) {
    CtrPSettings s;
    s.MillRadius = 2;
    s.MillRadiusCoef = 1;
    EXPECT_EQ(BuildCtrPText(kSquarePick, s, {}), Lines({
        "SPLINE -90.000000 3.0",
        "10.000000 10.000000 1 0.000000 0.000000 0.000000",
        "20.000000 10.000000 1 0.000000 0.000000 0.000000",
        "20.000000 10.000000 2 0.000000 -90.000000 0.000000",
        "20.000000 10.000000 1 0.000000 0.000000 0.000000",
        "20.000000 20.000000 1 0.000000 0.000000 0.000000",
        "20.000000 20.000000 2 0.000000 -90.000000 0.000000",
        "20.000000 20.000000 1 0.000000 0.000000 0.000000",
        "10.000000 20.000000 1 0.000000 0.000000 0.000000",
        "10.000000 20.000000 2 0.000000 -90.000000 0.000000",
        "10.000000 20.000000 1 0.000000 0.000000 0.000000",
        "10.000000 10.000000 1 0.000000 0.000000 0.000000",
        "SPLINE -90.000000 0.0",
    }));
    // Offset 2 to the right of a counter-clockwise walk: outwards, sqrt(2) * 2
    // from every corner on its bisector.
    s.Offset = 2;
    EXPECT_EQ(BuildCtrPText(kSquarePick, s, {}), Lines({
        "SPLINE -90.000000 3.0",
        "8.000000 8.000000 1 0.000000 0.000000 0.000000",
        "22.000000 8.000000 1 0.000000 0.000000 0.000000",
        "22.000000 8.000000 2 0.000000 -90.000000 0.000000",
        "22.000000 8.000000 1 0.000000 0.000000 0.000000",
        "22.000000 22.000000 1 0.000000 0.000000 0.000000",
        "22.000000 22.000000 2 0.000000 -90.000000 0.000000",
        "22.000000 22.000000 1 0.000000 0.000000 0.000000",
        "8.000000 22.000000 1 0.000000 0.000000 0.000000",
        "8.000000 22.000000 2 0.000000 -90.000000 0.000000",
        "8.000000 22.000000 1 0.000000 0.000000 0.000000",
        "8.000000 8.000000 1 0.000000 0.000000 0.000000",
        "SPLINE -90.000000 0.0",
    }));
}

TEST(CtrPath, OpenPickOffsetMovesEndsSideways) {
    const std::string pick = Lines({
        "SPLINE 0.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "5.000000 0.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
    });
    CtrPSettings s;
    s.Offset = 2;  // right of a walk to +X is -Y
    EXPECT_EQ(BuildCtrPText(pick, s, {}), Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 -2.000000 1 0.000000 0.000000 0.000000",
        "5.000000 -2.000000 0 0.000000 0.000000 0.000000",
        "10.000000 -2.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    }));
    s.Offset = -2;
    std::string left = BuildCtrPText(pick, s, {});
    EXPECT_NE(left.find("0.000000 2.000000 1 "), std::string::npos) << left;
    EXPECT_NE(left.find("10.000000 2.000000 1 "), std::string::npos) << left;
}

TEST(CtrPath, ThetaKeepsItsPreviousValueWhenBothHeadingsAgree) {
    // The walk (0,0) -> (10,0) -> (10,10) -> (10,5) doubles back at (10,10):
    // the headings back and on are both -90 degrees there, so the point
    // moves along the direction of the record before (the bisector at
    // (10,0), -45 degrees), by 2 / sin 45 degrees, to (12,8).
    const std::string pick = Lines({
        "SPLINE 0.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
    });
    CtrPSettings s{2, 0, 0};
    EXPECT_EQ(BuildCtrPText(pick, s, {}), Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 -2.000000 1 0.000000 0.000000 0.000000",
        "12.000000 -2.000000 0 0.000000 0.000000 0.000000",
        "12.000000 8.000000 0 0.000000 0.000000 0.000000",
        "8.000000 5.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    }));
}

TEST(CtrPath, InnerPointsOfANegativeOffsetMoveLeftOnBothTurns) {
    // (0,0) -> (10,0) turns right (heading on 270 > heading back 180), then
    // (10,-10) -> (20,-10) turns left (0 < 90).  D < 0 moves every point
    // to the left of the walk: outside the right turn, inside the left one;
    // D > 0 mirrors it.
    const std::string pick = Lines({
        "SPLINE 0.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 -10.000000 0 0.00000000 0.00000000 0.00000000",
        "20.000000 -10.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
    });
    CtrPSettings s{-2, 0, 0};
    EXPECT_EQ(BuildCtrPText(pick, s, {}), Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 2.000000 1 0.000000 0.000000 0.000000",
        "12.000000 2.000000 0 0.000000 0.000000 0.000000",
        "12.000000 -8.000000 0 0.000000 0.000000 0.000000",
        "20.000000 -8.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    }));
    s.Offset = 2;
    EXPECT_EQ(BuildCtrPText(pick, s, {}), Lines({
        "SPLINE 0.000000 3.0",
        "0.000000 -2.000000 1 0.000000 0.000000 0.000000",
        "8.000000 -2.000000 0 0.000000 0.000000 0.000000",
        "8.000000 -12.000000 0 0.000000 0.000000 0.000000",
        "20.000000 -12.000000 1 0.000000 0.000000 0.000000",
        "SPLINE 0.000000 0.0",
    }));
}

TEST(CtrPath, ZonesOfTurns) {
    CtrPSettings s{0, 2, 1};
    // Zc = k * R * (tan(B/2) - B/2 in radians) for a clockwise turn.
    EXPECT_NEAR(ZonesOfTurn(90, s).Zc, 2 * (1 - 3.14159265358979 / 4), 1e-12);
    EXPECT_EQ(ZonesOfTurn(0.1, s).Zc, 0);
    EXPECT_EQ(ZonesOfTurn(179.9, s).Zc, 0);
    EXPECT_EQ(ZonesOfTurn(-0.1, s).Zo, 0);
    EXPECT_EQ(ZonesOfTurn(-90, s).Zc, 0);  // counter-clockwise: no cutter zone
    s.Offset = -3;
    EXPECT_NEAR(ZonesOfTurn(-90, s).Zo, 3, 1e-12);
    EXPECT_EQ(ZonesOfTurn(90, s).Zo, 0);
    s.Offset = 3;
    EXPECT_NEAR(ZonesOfTurn(90, s).Zo, 3, 1e-12);
    EXPECT_EQ(ZonesOfTurn(-90, s).Zo, 0);
}

TEST(CtrPath, CornersInAZoneAndThinningStayInTheirContour) {
    // Two contours; the first ends with a sharp corner, the second starts
    // with one right beside it.  Neither may remove the other's corner.
    const std::string pick = Lines({
        "SPLINE 0.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "5.000000 0.000000 0 0.00000000 0.00000000 0.00000000",
        "9.900000 0.000000 0 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 2 0.00000000 150.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.500000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.500000 2 0.00000000 150.00000000 0.00000000",
        "10.000000 0.500000 1 0.00000000 0.00000000 0.00000000",
        "0.000000 5.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
        "SPLINE 0.0000 3",
        "10.000000 1.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 1.000000 2 0.00000000 150.00000000 0.00000000",
        "10.000000 1.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 1.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
    });
    CtrPSettings s{0, 1, 1};  // zone of 150 degrees: tan 75 - 75 degrees = 2.42
    std::string out = BuildCtrPText(pick, s, {});
    // The corner at (10, 0.5) lies inside the zone of (10, 0): removed with
    // its companions; the point at 9.9 is thinned away; the second contour's
    // corner at (10, 1) stays although it lies within both zones.
    EXPECT_EQ(out.find("10.000000 0.500000"), std::string::npos) << out;
    EXPECT_EQ(out.find("9.900000 0.000000"), std::string::npos) << out;
    EXPECT_NE(out.find("5.000000 0.000000 0 "), std::string::npos) << out;
    EXPECT_NE(out.find("10.000000 1.000000 2 0.000000 150.000000 0.000000"), std::string::npos) << out;
    EXPECT_NE(out.find("10.000000 0.000000 2 0.000000 150.000000 0.000000"), std::string::npos) << out;
}

TEST(CtrPath, DeletedNodesAreWrittenAsKind4EvenWhenOffset) {
    const std::string pick = Lines({
        "SPLINE 0.0000 3",
        "0.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 5 0.00000000 0.00000000 0.00000000",
        "10.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 0.000000 2 0.00000000 30.00000000 0.00000000",
        "20.000000 0.000000 1 0.00000000 0.00000000 0.00000000",
        "30.000000 -5.773503 1 0.00000000 0.00000000 0.00000000",
        "SPLINE 0.0000 0",
    });
    NodeRecord splice, corner;
    splice.X = 10;
    corner.X = 20;
    const NodeRecord deleted[] = {splice, corner};
    for (double D : {0.0, 2.0}) {
        CtrPSettings s{D, 0, 0};
        std::string out = BuildCtrPText(pick, s, deleted);
        // Both the splice and the corner keep their picked point for the
        // test, so both are found although the path moved by 2.
        EXPECT_NE(out.find(" 4 0.000000 0.000000 0.000000"), std::string::npos) << out;
        EXPECT_NE(out.find(" 4 0.000000 30.000000 0.000000"), std::string::npos) << out;
        EXPECT_EQ(out.find(" 5 "), std::string::npos) << out;
        EXPECT_EQ(out.find(" 2 "), std::string::npos) << out;
    }
}

TEST(CtrPath, ReadingUnusualLines) {
    // A closing line right after a corner takes the corner's place; an empty
    // second field moves the turn to the third; short lines read as zeros.
    std::vector<CtrPPoint> r = ReadPointForControl(
        "SPLINE  12.5 3\r\n1 2 1 0 0 0\r\n1 2 2 0 45 0\r\nSPLINE 45.0000 0\r\n\r\n7 8\r\n");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].Kind, 3);
    EXPECT_EQ(r[0].B, 12.5);
    EXPECT_EQ(r[0].A, 3);
    EXPECT_EQ(r[2].Kind, 3);
    EXPECT_EQ(r[2].X, 1);
    EXPECT_EQ(r[2].B, 45);
    EXPECT_EQ(r[3].X, 7);
    EXPECT_EQ(r[3].Kind, 0);
    // A corner or splice not after a kind-1 record is not written.
    std::vector<CtrPPoint> lone{{0, 0, 3, 3, 0, 0}, {1, 1, 2, 0, 90, 0}, {2, 2, 0, 0, 0, 0}};
    EXPECT_EQ(FormatCtrP(lone, {}), "SPLINE 0.000000 3.0\r\n2.000000 2.000000 0 0.000000 0.000000 0.000000\r\n");
}

TEST(CtrPath, FastPassesMatchTheReferenceScans) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::vector<CtrPPoint> base = testgen::RandomPath(seed, 3000 + 100 * static_cast<int>(seed), 0.3 + 0.05 * seed);
        CtrPSettings s;
        s.MillRadius = 0.5 + (seed % 7);
        s.MillRadiusCoef = seed % 5 == 0 ? 0 : 1.0;
        s.Offset = (static_cast<int>(seed % 5) - 2) * 0.7;
        std::vector<CtrPPoint> fast = base, ref = base;
        RemoveCornersInZones(fast, s);
        reference::RemoveCornersInZones(ref, s);
        ASSERT_EQ(fast, ref) << "seed " << seed;
        ThinNearCorners(fast, s);
        reference::ThinNearCorners(ref, s);
        ASSERT_EQ(fast, ref) << "seed " << seed;
        EXPECT_LT(fast.size(), base.size()) << "seed " << seed;  // the cases do remove something
    }
}

TEST(CtrPath, FileIsReplacedOnlyWhenWritten) {
    velbend::testing::TempHome home;
    RecordingOperator op;
    home.Write("CtrP.dat", "old\r\n");
    home.Write("PointForControl.dat", "");
    EXPECT_EQ(BuildCtrPFile({}, {}, op, 1), CtrPBuild::Unchanged);
    EXPECT_EQ(home.Read("CtrP.dat"), "old\r\n");
    home.Write("PointForControl.dat", kSquarePick);
    EXPECT_EQ(BuildCtrPFile({}, {}, op, 1), CtrPBuild::Written);
    EXPECT_EQ(home.Read("CtrP.dat").substr(0, 22), "SPLINE -90.000000 3.0\r");
    // Out-of-range input is refused and the path stays.
    home.Write("PointForControl.dat", "SPLINE 0 3\r\n1e300 0 1 0 0 0\r\nSPLINE 0 0\r\n");
    EXPECT_EQ(BuildCtrPFile({}, {}, op, 0), CtrPBuild::Refused);
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(home.Read("CtrP.dat").substr(0, 22), "SPLINE -90.000000 3.0\r");
}

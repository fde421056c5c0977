// Plane helpers: the angle conventions every control-path reader relies on.
#include <cmath>

#include <gtest/gtest.h>

#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/plane.h"

using namespace velbend;

TEST(Plane, ArcCosRangesAndSignedAngle) {
    EXPECT_DOUBLE_EQ(ArcCos(0), kPi / 2);
    EXPECT_EQ(ArcCos(1), 0);
    EXPECT_EQ(ArcCos(2), 0);
    EXPECT_EQ(ArcCos(-1), kPi);
    EXPECT_EQ(ArcCos(-3), kPi);
    EXPECT_NEAR(ArcCos(0.5), std::acos(0.5), 1e-12);
    EXPECT_NEAR(ArcCos(-0.5), std::acos(-0.5), 1e-12);
    // (0, 0) has direction pi/2; a downward vector is negative.
    EXPECT_DOUBLE_EQ(SignedAngle(0, 0), kPi / 2);
    EXPECT_DOUBLE_EQ(SignedAngle(0, -1), -kPi / 2);
    EXPECT_DOUBLE_EQ(SignedAngle(-1, 0), kPi);
    double ux, uy;
    UnitVector(1, 1, 1, 1.0000005, ux, uy);  // too short: no direction
    EXPECT_EQ(ux, 0);
    EXPECT_EQ(uy, 0);
    UnitVector(0, 0, 3, 4, ux, uy);
    EXPECT_DOUBLE_EQ(ux, 0.6);
    EXPECT_DOUBLE_EQ(uy, 0.8);
}

TEST(Plane, TurnValuesArePositiveClockwise) {
    // Going right, then down: a clockwise (right) turn of 90.
    EXPECT_NEAR(TurnValue(0, 0, 1, 0, 1, -1), 90, 1e-9);
    EXPECT_EQ(TurnAngle(0, 0, 1, 0, 1, -1), 1);
    // Going right, then up: counter-clockwise.
    EXPECT_NEAR(TurnValue(0, 0, 1, 0, 1, 1), -90, 1e-9);
    EXPECT_EQ(TurnAngle(0, 0, 1, 0, 1, 1), -1);
    EXPECT_EQ(TurnAngle(0, 0, 1, 0, 2, 0), 0);
    // Wrapped once into [-180, 180]: heading 170 in, -170 out.
    double t = TurnValue(0, 0, std::cos(170 * kPi / 180), std::sin(170 * kPi / 180), 0, 0);
    EXPECT_GE(t, -180);
    EXPECT_LE(t, 180);
    // A repeated point has heading 90, so the turn is not 0.
    EXPECT_NEAR(TurnValue(0, 0, 1, 0, 1, 0), -90, 1e-9);
}

TEST(Plane, CircleBy3PointsNeverGivesNaN) {
    double cx, cy, r;
    CircleBy3Points(1, 0, 0, 1, -1, 0, cx, cy, r);
    EXPECT_NEAR(cx, 0, 1e-12);
    EXPECT_NEAR(cy, 0, 1e-12);
    EXPECT_NEAR(r, 1, 1e-12);
    // Repeated and collinear points: radius 0.
    CircleBy3Points(1, 1, 1, 1, 2, 2, cx, cy, r);
    EXPECT_EQ(r, 0);
    CircleBy3Points(0, 0, 1, 1, 2, 2, cx, cy, r);
    EXPECT_EQ(r, 0);
    CircleBy3Points(5, 5, 5, 5, 5, 5, cx, cy, r);
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(std::isnan(cx) || std::isnan(cy));
}

TEST(Plane, ArcDirectionOfThreePoints) {
    const CoreAlgorithm core;
    EXPECT_EQ(core.Cal_arcdir(0, 0, 1, 0, 1, 1), -1);
    EXPECT_EQ(core.Cal_arcdir(0, 0, 1, 0, 1, -1), 1);
    EXPECT_EQ(core.Cal_arcdir(0, 0, 1, 0, 2, 0), 1);
    EXPECT_DOUBLE_EQ(CoreAlgorithm::VectorAngle(0, -1), 4.712388980384685);
    EXPECT_EQ(CoreAlgorithm::VectorAngle(0, 0), 0);
    EXPECT_DOUBLE_EQ(CoreAlgorithm::VectorAngle(-1, 0), 3.14159265358979);
}

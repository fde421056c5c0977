// Plane-geometry helpers shared by picking, the control path, the path
// length and the machine-program writer.  Angles use the machine's own
// literals for pi and 2*pi so that every reader agrees to the last digit.
#pragma once
#include <cstdint>

namespace velbend {

inline constexpr double kPi = 3.14159265358979;
inline constexpr double kTwoPi = 6.28318530717958;

// Arc cosine in [0, pi]: 0 gives pi/2, x >= 1 gives 0, x <= -1 gives pi.
double ArcCos(double x);

// Unit vector from (x1, y1) towards (x2, y2); (0, 0) for a step of
// 0.000001 or less.
void UnitVector(double x1, double y1, double x2, double y2, double& ux, double& uy);

// Direction of a unit vector in (-pi, pi]; (0, 0) gives pi/2.
double SignedAngle(double ux, double uy);

// Circle through three points.  Collinear or repeated points have no circle:
// then the centre is the first point and the radius 0 (never NaN).
void CircleBy3Points(double x1, double y1, double x2, double y2, double x3, double y3,
                     double& cx, double& cy, double& r);

// Heading of the step from (x1, y1) to (x2, y2) in degrees, in (-180, 180];
// a step shorter than 0.000001 has heading 90.
double HeadingDeg(double x1, double y1, double x2, double y2);

// A turn value in degrees wrapped once into [-180, 180].
double WrapTurn(double t);

// Turn value at P2 reached from P1 and left towards P3, in degrees: heading
// in minus heading out, positive for a clockwise turn (Y axis up).
double TurnValue(double x1, double y1, double x2, double y2, double x3, double y3);

// Sign (-1, 0, 1) of the turn value at P2.
int16_t TurnAngle(double x1, double y1, double x2, double y2, double x3, double y3);

}  // namespace velbend

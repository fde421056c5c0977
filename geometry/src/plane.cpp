// Plane-geometry helpers.
#include "velbend/geometry/plane.h"

#include <cmath>

namespace velbend {

double ArcCos(double x) {
    if (x == 0) return kPi / 2;
    if (x >= 1) return 0;
    if (x <= -1) return kPi;
    double a = std::atan(std::sqrt(1 - x * x) / x);
    if (a < 0) a += kPi;
    return a;
}

void UnitVector(double x1, double y1, double x2, double y2, double& ux, double& uy) {
    double dx = x2 - x1;
    double dy = y2 - y1;
    double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.000001)) {  // also NaN
        ux = 0;
        uy = 0;
        return;
    }
    ux = dx / len;
    uy = dy / len;
}

double SignedAngle(double ux, double uy) {
    double a = ArcCos(ux);
    return uy < 0 ? -a : a;
}

void CircleBy3Points(double x1, double y1, double x2, double y2, double x3, double y3,
                     double& cx, double& cy, double& r) {
    double s1 = x1 * x1 + y1 * y1;
    double s2 = x2 * x2 + y2 * y2;
    double s3 = x3 * x3 + y3 * y3;
    double denX = (y2 - y1) * (x2 - x3) - (x1 - x2) * (y3 - y2);
    double denY = (x1 - x2) * (y3 - y2) - (y2 - y1) * (x2 - x3);
    if (denX == 0 || denY == 0) {
        cx = x1;
        cy = y1;
        r = 0;
        return;
    }
    cx = ((s2 - s1) * (y3 - y2) - (s3 - s2) * (y2 - y1)) / 2 / denX;
    cy = ((s1 - s2) * (x2 - x3) - (s2 - s3) * (x1 - x2)) / 2 / denY;
    r = std::sqrt((x1 - cx) * (x1 - cx) + (y1 - cy) * (y1 - cy));
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) {
        cx = x1;
        cy = y1;
        r = 0;
    }
}

double HeadingDeg(double x1, double y1, double x2, double y2) {
    double ux, uy;
    UnitVector(x1, y1, x2, y2, ux, uy);
    return SignedAngle(ux, uy) * 180 / kPi;
}

double WrapTurn(double t) {
    if (t > 180) t -= 360;
    else if (t < -180) t += 360;
    return t;
}

double TurnValue(double x1, double y1, double x2, double y2, double x3, double y3) {
    return WrapTurn(HeadingDeg(x1, y1, x2, y2) - HeadingDeg(x2, y2, x3, y3));
}

int16_t TurnAngle(double x1, double y1, double x2, double y2, double x3, double y3) {
    double t = TurnValue(x1, y1, x2, y2, x3, y3);
    if (t > 0) return 1;
    if (t < 0) return -1;
    return 0;
}

}  // namespace velbend

// Small builders shared by the geometry tests.
#pragma once
#include <initializer_list>
#include <string>

#include "velbend/geometry/core_algorithm.h"

namespace velbend::testing {

// The lines joined with CR LF, as the work files hold them.
inline std::string Lines(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

// The PointForControl.dat block of the square (10, 10)-(20, 20) picked
// plainly: counter-clockwise, kind 3, corners of -90.
inline std::string SquarePickBlock() {
    return Lines({
        "SPLINE -90.0000 3",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 10.000000 2 0.00000000 -90.00000000 0.00000000",
        "20.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "20.000000 20.000000 2 0.00000000 -90.00000000 0.00000000",
        "20.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 20.000000 2 0.00000000 -90.00000000 0.00000000",
        "10.000000 20.000000 1 0.00000000 0.00000000 0.00000000",
        "10.000000 10.000000 1 0.00000000 0.00000000 0.00000000",
        "SPLINE -90.0000 0",
    });
}

// A 10 x 10 square as a closed degree-1 spline, counter-clockwise from
// (0, 0); nodes at the corners and the side midpoints.
inline CoreAlgorithm SquareSpline() {
    CoreAlgorithm core;
    SplineModel s;
    s.Flag = 1;
    s.Degree = 1;
    s.Knots = {0, 0, 0.25, 0.5, 0.75, 1, 1};
    s.CtrlX = {0, 10, 10, 0, 0};
    s.CtrlY = {0, 0, 10, 10, 0};
    s.Usable = true;
    core.Splines = {s};
    core.SplineCount = 1;
    core.ParamTable = {{0, 0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875, 1.0}};
    core.MaxParamCount = 9;
    core.TranParas(0.1, 2, 5, 10, 45, 105);
    return core;
}

}  // namespace velbend::testing

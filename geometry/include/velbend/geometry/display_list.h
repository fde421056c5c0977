// A recorded display list: coloured line segments in drawing units, which
// the drawing view paints.  The core draws into it; nothing here knows a
// graphics library.
#pragma once
#include <vector>

namespace velbend {

struct DisplayColor {
    float R = 1, G = 1, B = 1;
    bool operator==(const DisplayColor&) const = default;
};

struct DisplayLine {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // z is always 0
    DisplayColor Color;
    bool operator==(const DisplayLine&) const = default;
};

struct DisplayList {
    std::vector<DisplayLine> Lines;
    void Line(double x1, double y1, double x2, double y2, DisplayColor c) {
        Lines.push_back({x1, y1, x2, y2, c});
    }
    // Axis-parallel square of half side h around (x, y): bottom, right, top
    // and left edges.
    void Square(double x, double y, double h, DisplayColor c) {
        Line(x - h, y - h, x + h, y - h, c);
        Line(x + h, y - h, x + h, y + h, c);
        Line(x + h, y + h, x - h, y + h, c);
        Line(x - h, y + h, x - h, y - h, c);
    }
};

inline constexpr DisplayColor kWhite{1, 1, 1};
inline constexpr DisplayColor kRed{1, 0, 0};
inline constexpr DisplayColor kYellow{1, 1, 0};
inline constexpr DisplayColor kMagenta{1, 0, 1};
inline constexpr DisplayColor kGreen{0, 1, 0};

}  // namespace velbend

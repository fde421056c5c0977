// Layout of the main window as a pure function of its size.
//
// Top-level controls (the drawing view, the tab strips, the frames, the
// in-window dialog frames) are placed in client-area pixels; the controls
// inside a frame in twips relative to their frame (15 twips = 1 pixel).
// The layout keeps no state besides the rectangles it last produced: a
// size below the guard leaves them as they are.
#pragma once
#include <map>
#include <string>

namespace velbend {

struct LayoutRect {
    double Left = 0, Top = 0, Width = 0, Height = 0;
    double Right() const { return Left + Width; }
    double Bottom() const { return Top + Height; }
    bool operator==(const LayoutRect&) const = default;
};

struct MainLayout {
    std::map<std::string, LayoutRect> px;  // client-area pixels
    std::map<std::string, LayoutRect> tw;  // twips inside the parent frame
    // Underlines Line1..Line4 of Frame6 (twips): Left = X1, Width = X2 - X1,
    // Top = the height of both ends, Height 0.
};

// The design placement (client area 1008 x 710 pixels).
MainLayout DesignLayout(bool secondBuild);

// Outer size in twips below which the layout is left as it was.
inline constexpr double kMinOuterWidthTwips = 10000;
inline constexpr double kMinOuterHeightTwips = 8000;

// Form_Resize: every rectangle from the client size (pixels) and the outer
// size of the window (twips, frame and title bar included).  Returns false
// (and changes nothing) when the outer size is below the guard or the
// client area is empty; the caller then neither resizes nor redraws the
// drawing view.  On true, the drawing view takes Picture1's width and height
// rounded to whole pixels (PictureSize).
bool Form_Resize(MainLayout& layout, double clientW, double clientH, double outerWTwips,
                 double outerHTwips, bool secondBuild);

// Picture1's size handed to the drawing view: each side rounded half to even.
void PictureSize(const MainLayout& layout, int& width, int& height);

}  // namespace velbend

// Readers of the control path CtrP.dat: the strip length with the path
// table, the segment list and the drawing of the path with its markers.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/geometry/display_list.h"
#include "velbend/params/syspara.h"

namespace velbend {

class Operator;

// One entry of the path table: cumulative strip length (mm) at a point.
struct PathEntry {
    double Length = 0;
    double X = 0;
    double Y = 0;
};

struct PathLength {
    double Total = 0;
    std::vector<PathEntry> mPathTable;  // mPathPointCount entries
    int32_t mPathPointCount = 0;
    int16_t mSplineLineCount = 0;       // "SPLINE" lines of the file
};

// The kind of the open outline, from its file name (Label4(0)): a DXF
// outline of the second build tells an arc point's side by Cal_arcdir,
// every other outline by TurnAngle (BendingArcSide).
enum class ArcRule { Dxf, Nc, Other };
ArcRule ArcRuleOf(std::string_view outlinePath);

// One rule for the arcs of the path, shared by the length the captions show,
// the feed the machine program writes and the slots the slotting export
// places, so that a run feeds the length shown and the slots stand where the
// program cuts them:
// - the side an arc point bends to is that of the three points (previous,
//   this, next): Cal_arcdir for a DXF outline in the second build, TurnAngle
//   otherwise; an arc point with no point after it in its contour has no
//   side (0);
// - only a bending arc (radius at or above gBendToSlotRThreshold) has its
//   length compensated (gArcCompP on side -1, gArcCompN on side +1); an arc
//   too tight to bend is slotted and fed as it is.
int BendingArcSide(ArcRule rule, bool secondBuild, double xp, double yp, double x, double y, double xn,
                   double yn);
// What the arc compensation adds to the step of `length` mm that ends on an
// arc point of radius A on that side (negative: it shortens the step).
double ArcCompensation(const SysPara& sys, double length, double A, int side);
// True for the arc points whose step the compensation applies to.
bool IsBendingArc(const SysPara& sys, double A, int kind);

// Strip length of the path in `ctrp` (the bytes of CtrP.dat).  `gap` is the
// strip between contours (Val of Text4), added at every closing line but the
// file's last.
PathLength CalcPathLength(std::string_view ctrp, const SysPara& sys, double gap, ArcRule rule, bool secondBuild);

// Items of the segment list List1, UTF-8 ("第 1段,…").
std::vector<std::string> FillSegmentList(std::string_view ctrp, const SysPara& sys, ArcRule rule,
                                         bool secondBuild);

// A slotting point of the path that the operator may flag with a right
// click (Flag 1.0); the machining run reads the flags.
struct PathMarker {
    double X = 0;
    double Y = 0;
    double Flag = 0;
};
inline constexpr int kMaxPathMarkers = 100;

// Draws the path and its markers.  `selected` is the segment to highlight,
// counted from 1 as the items of the segment list (0: none); markers are
// squares of half side 0.003 * viewWidth.  When `markers` is given, every
// slotting point not yet in it is appended with Flag 0 (at most 100).
void DrawCtrPMarkers(std::string_view ctrp, const SysPara& sys, double viewWidth, int16_t selected,
                     DisplayList& list, std::vector<PathMarker>* markers = nullptr);

// The same on CtrP.dat of the program folder.  A missing file reads as empty.
bool ReadCtrPFile(std::string& bytes, Operator& op, int16_t language);

}  // namespace velbend

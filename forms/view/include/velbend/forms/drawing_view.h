// The drawing view Picture1 as a window model: the view state (centre,
// width, aspect, scale, home view), zoom and pan, the display tables with the
// view fit, the recorded display list and the mouse handlers that pick
// contours and edit nodes.  Qt-free; the view widget forwards its events
// here and paints DrawingModel::list.
//
// Coordinates: the picture measures Picture1Width x Picture1Height pixels
// (MainPanel, set by GLResize); a pixel (X, Y) from the top left shows the
// drawing point
//     x = X / Picture1Width * w + cx - w / 2
//     y = aspect * w / 2 + cy - Y / Picture1Height * w * aspect
// with w = gViewWidth, (cx, cy) the view centre and aspect = height / width.
#pragma once
#include <cstdint>

#include "velbend/forms/drawing.h"
#include "velbend/forms/program.h"

namespace velbend {

// Narrowest fitted view: an outline without extent is shown this wide.
inline constexpr double kMinViewWidth = 1.0;

// ---- view state ----

// Stores the view centre and width (a width that is not a positive number
// becomes kMinViewWidth).
void SetView(Program& p, DrawingModel& d, double cx, double cy, double w);
// The picture's new size in pixels (0 counts as 1): aspect, scale, then
// SetView with the stored centre and width.  Returns 0.
int16_t GLResize(Program& p, DrawingModel& d, int32_t width, int32_t height);
// Asks the view to repaint the display list.
void Redraw(DrawingModel& d);

// The visible width after one wheel notch out (away from the drawing) or in.
double ZoomOutWidth(double w);
double ZoomInWidth(double w);
// One wheel notch: zoomIn when the wheel turned away from the operator.  The
// centre stays; the display list is rebuilt (node squares keep their size on
// screen).
void WheelZoom(Program& p, DrawingModel& d, bool zoomIn);

// A pixel of the picture in drawing units.
void PixelToDrawing(const Program& p, double X, double Y, double& x, double& y);
// A drawing point in pixels of the picture (the inverse).
void DrawingToPixel(const Program& p, double x, double y, double& X, double& Y);

// ---- display tables ----

// The fitted view of the tables' extent: centre and width 1.2 dx when
// dy < 0.7 dx, else 1.2 dy / 0.7, at least kMinViewWidth.  False (nothing
// set) when there is no point.
bool FitView(const DisplayTables& t, double& cx, double& cy, double& w);

// Reads PointForDisplay.dat into the tables.  With keepView 0 the view is
// fitted and becomes the home view.  Ends with Redraw.  False when the file
// was refused (the operator was told; the tables keep the last outline).
bool LoadDisplayPoints(Program& p, DrawingModel& d, int16_t keepView);

// ---- display list ----

// The outline (white), its nodes (yellow squares of half side
// 0.003 * viewWidth, left out while a run is on and for deleted nodes).
void DrawOutlineAndNodes(const DisplayTables& t, const PickState& pick, bool running, double viewWidth,
                         DisplayList& list);
// The green arrow of a picked range at its first node; false (nothing drawn)
// when no point of the node's contour lies 0.01 or more away from it.
bool DrawRangeArrow(const DisplayTables& t, const SelEntry& e, DisplayList& list);
// Recompiles the display list: outline and nodes, the arrows of the picked
// ranges, the control path of CtrP.dat with its markers (segment `highlight`
// counted from 1 in yellow; 0 none), then Redraw.
void BuildDisplayList(Program& p, DrawingModel& d, int16_t highlight);

// A click on line `listIndex` (from 0) of List1 highlights that segment,
// unless a run is on.
void List1_Click(Program& p, DrawingModel& d, int listIndex);

// ---- mouse ----

// Buttons: 1 left, 2 right, 4 middle.  Shift state: 0 no modifier key,
// otherwise Shift 1, Ctrl 2, Alt 4 added.  X, Y in pixels of the picture.
void Picture1_MouseDown(Program& p, DrawingModel& d, int button, int shift, double X, double Y);
void Picture1_MouseMove(Program& p, DrawingModel& d, int button, int shift, double X, double Y);
void Picture1_MouseUp(Program& p, DrawingModel& d, int button, int shift, double X, double Y);

}  // namespace velbend

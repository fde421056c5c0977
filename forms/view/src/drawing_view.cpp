// Picture1: view state, zoom and pan, display tables, display list, mouse.
#include "velbend/forms/drawing_view.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "velbend/common/operator.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/geometry/plane.h"
#include "velbend/machine/run_state.h"

namespace velbend {

namespace {

bool Running(const Program& p) { return p.ctx.run.gRunning == kTrue; }

double PictureWidth(const Program& p) { return p.ctx.panel.Picture1Width > 0 ? p.ctx.panel.Picture1Width : 1; }
double PictureHeight(const Program& p) {
    return p.ctx.panel.Picture1Height > 0 ? p.ctx.panel.Picture1Height : 1;
}

}  // namespace

// ---- view state ----

void SetView(Program& p, DrawingModel& d, double cx, double cy, double w) {
    if (!(w > 0) || !std::isfinite(w)) w = kMinViewWidth;
    auto& panel = p.ctx.panel;
    panel.gViewCenterX = cx;
    panel.gViewCenterY = cy;
    panel.gViewWidth = w;
}

int16_t GLResize(Program& p, DrawingModel& d, int32_t width, int32_t height) {
    if (width <= 0) width = 1;
    if (height <= 0) height = 1;
    auto& panel = p.ctx.panel;
    panel.Picture1Width = width;
    panel.Picture1Height = height;
    panel.gViewAspect = static_cast<double>(height) / width;
    SetView(p, d, panel.gViewCenterX, panel.gViewCenterY, panel.gViewWidth);
    d.gViewScale = width / panel.gViewWidth;
    return 0;
}

void Redraw(DrawingModel& d) {
    ++d.mRedrawCount;
    if (d.onRedraw) d.onRedraw();
}

double ZoomOutWidth(double w) {
    if (w < 100) return w + 20;
    if (w < 500) return w + 50;
    if (w < 1000) return w + 100;
    if (w < 5000) return w + 200;
    if (w < 10000) return w + 500;
    return w + 1000;
}

double ZoomInWidth(double w) {
    if (w > 10000) return w - 1000;
    if (w > 5000) return w - 500;
    if (w > 1000) return w - 200;
    if (w > 500) return w - 100;
    if (w > 100) return w - 50;
    if (w > 20) return w - 20;
    return w;
}

void WheelZoom(Program& p, DrawingModel& d, bool zoomIn) {
    auto& panel = p.ctx.panel;
    const double w = zoomIn ? ZoomInWidth(panel.gViewWidth) : ZoomOutWidth(panel.gViewWidth);
    SetView(p, d, panel.gViewCenterX, panel.gViewCenterY, w);
    BuildDisplayList(p, d, 0);
}

void PixelToDrawing(const Program& p, double X, double Y, double& x, double& y) {
    const auto& panel = p.ctx.panel;
    const double w = panel.gViewWidth;
    x = X / PictureWidth(p) * w + panel.gViewCenterX - w / 2;
    y = panel.gViewAspect * w / 2 + panel.gViewCenterY - Y / PictureHeight(p) * w * panel.gViewAspect;
}

void DrawingToPixel(const Program& p, double x, double y, double& X, double& Y) {
    const auto& panel = p.ctx.panel;
    const double w = panel.gViewWidth;
    X = (x - panel.gViewCenterX + w / 2) / w * PictureWidth(p);
    Y = (panel.gViewAspect * w / 2 + panel.gViewCenterY - y) / (w * panel.gViewAspect) * PictureHeight(p);
}

// ---- display tables ----

bool FitView(const DisplayTables& t, double& cx, double& cy, double& w) {
    if (!t.HasExtent) return false;
    cx = (t.MaxX + t.MinX) / 2;
    cy = (t.MaxY + t.MinY) / 2;
    const double dx = t.MaxX - t.MinX;
    const double dy = t.MaxY - t.MinY;
    w = dy < 0.7 * dx ? 1.2 * dx : 1.2 * dy / 0.7;
    if (!(w >= kMinViewWidth)) w = kMinViewWidth;
    return true;
}

bool LoadDisplayPoints(Program& p, DrawingModel& d, int16_t keepView) {
    const bool ok = LoadDisplayPoints(d.tables, p.op(), p.language());
    double cx, cy, w;
    if (ok && keepView == 0 && FitView(d.tables, cx, cy, w)) {
        SetView(p, d, cx, cy, w);
        d.mHomeCenterX = p.ctx.panel.gViewCenterX;
        d.mHomeCenterY = p.ctx.panel.gViewCenterY;
        d.mHomeWidth = p.ctx.panel.gViewWidth;
    }
    Redraw(d);
    return ok;
}

// ---- display list ----

void DrawOutlineAndNodes(const DisplayTables& t, const PickState& pick, bool running, double viewWidth,
                         DisplayList& list) {
    const int32_t n = std::min<int32_t>(t.mDisplayPointCount, static_cast<int32_t>(t.mDisplayPoints.size()));
    int32_t first = -1;  // first point of the open contour
    for (int32_t i = 0; i < n; ++i) {
        const DisplayPoint& q = t.mDisplayPoints[i];
        if (q.Flag == 1) {
            if (first >= 0) {
                const DisplayPoint& a = t.mDisplayPoints[i - 1];
                const DisplayPoint& b = t.mDisplayPoints[first];
                list.Line(a.X, a.Y, b.X, b.Y, kWhite);
            }
            first = i;
        } else if (i > 0) {
            const DisplayPoint& a = t.mDisplayPoints[i - 1];
            list.Line(a.X, a.Y, q.X, q.Y, kWhite);
        }
    }
    if (first >= 0) {
        const DisplayPoint& a = t.mDisplayPoints[n - 1];
        const DisplayPoint& b = t.mDisplayPoints[first];
        list.Line(a.X, a.Y, b.X, b.Y, kWhite);
    }
    if (running) return;
    const double h = 0.003 * viewWidth;
    const int nodes = std::min<int>(t.mNodeCount, static_cast<int>(t.mNodes.size()));
    for (int k = 1; k < nodes; ++k) {
        const NodeRecord& r = t.mNodes[k];
        if (IsDeletedNode(pick, r.X, r.Y)) continue;
        list.Square(r.X, r.Y, h, kYellow);
    }
}

bool DrawRangeArrow(const DisplayTables& t, const SelEntry& e, DisplayList& list) {
    if (e.FirstNode < 1 || e.FirstNode >= t.mNodeCount || static_cast<size_t>(e.FirstNode) >= t.mNodes.size())
        return false;
    const NodeRecord& node = t.mNodes[e.FirstNode];
    const int32_t p = node.PointIndex;
    if (p < 0 || p >= t.mDisplayPointCount || static_cast<size_t>(p) >= t.mDisplayPoints.size()) return false;
    int32_t first, last;
    GetContourPointRange(t, node.ContourId, first, last);
    if (p < first || p > last) return false;
    const DisplayPoint& P = t.mDisplayPoints[p];
    // The next point p + j (j = 1, 2, ...) that lies 0.01 or more away; past
    // the contour's last point the count goes on at its first (first + j - 1),
    // and the walk ends at the contour's end.
    int32_t q = -1;
    for (int32_t j = 1;; ++j) {
        const int32_t i = p + j <= last ? p + j : first + j - 1;
        if (i > last) break;
        const DisplayPoint& Q = t.mDisplayPoints[i];
        if (std::hypot(Q.X - P.X, Q.Y - P.Y) >= 0.01) {
            q = i;
            break;
        }
    }
    if (q < 0) return false;
    const DisplayPoint& Q = t.mDisplayPoints[q];
    double dx = P.X - Q.X, dy = P.Y - Q.Y;
    if (e.Kind == -1) {
        dx = -dx;
        dy = -dy;
    }
    double theta = ArcCos(dx / std::hypot(dx, dy));
    if (dy < 0) theta = kTwoPi - theta;
    list.Line(P.X, P.Y, P.X + 8 * std::cos(theta + 0.4), P.Y + 8 * std::sin(theta + 0.4), kGreen);
    list.Line(P.X, P.Y, P.X + 8 * std::cos(theta - 0.4), P.Y + 8 * std::sin(theta - 0.4), kGreen);
    return true;
}

void BuildDisplayList(Program& p, DrawingModel& d, int16_t highlight) {
    const double w = p.ctx.panel.gViewWidth;
    d.list.Lines.clear();
    DrawOutlineAndNodes(d.tables, d.pick, Running(p), w, d.list);
    for (int k = 0; k < kMaxSelections && d.pick.mSelection[k].Kind != 0; ++k)
        DrawRangeArrow(d.tables, d.pick.mSelection[k], d.list);
    std::string ctrp;
    if (ReadCtrPFile(ctrp, p.op(), p.language()) && !ctrp.empty())
        DrawCtrPMarkers(ctrp, p.ctx.sys(), w, highlight, d.list, &d.mMarkers);
    Redraw(d);
}

void List1_Click(Program& p, DrawingModel& d, int listIndex) {
    if (Running(p) || listIndex < 0 || listIndex >= 32767) return;
    BuildDisplayList(p, d, static_cast<int16_t>(listIndex + 1));
}

// ---- mouse ----

void Picture1_MouseDown(Program& p, DrawingModel& d, int button, int shift, double X, double Y) {
    PixelToDrawing(p, X, Y, d.gPickX, d.gPickY);
    if (d.tables.mNodeCount == 0) return;
    const double w = p.ctx.panel.gViewWidth;
    const int16_t lang = p.language();
    if (button == 2) {
        d.mMousePointer = 0;
        if (!MayAct(p.ctx, CommandClass::ChangeProgram)) return;
        bool flagged = false;
        for (PathMarker& m : d.mMarkers) {
            if (std::fabs(d.gPickX - m.X) < w / 100 && std::fabs(d.gPickY - m.Y) < w / 100) {
                m.Flag = 1.0;
                flagged = true;
            }
        }
        if (flagged) BuildDisplayList(p, d, 0);
        return;
    }
    if (button != 1) return;

    const int16_t node = FindClickedNode(d.tables, d.pick, d.gPickX, d.gPickY, w);
    if (node == 0) {
        if (d.mMousePointer == 0) {
            d.mMousePointer = 5;
            d.gLastMouseX = X;
            d.gLastMouseY = Y;
        } else if (d.mMousePointer == 2) {
            if (!MayAct(p.ctx, CommandClass::ChangeProgram)) return;
            int32_t j = 0;
            double dist = 0;
            if (!FindAddNodeSegment(d.tables, d.gPickX, d.gPickY, j, dist)) return;
            const DisplayPoint& a = d.tables.mDisplayPoints[j];
            const DisplayPoint& b = d.tables.mDisplayPoints[j + 1];
            const NodeEdit r = EditDisplayNode(d.pick, j, a.X, a.Y, b.X, b.Y, dist, p.op(), lang);
            if (r == NodeEdit::Marked || r == NodeEdit::Inserted) {
                LoadDisplayPoints(p, d, 1);
                BuildDisplayList(p, d, 0);
            }
        }
        return;
    }

    // Picks and node edits change what the next program is made from.
    if (!MayAct(p.ctx, CommandClass::ChangeProgram)) return;
    if (d.mMousePointer == 12) {
        if (d.pick.mDeleteCount >= kMaxDeletedNodes) {
            p.op().MsgBox(p.Tr("删除的节点太多，不能再删除！", "Too many nodes have been deleted!"), MsgButtons::Ok,
                          MsgIcon::Warning, p.Tr("操作提示", "Operation Tips"));
            return;
        }
        DeleteNode(d.tables, d.pick, node);
        BuildDisplayList(p, d, 0);
        return;
    }
    if (d.mMousePointer != 0) return;
    const PickResult r = PickNode(d.tables, d.pick, LimitsOf(p.ctx.sys()), d.Core(),
                                  PickOptionsFor(p.ctx.panel.Label4[0], p.ctx.secondBuild), node, shift != 0,
                                  p.op(), lang);
    if (r == PickResult::Opened) {
        BuildDisplayList(p, d, 0);
    } else if (r == PickResult::Closed) {
        Command1_Click(p, d);
    }
}

void Picture1_MouseMove(Program& p, DrawingModel& d, int button, int shift, double X, double Y) {
    if (d.mMousePointer != 5) return;
    auto& panel = p.ctx.panel;
    // One pixel is gViewWidth / picture width drawing units in X and in Y.
    const double unit = panel.gViewWidth / PictureWidth(p);
    const double cy = panel.gViewCenterY - (d.gLastMouseY - Y) * unit;
    const double cx = panel.gViewCenterX - (X - d.gLastMouseX) * unit;
    SetView(p, d, cx, cy, panel.gViewWidth);
    Redraw(d);
    d.gLastMouseX = X;
    d.gLastMouseY = Y;
}

void Picture1_MouseUp(Program& p, DrawingModel& d, int button, int shift, double X, double Y) {
    if (d.mMousePointer != 12 && d.mMousePointer != 2) d.mMousePointer = 0;
}

}  // namespace velbend

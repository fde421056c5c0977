// DrawingModel: the main window's outline and drawing state — the geometry
// engine mCore (created when first needed), the display and node tables,
// the picked ranges and node edits, the recorded display list, the view
// (with MainPanel's gViewCenterX/Y, gViewWidth, gViewAspect, which the run
// timer reads) and the cursor mode of Picture1.  One lives in the main
// window's model; the drawing view paints its display list.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/display_list.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/picking.h"

namespace velbend {

struct DrawingModel {
    std::unique_ptr<CoreAlgorithm> mCore;
    DisplayTables tables;
    PickState pick;
    DisplayList list;
    // Cursor mode of Picture1: 0 normal, 2 add node, 12 delete node, 5 panning.
    int16_t mMousePointer = 0;

    // ---- view (centre, width and aspect live in MainPanel) ----
    double gViewScale = 0;          // picture width in pixels / gViewWidth at the last resize
    double mHomeCenterX = 0, mHomeCenterY = 0, mHomeWidth = 0;  // the fitted view of the outline
    double gLastMouseX = 0, gLastMouseY = 0;                    // last mouse position of a pan

    // ---- picking ----
    double gPickX = 0, gPickY = 0;  // last press in drawing units
    int16_t mPathCount = 0;         // "SPLINE" lines of CtrP.dat at the last measurement
    std::vector<PathMarker> mMarkers;  // slotting points of the path (mMarkerCount = size)

    // ---- outline ----
    int16_t mMirrorY = 0;           // 1 while the outline is shown Y-mirrored
    double gNcZPlane = 0;           // machining plane of the last NC outline

    // Redraw: the view repaints the display list (installed by the view).
    std::function<void()> onRedraw;
    unsigned long long mRedrawCount = 0;

    // mCore, created on the first call.
    CoreAlgorithm& Core() {
        if (!mCore) mCore = std::make_unique<CoreAlgorithm>();
        return *mCore;
    }
};

}  // namespace velbend

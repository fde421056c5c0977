// DrawingModel: the main window's outline and drawing state — the geometry
// engine mCore (created when first needed), the display and node tables,
// the picked ranges and node edits, the recorded display list and the
// cursor mode of Picture1.  One lives in the main window's model; the
// drawing view paints its display list.
#pragma once
#include <cstdint>
#include <memory>

#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/display_list.h"
#include "velbend/geometry/picking.h"

namespace velbend {

struct DrawingModel {
    std::unique_ptr<CoreAlgorithm> mCore;
    DisplayTables tables;
    PickState pick;
    DisplayList list;
    // Cursor mode of Picture1: 0 normal, 2 add node, 12 delete node, 5 panning.
    int16_t mMousePointer = 0;

    // mCore, created on the first call.
    CoreAlgorithm& Core() {
        if (!mCore) mCore = std::make_unique<CoreAlgorithm>();
        return *mCore;
    }
};

}  // namespace velbend

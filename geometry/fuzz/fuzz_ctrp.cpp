// Readers of PointForControl.dat, CtrP.dat and PDdir.dat on arbitrary bytes:
// none may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "velbend/geometry/area.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/display_list.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/picking.h"

using namespace velbend;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 20000) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const uint8_t mode = data[0];

    CtrPSettings s;
    s.Offset = (mode & 3) * 1.5 - 2;
    s.MillRadius = (mode >> 2) & 7;
    s.MillRadiusCoef = (mode & 32) ? 1 : 0.5;
    NodeRecord deleted;
    const std::string ctrp = BuildCtrPText(bytes, s, std::span<const NodeRecord>(&deleted, 1));
    (void)CountControlBlocks(bytes);
    (void)DropLastControlBlock(bytes);

    SysPara sys;
    sys.gMillRadius = s.MillRadius;
    sys.gMillRadiusCoef = s.MillRadiusCoef;
    sys.gSlotThreshold = 10;
    sys.gBendToSlotRThreshold = 5;
    sys.gArcCompP = 0.5;
    sys.gArcCompN = 0.5;
    const ArcRule rule = static_cast<ArcRule>((mode >> 6) % 3);
    for (std::string_view text : {bytes, std::string_view(ctrp)}) {
        (void)CalcPathLength(text, sys, 5, rule, (mode & 1) != 0);
        (void)FillSegmentList(text, sys, rule, (mode & 1) != 0);
        DisplayList list;
        DrawCtrPMarkers(text, sys, 200, 1, list);
        (void)SelectAreaText(text, 1);
    }
    const CoreAlgorithm core;
    (void)PDdirSense(bytes, core);
    return 0;
}

// PointForDisplay.dat on arbitrary bytes: the loader of the outline tables
// and every tool that rewrites or exports the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/geometry/display_data.h"
#include "velbend/geometry/outline_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    velbend::DisplayTables t;
    if (velbend::ParseDisplayPoints(bytes, t, 1).empty()) {
        if (t.mDisplayPointCount != static_cast<int32_t>(t.mDisplayPoints.size())) __builtin_trap();
        if (t.mNodeCount != static_cast<int16_t>(t.mNodes.size())) __builtin_trap();
        for (int i = 1; i < t.mNodeCount; ++i)
            if (t.mNodes[i].PointIndex < 0 || t.mNodes[i].PointIndex >= t.mDisplayPointCount) __builtin_trap();
    }
    std::string thin = velbend::ThinDisplayText(bytes);
    std::string unique = velbend::RemoveDuplicateText(thin);
    // Removing duplicates twice changes nothing more (a byte-order mark
    // opening the text is dropped by every reading, so it is left aside).
    if (unique.rfind("\xEF\xBB\xBF", 0) != 0 && velbend::RemoveDuplicateText(unique) != unique) __builtin_trap();
    std::string mirrored = velbend::MirrorDisplayText(unique);
    (void)velbend::ShapePltText(mirrored);
    return 0;
}

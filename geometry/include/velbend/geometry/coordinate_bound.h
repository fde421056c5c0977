// What the machine and the outline import admit: a coordinate, or a move,
// within +-kMaxCoordinate mm (degrees on the bend axis).  No letter is a
// hundred metres wide, and the bound keeps every subdivision finite.
#pragma once

namespace velbend {

inline constexpr double kMaxCoordinate = 100000.0;

}  // namespace velbend

// Private helpers of the control-path writers: fixed-point number text
// without allocation.
#pragma once
#include <cmath>
#include <string>

#include "velbend/common/numtext.h"

namespace velbend::pathtext {

// Format(v, "0.000...") with `decimals` places, appended without
// allocating; these files write a non-finite value as 0.
inline void AppendFixed(std::string& out, double v, int decimals) {
    velbend::AppendFixed(out, std::isfinite(v) ? v : 0.0, decimals);
}

// One record "x y type a b c" of the pick and direction files: x and y with
// six decimals, a, b and c with eight, CR LF.  `type` is one digit.
void AppendRecord(std::string& out, double x, double y, int type, double a, double b, double c);

}  // namespace velbend::pathtext

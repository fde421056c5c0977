// Private helpers of the control-path readers and writers: fields split at
// single blanks and fixed-point number text without allocation.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/common/numtext.h"

namespace velbend::pathtext {

// Up to `N` fields of a line split at single blanks (two blanks in a row
// give an empty field); `count` is the number of fields in the line.
template <int N>
struct Split {
    std::string_view f[N];
    int count = 0;
    explicit Split(std::string_view line) {
        size_t start = 0;
        for (;;) {
            size_t sp = line.find(' ', start);
            std::string_view field =
                line.substr(start, sp == std::string_view::npos ? std::string_view::npos : sp - start);
            if (count < N) f[count] = field;
            ++count;
            if (sp == std::string_view::npos) break;
            start = sp + 1;
        }
    }
    std::string_view operator[](int i) const { return i < count && i < N ? f[i] : std::string_view(); }
};

// Format(v, "0.000...") with `decimals` places, appended without
// allocating; these files write a non-finite value as 0.
inline void AppendFixed(std::string& out, double v, int decimals) {
    velbend::AppendFixed(out, std::isfinite(v) ? v : 0.0, decimals);
}

// One record "x y type a b c" of the pick and direction files: x and y with
// six decimals, a, b and c with eight, CR LF.  `type` is one digit.
void AppendRecord(std::string& out, double x, double y, int type, double a, double b, double c);

}  // namespace velbend::pathtext

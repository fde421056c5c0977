// Private helpers of the control-path readers and writers: fields split at
// single blanks and fixed-point number text without allocation.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

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

// v rounded half away from zero on its 15-digit decimal value to
// `decimals` places (0..8); no minus sign when the result is zero.  The same
// text as Format(v, "0.000...").  Non-finite values are written as "0".
void AppendFixed(std::string& out, double v, int decimals);

}  // namespace velbend::pathtext

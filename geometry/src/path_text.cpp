// Fixed-point number text of the control-path files.
#include "path_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace velbend::pathtext {

void AppendFixed(std::string& out, double v, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 8) decimals = 8;
    if (!std::isfinite(v) || v == 0) {
        out.push_back('0');
        if (decimals > 0) {
            out.push_back('.');
            out.append(static_cast<size_t>(decimals), '0');
        }
        return;
    }
    // 15 significant digits: d.dddddddddddddde+XX
    char sci[40];
    auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 14);
    *r.ptr = '\0';
    char* e = sci;
    while (e < r.ptr && *e != 'e') ++e;
    int point = std::atoi(e + 1) + 1;  // the decimal point stands after `point` digits
    char digits[400];
    int len = 0;
    if (point <= 0) {
        int zeros = -point + 1;
        if (zeros > 20) zeros = 20;  // far below the last decimal kept
        for (int i = 0; i < zeros; ++i) digits[len++] = '0';
        point = 1;
    }
    if (point > 330) point = 330;
    digits[len++] = sci[0];
    for (char* p = sci + 2; p < e; ++p) digits[len++] = *p;
    int keep = point + decimals;
    if (keep < len) {
        bool up = digits[keep] >= '5';
        len = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                for (int k = len; k > 0; --k) digits[k] = digits[k - 1];
                digits[0] = '1';
                ++len;
                ++point;
            }
        }
    } else {
        while (len < keep) digits[len++] = '0';
    }
    int start = 0;
    while (start < point - 1 && digits[start] == '0') ++start;
    bool zero = true;
    for (int i = 0; i < len; ++i)
        if (digits[i] != '0') { zero = false; break; }
    if (v < 0 && !zero) out.push_back('-');
    out.append(digits + start, digits + point);
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits + point, digits + point + decimals);
    }
}

}  // namespace velbend::pathtext

// Number text: classic print form, fixed patterns, Val and integer rounding.
#include "velbend/common/numtext.h"

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace velbend {

namespace {

// Shared tail of Str/StrSingle: C's %.<prec>G, the "0" before the point
// dropped, a blank before a non-negative value.
std::string PrintForm(double v, int prec) {
    if (std::isnan(v)) return " NaN";
    if (std::isinf(v)) return v > 0 ? " Inf" : "-Inf";
    if (v == 0) return " 0";  // also -0
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", prec, v);
    std::string s(buf);
    bool neg = s[0] == '-';
    std::string body = neg ? s.substr(1) : s;
    if (body.size() >= 2 && body[0] == '0' && body[1] == '.') body.erase(0, 1);
    return (neg ? "-" : " ") + body;
}

constexpr int kMaxDecimals = 8;

// The 15 significant digits of a (finite, > 0) as %.14e prints them, the
// exact binary value rounded half to even: digits[0..14] and the decimal
// exponent of the first digit.
void FifteenDigits(double a, char* digits, int& exp10) {
    // Fast path: the shortest text that reads back as a, rounded to 15
    // digits.  It rounds like the exact binary value except when the
    // shortest text ends exactly on the halfway point (16 digits, the last
    // a 5); then the exact value decides.
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific);
    *r.ptr = '\0';
    char* e = buf;
    while (e < r.ptr && *e != 'e') ++e;
    char sig[24];
    int n = 0;
    for (char* p = buf; p < e && n < 20; ++p)
        if (*p != '.') sig[n++] = *p;
    int ex = 0;
    {
        const char* p = e + 1;
        bool neg = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        while (*p >= '0' && *p <= '9') ex = ex * 10 + (*p++ - '0');
        if (neg) ex = -ex;
    }
    if (n <= 15 || !(n == 16 && sig[15] == '5')) {
        bool up = n > 15 && (sig[15] > '5' || (sig[15] == '5' && n > 16));
        for (int i = 0; i < 15; ++i) digits[i] = i < n ? sig[i] : '0';
        if (up) {
            int i = 14;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                ++ex;
            }
        }
        exp10 = ex;
        return;
    }
    auto r2 = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific, 14);
    *r2.ptr = '\0';
    e = buf;
    while (e < r2.ptr && *e != 'e') ++e;
    n = 0;
    for (char* p = buf; p < e && n < 15; ++p)
        if (*p != '.') digits[n++] = *p;
    exp10 = std::atoi(e + 1);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest numeric prefix of s starting at i (sign, digits,
// point, exponent).  `mantissaDigits` tells whether any digit was seen.
size_t ScanNumber(std::string_view s, size_t i, bool& mantissaDigits, bool& expComplete) {
    size_t start = i;
    mantissaDigits = false;
    expComplete = true;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && IsDigit(s[i])) { ++i; mantissaDigits = true; }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) { ++i; mantissaDigits = true; }
    }
    if (!mantissaDigits) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t k = j;
        while (k < s.size() && IsDigit(s[k])) ++k;
        if (k > j) {
            i = k;
        } else {
            expComplete = false;  // "1E" or "1E+": the exponent is dropped
        }
    }
    return i - start;
}

double ParseNumber(std::string_view text) {
    // text: [sign] digits [. digits] [E [sign] digits]
    bool neg = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        neg = text[0] == '-';
        text.remove_prefix(1);
    }
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v,
                             std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow with the C locale's strtod.
        std::string t(text);
        locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
        double w = c ? strtod_l(t.c_str(), nullptr, c) : 0.0;
        if (c) freelocale(c);
        v = std::isinf(w) || w > 1 ? DBL_MAX : 0.0;
    } else if (r.ec != std::errc()) {
        v = 0;
    }
    return neg ? -v : v;
}

}  // namespace

std::string Str(double v) { return PrintForm(v, 15); }

std::string StrSingle(float v) { return PrintForm(static_cast<double>(v), 7); }

std::string Str(long long v) {
    std::string s = std::to_string(v);
    return v >= 0 ? " " + s : s;
}

void AppendFixed(std::string& out, double v, int decimals) {
    if (!std::isfinite(v)) {
        out.append(std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf"));
        return;
    }
    if (decimals < 0) decimals = 0;
    if (decimals > kMaxDecimals) decimals = kMaxDecimals;
    if (v == 0) {
        out.push_back('0');
        if (decimals > 0) {
            out.push_back('.');
            out.append(static_cast<size_t>(decimals), '0');
        }
        return;
    }
    char sig[15];
    int e10 = 0;
    FifteenDigits(std::fabs(v), sig, e10);
    // The digits with the decimal point after `point` of them.  Below 1 at
    // most kMaxDecimals + 2 leading zeros are written: every digit kept and
    // the one that decides the rounding lie within them, so more would change
    // nothing.  Above 1 there are at most DBL_MAX_10_EXP + 1 integer digits,
    // padded with `decimals` zeros; a carry out of the first digit happens
    // only when fewer than 15 digits are kept.
    char digits[DBL_MAX_10_EXP + 1 + kMaxDecimals + 1];
    int len = 0;
    int point = e10 + 1;
    if (point <= 0) {
        int zeros = -point + 1;
        if (zeros > kMaxDecimals + 2) zeros = kMaxDecimals + 2;
        for (int i = 0; i < zeros; ++i) digits[len++] = '0';
        point = 1;
    }
    for (int i = 0; i < 15; ++i) digits[len++] = sig[i];
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
    // Integer part without leading zeros (one kept).
    int start = 0;
    while (start < point - 1 && digits[start] == '0') ++start;
    bool zero = true;
    for (int i = 0; i < len; ++i)
        if (digits[i] != '0') { zero = false; break; }
    if (v < 0 && !zero) out.push_back('-');
    out.append(digits + start, digits + point);
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits + point, digits + len);
    }
}

std::string Format(double v, std::string_view pattern) {
    int decimals = -1;
    bool fourDigits = false;
    if (pattern == "0") decimals = 0;
    else if (pattern == "0.0") decimals = 1;
    else if (pattern == "0.00") decimals = 2;
    else if (pattern == "0.000") decimals = 3;
    else if (pattern == "0.0000") decimals = 4;
    else if (pattern == "0.000000") decimals = 6;
    else if (pattern == "0.00000000") decimals = 8;
    else if (pattern == "0000") { decimals = 0; fourDigits = true; }
    if (decimals < 0 || !std::isfinite(v)) {
        std::string s = Str(v);
        if (!s.empty() && s[0] == ' ') s.erase(0, 1);
        return s;
    }
    std::string out;
    AppendFixed(out, v, decimals);
    if (fourDigits) {
        size_t sign = out[0] == '-' ? 1 : 0;
        if (out.size() - sign < 4) out.insert(sign, 4 - (out.size() - sign), '0');
    }
    return out;
}

double Val(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool digits = false, expComplete = true;
    size_t n = ScanNumber(s, i, digits, expComplete);
    if (n == 0) return 0;
    std::string_view num = s.substr(i, n);
    return ParseNumber(num);
}

bool IsNumeric(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool digits = false, expComplete = true;
    size_t n = ScanNumber(s, i, digits, expComplete);
    if (n == 0 || !expComplete) return false;
    i += n;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return i == s.size();
}

double RoundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    double fl = std::floor(v);
    double diff = v - fl;
    if (diff < 0.5) return fl;
    if (diff > 0.5) return fl + 1;
    return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

std::optional<int16_t> ToInteger(double v) {
    if (std::isnan(v)) return std::nullopt;
    double r = RoundHalfEven(v);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int16_t>(r);
}

std::optional<int32_t> ToLong(double v) {
    if (std::isnan(v)) return std::nullopt;
    double r = RoundHalfEven(v);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int64_t> ToInt64(double v) {
    if (std::isnan(v)) return std::nullopt;
    double r = RoundHalfEven(v);
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
    return static_cast<int64_t>(r);
}

PrintLine& PrintLine::Num(double v) {
    s_ += Str(v);
    s_ += ' ';
    return *this;
}

PrintLine& PrintLine::NumSingle(float v) {
    s_ += StrSingle(v);
    s_ += ' ';
    return *this;
}

PrintLine& PrintLine::Int(long long v) {
    s_ += Str(v);
    s_ += ' ';
    return *this;
}

PrintLine& PrintLine::Text(std::string_view s) {
    s_ += s;
    return *this;
}

PrintLine& PrintLine::Zone() {
    // Next zone start (0-based multiples of 14) that the text does not reach.
    size_t len = s_.size();
    size_t target = len == 0 ? 14 : (len + 13) / 14 * 14;
    s_.append(target - len, ' ');
    return *this;
}

}  // namespace velbend

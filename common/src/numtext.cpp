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

// Digits of |v| rounded to 15 significant digits: v = 0.d1d2...d15 x 10^exp10.
struct Decimal {
    std::string digits;  // 15 digits, first non-zero
    int exp10 = 0;       // position of the decimal point after `exp10` digits
};

Decimal ToDecimal(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));  // d.dddddddddddddde+XX
    Decimal d;
    std::string s(buf);
    auto e = s.find('e');
    d.digits = s.substr(0, 1) + s.substr(2, e - 2);
    d.exp10 = std::atoi(s.c_str() + e + 1) + 1;
    return d;
}

// |v| rounded half away from zero to `decimals` places, as integer digits
// and fraction digits (without sign).
void RoundDecimal(double v, int decimals, std::string& intPart, std::string& fracPart) {
    intPart.clear();
    fracPart.clear();
    if (v == 0) {
        intPart = "0";
        fracPart.assign(decimals, '0');
        return;
    }
    Decimal d = ToDecimal(v);
    // Full digit string with the point after position `point`.
    std::string digits = d.digits;
    int point = d.exp10;
    if (point <= 0) {  // leading zeros after the point
        digits.insert(0, static_cast<size_t>(-point) + 1, '0');
        point = 1;
    }
    int keep = point + decimals;  // digits kept
    if (keep < static_cast<int>(digits.size())) {
        bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(0, 1, '1');
                ++point;
            }
        }
    } else {
        digits.append(keep - digits.size(), '0');
    }
    intPart = digits.substr(0, point);
    fracPart = digits.substr(point);
    // Strip leading zeros of the integer part (keep one).
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
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
    std::string ip, fp;
    RoundDecimal(v, decimals, ip, fp);
    if (fourDigits && ip.size() < 4) ip.insert(0, 4 - ip.size(), '0');
    bool zero = ip.find_first_not_of('0') == std::string::npos &&
                fp.find_first_not_of('0') == std::string::npos;
    std::string out = (v < 0 && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0) out += "." + fp;
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

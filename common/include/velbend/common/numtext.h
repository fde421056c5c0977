// Number text as the machine's files hold it: classic print form, fixed
// patterns, the lenient text-to-number conversion and integer rounding.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velbend {

// Classic print form of a 64-bit value: a blank before a non-negative number,
// no zero before the point (" .5", "-.5"), shortest form of at most 15
// significant digits, E notation with at least two exponent digits outside
// 1E-5 <= |x| < 1E15 (" 1E-05", " 1.5E+20").  No trailing blank.
std::string Str(double v);
// The same for a 32-bit (Single) value: at most 7 significant digits.
std::string StrSingle(float v);
// Integers in the same form (" 5", "-5").
std::string Str(long long v);
inline std::string Str(int v) { return Str(static_cast<long long>(v)); }
inline std::string Str(int16_t v) { return Str(static_cast<long long>(v)); }

// Fixed patterns "0", "0.0", "0.00", "0.000", "0.0000", "0.000000",
// "0.00000000" and "0000" (zero-padded integer, at least 4 digits).
// Rounds half away from zero on the decimal value (1.005 -> "1.01" with
// "0.00", as the decimal text says, not the binary approximation); a value
// that rounds to zero is written without a minus sign.  Any other pattern
// falls back to Str without its leading blank.
std::string Format(double v, std::string_view pattern);
// The text of Format(v, "0.000...") with `decimals` places (0..8; outside
// that range the nearer end is taken) appended to out without allocating
// beyond the growth of out: rounded half away from zero on the 15-digit
// decimal value, no minus sign when the result is zero, "NaN", "Inf" and
// "-Inf" for non-finite values.  Any double is safe, however large or small.
void AppendFixed(std::string& out, double v, int decimals);

// Lenient conversion: leading blanks (space, tab) skipped, optional sign,
// digits with an optional '.', optional exponent (E/e, sign, digits); stops
// at the first other character; 0 when nothing numeric leads.  Always '.',
// never the user's locale.
double Val(std::string_view s);
// True when s holds a number and nothing else but blanks (for checks that
// refuse "a number that is not one").
bool IsNumeric(std::string_view s);

// Round half to even (banker's rounding) to an integral double.
double RoundHalfEven(double v);
// 16-bit Integer / 32-bit Long from a double: half to even; nullopt when the
// rounded value is out of range or v is NaN (the caller keeps its old value).
std::optional<int16_t> ToInteger(double v);
std::optional<int32_t> ToLong(double v);
// 64-bit variant for pulse arithmetic; nullopt outside int64 range or NaN.
std::optional<int64_t> ToInt64(double v);

// One line of `Print #` items.  A comma between items moves to the next
// 14-column zone (columns 1, 15, 29, ...; when the text already reaches or
// passes a zone start, the next one); a semicolon joins directly.  A number
// item is written as Str(v) followed by one blank.
class PrintLine {
public:
    PrintLine& Num(double v);          // Str(v) + " "
    PrintLine& NumSingle(float v);     // StrSingle(v) + " "
    PrintLine& Int(long long v);       // Str(v) + " "
    PrintLine& Text(std::string_view s);
    PrintLine& Zone();                 // the ',' separator
    const std::string& str() const { return s_; }
private:
    std::string s_;
};

}  // namespace velbend

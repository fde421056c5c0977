// Shared pieces of the writers and readers of the outline work files:
// number text of the point lines, fields of a line, messages and the
// replacement of a work file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "path_text.h"
#include "velbend/geometry/coordinate_bound.h"
#include "velbend/common/numtext.h"
#include "velbend/common/textfile.h"

namespace velbend {

class Operator;

namespace geo {

// A refusal told to the operator in both languages.
struct Fault {
    std::string zh;
    std::string en;
    const std::string& Text(int16_t language) const { return language == 0 ? zh : en; }
};

// The title of an error message box.
const char* WrongTitle(int16_t language);
void ShowFault(Operator& op, int16_t language, const Fault& f);

// Format(v, "0.000...") appended without allocating, as common has it.
using velbend::AppendFixed;

// v rounded to three decimals and written with six ("12.346000"), the same
// text as AppendFixed(v, 3) followed by "000", faster for the usual values.
void AppendRounded3(std::string& out, double v);

// "x y" with six decimals (+ " Node") and CR LF.
void AppendPointLine(std::string& out, double x, double y, bool node);
// "SPLINE" followed by the classic form of n ("SPLINE 1") and CR LF.
void AppendHeader(std::string& out, long long n);
inline void AppendLine(std::string& out, std::string_view s) {
    out.append(s);
    out.append("\r\n");
}

// Fields of a line split at single blanks (consecutive blanks give empty
// fields, as the readers of these files always did); the first three are
// kept, `count` is the number of fields in the line.
using Fields = BlankFields<3>;
inline bool IsHeader(const Fields& fl) { return fl.count > 0 && fl[0] == "SPLINE"; }

// Numeric prefix of a field (leading blanks, sign, digits, point, exponent);
// 0 when nothing numeric leads.
double NumPrefix(std::string_view s);

// Reads a work file of the program folder; a fault naming it when it is
// missing or unreadable.
bool ReadWorkFile(std::string_view name, std::string& bytes, Fault* fault);
// Writes a whole work file (atomically); the operator is told on failure and
// the old file stays.  A file that the caller renames over the work file
// `replaced` gets that file's permissions.
bool WriteWorkFile(std::string_view name, std::string_view bytes, Operator& op, int16_t language,
                   std::string_view replaced = {});
// Writes PointForDisplay0.dat and renames it over PointForDisplay.dat, which
// keeps its permissions.
bool ReplaceDisplayFile(std::string_view bytes, Operator& op, int16_t language);

// Coordinates beyond kMaxCoordinate (coordinate_bound.h) are refused by the importers.
using velbend::kMaxCoordinate;
// At most this many lines of a display file are written by one import.
inline constexpr long long kMaxDisplayLines = 2000000;

}  // namespace geo
}  // namespace velbend

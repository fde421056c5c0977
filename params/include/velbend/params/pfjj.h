// The pat-arc spacing table of the current curvature group:
// SysPara/pfjj_<g>.ini, its four default rows and their copy pfjj.ini.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/common/operator.h"
#include "velbend/params/store.h"

namespace velbend {

using PfjjTable = std::array<PfjjRow, 11>;

// Reads number pairs (radius limit, spacing) until the end of the bytes, at
// most 11; a pair whose spacing is 0 ends the table and is not part of it.
// Returns the number of rows read; rows at and above it are not touched.
// *damaged (if given): an item read that is not a number, or a radius
// without its spacing at the end.
int16_t ParsePfjj(std::string_view bytes, PfjjTable& rows, bool* damaged = nullptr);
// The four default rows (40, 1), (100, 2), (240, 3) and Others (0, 4).
void SetDefaultPfjj(PfjjTable& rows, int16_t& last);
// One line per row 0..last-1 (row 0 alone when last is 0) in print zones.
std::string PfjjBytes(const PfjjTable& rows, int16_t last);

std::string PfjjFileName(int group);  // "SysPara/pfjj_<g>.ini"

// Reads the table of curvature group `group` (a missing or unreadable file
// reads as empty).  A damaged file (see ParsePfjj): one message naming it
// (ReportUnreadFiles); a missing or empty one, or one whose first row has
// spacing 0, gives none.  When it gives no row: the default rows, written
// to pfjj.ini.  False only when pfjj.ini could not be written.
bool LoadPfjj(ParamStore& st, int16_t group, Operator& op);

// Writes rows 0..gPfjjLast-1 to SysPara/pfjj_<group>.ini (WriteParamFile).
bool SavePfjj(const ParamStore& st, int16_t group);

}  // namespace velbend

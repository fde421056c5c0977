// What every window model shares: caption tables as data, the title of a
// dialog that edits a parameter group, and fields bound to the lines of the
// system-parameter table.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "velbend/common/operator.h"
#include "velbend/params/store.h"
#include "velbend/params/sysfile.h"

namespace velbend {

// One control's caption in both languages.  name is the control's name as
// the window documents it ("Command10(4)", "Label1(3)", "打开"); the name
// "Form" stands for the window's own title.
struct Caption {
    const char* name;
    const char* zh;
    const char* en;
};
inline const char* CaptionText(const Caption& c, int16_t language) {
    return language == 0 ? c.zh : c.en;
}
// The caption of `name` in a table (nullptr when the table has none).
const char* FindCaption(std::span<const Caption> table, std::string_view name, int16_t language);

// Name of an element of a control array: "Command10(4)".
std::string Indexed(std::string_view base, int index);

// Title of a dialog that edits the parameters of a group: the caption, "-"
// and the name of the current system-parameter group (nothing after the
// "-" when the group number is outside 0..9).
std::string DialogTitle(std::string_view caption, const ParamStore& st);

// ---- fields bound to a line of the system-parameter table ----------------

// The value of line 1..90 of a table as a number (the string line reads 0).
double SysParaValue(const SysPara& t, int line);
// The kind of line 1..90 (Double, Integer, Long, String).
SysParaField::Kind SysParaKind(int line);

// The text a box shows for a number: the classic print form (" 10", "-.25").
std::string FieldText(double v);

// Text typed into a box bound to line `line` of the working copy `t`:
// the lenient conversion (Val); an Integer line takes the value rounded
// half to even, a Long line likewise.  A value outside the line's integer
// range is refused: the line keeps its previous value, the operator is told
// (current language) and false is returned.
bool TakeFieldText(SysPara& t, int line, std::string_view text, Operator& op, int16_t language);

// The same for a bare 16-bit or 32-bit variable (not a table line).
bool TakeInteger(int16_t& target, std::string_view text, Operator& op, int16_t language);
bool TakeLong(int32_t& target, std::string_view text, Operator& op, int16_t language);

// The out-of-range message: "数值超出范围：<text>" / "Value out of range: <text>".
void ReportOutOfRange(Operator& op, int16_t language, std::string_view text);

// The new equivalent that a calibration panel applies: false, with one
// message (the old one is kept), when its text is empty or reads 0, so that
// no Save can store an equivalent every move divides by.
bool NewEquivalentUsable(Operator& op, int16_t language, std::string_view text);

struct Program;

// A command that changes what a program is made from (a menu command, the
// contour offset, a parameter Save): true when the machine's state admits
// it now (MayAct, run_state.h); else the operator is told so in one message
// of the current language, and false: the caller then changes nothing.
bool AdmitsProgramChange(Program& program);

// ---- Save of a dialog that edits the current group's table ----------------

// The dialog has put its values into the system-parameter table, which held
// `before` until then: the one save of a table change (table_save.h) with
// the program's geometry hand-off.  Refused unless the machine admits a
// change, the table put back when the file cannot be written; the dialog
// keeps its edits for another try.  False then.  `putBack`, when given, puts
// back what the dialog changed beside the table, at the same moment.
bool SaveGroupTable(Program& program, const SysPara& before, const std::function<void()>& putBack = nullptr);

}  // namespace velbend

// The system-parameter file SysPara/SYS_<g>.ini: its 90 lines described once
// and the loader and writer built on that description.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "velbend/common/operator.h"
#include "velbend/params/store.h"

namespace velbend {

// The geometry engine's TranParas(gConDet, gLineDis, gPJAngle, gComp,
// gCutterAngle / 2, 105.0), installed by the program (params does not know
// the geometry engine); it creates the main window's engine when there is
// none yet.  May be empty.
using TranParasFn = std::function<void(double conDet, double lineDis, double pjAngle,
                                       int16_t comp, double halfCutterAngle, double sixth)>;

// Hands the geometry values of the table to `tranParas` (if installed).
void HandOnGeometry(const SysPara& t, const TranParasFn& tranParas);

// One line of the file.
struct SysParaField {
    enum class Kind { Double, Integer, Long, String };
    using Ref = std::variant<double*, int16_t*, int32_t*, std::string*>;
    int line;                          // 1..90
    Kind kind;                         // Integer may be held in an int32_t (AutoFeedrate)
    Ref (*ref)(SysPara&);              // the entry in a table
    std::optional<double> defaultValue;// given when the file ends before the line
    const char* defaultDesc;           // UTF-8; nullptr: the line keeps its description
};

// The 90 lines in file order (index 0 is line 1).
const std::array<SysParaField, 90>& SysParaFields();

// What reading a file found.
struct SysParaReadResult {
    bool missing = false;   // the file could not be opened or read
    bool shortFile = false; // it ends before line 73
    bool damaged = false;   // a value that is not a number or is out of range (kept as it was)
    int lines = 0;          // lines with content
    bool ok() const { return !missing && !shortFile && !damaged; }
};

// Reads file bytes into `t` line by line.  Lines 1-73 are read when present,
// lines 74 and 75 only while the file has more, lines 76-90 likewise, else
// they take their default description (and default value where one is
// given).  An entry the file does not give keeps what `t` holds.
SysParaReadResult ParseSysPara(std::string_view bytes, SysPara& t);
// The same on a file; a missing file reads like an empty one.
SysParaReadResult ReadSysParaFile(const std::string& relName, SysPara& t);
// File bytes of the table: 90 lines, CR LF, run mode written as 0.
std::string SysParaBytes(const SysPara& t);

// "SysPara/SYS_<g>.ini"
std::string SysParaFileName(int group);

// Fills gSysParaTable from SysPara/SYS_<group>.ini.  A missing, empty, short
// or damaged file never stops the program: the table keeps what the file
// does not give and one message names the file.  True when the file read
// whole.
bool LoadSysPara(ParamStore& st, int16_t group, Operator& op);

// Writes the whole table to SysPara/SYS_<group>.ini (atomically; a file
// start-up found damaged is kept first, see WriteParamFile), hands the
// geometry values on, and shows "参数保存成功！"/"Save OK!" when tsh is 0.  A
// failed write leaves the old file, always shows a failure message naming the
// file and returns false.
bool SaveSysPara(ParamStore& st, int16_t group, int16_t tsh, Operator& op,
                 const TranParasFn& tranParas);

// The message shown when a parameter file reads short or damaged, or is
// missing (its name relative to the program folder); it also says where a
// damaged file is kept before it is rewritten (NoteDamagedFiles).
void ReportUnreadFiles(ParamStore& st, Operator& op, const std::string& file);

}  // namespace velbend

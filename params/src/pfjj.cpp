// The pat-arc spacing table and its files.
#include "velbend/params/pfjj.h"

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/params/damaged.h"
#include "velbend/params/sysfile.h"

#include <algorithm>
#include <vector>

namespace velbend {

namespace {

bool IsSep(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; }

}  // namespace

int16_t ParsePfjj(std::string_view bytes, PfjjTable& rows, bool* damaged) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::vector<std::string_view> items;
    for (size_t i = 0; i < bytes.size();) {
        while (i < bytes.size() && IsSep(bytes[i])) ++i;
        size_t s = i;
        while (i < bytes.size() && !IsSep(bytes[i])) ++i;
        if (i > s) items.push_back(bytes.substr(s, i - s));
    }
    int16_t n = 0;
    size_t k = 0;
    bool bad = false;
    for (; k + 1 < items.size() && n < static_cast<int16_t>(rows.size()); k += 2) {
        bad = bad || !IsNumeric(items[k]) || !IsNumeric(items[k + 1]);
        double spacing = Val(items[k + 1]);
        if (spacing == 0) break;
        rows[n].RadiusLimit = Val(items[k]);
        rows[n].Spacing = spacing;
        ++n;
    }
    // A radius without its spacing at the end.
    if (damaged) *damaged = bad || (k + 1 == items.size() && n < static_cast<int16_t>(rows.size()));
    return n;
}

void SetDefaultPfjj(PfjjTable& rows, int16_t& last) {
    rows[0] = {40, 1};
    rows[1] = {100, 2};
    rows[2] = {240, 3};
    rows[3] = {0, 4};
    last = 4;
}

std::string PfjjBytes(const PfjjTable& rows, int16_t last) {
    int n = std::clamp<int>(last, 1, static_cast<int>(rows.size()));
    TextBuilder b;
    for (int i = 0; i < n; ++i) b.Line(PrintLine().Num(rows[i].RadiusLimit).Zone().Num(rows[i].Spacing).str());
    return b.bytes();
}

std::string PfjjFileName(int group) { return "SysPara/pfjj_" + Format(group, "0") + ".ini"; }

bool LoadPfjj(ParamStore& st, int16_t group, Operator& op) {
    const std::string name = PfjjFileName(group);
    auto bytes = ReadFileBytes(ProgramFile(name));
    bool damaged = false;
    st.gPfjjLast = bytes ? ParsePfjj(*bytes, st.gPfjjTable, &damaged) : 0;
    // A group without a table of its own (no file, an empty one, or one
    // ending at its first row) is a normal state: only damage is reported.
    if (damaged) ReportUnreadFiles(st, op, name);
    if (st.gPfjjLast != 0) return true;
    SetDefaultPfjj(st.gPfjjTable, st.gPfjjLast);
    if (WriteFileAtomic(ProgramFile("pfjj.ini"), PfjjBytes(st.gPfjjTable, st.gPfjjLast))) return true;
    op.MsgBox(Tr(st.gLanguage, "参数保存失败：", "Save failed: ") + std::string("pfjj.ini"),
              MsgButtons::Ok, MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
    return false;
}

bool SavePfjj(const ParamStore& st, int16_t group) {
    return WriteParamFile(st, PfjjFileName(group), PfjjBytes(st.gPfjjTable, st.gPfjjLast));
}

}  // namespace velbend

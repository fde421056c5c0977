#include "velbend/forms/dialog_common.h"

#include <limits>
#include <variant>

#include "velbend/common/numtext.h"
#include "velbend/forms/program.h"
#include "velbend/machine/table_save.h"

namespace velbend {

const char* FindCaption(std::span<const Caption> table, std::string_view name, int16_t language) {
    for (const Caption& c : table)
        if (name == c.name) return CaptionText(c, language);
    return nullptr;
}

std::string Indexed(std::string_view base, int index) {
    std::string s(base);
    s += '(';
    s += std::to_string(index);
    s += ')';
    return s;
}

std::string DialogTitle(std::string_view caption, const ParamStore& st) {
    std::string s(caption);
    s += '-';
    if (st.gSysGroup >= 0 && st.gSysGroup < static_cast<int16_t>(st.gSysGroupNames.size()))
        s += st.gSysGroupNames[static_cast<std::size_t>(st.gSysGroup)];
    return s;
}

namespace {

const SysParaField* FieldOf(int line) {
    if (line < 1 || line > 90) return nullptr;
    return &SysParaFields()[static_cast<std::size_t>(line - 1)];
}

}  // namespace

SysParaField::Kind SysParaKind(int line) {
    const SysParaField* f = FieldOf(line);
    return f ? f->kind : SysParaField::Kind::String;
}

double SysParaValue(const SysPara& t, int line) {
    const SysParaField* f = FieldOf(line);
    if (!f) return 0;
    auto ref = f->ref(const_cast<SysPara&>(t));
    return std::visit(
        [](auto* p) -> double {
            if constexpr (std::is_same_v<decltype(p), std::string*>) return 0;
            else return static_cast<double>(*p);
        },
        ref);
}

std::string FieldText(double v) { return Str(v); }

void ReportOutOfRange(Operator& op, int16_t language, std::string_view text) {
    std::string msg = language == 0 ? "数值超出范围：" : "Value out of range: ";
    msg += text;
    op.MsgBox(msg, MsgButtons::Ok, MsgIcon::Warning, language == 0 ? "操作提示" : "Operation Tips");
}

bool NewEquivalentUsable(Operator& op, int16_t language, std::string_view text) {
    if (Val(text) != 0) return true;
    op.MsgBox(language == 0 ? "新当量无效，原当量保持不变！" : "Invalid New Pulse Equivalent, the old one is kept!",
              MsgButtons::Ok, MsgIcon::Warning, language == 0 ? "操作提示" : "Operation Tips");
    return false;
}

bool TakeInteger(int16_t& target, std::string_view text, Operator& op, int16_t language) {
    auto v = ToInteger(Val(text));
    if (!v) {
        ReportOutOfRange(op, language, text);
        return false;
    }
    target = *v;
    return true;
}

bool TakeLong(int32_t& target, std::string_view text, Operator& op, int16_t language) {
    auto v = ToLong(Val(text));
    if (!v) {
        ReportOutOfRange(op, language, text);
        return false;
    }
    target = *v;
    return true;
}

bool TakeFieldText(SysPara& t, int line, std::string_view text, Operator& op, int16_t language) {
    const SysParaField* f = FieldOf(line);
    if (!f) return false;
    auto ref = f->ref(t);
    if (auto* d = std::get_if<double*>(&ref)) {
        **d = Val(text);
        return true;
    }
    if (auto* i = std::get_if<int16_t*>(&ref)) return TakeInteger(**i, text, op, language);
    if (auto* l = std::get_if<int32_t*>(&ref)) {
        if (f->kind == SysParaField::Kind::Integer) {
            int16_t v = 0;
            if (!TakeInteger(v, text, op, language)) return false;
            **l = v;
            return true;
        }
        return TakeLong(**l, text, op, language);
    }
    return false;  // the string line is not a number field
}

bool AdmitsProgramChange(Program& program) { return AdmitsChange(program.ctx); }

bool SaveGroupTable(Program& program, const SysPara& before, const std::function<void()>& putBack) {
    return SaveGroupTable(program.ctx, before, program.tranParas, putBack);
}

}  // namespace velbend

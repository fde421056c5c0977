// SysPara/SYS_<g>.ini: the 90 lines, their reading and writing.
#include "velbend/params/sysfile.h"

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/params/damaged.h"

#include <cmath>
#include <vector>

namespace velbend {

namespace {

using K = SysParaField::Kind;
using Ref = SysParaField::Ref;

#define VB_D(line, m) SysParaField{line, K::Double, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, nullptr}
#define VB_I(line, m) SysParaField{line, K::Integer, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, nullptr}
#define VB_L(line, m) SysParaField{line, K::Long, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, nullptr}
#define VB_S(line, m) SysParaField{line, K::String, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, nullptr}
// Lines 76-90: a default description, sometimes a default value.
#define VB_DX(line, m, desc) SysParaField{line, K::Double, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, desc}
#define VB_IX(line, m, desc) SysParaField{line, K::Integer, [](SysPara& t) -> Ref { return &t.m; }, std::nullopt, desc}
#define VB_DV(line, m, v, desc) SysParaField{line, K::Double, [](SysPara& t) -> Ref { return &t.m; }, v, desc}
#define VB_IV(line, m, v, desc) SysParaField{line, K::Integer, [](SysPara& t) -> Ref { return &t.m; }, v, desc}
// The seven lines of one axis record.
#define VB_AXIS(first, a, autoKind)                                                                  \
    VB_D(first, gAxisPara[a].PulseEquivalent), VB_I(first + 1, gAxisPara[a].SeekZeroFeedrate),      \
    VB_I(first + 2, gAxisPara[a].ManualFeedrate), VB_D(first + 3, gAxisPara[a].Acceleration),         \
    VB_D(first + 4, gAxisPara[a].ZeroCompDistance), VB_I(first + 5, gAxisPara[a].ZeroCompFeedrate),  \
    SysParaField{first + 6, autoKind, [](SysPara& t) -> Ref { return &t.gAxisPara[a].AutoFeedrate; }, \
                 std::nullopt, nullptr}

const std::array<SysParaField, 90> kFields = {{
    VB_D(1, gSlotToBendThreshold),
    VB_D(2, gSlotThreshold),
    VB_D(3, gPatBendRThreshold),
    VB_D(4, gBendToSlotRThreshold),
    VB_D(5, gPatBendCoefP),
    VB_D(6, gContBendCoefP),
    VB_D(7, gPatBendCoefN),
    VB_D(8, gContBendCoefN),
    VB_D(9, gAutoAcc),
    VB_D(10, gStartLenComp),
    VB_D(11, gEndLenComp),
    VB_D(12, gMillRadius),
    VB_D(13, gMillRadiusCoef),
    VB_D(14, gConDet),
    VB_D(15, gLineDis),
    VB_D(16, gPJAngle),
    VB_I(17, gComp),
    VB_I(18, gRunMode),
    VB_AXIS(19, 1, K::Integer),
    VB_AXIS(26, 2, K::Long),
    VB_AXIS(33, 3, K::Integer),
    VB_AXIS(40, 4, K::Integer),
    VB_D(47, gCutterAngle),
    VB_I(48, gCutterRotateMode),
    VB_I(49, gCutterUpDownMode),
    VB_I(50, gPositionDetectMode),
    VB_I(51, gPositionDetectDelay),
    VB_D(52, gDownDistFront),
    VB_I(53, gSwingModeP),
    VB_D(54, gMaxSwingAngleP),
    VB_I(55, gSlotSides),
    VB_I(56, gSwingModeN),
    VB_D(57, gMaxSwingAngleN),
    VB_I(58, gAxisKindA),
    VB_I(59, gSeekZeroBeforeForward),
    VB_D(60, gCutStrokes[0]),
    VB_D(61, gCutStrokes[1]),
    VB_D(62, gCutStrokes[2]),
    VB_D(63, gCutOffStroke),
    VB_S(64, gSlotLetters),
    VB_I(65, gCutTimes),
    VB_I(66, gFeedMode),
    VB_D(67, gHandStroke),
    VB_I(68, gBendMechanisms),
    VB_D(69, gSpaceAngleP),
    VB_D(70, gSpaceAngleN),
    VB_D(71, gMaxBendAngle),
    VB_D(72, gBendToSlotDist),
    VB_D(73, gBendMechDelay),
    VB_D(74, gEncoderEquiv),
    VB_D(75, gDownDistBack),
    VB_DX(76, gArcCompP, "正弧修正系数"),
    VB_DX(77, gArcCompN, "负弧修正系数"),
    VB_IX(78, gSplicePause, "接料暂停时间"),
    VB_IX(79, gXEncoderPort, "是否装有X轴编码器，0-否，非0-读编码器串口号"),
    VB_DV(80, gEncoderPrecision, 2.0, "X轴编码器修正精度，单位：编码器脉冲数"),
    VB_IX(81, gSaveContourOffset, "是否保存轮廓偏移0-否1-是"),
    VB_IX(82, gInvertEndSwing, "起止点开槽摆角是否取反0-否1-是"),
    VB_IX(83, gFeedRetract, "是否装有送料零位开关0-是，>0-未装开关回零时退料长度"),
    VB_DV(84, gArcJoinAngle, 0.2, "线段拼弧夹角阀值，取值0.1至1，单位度"),
    VB_IV(85, gPatArcEncoderFix, 0.0, "拍弧时是否编码器修正X轴，0否，1是"),
    VB_DV(86, gTestRadius, 50.0, "弯弧测试时加工的圆弧半径"),
    VB_DV(87, gTestLength, 500.0, "长度测试时加工的长度"),
    VB_DV(88, gPressArcFixSpacing, 0.0, "压弧时编码器修正间距，0不修正"),
    VB_DV(89, gMaxBendRadius, 10000.0, "弯弧器动作的最大半径"),
    VB_DV(90, gPatBackAngle, 0.0, "拍弧回退角度，0时退至空程角"),
}};

#undef VB_D
#undef VB_I
#undef VB_L
#undef VB_S
#undef VB_DX
#undef VB_IX
#undef VB_DV
#undef VB_IV
#undef VB_AXIS

constexpr int kRequiredLines = 73;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool BlankLine(std::string_view l) {
    for (char c : l)
        if (!IsBlank(c)) return false;
    return true;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Stores a value into the entry; false when it does not fit (kept as it was).
bool Store(const SysParaField& f, SysPara& t, double v) {
    Ref r = f.ref(t);
    switch (f.kind) {
    case K::Double:
        *std::get<double*>(r) = v;
        return true;
    case K::Integer: {
        auto i = ToInteger(v);
        if (!i) return false;
        if (auto p = std::get_if<int16_t*>(&r)) **p = *i;
        else *std::get<int32_t*>(r) = *i;
        return true;
    }
    case K::Long: {
        auto l = ToLong(v);
        if (!l) return false;
        *std::get<int32_t*>(r) = *l;
        return true;
    }
    case K::String:
        return false;
    }
    return false;
}

// One line: the value (a number ends at a blank, comma or line end; the
// string of line 64 at a comma) and the description (leading blanks skipped,
// ending at a comma or the line end).  False when the value is not usable.
bool ReadLine(const SysParaField& f, std::string_view line, SysPara& t) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t start = i;
    bool ok = true;
    if (f.kind == K::String) {
        while (i < line.size() && line[i] != ',') ++i;
        *std::get<std::string*>(f.ref(t)) = std::string(TrimRight(line.substr(start, i - start)));
    } else {
        while (i < line.size() && !IsBlank(line[i]) && line[i] != ',') ++i;
        std::string_view field = line.substr(start, i - start);
        ok = IsNumeric(field) && Store(f, t, Val(field));
    }
    // The delimiter after the value: blanks, then one comma.
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && line[i] == ',') ++i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t d = i;
    while (i < line.size() && line[i] != ',') ++i;
    t.desc[f.line] = std::string(TrimRight(line.substr(d, i - d)));
    return ok;
}

// The value text of an entry as the file holds it.
std::string ValueText(const SysParaField& f, SysPara& t) {
    if (f.line == 18) return Str(0);  // the run mode is never saved
    Ref r = f.ref(t);
    if (auto d = std::get_if<double*>(&r)) return Str(**d);
    if (auto i = std::get_if<int16_t*>(&r)) return Str(**i);
    if (auto l = std::get_if<int32_t*>(&r)) return Str(static_cast<long long>(**l));
    return *std::get<std::string*>(r);
}

}  // namespace

const std::array<SysParaField, 90>& SysParaFields() { return kFields; }

void HandOnGeometry(const SysPara& t, const TranParasFn& tranParas) {
    if (tranParas) tranParas(t.gConDet, t.gLineDis, t.gPJAngle, t.gComp, t.gCutterAngle / 2, 105.0);
}

SysParaReadResult ParseSysPara(std::string_view bytes, SysPara& t) {
    SysParaReadResult res;
    std::vector<std::string_view> lines = SplitLines(bytes);
    // The file's end for the optional lines: blank last lines are no lines.
    size_t n = lines.size();
    while (n > 0 && BlankLine(lines[n - 1])) --n;
    res.lines = static_cast<int>(n);
    if (n < static_cast<size_t>(kRequiredLines)) res.shortFile = true;
    for (const SysParaField& f : kFields) {
        size_t idx = static_cast<size_t>(f.line - 1);
        if (idx < n) {
            if (!ReadLine(f, lines[idx], t)) res.damaged = true;
        } else if (f.defaultDesc) {
            t.desc[f.line] = Utf8ToGbk(f.defaultDesc);
            if (f.defaultValue) Store(f, t, *f.defaultValue);
        }
        // Otherwise the entry keeps its value and description.
    }
    return res;
}

SysParaReadResult ReadSysParaFile(const std::string& relName, SysPara& t) {
    auto bytes = ReadFileBytes(ProgramFile(relName));
    SysParaReadResult res = ParseSysPara(bytes ? *bytes : std::string(), t);
    if (!bytes) {
        res.missing = true;
        res.shortFile = false;
    }
    return res;
}

std::string SysParaBytes(const SysPara& table) {
    SysPara& t = const_cast<SysPara&>(table);  // the accessors only read here
    TextBuilder b;
    for (const SysParaField& f : kFields) {
        std::string value = ValueText(f, t);
        if (f.kind == K::String) {
            b.Line(value + ",         " + t.desc[f.line]);
        } else {
            b.Line(PrintLine().Text(value).Text(" ").Zone().Text(t.desc[f.line]).str());
        }
    }
    return b.bytes();
}

std::string SysParaFileName(int group) { return "SysPara/SYS_" + Format(group, "0") + ".ini"; }

void ReportUnreadFiles(ParamStore& st, Operator& op, const std::string& file) {
    std::string text = st.gLanguage == 0
        ? "参数文件缺失、不完整或有错误：" + file + "。文件中没有的参数保持原值或默认值。"
        : "Parameter file missing, incomplete or damaged: " + file +
              ". Values the file does not give keep their current or default values.";
    text += NoteDamagedFiles(st, {file});
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "错误", "Wrong"));
}

bool LoadSysPara(ParamStore& st, int16_t group, Operator& op) {
    std::string name = SysParaFileName(group);
    SysParaReadResult r = ReadSysParaFile(name, st.gSysParaTable);
    if (!r.ok()) ReportUnreadFiles(st, op, name);
    return r.ok();
}

bool SaveSysPara(ParamStore& st, int16_t group, int16_t tsh, Operator& op,
                 const TranParasFn& tranParas) {
    std::string name = SysParaFileName(group);
    bool ok = WriteParamFile(st, name, SysParaBytes(st.gSysParaTable));
    HandOnGeometry(st.gSysParaTable, tranParas);
    if (!ok) {
        op.MsgBox(Tr(st.gLanguage, "参数保存失败：", "Save failed: ") + name, MsgButtons::Ok,
                  MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
    } else if (tsh == 0) {
        op.MsgBox(Tr(st.gLanguage, "参数保存成功！", "Save OK!"), MsgButtons::Ok, MsgIcon::Information,
                  Tr(st.gLanguage, "操作提示", "Operation Tips"));
    }
    return ok;
}

}  // namespace velbend

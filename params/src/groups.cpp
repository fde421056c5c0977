// The parameter groups: ParaGroup.ini, the menu entries and the group frame.
#include "velbend/params/groups.h"

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/params/curvature.h"
#include "velbend/params/damaged.h"
#include "velbend/params/pfjj.h"

#include <vector>

namespace velbend {

namespace {

constexpr int kGroupLines = 22;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A name: from its first non-blank character to a comma or the line end.
std::string NameOf(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t e = line.find(',', i);
    if (e == std::string_view::npos) e = line.size();
    while (e > i && IsBlank(line[e - 1])) --e;
    return GbkToUtf8(line.substr(i, e - i));
}

// Group number counted from 1; 0 when the line is missing or not a number
// that fits an Integer.
int GroupNumberOf(const std::vector<std::string_view>& lines, size_t idx) {
    if (idx >= lines.size()) return 0;
    auto n = ToInteger(Val(lines[idx]));
    return n ? *n : -1;
}

// "3（铝材）" / "3 (Alu)": a group as the operator knows it.
std::string GroupLabel(const ParamStore& st, int i, const std::string& name) {
    std::string s = std::to_string(i + 1);
    if (name.empty()) return s;
    return st.gLanguage == 0 ? s + "（" + name + "）" : s + " (" + name + ")";
}

void CopyFailed(const ParamStore& st, Operator& op, const std::string& list) {
    std::string text = st.gLanguage == 0 ? "以下参数组复制失败：" + list + "。其余参数组已复制。"
                                         : "Copy failed for groups: " + list + ". The other groups were copied.";
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
}

void WriteFailed(const ParamStore& st, Operator& op, const std::string& name) {
    op.MsgBox(Tr(st.gLanguage, "参数保存失败：", "Save failed: ") + name, MsgButtons::Ok,
              MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
}

}  // namespace

std::string CleanGroupName(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == ',') out += "，";
        else if (c == '\r' || c == '\n') out += ' ';
        else out += c;
    }
    return out;
}

ParaGroupReadResult ParseParaGroup(std::string_view bytes, ParamStore& st) {
    ParaGroupReadResult res;
    std::vector<std::string_view> lines = SplitLines(bytes);
    int sys = GroupNumberOf(lines, 0);
    int wf = GroupNumberOf(lines, 11);
    for (size_t i = 0; i < 10; ++i) {
        st.gSysGroupNames[i] = i + 1 < lines.size() ? NameOf(lines[i + 1]) : std::string();
        st.gWanFuGroupNames[i] = i + 12 < lines.size() ? NameOf(lines[i + 12]) : std::string();
    }
    if (sys == 0 && wf == 0) {
        res.missing = true;
        st.gSysGroup = 0;
        st.gWanFuGroup = 0;
        return res;
    }
    res.shortFile = lines.size() < static_cast<size_t>(kGroupLines);
    res.badSysGroup = sys < 1 || sys > 10;
    res.badWanFuGroup = wf < 1 || wf > 10;
    st.gSysGroup = static_cast<int16_t>(res.badSysGroup ? 0 : sys - 1);
    st.gWanFuGroup = static_cast<int16_t>(res.badWanFuGroup ? 0 : wf - 1);
    return res;
}

std::string ParaGroupBytes(const ParamStore& st) {
    TextBuilder b;
    b.Line(PrintLine().Int(st.gSysGroup + 1).str());
    for (const auto& n : st.gSysGroupNames) b.LineUtf8(CleanGroupName(n));
    b.Line(PrintLine().Int(st.gWanFuGroup + 1).str());
    for (const auto& n : st.gWanFuGroupNames) b.LineUtf8(CleanGroupName(n));
    return b.bytes();
}

ParaGroupReadResult ReadParaGroup(ParamStore& st, Operator& op) {
    auto bytes = ReadFileBytes(ProgramFile(kParaGroupFile));
    ParaGroupReadResult res = ParseParaGroup(bytes ? *bytes : std::string(), st);
    if (res.missing) {
        // Start-up has not read the language yet: always Chinese.
        op.MsgBox("缺少参数组配置文件！" + NoteDamagedFiles(st, {kParaGroupFile}), MsgButtons::Ok,
                  MsgIcon::None, "");
    } else if (res.shortFile || res.badSysGroup || res.badWanFuGroup) {
        std::string text = st.gLanguage == 0
            ? std::string("参数组配置文件ParaGroup.ini不完整或参数组号不在1至10之间，"
                          "参数组号有误的改用第1组。")
            : std::string("The parameter group file ParaGroup.ini is incomplete or holds a group "
                          "number outside 1 to 10; such a group is set to group 1.");
        text += NoteDamagedFiles(st, {kParaGroupFile});
        op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "错误", "Wrong"));
    }
    return res;
}

bool WriteParaGroup(const ParamStore& st, std::string* error) {
    return WriteParamFile(st, kParaGroupFile, ParaGroupBytes(st), error);
}

void FillGroupNames(const ParamStore& st, GroupFrame& frame) {
    frame.text11 = st.gSysGroupNames;
    frame.text13 = st.gWanFuGroupNames;
}

void ShowCurrentGroups(const ParamStore& st, Operator& op) {
    const std::string& s = st.gSysGroupNames.at(st.gSysGroup);
    const std::string& w = st.gWanFuGroupNames.at(st.gWanFuGroup);
    std::string text = st.gLanguage == 0 ? "当前系统参数：" + s + "，曲率表参数：" + w
                                         : "Current Sys Parameter:" + s + "，Curvature Parameter:" + w;
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::None, "");
}

void SelectCurrentGroups(const ParamStore& st, GroupFrame& frame) {
    frame.option1.fill(false);
    frame.option2.fill(false);
    frame.option1.at(st.gSysGroup) = true;
    frame.option2.at(st.gWanFuGroup) = true;
}

void CopyButtonsFollowLevel(const ParamStore& st, GroupFrame& frame) { frame.copyButtonsVisible = st.gUserLevel >= 1; }

void OpenGroupFrame(const ParamStore& st, GroupFrame& frame) {
    SelectCurrentGroups(st, frame);
    CopyButtonsFollowLevel(st, frame);
    frame.visible = true;
}

bool GroupSaveNames(ParamStore& st, GroupFrame& frame, Operator& op) {
    // A name typed is stored only as the file can hold it: a character
    // written as '?' would come back as '?' after a restart.  (A name kept as
    // it was read stays as it is.)
    std::string unstorable;
    auto check = [&](const std::string& name, const std::string& stored, const char* zh, const char* en, size_t i) {
        if (name == stored || GbkHolds(CleanGroupName(name))) return;
        if (!unstorable.empty()) unstorable += st.gLanguage == 0 ? "，" : ", ";
        unstorable += Tr(st.gLanguage, zh, en) + std::to_string(i + 1);
    };
    for (size_t i = 0; i < 10; ++i) check(frame.text11[i], st.gSysGroupNames[i], "设备参数组", "Machine Parameter ", i);
    for (size_t i = 0; i < 10; ++i)
        check(frame.text13[i], st.gWanFuGroupNames[i], "曲率表参数组", "Curvature Parameter ", i);
    if (!unstorable.empty()) {
        op.MsgBox(Tr(st.gLanguage, "参数组说明含有不能保存的字符，请重新输入：",
                     "Group names hold characters that cannot be saved, Please input again: ") + unstorable,
                  MsgButtons::Ok, MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
        return false;
    }
    for (size_t i = 0; i < 10; ++i) {
        frame.text11[i] = st.gSysGroupNames[i] = CleanGroupName(frame.text11[i]);
        frame.text13[i] = st.gWanFuGroupNames[i] = CleanGroupName(frame.text13[i]);
    }
    if (WriteParaGroup(st)) return true;
    WriteFailed(st, op, kParaGroupFile);
    return false;
}

bool GroupSwitch(ParamStore& st, GroupFrame& frame, Operator& op, bool machineBusy,
                 const GroupSwitchHooks& hooks) {
    if (machineBusy) {
        op.MsgBox(Tr(st.gLanguage, "设备正在运行，不能切换参数组！",
                     "The machine is busy: the parameter group cannot be switched now!"),
                  MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "操作提示", "Operation Tips"));
        return false;
    }
    int16_t sys = st.gSysGroup, wf = st.gWanFuGroup;
    for (int16_t i = 0; i < 10; ++i)
        if (frame.option1[i]) sys = i;
    for (int16_t i = 0; i < 10; ++i)
        if (frame.option2[i]) wf = i;

    // Read everything of the new groups before anything changes.
    WanFuTable p = st.mWanFuP, n = st.mWanFuN;
    int16_t pLast = st.gWanFuPLast, nLast = st.gWanFuNLast;
    SysPara table = st.gSysParaTable;
    std::string bad;
    auto note = [&](bool ok, const std::string& name) {
        if (ok) return;
        if (!bad.empty()) bad += ", ";
        bad += name;
    };
    note(ReadWanFuFile(SavedWanFuFile(wf, WanFuPFileName(wf)), p, pLast).ok(), WanFuPFileName(wf));
    note(ReadWanFuFile(SavedWanFuFile(wf, WanFuNFileName(wf)), n, nLast).ok(), WanFuNFileName(wf));
    note(ReadSysParaFile(SysParaFileName(sys), table).ok(), SysParaFileName(sys));
    if (!bad.empty()) {
        std::string text = st.gLanguage == 0
            ? "参数组没有切换：以下文件缺失、不完整或有错误：" + bad + "。"
            : "The parameter groups were not switched: missing, incomplete or damaged file(s): " + bad + ".";
        op.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
        return false;
    }
    PfjjTable pf = st.gPfjjTable;
    int16_t pfLast = 0;
    if (auto bytes = ReadFileBytes(ProgramFile(PfjjFileName(wf)))) pfLast = ParsePfjj(*bytes, pf);

    // Commit.
    st.gSysGroup = sys;
    st.gWanFuGroup = wf;
    st.mWanFuP = p;
    st.mWanFuN = n;
    st.gWanFuPLast = pLast;
    st.gWanFuNLast = nLast;
    st.gPfjjTable = pf;
    st.gPfjjLast = pfLast;
    st.gSysParaTable = table;
    bool ok = true;
    if (st.gPfjjLast == 0) {
        SetDefaultPfjj(st.gPfjjTable, st.gPfjjLast);
        if (!WriteFileAtomic(ProgramFile("pfjj.ini"), PfjjBytes(st.gPfjjTable, st.gPfjjLast))) {
            WriteFailed(st, op, "pfjj.ini");
            ok = false;
        }
    }
    HandOnGeometry(st.gSysParaTable, hooks.tranParas);
    if (hooks.controlPointCls) hooks.controlPointCls();
    std::error_code ec;
    std::filesystem::current_path(ProgramFolder(), ec);
    bool written = WriteParaGroup(st);

    const std::string& sn = st.gSysGroupNames[st.gSysGroup];
    const std::string& wn = st.gWanFuGroupNames[st.gWanFuGroup];
    op.MsgBox(st.gLanguage == 0 ? "当前系统参数切换至" + sn + "，曲率表参数切换至" + wn
                                : "Current Sys Parameter:" + sn + "，Curvature Parameter:" + wn,
              MsgButtons::Ok, MsgIcon::None, "");
    if (!written) {
        WriteFailed(st, op, kParaGroupFile);
        ok = false;
    }
    frame.visible = false;
    return ok;
}

void GroupClose(GroupFrame& frame) { frame.visible = false; }

bool GroupCopySysToAll(ParamStore& st, Operator& op, const TranParasFn& tranParas) {
    std::string bytes = SysParaBytes(st.gSysParaTable);
    std::string failed;
    for (int i = 0; i < 10; ++i) {
        if (WriteParamFile(st, SysParaFileName(i), bytes)) continue;
        if (!failed.empty()) failed += st.gLanguage == 0 ? "，" : ", ";
        failed += GroupLabel(st, i, st.gSysGroupNames[i]);
    }
    HandOnGeometry(st.gSysParaTable, tranParas);
    if (!failed.empty()) {
        CopyFailed(st, op, failed);
        return false;
    }
    op.MsgBox(Tr(st.gLanguage, "设备参数复制完成！", "Copy Over!"), MsgButtons::Ok, MsgIcon::Information,
              Tr(st.gLanguage, "操作提示", "Operation Tips"));
    return true;
}

bool GroupCopyWanFuToAll(ParamStore& st, Operator& op) {
    std::string failed;
    for (int16_t i = 0; i < 10; ++i) {
        bool ok = WriteWanFuFiles(st, i);
        ok = SavePfjj(st, i) && ok;
        if (ok) continue;
        if (!failed.empty()) failed += st.gLanguage == 0 ? "，" : ", ";
        failed += GroupLabel(st, i, st.gWanFuGroupNames[i]);
    }
    if (!failed.empty()) {
        CopyFailed(st, op, failed);
        return false;
    }
    op.MsgBox(Tr(st.gLanguage, "曲率表参数复制完成！", "Copy Over!"), MsgButtons::Ok,
              MsgIcon::Information, Tr(st.gLanguage, "操作提示", "Operation Tips"));
    return true;
}

bool GroupFrameCommand(int index, ParamStore& st, GroupFrame& frame, Operator& op,
                       bool machineBusy, const GroupSwitchHooks& hooks) {
    switch (index) {
    case 0: return GroupSaveNames(st, frame, op);
    case 1: return GroupSwitch(st, frame, op, machineBusy, hooks);
    case 2: GroupClose(frame); return true;
    case 3:
    case 4:
        // The buttons are shown only from level 1 on; a press that reaches
        // here all the same writes nothing.
        if (st.gUserLevel < 1) {
            op.MsgBox(Tr(st.gLanguage, "机床用户不能复制参数组！", "Machine User cannot copy the parameter groups!"),
                      MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "操作提示", "Operation Tips"));
            return false;
        }
        return index == 3 ? GroupCopySysToAll(st, op, hooks.tranParas) : GroupCopyWanFuToAll(st, op);
    default: return false;
    }
}

}  // namespace velbend

// The curvature tables and their files.
#include "velbend/params/curvature.h"

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

#include <algorithm>
#include <vector>

namespace velbend {

namespace {

constexpr int kMaxIndex = 200;

bool IsSep(char c) { return c == ' ' || c == '\t' || c == ','; }

// The fields of a line, split at blanks and commas.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSep(line[i])) ++i;
        size_t s = i;
        while (i < line.size() && !IsSep(line[i])) ++i;
        if (i > s) out.push_back(line.substr(s, i - s));
    }
    return out;
}

bool Tran(WanFuTable& rows, int16_t dir, int16_t squ, double& v0, double& v1) {
    if (squ < 0 || squ > kMaxIndex) return false;
    if (dir != 0) {
        rows[squ].Value = v0;
        rows[squ].Key = v1;
    } else {
        v0 = rows[squ].Value;
        v1 = rows[squ].Key;
    }
    return true;
}

}  // namespace

WanFuReadResult ParseWanFu(std::string_view bytes, WanFuTable& rows, int16_t& last) {
    WanFuReadResult res;
    int i = -1;
    for (std::string_view line : SplitLines(bytes)) {
        auto f = Fields(line);
        if (f.empty()) continue;  // a blank line adds no row
        if (i == kMaxIndex) break;  // at most 201 rows; further lines are ignored
        ++i;
        if (f.size() != 2 || !IsNumeric(f[0]) || !IsNumeric(f[1])) res.damaged = true;
        rows[i].Value = Val(f[0]);
        rows[i].Key = f.size() > 1 ? Val(f[1]) : 0.0;
    }
    if (i < 0) {
        res.missing = true;
        return res;
    }
    last = static_cast<int16_t>(i);
    return res;
}

WanFuReadResult ReadWanFuFile(const std::string& relName, WanFuTable& rows, int16_t& last) {
    auto bytes = ReadFileBytes(ProgramFile(relName));
    if (!bytes) {
        WanFuReadResult r;
        r.missing = true;
        return r;
    }
    return ParseWanFu(*bytes, rows, last);
}

std::string WanFuBytes(const WanFuTable& rows, int16_t last) {
    int n = std::clamp<int>(last, 0, kMaxIndex);
    TextBuilder b;
    for (int i = 0; i <= n; ++i) b.Line(Format(rows[i].Value, "0.00") + ", " + Format(rows[i].Key, "0.00"));
    return b.bytes();
}

std::string WanFuPFileName(int group) { return "SysPara/wanfubiaoP_" + Format(group, "0") + ".ini"; }
std::string WanFuNFileName(int group) { return "SysPara/wanfubiaoN_" + Format(group, "0") + ".ini"; }

bool LoadWanFuTables(ParamStore& st, int16_t group, Operator& op) {
    std::string bad;
    auto note = [&](const WanFuReadResult& r, const std::string& name) {
        if (r.ok()) return;
        if (!bad.empty()) bad += ", ";
        bad += name;
    };
    note(ReadWanFuFile(WanFuPFileName(group), st.mWanFuP, st.gWanFuPLast), WanFuPFileName(group));
    note(ReadWanFuFile(WanFuNFileName(group), st.mWanFuN, st.gWanFuNLast), WanFuNFileName(group));
    if (bad.empty()) return true;
    std::string text = st.gLanguage == 0
        ? "曲率表文件缺失、为空或有错误：" + bad + "。缺失的曲率表保持原值。"
        : "Curvature file missing, empty or damaged: " + bad + ". A missing table keeps its values.";
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "错误", "Wrong"));
    return false;
}

bool TranWanFuP(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1) {
    return Tran(st.mWanFuP, dir, squ, v0, v1);
}

bool TranWanFuN(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1) {
    return Tran(st.mWanFuN, dir, squ, v0, v1);
}

bool WriteWanFuFiles(const ParamStore& st, int16_t group, std::string* failed) {
    bool ok = true;
    auto write = [&](const std::string& name, const WanFuTable& rows, int16_t last) {
        if (WriteFileAtomic(ProgramFile(name), WanFuBytes(rows, last))) return;
        ok = false;
        if (failed) {
            if (!failed->empty()) *failed += ", ";
            *failed += name;
        }
    };
    write(WanFuPFileName(group), st.mWanFuP, st.gWanFuPLast);
    write(WanFuNFileName(group), st.mWanFuN, st.gWanFuNLast);
    return ok;
}

bool SaveWanFuBiao(ParamStore& st, int16_t group, int16_t tsh, Operator& op) {
    std::string failed;
    bool ok = WriteWanFuFiles(st, group, &failed);
    if (!ok) {
        op.MsgBox(Tr(st.gLanguage, "曲率表保存失败：", "Save failed: ") + failed, MsgButtons::Ok,
                  MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
    } else if (tsh == 0) {
        op.MsgBox(Tr(st.gLanguage, "曲率表保存成功！", "Save OK!"), MsgButtons::Ok, MsgIcon::Information,
                  Tr(st.gLanguage, "操作提示", "Operation Tips"));
    }
    return ok;
}

}  // namespace velbend

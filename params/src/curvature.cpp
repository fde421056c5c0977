// The curvature tables and their files.
#include "velbend/params/curvature.h"

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/params/damaged.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace velbend {

namespace {

constexpr int kMaxIndex = 200;

// A save of the pair writes both new tables beside the old ones under
// "<name>.new", then the record "SysPara/wanfubiao_<g>.pending" naming them,
// then renames both into place and removes the record.  A start that finds
// the record completes the renames (RecoverWanFuFiles); new files without a
// record are dropped, leaving the old pair.
constexpr const char* kStaged = ".new";

std::string PendingFileName(int group) { return "SysPara/wanfubiao_" + Format(group, "0") + ".pending"; }

// Appends a file name to a list of them, separated by ", ".
void AddName(std::string& list, const std::string& name) {
    if (!list.empty()) list += ", ";
    list += name;
}

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
    // Read into a copy: a damaged file must not change how the machine bends.
    WanFuTable read = rows;
    int16_t readLast = last;
    WanFuReadResult r = ParseWanFu(*bytes, read, readLast);
    if (r.ok()) {
        rows = read;
        last = readLast;
    }
    return r;
}

std::string WanFuBytes(const WanFuTable& rows, int16_t last) {
    int n = std::clamp<int>(last, 0, kMaxIndex);
    TextBuilder b;
    for (int i = 0; i <= n; ++i) b.Line(Format(rows[i].Value, "0.00") + ", " + Format(rows[i].Key, "0.00"));
    return b.bytes();
}

std::string WanFuPFileName(int group) { return "SysPara/wanfubiaoP_" + Format(group, "0") + ".ini"; }
std::string WanFuNFileName(int group) { return "SysPara/wanfubiaoN_" + Format(group, "0") + ".ini"; }

std::string SavedWanFuFile(int group, const std::string& relName) {
    std::error_code ec;
    const std::string staged = relName + kStaged;
    if (std::filesystem::exists(ProgramFile(PendingFileName(group)), ec) &&
        std::filesystem::is_regular_file(ProgramFile(staged), ec))
        return staged;
    return relName;
}

bool LoadWanFuTables(ParamStore& st, int16_t group, Operator& op) {
    std::vector<std::string> bad;
    auto read = [&](const std::string& name, WanFuTable& rows, int16_t& last) {
        if (!ReadWanFuFile(SavedWanFuFile(group, name), rows, last).ok()) bad.push_back(name);
    };
    read(WanFuPFileName(group), st.mWanFuP, st.gWanFuPLast);
    read(WanFuNFileName(group), st.mWanFuN, st.gWanFuNLast);
    if (bad.empty()) return true;
    std::string list;
    for (const std::string& name : bad) AddName(list, name);
    std::string text = st.gLanguage == 0
        ? "曲率表文件缺失、为空或有错误：" + list + "。缺失的曲率表保持原值。"
        : "Curvature file missing, empty or damaged: " + list + ". A missing table keeps its values.";
    text += NoteDamagedFiles(st, bad);
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "错误", "Wrong"));
    return false;
}

bool TranWanFuP(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1) {
    return Tran(st.mWanFuP, dir, squ, v0, v1);
}

bool TranWanFuN(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1) {
    return Tran(st.mWanFuN, dir, squ, v0, v1);
}

bool WriteWanFuFiles(const ParamStore& st, int16_t group, std::string* failed, std::string* changed) {
    auto add = [](std::string* list, const std::string& name) {
        if (list) AddName(*list, name);
    };
    const std::string pName = WanFuPFileName(group), nName = WanFuNFileName(group);
    const auto pPath = ProgramFile(pName), nPath = ProgramFile(nName);
    const auto pNew = ProgramFile(pName + kStaged), nNew = ProgramFile(nName + kStaged);
    const auto record = ProgramFile(PendingFileName(group));
    const auto dir = pPath.parent_path();
    std::error_code ec;
    auto drop = [&] {
        std::filesystem::remove(record, ec);
        std::filesystem::remove(pNew, ec);
        std::filesystem::remove(nNew, ec);
        SyncFolder(dir);
    };
    // Damaged files are kept before anything changes.
    for (const std::string& name : {pName, nName}) {
        if (KeepDamagedFile(st, name)) continue;
        add(failed, name);
        return false;
    }
    // The new files take the permissions of the files they replace.
    if (!WriteFileAtomicLike(pNew, WanFuBytes(st.mWanFuP, st.gWanFuPLast), pPath)) {
        add(failed, pName);  // the negative file is not touched
        drop();
        return false;
    }
    if (!WriteFileAtomicLike(nNew, WanFuBytes(st.mWanFuN, st.gWanFuNLast), nPath)) {
        add(failed, nName);
        drop();
        return false;
    }
    // The positive file as it is, to be put back if the negative one cannot
    // take its place.
    const bool pExisted = std::filesystem::exists(pPath, ec);
    const auto pOld = pExisted ? ReadFileBytes(pPath) : std::nullopt;
    if (!WriteFileAtomic(record, TextBuilder().Line(pName + kStaged).Line(nName + kStaged).bytes())) {
        add(failed, pName);
        add(failed, nName);
        drop();
        return false;
    }
    if (::rename(pNew.c_str(), pPath.c_str()) != 0) {
        add(failed, pName);
        drop();
        return false;
    }
    if (::rename(nNew.c_str(), nPath.c_str()) != 0) {
        add(failed, nName);
        // The record goes, durably, before the positive file is put back:
        // a start that found it beside the old positive file would complete
        // the pair with the new negative one.  The old bytes are staged
        // first, so that only a rename follows the record's removal.
        std::optional<StagedFile> back;
        if (pOld) back.emplace(pPath, *pOld);
        std::filesystem::remove(record, ec);
        SyncFolder(dir);
        bool restored = false;
        if (back) restored = back->ok() && back->Commit();
        else if (!pExisted) restored = std::filesystem::remove(pPath, ec) && !ec;
        if (!restored) add(changed, pName);
        drop();
        return false;
    }
    SyncFolder(dir);  // both renames durable before the record goes
    std::filesystem::remove(record, ec);
    SyncFolder(dir);
    return true;
}

bool RecoverWanFuFiles(const ParamStore& st, Operator& op) {
    std::error_code ec;
    std::string stuck;
    for (int g = 0; g <= 9; ++g) {
        const auto record = ProgramFile(PendingFileName(g));
        const bool pending = std::filesystem::exists(record, ec);
        bool touched = pending, complete = true;
        for (const std::string& name : {WanFuPFileName(g), WanFuNFileName(g)}) {
            const auto staged = ProgramFile(name + kStaged);
            if (!std::filesystem::exists(staged, ec)) continue;
            touched = true;
            if (!pending) std::filesystem::remove(staged, ec);
            else if (::rename(staged.c_str(), ProgramFile(name).c_str()) != 0) complete = false;
        }
        if (!touched) continue;
        SyncFolder(record.parent_path());
        // A pair that could not be completed keeps its record for the next
        // start; until then its tables are read from where the save left
        // them (SavedWanFuFile).
        if (pending && !complete) {
            AddName(stuck, WanFuPFileName(g));
            AddName(stuck, WanFuNFileName(g));
        } else if (pending) {
            std::filesystem::remove(record, ec);
            SyncFolder(record.parent_path());
        }
    }
    if (stuck.empty()) return true;
    const std::string text = st.gLanguage == 0
        ? "曲率表文件未能更新：" + stuck + "。两张表均按最后一次保存使用；下次启动时再次更新。"
        : "Curvature files could not be updated: " + stuck +
              ". Both tables are used as last saved; the update is tried again at the next start.";
    op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(st.gLanguage, "错误", "Wrong"));
    return false;
}

bool SaveWanFuBiao(ParamStore& st, int16_t group, int16_t tsh, Operator& op, const std::string& savedFirst) {
    std::string failed, changed;
    bool ok = WriteWanFuFiles(st, group, &failed, &changed);
    if (!ok) {
        std::string text = Tr(st.gLanguage, "曲率表保存失败：", "Save failed: ") + failed;
        if (!savedFirst.empty()) {
            text = Tr(st.gLanguage, "拍弧间距表已保存：", "The pat-arc spacing table was saved: ") + savedFirst +
                   Tr(st.gLanguage, "。曲率表没有保存：", ". The curvature tables were not saved: ") + failed;
        }
        if (!changed.empty())
            text += Tr(st.gLanguage, "；已写入新内容：", "; written with the new table all the same: ") + changed;
        op.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, Tr(st.gLanguage, "错误", "Wrong"));
    } else if (tsh == 0) {
        op.MsgBox(Tr(st.gLanguage, "曲率表保存成功！", "Save OK!"), MsgButtons::Ok, MsgIcon::Information,
                  Tr(st.gLanguage, "操作提示", "Operation Tips"));
    }
    return ok;
}

}  // namespace velbend

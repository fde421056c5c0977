// Keeping damaged parameter files before their first rewrite.
#include "velbend/params/damaged.h"

#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

#include <filesystem>

namespace velbend {

namespace {

constexpr int kMaxKept = 999;

// The first name free for keeping relName's damaged bytes ("" when none).
std::string FreeKeptName(const std::string& relName) {
    std::error_code ec;
    for (int n = 1; n <= kMaxKept; ++n) {
        std::string name = relName + ".damaged" + (n == 1 ? std::string() : "-" + std::to_string(n));
        if (!std::filesystem::exists(ProgramFile(name), ec) && !ec) return name;
    }
    return {};
}

}  // namespace

std::string NoteDamagedFiles(ParamStore& st, const std::vector<std::string>& relNames) {
    std::string list;
    int kept = 0;
    for (const std::string& rel : relNames) {
        // A name noted before stands while nothing has been kept under it.
        std::error_code ec;
        auto it = st.damagedFiles.find(rel);
        if (it == st.damagedFiles.end() || std::filesystem::exists(ProgramFile(it->second), ec)) {
            const auto p = ProgramFile(rel);
            if (!std::filesystem::is_regular_file(p, ec) || std::filesystem::file_size(p, ec) == 0 || ec) continue;
            std::string name = FreeKeptName(rel);
            if (name.empty()) continue;
            it = st.damagedFiles.insert_or_assign(rel, name).first;
        }
        if (kept++ > 0) list += ", ";
        list += it->second;
    }
    if (kept == 0) return {};
    if (st.gLanguage == 0) return "原文件在改写前另存为：" + list + "。";
    return kept == 1 ? " Before it is rewritten, the damaged file is kept as " + list + "."
                     : " Before they are rewritten, the damaged files are kept as " + list + ".";
}

bool KeepDamagedFile(const ParamStore& st, const std::string& relName, std::string* error) {
    auto it = st.damagedFiles.find(relName);
    if (it == st.damagedFiles.end()) return true;
    std::error_code ec;
    const auto kept = ProgramFile(it->second);
    const auto file = ProgramFile(relName);
    if (std::filesystem::exists(kept, ec) || !std::filesystem::exists(file, ec)) return true;
    return KeepFileAs(file, kept, error);
}

bool WriteParamFile(const ParamStore& st, const std::string& relName, std::string_view bytes,
                    std::string* error) {
    return KeepDamagedFile(st, relName, error) && WriteFileAtomic(ProgramFile(relName), bytes, error);
}

}  // namespace velbend

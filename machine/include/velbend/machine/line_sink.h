// ProgramLines: the line sink that every writer of a machine program shares
// (Run, Print_KCaction, PrintBendStep, the move ring, the calibration tests
// and the dialogs' test buttons).  Lines are collected in memory as UTF-8
// and written whole, atomically, in GBK with CR LF line ends.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velbend {

class ProgramLines {
public:
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    ProgramLines& operator<<(std::string line) { Add(std::move(line)); return *this; }

    const std::vector<std::string>& lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    void clear() { lines_.clear(); }

    // The file's bytes: every line converted to GBK and ended by CR LF.
    std::string Bytes() const;
    // Writes the file whole (temporary file + rename).  False, with a short
    // reason in *error, when it could not be written; the old file is kept.
    bool WriteTo(const std::filesystem::path& file, std::string* error = nullptr) const;

private:
    std::vector<std::string> lines_;
};

}  // namespace velbend

#include "velbend/machine/line_sink.h"

#include "velbend/common/textfile.h"

namespace velbend {

std::string ProgramLines::Bytes() const {
    TextBuilder b;
    for (const auto& l : lines_) b.LineUtf8(l);
    return std::move(b.bytes());
}

bool ProgramLines::WriteTo(const std::filesystem::path& file, std::string* error) const {
    return WriteFileAtomic(file, Bytes(), error);
}

}  // namespace velbend

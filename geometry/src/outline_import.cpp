// The Open of NC and PLT outlines: the file read, its display points
// written and the operator told what was read otherwise.  The readers are
// nc_reader.cpp and plt_reader.cpp, their message import_notes.cpp.
#include "velbend/geometry/outline_import.h"

#include <string>

#include "display_file.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"

namespace velbend {

namespace {

bool ImportWith(const std::filesystem::path& file, Operator& op, int16_t language,
                std::string (*convert)(std::string_view, const void*, int16_t, std::string*, ImportNotes*),
                const void* ctx) {
    auto bytes = ReadFileBytes(file);
    if (!bytes) {
        geo::ShowFault(op, language,
                       {"无法读取文件：" + file.string(), "Cannot read the file " + file.string()});
        return false;
    }
    std::string error;
    ImportNotes notes;
    std::string out = convert(*bytes, ctx, language, &error, &notes);
    if (!error.empty()) {
        geo::ShowFault(op, language, {error, error});
        return false;
    }
    if (!geo::WriteWorkFile("PointForDisplay.dat", out, op, language)) return false;
    // What was shown, and what was passed over, in one message.
    const bool empty = out == "SPLINE END\r\n";
    const std::string text = ImportNotesText(notes, !empty, language);
    if (!text.empty()) {
        op.MsgBox(text, MsgButtons::Ok, notes.Any() ? MsgIcon::Warning : MsgIcon::Information,
                  Tr(language, "操作提示", "Operation Tips"));
    }
    return true;
}

struct NcArgs {
    double plane, threshold;
};

}  // namespace

bool ImportNcFile(const std::filesystem::path& ncFile, double gNcZPlane, double gSlotThreshold, Operator& op,
                  int16_t language) {
    NcArgs a{gNcZPlane, gSlotThreshold};
    return ImportWith(
        ncFile, op, language,
        [](std::string_view b, const void* c, int16_t lang, std::string* e, ImportNotes* n) {
            auto* args = static_cast<const NcArgs*>(c);
            return NcToDisplay(b, args->plane, args->threshold, lang, e, n);
        },
        &a);
}

bool ImportPltFile(const std::filesystem::path& pltFile, double gSlotThreshold, Operator& op, int16_t language) {
    return ImportWith(
        pltFile, op, language,
        [](std::string_view b, const void* c, int16_t lang, std::string* e, ImportNotes* n) {
            return PltToDisplay(b, *static_cast<const double*>(c), lang, e, n);
        },
        &gSlotThreshold);
}

}  // namespace velbend

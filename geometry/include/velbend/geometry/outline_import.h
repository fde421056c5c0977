// NC and PLT outlines, the clean-up of the display-point file, its mirror
// and the PLT export.  Every operation works on the work files of the
// program folder (PointForDisplay.dat with its scratch PointForDisplay0.dat)
// and reports refusals to the operator in the current language (0 Chinese,
// else English); a refused or failed operation leaves the display file as it
// was.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velbend {

class Operator;

// The NC program's path in the machining plane gNcZPlane becomes
// PointForDisplay.dat; turns above gSlotThreshold (degrees) are nodes.
// After a file is read, one message tells what it was read without (arc
// moves read as straight ones, PLT drawing commands passed over) and that
// it holds no outline, when either is so.
bool ImportNcFile(const std::filesystem::path& ncFile, double gNcZPlane, double gSlotThreshold,
                  Operator& op, int16_t language);
// The pen-down strokes of a PLT file (plotter units / 40 = mm).
bool ImportPltFile(const std::filesystem::path& pltFile, double gSlotThreshold, Operator& op,
                   int16_t language);

// Drops points that add nothing to the drawn outline; nodes stay.
bool ThinDisplayPoints(Operator& op, int16_t language);
// Drops every line equal to an earlier line of the file.
bool RemoveDuplicateLines(Operator& op, int16_t language);
// Negates Y of every point.  The caller then reloads the tables with the
// view fitted and rebuilds the drawing.
bool MirrorDisplayY(Operator& op, int16_t language);

// The export of the shown outline as 字形PLT.plt (Chinese) or ShapePLT.plt
// (English).  openFile is the path the main window shows for the open
// outline ("" when none: nothing is written).  Both outcomes are told.
bool ExportShapePlt(std::string_view openFile, Operator& op, int16_t language);
// The export file's name for the language.
std::string ShapePltName(int16_t language);

// What an import read otherwise than the file draws it.
struct ImportNotes {
    // NC: arc moves (G02/G03) ending in the machining plane, each read as a
    // straight move to its end point (a full circle as no move).
    long long ArcMoves = 0;
    // PLT: commands that draw through coordinates other than PU and PD (PA,
    // PR, PE, AA, CI, ...), passed over; in the order they first appear.
    struct Command {
        std::string Name;  // upper case
        long long Count = 0;
    };
    std::vector<Command> PassedOver;
};
// The operator's message after an import: "" when the outline is shown and
// nothing was passed over; else the lack of an outline and what was passed
// over, in one text.
std::string ImportNotesText(const ImportNotes& notes, bool outlineShown, int16_t language);

// The same conversions on bytes (no files, no messages).  On refusal the
// result is empty and *error holds the reason in the given language.
// *notes, when given, is filled.
std::string NcToDisplay(std::string_view nc, double gNcZPlane, double gSlotThreshold, int16_t language,
                        std::string* error, ImportNotes* notes = nullptr);
std::string PltToDisplay(std::string_view plt, double gSlotThreshold, int16_t language, std::string* error,
                         ImportNotes* notes = nullptr);
std::string ThinDisplayText(std::string_view display);
std::string RemoveDuplicateText(std::string_view display);
std::string MirrorDisplayText(std::string_view display);
std::string ShapePltText(std::string_view display);

}  // namespace velbend

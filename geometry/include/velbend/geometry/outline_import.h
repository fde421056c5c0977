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
// After a file is read, one message tells what it was read otherwise than
// the file draws it (arc moves read as straight ones, inch and incremental
// programs read as millimetres and absolute, parameter words read as 0, PLT
// drawing commands passed over, scaling not applied, PU and PD coordinates
// that are no numbers in pairs, strokes from the origin after the pen
// parked there), that it holds no outline, and why when the reason is known
// (an NC program without Z words, a PLT file without HP-GL drawing
// commands or in another plotter language).
bool ImportNcFile(const std::filesystem::path& ncFile, double gNcZPlane, double gSlotThreshold,
                  Operator& op, int16_t language);
// The pen-down strokes of a PLT file (plotter units / 40 = mm).  Commands
// are split by their mnemonics, with or without ';' (two letters inside a
// longer word are none); the scaling of SC is applied where IP gives both
// of its corners.
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
    // NC: arc moves (G02/G03) of the XY plane (G17, the default) ending in
    // the machining plane, each read as a straight move to its end point (a
    // full circle as no move).
    long long ArcMoves = 0;
    // NC: arc moves of the ZX plane (G18) and the YZ plane (G19) ending in
    // the machining plane, read the same way: along them the tool leaves
    // the plane, and a straight line to the end point shows.
    long long ArcMovesZX = 0;
    long long ArcMovesYZ = 0;
    // NC: G20 words (inch), whose program is read in millimetres all the same.
    long long InchWords = 0;
    // NC: G91 words (incremental), whose coordinates are read as absolute.
    long long IncrementalWords = 0;
    // NC: moves without a single Z word, so no path is in any plane.
    bool NoZWord = false;
    // NC: parameters (#2, #<depth>), whose values are not read: a word
    // whose value is one reads as 0.
    long long ParameterWords = 0;
    // PLT: commands that draw otherwise than PU and PD with coordinates (PA,
    // PR, PE, AA, CI, LB, ...), passed over whatever their parameters, but
    // for a PA without any (which changes nothing) and an empty label; in
    // the order they first appear.  PR also makes the PU and PD coordinates after it relative,
    // which are read as absolute all the same.
    struct Command {
        std::string Name;  // upper case
        long long Count = 0;
    };
    std::vector<Command> PassedOver;
    // PLT: PU and PD commands with a parameter that is no number, read as
    // the number it starts with (0 when none), or with a last number
    // without its partner, left out.
    long long UnreadCoordinates = 0;
    // PLT: strokes whose first PD point is not the origin, drawn right after
    // PU0,0.  That is read as the pen parked, not as a move, so each starts
    // at its first PD point and the line from the origin is not read.
    long long StrokesFromOrigin = 0;
    // PLT: SC commands whose scaling is not applied (P1 and P2 not both
    // given by an IP, or an isotropic or malformed SC), so that the PU and
    // PD coordinates after them are read as plotter units.
    long long ScalesNotApplied = 0;
    // PLT: no PU or PD stands in the file, nor any other drawing command.
    bool NoDrawingCommands = false;
    // PLT: and no HP-GL command at all, but text of another language (a
    // cutter's own plotter language).
    bool OtherPlotterLanguage = false;
    // Something of the file is read otherwise than it draws it, or not read.
    bool Any() const {
        return ArcMoves > 0 || ArcMovesZX > 0 || ArcMovesYZ > 0 || InchWords > 0 || IncrementalWords > 0 ||
               NoZWord || !PassedOver.empty() || UnreadCoordinates > 0 || StrokesFromOrigin > 0 ||
               ParameterWords > 0 || ScalesNotApplied > 0 || NoDrawingCommands;
    }
};
// The operator's message after an import: "" when the outline is shown and
// read as the file draws it; else the lack of an outline and what was read
// otherwise, in one text.
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

// NC programs to display points: the modal state of the program's words and
// what is read otherwise than the program moves.
#include "nc_syntax.h"
#include "outline_writer.h"
#include "velbend/geometry/outline_import.h"

namespace velbend {

std::string NcToDisplay(std::string_view nc, double gNcZPlane, double gSlotThreshold, int16_t language,
                        std::string* error, ImportNotes* notes) {
    ImportNotes read;
    geo::PlanePath path(gNcZPlane, gSlotThreshold);
    double x = 0, y = 0;
    double z = 0;
    bool zKnown = false;  // no Z word seen yet: the tool is not in any plane
    long long lineNo = 0;
    auto fail = [&](const geo::Fault& f) {
        if (error) *error = f.Text(language);
        if (notes) *notes = ImportNotes{};
        return std::string();
    };

    bool arcMode = false;  // the modal motion is G02 or G03
    int plane = 17;        // the arc plane: G17 XY, G18 ZX, G19 YZ
    bool moves = false;    // an X or Y word was seen
    geo::NcLine words;
    for (std::string_view line : SplitLines(nc)) {
        ++lineNo;
        geo::ReadNcLine(line, words);
        read.ParameterWords += words.parameterWords;
        for (double g : words.gWords) {
            if (g == 2 || g == 3) arcMode = true;
            else if (g == 0 || g == 1 || (g >= 73 && g <= 89)) arcMode = false;  // straight moves, drill cycles
            else if (g == 17 || g == 18 || g == 19) plane = static_cast<int>(g);
            // Units and distance mode are not followed: millimetres, absolute.
            if (g == 20) ++read.InchWords;
            if (g == 91) ++read.IncrementalWords;
        }
        moves = moves || words.seen[0] || words.seen[1];
        // An arc move ending in the plane is read as a straight move; a
        // full circle without an end point (back at its start) as none.
        const bool arc = arcMode && (words.Moves() || words.arcWord);
        auto countArc = [&] {
            if (!arc || !path.InPlane(z, zKnown)) return;
            ++(plane == 18 ? read.ArcMovesZX : plane == 19 ? read.ArcMovesYZ : read.ArcMoves);
        };
        if (!words.Moves()) {  // no move on this line
            countArc();
            continue;
        }
        if (!words.text[0].empty()) x = geo::NumPrefix(words.text[0]);
        if (!words.text[1].empty()) y = geo::NumPrefix(words.text[1]);
        if (!words.text[2].empty()) {
            z = geo::NumPrefix(words.text[2]);
            zKnown = true;
        }
        if (!geo::InRange(x) || !geo::InRange(y) || !geo::InRange(z)) return fail(geo::BadCoordinate("NC", lineNo));
        countArc();
        if (!path.Move(x, y, z, zKnown)) return fail(geo::TooLarge());
    }
    read.NoZWord = moves && !zKnown;
    if (notes) *notes = std::move(read);
    if (error) error->clear();
    return path.Finish();
}

}  // namespace velbend

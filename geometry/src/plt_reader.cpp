// PLT plotter files to display points: what the HP-GL commands draw, their
// scaling, and what is read otherwise than the file draws it.
#include <algorithm>
#include <string>

#include "outline_writer.h"
#include "plt_syntax.h"
#include "velbend/geometry/outline_import.h"

namespace velbend {

namespace {

// HP-GL commands that draw otherwise than PU and PD with coordinates (the
// command letters in upper case): plotted with these, a part of the drawing
// is not read, or read elsewhere (PR makes the coordinates after it
// relative).  LB draws its label's text.
bool IsDrawingCommand(char c0, char c1) {
    static constexpr const char* kDrawing[] = {"PA", "PR", "PE", "AA", "AR", "AT", "RT", "CI", "EA",
                                               "ER", "EW", "RA", "RR", "WG", "BZ", "BR", "LB"};
    for (const char* k : kDrawing)
        if (k[0] == c0 && k[1] == c1) return true;
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The scaling points P1 and P2 (IP) and the user units of SC.  Scaling is
// applied where the file gives all it depends on: P1 and P2 as four numbers
// of an IP (the plotter's own defaults are not known here) and SC in its
// plain form (xmin, xmax, ymin, ymax, type 0) or in its point-factor form
// (type 2, which needs P1 only).  The isotropic form (type 1) is not
// applied.
struct PltScaling {
    bool p1 = false, p2 = false;  // P1 and P2 are known
    double p1x = 0, p1y = 0, p2x = 0, p2y = 0;
    bool on = false;              // an SC with parameters is in force
    bool told = false;            // that SC is counted as not applied
    int type = 0;                 // 0 plain, 2 point factor, else not applied
    double xmin = 0, xs = 0, ymin = 0, ys = 0;  // xs, ys: xmax/ymax (type 0) or factors (type 2)

    void Defaults() {
        p1 = p2 = false;
        on = false;
    }
    void Ip(std::string_view args) {
        std::vector<double> v;
        const bool ok = geo::Numbers(args, v);
        p1 = ok && (v.size() == 2 || v.size() == 4);
        p2 = ok && v.size() == 4;
        if (p1) {
            p1x = v[0];
            p1y = v[1];
        }
        if (p2) {
            p2x = v[2];
            p2y = v[3];
        }
    }
    void Sc(std::string_view args) {
        std::vector<double> v;
        const bool ok = geo::Numbers(args, v);
        on = !(ok && v.empty());  // SC; alone turns scaling off
        told = false;
        type = -1;
        if (!ok || v.size() < 4) return;
        xmin = v[0];
        xs = v[1];
        ymin = v[2];
        ys = v[3];
        const double t = v.size() >= 5 ? v[4] : 0;
        if (t == 0 && v.size() <= 5 && xs != xmin && ys != ymin) type = 0;
        if (t == 2 && v.size() == 5 && xs != 0 && ys != 0) type = 2;
    }
    // Whether the coordinates are user units that can be brought to
    // plotter units.
    bool Applies() const { return on && ((type == 0 && p1 && p2) || (type == 2 && p1)); }
    double X(double u) const { return type == 2 ? p1x + (u - xmin) * xs : p1x + (u - xmin) * (p2x - p1x) / (xs - xmin); }
    double Y(double u) const { return type == 2 ? p1y + (u - ymin) * ys : p1y + (u - ymin) * (p2y - p1y) / (ys - ymin); }
};

// A command passed over, counted in the order the commands first appear.
void Name(ImportNotes& notes, char c0, char c1) {
    const char n[2] = {c0, c1};
    auto it = std::find_if(notes.PassedOver.begin(), notes.PassedOver.end(),
                           [&](const ImportNotes::Command& k) { return k.Name == std::string_view(n, 2); });
    if (it == notes.PassedOver.end()) {
        notes.PassedOver.push_back({std::string(n, 2), 1});
    } else {
        ++it->Count;
    }
}

}  // namespace

std::string PltToDisplay(std::string_view plt, double gSlotThreshold, int16_t language, std::string* error,
                         ImportNotes* notes) {
    ImportNotes read;
    geo::PenStrokes pen(gSlotThreshold);
    // The pen was parked at the origin (PU0,0) and has not moved since: in
    // the file the next PD draws from the origin.
    bool parked = false;
    bool penCommands = false;  // a PU or PD stands in the file
    PltScaling scale;
    long long badLine = 0;  // the line of a coordinate out of range

    // One command.  False when the file is refused.
    auto command = [&](const geo::PltCommand& k) {
        const std::string_view args = k.args;
        const bool up = k.Is("PU");
        const bool down = k.Is("PD");
        if (!up && !down) {
            if (k.Is("IN")) {
                scale.Defaults();
            } else if (k.Is("DF")) {
                scale.on = false;
            } else if (k.Is("IP")) {
                scale.Ip(args);
            } else if (k.Is("IR")) {  // P1 and P2 in parts of the plotter's own area
                scale.p1 = scale.p2 = false;
            } else if (k.Is("SC")) {
                scale.Sc(args);
            }
            // Named whatever its parameters look like: PE carries encoded
            // characters, and parameters on the next line are not read.
            // Only a PA without any changes nothing that is drawn, and an
            // empty label draws nothing.
            const bool barePa = (k.Is("PA") || k.Is("LB")) && Trim(args).empty();
            if (IsDrawingCommand(k.c0, k.c1) && !barePa) {
                parked = false;  // the pen may have moved
                Name(read, k.c0, k.c1);
            }
            return true;
        }
        penCommands = true;
        // The pen parked at the origin is no contour.
        if (up && args == "0,0") {
            pen.Lift();
            parked = true;
            return true;
        }
        if (up) parked = false;
        const bool scaled = scale.Applies();
        if (scale.on && !scaled && !scale.told && !args.empty()) {
            scale.told = true;
            ++read.ScalesNotApplied;
        }
        // Coordinates: numbers separated by commas or blanks, in pairs.
        // A pen-up move through several points starts the contour at the
        // last; a pen-down one draws through all of them.
        double pair[2];
        double upX = 0, upY = 0;
        bool upMove = false;
        int have = 0;
        bool unread = false;  // a parameter is no number
        const bool ok = geo::ForEachParameter(args, [&](std::string_view param) {
            unread = unread || !geo::IsWholeNumber(param);
            pair[have++] = geo::NumPrefix(param);
            if (have < 2) return true;
            if (scaled) {
                pair[0] = scale.X(pair[0]);
                pair[1] = scale.Y(pair[1]);
            }
            pair[0] /= 40;
            pair[1] /= 40;
            if (!geo::InRange(pair[0]) || !geo::InRange(pair[1])) {
                badLine = k.lineNo;
                return false;
            }
            have = 0;
            if (up) {
                upX = pair[0];
                upY = pair[1];
                upMove = true;
                return true;
            }
            // PU0,0 was read as parking, so the stroke the file draws from
            // the origin starts at its first PD point.
            if (parked && (pair[0] != 0 || pair[1] != 0)) ++read.StrokesFromOrigin;
            parked = false;
            pen.Down(pair[0], pair[1]);
            return !pen.Full();
        });
        if (!ok) return false;
        // A last number without its partner is left out.
        if (unread || have == 1) ++read.UnreadCoordinates;
        if (upMove) pen.Up(upX, upY);
        else if (up) pen.Lift();
        // "PD;" without coordinates only lowers the pen.
        return true;
    };

    geo::PltSyntax syntax;
    if (!geo::ForEachPltCommand(plt, command, &syntax)) {
        if (error) {
            const geo::Fault f = pen.Full() || badLine == 0 ? geo::TooLarge() : geo::BadCoordinate("PLT", badLine);
            *error = f.Text(language);
            // Coordinates of a scaling not applied are read as plotter units.
            ImportNotes sc;
            sc.ScalesNotApplied = read.ScalesNotApplied;
            const std::string why = ImportNotesText(sc, true, language);
            if (!why.empty()) *error += (language == 0 ? "" : " ") + why;
        }
        if (notes) *notes = ImportNotes{};
        return std::string();
    }
    // Nothing the file holds is drawn by HP-GL, or it holds no HP-GL at all
    // but text of another language.
    read.NoDrawingCommands = !penCommands && read.PassedOver.empty();
    read.OtherPlotterLanguage = read.NoDrawingCommands && syntax.hpglCommands == 0 && syntax.otherText > 0;
    if (notes) *notes = std::move(read);
    if (error) error->clear();
    return pen.Finish();
}

}  // namespace velbend

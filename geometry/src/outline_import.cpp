// NC and PLT outlines to display points.
#include "velbend/geometry/outline_import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "display_file.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"

namespace velbend {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 6.28318530717958;

// Direction of the segment from (x0, y0) to (x1, y1): arc cosine of its unit
// X, negative when its unit Y is negative; radians in [-pi, pi].
double SegmentDirection(double dx, double dy, double len) {
    double ux = dx / len, uy = dy / len;
    if (ux > 1) ux = 1;
    if (ux < -1) ux = -1;
    double a = std::acos(ux);
    return uy < 0 ? -a : a;
}

// The state both importers share while they write one display file.
struct PolylineWriter {
    std::string out;
    double threshold = 0;     // turn threshold T, radians
    double prevX = 0, prevY = 0;
    double prevDir = 0;
    std::string pending;      // point line of the last accepted point, without CR LF
    bool first = false;       // the next accepted segment is the contour's first
    long long block = 0;
    long long lines = 0;
    bool tooLarge = false;

    void Line(std::string_view s) {
        geo::AppendLine(out, s);
        ++lines;
    }
    static std::string PointText(double x, double y, bool node) {
        std::string s;
        geo::AppendFixed(s, x, 6);
        s.push_back(' ');
        geo::AppendFixed(s, y, 6);
        if (node) s.append(" Node");
        return s;
    }
    void Header() {
        ++block;
        geo::AppendHeader(out, block);
        ++lines;
    }
    bool Corner(double dir) const {
        double dA = std::fabs(dir - prevDir);
        return dA > threshold && dA < kTwoPi - threshold;
    }
    // n = trunc((d - 5) / 5) points evenly inside the segment.
    void Subdivide(double x, double y, double d) {
        double q = (d - 5) / 5;
        if (!(q >= 1)) return;
        long long n = static_cast<long long>(q);
        if (lines + n > geo::kMaxDisplayLines) {
            tooLarge = true;
            return;
        }
        for (long long k = 1; k <= n; ++k) {
            double f = static_cast<double>(k) / static_cast<double>(n + 1);
            geo::AppendFixed(out, prevX + (x - prevX) * f, 6);
            out.push_back(' ');
            geo::AppendFixed(out, prevY + (y - prevY) * f, 6);
            out.append("\r\n");
            ++lines;
        }
    }
    void FlushPending() {
        if (!pending.empty()) {
            Line(pending);
            pending.clear();
        }
    }
};

geo::Fault TooLarge() {
    return {"轮廓太大：显示点超过" + std::to_string(geo::kMaxDisplayLines) + "行。",
            "The outline is too large: more than " + std::to_string(geo::kMaxDisplayLines) + " display lines."};
}

geo::Fault BadCoordinate(const char* kind, long long lineNo) {
    return {std::string(kind) + "文件第" + std::to_string(lineNo) + "行的坐标超出范围（±100000 mm），不能读取。",
            std::string("The ") + kind + " file has a coordinate out of range (+-100000 mm) in line " +
                std::to_string(lineNo) + " and cannot be read."};
}

bool InRange(double v) { return std::fabs(v) <= geo::kMaxCoordinate; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

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

// A PU or PD parameter that NumPrefix reads in full: a sign, digits with a
// point, an exponent.  Of any other text it reads the number it starts
// with, or 0.
bool IsWholeNumber(std::string_view s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    if (s.empty() || !((s[0] >= '0' && s[0] <= '9') || s[0] == '.')) return false;
    double v = 0;
    return std::from_chars(s.data(), s.data() + s.size(), v).ptr == s.data() + s.size();
}

}  // namespace

// ---------------------------------------------------------------- NC

std::string NcToDisplay(std::string_view nc, double gNcZPlane, double gSlotThreshold, int16_t language,
                        std::string* error, ImportNotes* notes) {
    if (notes) *notes = ImportNotes{};
    PolylineWriter w;
    w.threshold = gSlotThreshold / 180 * kPi;
    double x = 0, y = 0;
    double z = 0;
    bool zKnown = false;       // no Z word seen yet: the tool is not in any plane
    double prevZ = -9999;
    bool prevZKnown = false;
    long long lineNo = 0;
    auto fail = [&](const geo::Fault& f) {
        if (error) *error = f.Text(language);
        return std::string();
    };

    bool arcMode = false;  // the modal motion is G02 or G03
    bool moves = false;    // an X or Y word was seen
    for (std::string_view line : SplitLines(nc)) {
        ++lineNo;
        // Words X, Y, Z (and G); blanks between the letter and its number
        // belong to the word, a blank after the number ends it; ';' starts a
        // comment to the end of the line, so does text in parentheses up to
        // ')'.  I, J, K and R only mark the line as one with arc words.
        std::string text[4];
        bool seen[4] = {false, false, false, false};
        bool arcWord = false;
        int mode = -1;
        bool beforeNumber = false;  // no character of the word's number yet
        bool blanks = false;        // blanks since the letter
        bool inParen = false;
        int parameter = 0;  // 1 right after '#', 2 inside its <name>
        auto endGWord = [&] {
            if (!text[3].empty() && text[3][0] >= '0' && text[3][0] <= '9') {
                double g = geo::NumPrefix(text[3]);
                if (g == 2 || g == 3) arcMode = true;
                else if (g == 0 || g == 1 || (g >= 73 && g <= 89)) arcMode = false;  // straight moves, drill cycles
                // Units and distance mode are not followed: millimetres, absolute.
                if (notes && g == 20) ++notes->InchWords;
                if (notes && g == 91) ++notes->IncrementalWords;
            }
            text[3].clear();
        };
        auto endWord = [&] {
            if (mode == 3) endGWord();
            mode = -1;
        };
        auto startWord = [&](int m) {
            endWord();
            mode = m;
            seen[m] = true;
            beforeNumber = true;
            blanks = false;
        };
        for (char c : line) {
            if (inParen) {
                if (c == ')') inParen = false;
                continue;
            }
            if (c == '(') {
                inParen = true;
                endWord();
                continue;
            }
            if (c == ';') break;
            // A parameter (#2, #<depth>) is no number the reader knows: the
            // word it stands in reads as 0, and the letters of its name are
            // no words.
            if (parameter == 2) {
                if (c == '>') parameter = 0;
                continue;
            }
            if (parameter == 1) {
                parameter = 0;
                if (c == '<') {
                    parameter = 2;
                    continue;
                }
            }
            if (c == '#') {
                parameter = 1;
                if (notes) ++notes->ParameterWords;
            }
            if (c == 'X' || c == 'x') { startWord(0); continue; }
            if (c == 'Y' || c == 'y') { startWord(1); continue; }
            if (c == 'Z' || c == 'z') { startWord(2); continue; }
            if (c == 'G' || c == 'g') { startWord(3); continue; }
            if (c == 'I' || c == 'i' || c == 'J' || c == 'j' || c == 'K' || c == 'k' || c == 'R' || c == 'r')
                arcWord = true;
            if (mode >= 0 && beforeNumber) {
                if (c == ' ' || c == '\t') {
                    blanks = true;
                    continue;
                }
                beforeNumber = false;
                // Blanks followed by no number ended the word, empty.
                if (blanks && !((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == '#')) endWord();
                blanks = false;
            }
            if (c == ' ') {
                endWord();
                continue;
            }
            if (mode >= 0) text[mode].push_back(c);
        }
        endWord();
        moves = moves || seen[0] || seen[1];
        // An arc move ending in the plane is read as a straight move; a
        // full circle without an end point (back at its start) as none.
        const bool arc = arcMode && (seen[0] || seen[1] || seen[2] || arcWord);
        if (!seen[0] && !seen[1] && !seen[2]) {  // no move on this line
            if (arc && zKnown && z == gNcZPlane && notes) ++notes->ArcMoves;
            continue;
        }
        if (!text[0].empty()) x = geo::NumPrefix(text[0]);
        if (!text[1].empty()) y = geo::NumPrefix(text[1]);
        if (!text[2].empty()) {
            z = geo::NumPrefix(text[2]);
            zKnown = true;
        }
        if (!InRange(x) || !InRange(y) || !InRange(z)) return fail(BadCoordinate("NC", lineNo));
        if (arc && zKnown && z == gNcZPlane && notes) ++notes->ArcMoves;

        if (!zKnown || z != gNcZPlane) {
            w.FlushPending();
            w.prevX = x;
            w.prevY = y;
            if (zKnown) {
                prevZ = z;
                prevZKnown = true;
            }
            continue;
        }
        if (!prevZKnown || prevZ != z) {
            // The path enters the plane: a new contour.
            w.Header();
            w.Line(PolylineWriter::PointText(x, y, true));
            w.prevX = x;
            w.prevY = y;
            prevZ = z;
            prevZKnown = true;
            w.first = true;
            continue;
        }
        double dx = x - w.prevX, dy = y - w.prevY;
        double d = std::sqrt(dx * dx + dy * dy);
        if (!(d > 0.1)) continue;
        double dir = SegmentDirection(dx, dy, d);
        if (w.first) {
            w.first = false;
            w.pending = PolylineWriter::PointText(x, y, false);
        } else {
            bool corner = w.Corner(dir);
            if (corner) w.pending.append(" Node");
            w.FlushPending();
            w.Subdivide(x, y, d);
            w.pending = PolylineWriter::PointText(x, y, false);
        }
        if (w.tooLarge || w.lines > geo::kMaxDisplayLines) return fail(TooLarge());
        w.prevX = x;
        w.prevY = y;
        prevZ = z;
        w.prevDir = dir;
    }
    w.FlushPending();
    w.Line("SPLINE END");
    if (notes) notes->NoZWord = moves && !zKnown;
    if (error) error->clear();
    return std::move(w.out);
}

// ---------------------------------------------------------------- PLT

namespace {

// The mnemonics of HP-GL and HP-GL/2.  A command is its mnemonic and its
// parameters, and the ';' after it may be left out: within a command's
// parameters one of these starts the next command.
bool IsMnemonic(char c0, char c1) {
    static constexpr std::string_view kMnemonics =
        "AAACADAFAHAPARASATBLBPBRBZCACCCFCICMCOCPCRCSCTCVDCDFDIDLDPDRDSDTDVEAECEPERESEWFIFNFPFRFSFTGCGMGPIMINIPIR"
        "IVIWKYLALBLMLOLTMCMGMTNPNROAOCODOEOFOGOHOIOLOOOPOSOTOWPAPBPCPDPEPGPMPPPRPSPTPUPWQLRARFRORPRRRTSASBSCSDSG"
        "SISLSMSPSRSSSTSVTDTLTRUCUFULVSWDWGWUXTYT";
    for (size_t i = 0; i + 1 < kMnemonics.size(); i += 2)
        if (kMnemonics[i] == c0 && kMnemonics[i + 1] == c1) return true;
    return false;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); }

// Calls f on each parameter of a command (separated by commas or blanks)
// until it returns false; false then.
template <class F>
bool ForEachParameter(std::string_view args, F&& f) {
    size_t i = 0;
    while (i < args.size()) {
        while (i < args.size() && (args[i] == ',' || args[i] == ' ' || args[i] == '\t')) ++i;
        if (i >= args.size()) break;
        size_t j = i;
        while (j < args.size() && args[j] != ',' && args[j] != ' ' && args[j] != '\t') ++j;
        if (!f(args.substr(i, j - i))) return false;
        i = j;
    }
    return true;
}

// The numbers of an IP or SC command; false when a parameter is no number.
bool Numbers(std::string_view args, std::vector<double>& out) {
    out.clear();
    return ForEachParameter(args, [&](std::string_view param) {
        out.push_back(geo::NumPrefix(param));
        return IsWholeNumber(param);
    });
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
        const bool ok = Numbers(args, v);
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
        const bool ok = Numbers(args, v);
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

}  // namespace

std::string PltToDisplay(std::string_view plt, double gSlotThreshold, int16_t language, std::string* error,
                         ImportNotes* notes) {
    if (notes) *notes = ImportNotes{};
    PolylineWriter w;
    w.threshold = gSlotThreshold / 180 * kPi;
    double lastNodeX = 0, lastNodeY = 0;
    bool open = false;  // a contour has been started
    // The pen was parked at the origin (PU0,0) and has not moved since: in
    // the file the next PD draws from the origin.
    bool parked = false;
    PltScaling scale;
    long long scalesNotApplied = 0;
    long long lineNo = 0;
    auto fail = [&](const geo::Fault& f) {
        if (error) {
            *error = f.Text(language);
            // Coordinates of a scaling not applied are read as plotter units.
            ImportNotes sc;
            sc.ScalesNotApplied = scalesNotApplied;
            const std::string why = ImportNotesText(sc, true, language);
            if (!why.empty()) *error += (language == 0 ? "" : " ") + why;
        }
        return std::string();
    };

    auto penUp = [&](double x, double y) {
        w.pending.clear();
        w.Header();
        w.Line(PolylineWriter::PointText(x, y, true));
        w.prevX = x;
        w.prevY = y;
        lastNodeX = x;
        lastNodeY = y;
        w.first = true;
        open = true;
    };
    // A pen-up without a new position ends the contour all the same: the
    // next pen-down point starts one of its own.
    auto lift = [&]() {
        w.pending.clear();
        w.first = false;
        open = false;
    };
    auto penDown = [&](double x, double y) {
        if (!open) {  // drawing before any pen-up move: the stroke starts here
            penUp(x, y);
            return;
        }
        double dx = x - w.prevX, dy = y - w.prevY;
        double d = std::sqrt(dx * dx + dy * dy);
        if (!(d > 0.1)) return;
        double dir = SegmentDirection(dx, dy, d);
        if (w.first) {
            w.first = false;
            w.Subdivide(x, y, d);
        } else {
            bool node = false;
            if (w.Corner(dir)) {
                double nx = w.prevX - lastNodeX, ny = w.prevY - lastNodeY;
                if (std::sqrt(nx * nx + ny * ny) > 1.0) {
                    node = true;
                    lastNodeX = w.prevX;
                    lastNodeY = w.prevY;
                }
            }
            if (node) w.pending.append(" Node");
            w.FlushPending();
            w.Subdivide(x, y, d);
        }
        w.pending = PolylineWriter::PointText(x, y, false);
        w.prevX = x;
        w.prevY = y;
        w.prevDir = dir;
    };
    auto name = [&](char c0, char c1) {
        if (!notes) return;
        const char n[2] = {c0, c1};
        auto it = std::find_if(notes->PassedOver.begin(), notes->PassedOver.end(),
                               [&](const ImportNotes::Command& k) { return k.Name == std::string_view(n, 2); });
        if (it == notes->PassedOver.end()) {
            notes->PassedOver.push_back({std::string(n, 2), 1});
        } else {
            ++it->Count;
        }
    };

    // One command: its mnemonic (upper case) and its parameters.  False when
    // the file is refused.
    auto command = [&](char c0, char c1, std::string_view args) {
        while (!args.empty() && (args.back() == ' ' || args.back() == '\t' || args.back() == '\r'))
            args.remove_suffix(1);
        const bool up = c0 == 'P' && c1 == 'U';
        const bool down = c0 == 'P' && c1 == 'D';
        if (!up && !down) {
            if (c0 == 'I' && c1 == 'N') {
                scale.Defaults();
            } else if (c0 == 'D' && c1 == 'F') {
                scale.on = false;
            } else if (c0 == 'I' && c1 == 'P') {
                scale.Ip(args);
            } else if (c0 == 'I' && c1 == 'R') {  // P1 and P2 in parts of the plotter's own area
                scale.p1 = scale.p2 = false;
            } else if (c0 == 'S' && c1 == 'C') {
                scale.Sc(args);
            }
            // Named whatever its parameters look like: PE carries encoded
            // characters, and parameters on the next line are not read.
            // Only a PA without any changes nothing that is drawn, and an
            // empty label draws nothing.
            const bool barePa = ((c0 == 'P' && c1 == 'A') || (c0 == 'L' && c1 == 'B')) && Trim(args).empty();
            const bool named = IsDrawingCommand(c0, c1) && !barePa;
            if (named) parked = false;  // the pen may have moved
            if (named) name(c0, c1);
            return true;
        }
        // The pen parked at the origin is no contour.
        if (up && args == "0,0") {
            lift();
            parked = true;
            return true;
        }
        if (up) parked = false;
        const bool scaled = scale.Applies();
        if (scale.on && !scaled && !scale.told && !args.empty()) {
            scale.told = true;
            ++scalesNotApplied;
        }
        // Coordinates: numbers separated by commas or blanks, in pairs.
        // A pen-up move through several points starts the contour at the
        // last; a pen-down one draws through all of them.
        double pair[2];
        double upX = 0, upY = 0;
        bool upMove = false;
        int have = 0;
        bool unread = false;  // a parameter is no number
        const bool read = ForEachParameter(args, [&](std::string_view param) {
            unread = unread || !IsWholeNumber(param);
            pair[have++] = geo::NumPrefix(param);
            if (have < 2) return true;
            if (scaled) {
                pair[0] = scale.X(pair[0]);
                pair[1] = scale.Y(pair[1]);
            }
            pair[0] /= 40;
            pair[1] /= 40;
            if (!InRange(pair[0]) || !InRange(pair[1])) return false;
            have = 0;
            if (up) {
                upX = pair[0];
                upY = pair[1];
                upMove = true;
                return true;
            }
            // PU0,0 was read as parking, so the stroke the file draws from
            // the origin starts at its first PD point.
            if (parked && notes && (pair[0] != 0 || pair[1] != 0)) ++notes->StrokesFromOrigin;
            parked = false;
            penDown(pair[0], pair[1]);
            return !(w.tooLarge || w.lines > geo::kMaxDisplayLines);
        });
        if (!read) return false;
        // A last number without its partner is left out.
        if (notes && (unread || have == 1)) ++notes->UnreadCoordinates;
        if (upMove) penUp(upX, upY);
        else if (up) lift();
        // "PD;" without coordinates only lowers the pen.
        return true;
    };

    // Labels (LB) run to their terminator (ETX, or the one DT sets), over
    // line ends; a label whose terminator comes nowhere after it ends at
    // ';' or at the line end like other commands.  lastTerm[c]: where the
    // file's last c stands (looked up once per terminator).
    char terminator = '\x03';
    bool inLabel = false;
    std::vector<size_t> lastTerm(256, std::string_view::npos - 1);
    auto terminatorAfter = [&](size_t offset) {
        size_t& last = lastTerm[static_cast<unsigned char>(terminator)];
        if (last == std::string_view::npos - 1) last = plt.rfind(terminator);
        return last != std::string_view::npos && last >= offset;
    };
    // The next c at or after `from` in the line (its end when none), each c
    // looked for once per stretch of the line, so long lines cost no more
    // than short ones.
    std::vector<size_t> nextAt(256, 0);
    std::vector<long long> nextLine(256, 0);
    std::string_view line;
    auto next = [&](char c, size_t from) {
        const auto k = static_cast<unsigned char>(c);
        if (nextLine[k] != lineNo || nextAt[k] < from) {
            nextAt[k] = std::min(line.find(c, from), line.size());
            nextLine[k] = lineNo;
        }
        return nextAt[k];
    };
    for (std::string_view text : SplitLines(plt)) {
        line = text;
        ++lineNo;
        size_t i = 0;
        if (inLabel) {
            const size_t t = line.find(terminator);
            if (t == std::string_view::npos) continue;
            inLabel = false;
            i = t + 1;
        }
        while (i < line.size()) {
            const char c = line[i];
            if (c == ';' || c == ' ' || c == '\t' || c == '\r') {
                ++i;
                continue;
            }
            const size_t semi = next(';', i);
            if (!(IsLetter(c) && i + 1 < line.size() && IsLetter(line[i + 1]))) {
                i = semi;  // no command: passed over up to ';'
                continue;
            }
            const char c0 = Upper(c), c1 = Upper(line[i + 1]);
            size_t p = i + 2;
            size_t end = semi;  // where the parameters end
            if (c0 == 'L' && c1 == 'B') {
                const size_t t = next(terminator, p);
                if (t < line.size()) {
                    end = t;
                } else if (terminatorAfter(static_cast<size_t>(line.data() - plt.data()) + line.size())) {
                    inLabel = true;
                    end = line.size();
                }
            } else if (!(c0 == 'P' && c1 == 'E')) {  // PE's encoded parameters run to ';'
                if ((c0 == 'D' && c1 == 'T') || (c0 == 'S' && c1 == 'M')) {
                    // A terminator or symbol character of its own (none: the default).
                    const bool given = p < line.size() && line[p] != ';' && line[p] != '\0' && line[p] != '\x1b';
                    if (c0 == 'D') terminator = given ? line[p] : '\x03';
                    if (given) ++p;
                }
                bool quoted = false;  // text in quotes holds no command
                for (end = p; end < semi; ++end) {
                    const char a = line[end];
                    if (a == '"') quoted = !quoted;
                    if (!quoted && IsLetter(a) && end + 1 < semi && IsLetter(line[end + 1]) &&
                        IsMnemonic(Upper(a), Upper(line[end + 1])))
                        break;
                }
            }
            if ((c0 == 'I' && c1 == 'N') || (c0 == 'D' && c1 == 'F')) terminator = '\x03';
            if (!command(c0, c1, line.substr(std::min(p, end), end - std::min(p, end))))
                return fail(w.tooLarge || w.lines > geo::kMaxDisplayLines ? TooLarge() : BadCoordinate("PLT", lineNo));
            i = end < line.size() && line[end] == terminator && c0 == 'L' && c1 == 'B' ? end + 1 : end;
        }
    }
    if (notes) notes->ScalesNotApplied = scalesNotApplied;
    w.Line("SPLINE END");
    if (error) error->clear();
    return std::move(w.out);
}

// ---------------------------------------------------------------- file operations

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

std::string ImportNotesText(const ImportNotes& notes, bool outlineShown, int16_t language) {
    const bool zh = language == 0;
    std::string s;
    // Sentences follow each other, in English after a blank.
    auto add = [&](const std::string& zhText, const std::string& enText) {
        if (zh) {
            s += zhText;
        } else {
            if (!s.empty()) s += ' ';
            s += enText;
        }
    };
    // "G20 1个" / "G20 (1)"
    auto counted = [&](const std::string& name, long long n) {
        return zh ? name + " " + std::to_string(n) + "个" : name + " (" + std::to_string(n) + ")";
    };
    // A sentence around what it counts, when there is any.
    auto addCounted = [&](long long n, const std::string& name, const char* zhHead, const char* zhTail,
                          const char* enHead, const char* enTail) {
        if (n > 0) add(zhHead + counted(name, n) + zhTail, enHead + counted(name, n) + enTail);
    };
    if (!outlineShown) add("文件中没有可显示的轮廓。", "The file holds no outline to show.");
    if (notes.NoZWord) {
        add("NC程序中没有Z字，而轮廓按其所在平面的Z坐标选取：只显示加工平面内的移动，因此没有Z字的程序（如激光或绘图仪程序）"
            "不显示轮廓；请让CAM程序输出加工平面的Z坐标。",
            "The NC program holds no Z word, but its contours are chosen by the Z of their plane: only the moves in "
            "the machining plane are shown, so a program without Z words (such as one for a laser or a plotter) "
            "shows no outline; let the CAM program write the Z of the machining plane.");
    }
    addCounted(notes.InchWords, "G20", "NC程序中有按毫米读取的英寸单位设定：",
               "。轮廓因此只显示为原尺寸的1/25.4；请让CAM程序以毫米（G21）输出。",
               "The NC program holds inch settings that are read as millimetres: ",
               ". The outline therefore shows at 1/25.4 of its size; let the CAM program write millimetres (G21).");
    addCounted(notes.IncrementalWords, "G91", "NC程序中有坐标按绝对值读取的增量设定：",
               "。其后的移动因此显示在别处或变形；请让CAM程序以绝对坐标（G90）输出。",
               "The NC program holds incremental settings whose coordinates are read as absolute ones: ",
               ". The moves after them therefore show out of place or out of shape; let the CAM program write "
               "absolute coordinates (G90).");
    addCounted(notes.ParameterWords, "#", "NC程序中有未读取其值的参数字：",
               "。以参数为值的字（如Z#<depth>）按0读取，输入的加工平面因此只找到按Z0读取的移动，"
               "而不是程序所指平面内的移动；请让CAM程序以数值输出坐标。",
               "The NC program holds parameter words whose values are not read: ",
               ". A word whose value is a parameter (such as Z#<depth>) is read as 0, so the machining plane typed "
               "at the prompt finds the moves read at Z 0, not those in the plane the program means; let the CAM "
               "program write coordinates as numbers.");
    if (notes.ArcMoves > 0) {
        const std::string n = std::to_string(notes.ArcMoves);
        add("NC程序中加工平面内有按直线移动到终点读取的圆弧插补：G02/G03 " + n +
                "段。圆弧因此显示为直线，整圆显示为多边形或一个点；请让CAM程序将圆弧输出为直线段。",
            "The NC program holds arc moves in the machining plane that are read as straight moves to their "
            "end points: G02/G03 (" +
                n +
                "). Arcs therefore show as straight lines, and circles as polygons or single points; let the "
                "CAM program write arcs as straight moves.");
    }
    if (!notes.PassedOver.empty()) {
        std::string list;
        bool relative = false;
        for (size_t i = 0; i < notes.PassedOver.size(); ++i) {
            const ImportNotes::Command& k = notes.PassedOver[i];
            if (i > 0) list += zh ? "、" : ", ";
            list += counted(k.Name, k.Count);
            relative = relative || k.Name == "PR";
        }
        if (outlineShown) {
            add("PLT文件中有未读取的绘图命令：" + list + "。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。",
                "The PLT file holds plotter commands that are not read: " + list +
                    ". Only PU and PD are read, so these parts of the drawing are missing from the outline; "
                    "write the outline with PU and PD commands.");
        } else {
            add("文件中有未读取的绘图命令：" + list + "。只读取PU和PD；请用PU和PD命令输出轮廓。",
                "It holds plotter commands that are not read: " + list +
                    ". Only PU and PD are read; write the outline with PU and PD commands.");
        }
        if (relative) {
            add("PR之后（直到下一个PA）PU和PD的坐标是相对坐标，却按绝对坐标读取，其笔画因此显示在别处；请用绝对坐标输出轮廓。",
                "After PR the coordinates of PU and PD (up to the next PA) are relative ones, but they are read as "
                "absolute ones, so their strokes show out of place; write the outline in absolute coordinates.");
        }
    }
    addCounted(notes.ScalesNotApplied, "SC", "PLT文件中有未应用的缩放设定：",
               "。其后的坐标按绘图仪单位（0.025 mm）而不是用户单位读取，轮廓因此显示为另一尺寸并显示在别处；"
               "只有IP给出两个角点（四个数）且SC不是等比例缩放时才应用缩放；请以绘图仪单位输出轮廓，或使用这样的IP和SC。",
               "The PLT file holds scaling that is not applied: ",
               ". The coordinates after it are read as plotter units (0.025 mm) instead of user units, so the outline "
               "shows at another size and out of place; scaling is applied only where IP gives both corners (four "
               "numbers) and SC is not isotropic; write the outline in plotter units, or with such IP and SC.");
    addCounted(notes.UnreadCoordinates, "PU/PD", "PLT文件中有坐标不能全部读取的PU和PD命令：",
               "。不是数字的坐标按其开头的数字读取（开头没有数字时按0读取），缺少Y的最后一个X被略去，"
               "这些命令的点因此显示在别处或缺失；请以成对的数字输出坐标。",
               "The PLT file holds PU and PD commands whose coordinates cannot all be read: ",
               ". A coordinate that is no number is read as the number it starts with, or as 0 when it starts "
               "with none, and a last X without its Y is left out, so points of these commands show out of place "
               "or are missing; write the coordinates as pairs of numbers.");
    addCounted(notes.StrokesFromOrigin, "PD", "PLT文件中有在PU0,0之后从原点画起的笔画：",
               "。PU0,0按笔停放读取，这些笔画因此从其第一个PD点开始，原点不在轮廓中；请将图形移离原点。",
               "The PLT file holds strokes drawn from the origin after PU0,0: ",
               ". PU0,0 is read as the pen parked, so these strokes start at their first PD point instead and the "
               "origin is missing from the outline; move the drawing away from the origin.");
    return s;
}

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

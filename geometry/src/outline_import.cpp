// NC and PLT outlines to display points.
#include "velbend/geometry/outline_import.h"

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

}  // namespace

// ---------------------------------------------------------------- NC

std::string NcToDisplay(std::string_view nc, double gNcZPlane, double gSlotThreshold, int16_t language,
                        std::string* error) {
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

    for (std::string_view line : SplitLines(nc)) {
        ++lineNo;
        // Words X, Y, Z; a blank ends a word; ';' starts a comment to the end
        // of the line, so does text in parentheses up to ')'.
        std::string text[3];
        bool seen[3] = {false, false, false};
        int mode = -1;
        bool inParen = false;
        for (char c : line) {
            if (inParen) {
                if (c == ')') inParen = false;
                continue;
            }
            if (c == '(') {
                inParen = true;
                mode = -1;
                continue;
            }
            if (c == ';') break;
            if (c == 'X' || c == 'x') { mode = 0; seen[0] = true; continue; }
            if (c == 'Y' || c == 'y') { mode = 1; seen[1] = true; continue; }
            if (c == 'Z' || c == 'z') { mode = 2; seen[2] = true; continue; }
            if (c == ' ') { mode = -1; continue; }
            if (mode >= 0) text[mode].push_back(c);
        }
        if (!seen[0] && !seen[1] && !seen[2]) continue;  // no move on this line
        if (!text[0].empty()) x = geo::NumPrefix(text[0]);
        if (!text[1].empty()) y = geo::NumPrefix(text[1]);
        if (!text[2].empty()) {
            z = geo::NumPrefix(text[2]);
            zKnown = true;
        }
        if (!InRange(x) || !InRange(y) || !InRange(z)) return fail(BadCoordinate("NC", lineNo));

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
    if (error) error->clear();
    return std::move(w.out);
}

// ---------------------------------------------------------------- PLT

std::string PltToDisplay(std::string_view plt, double gSlotThreshold, int16_t language, std::string* error) {
    PolylineWriter w;
    w.threshold = gSlotThreshold / 180 * kPi;
    double lastNodeX = 0, lastNodeY = 0;
    bool open = false;  // a contour has been started
    long long lineNo = 0;
    auto fail = [&](const geo::Fault& f) {
        if (error) *error = f.Text(language);
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

    for (std::string_view line : SplitLines(plt)) {
        ++lineNo;
        // Commands end at ';' or at the line end; several may share a line.
        size_t start = 0;
        while (start <= line.size()) {
            size_t semi = line.find(';', start);
            std::string_view cmd = line.substr(start, semi == std::string_view::npos ? std::string_view::npos
                                                                                     : semi - start);
            start = semi == std::string_view::npos ? line.size() + 1 : semi + 1;
            while (!cmd.empty() && (cmd.front() == ' ' || cmd.front() == '\t')) cmd.remove_prefix(1);
            while (!cmd.empty() && (cmd.back() == ' ' || cmd.back() == '\t' || cmd.back() == '\r'))
                cmd.remove_suffix(1);
            if (cmd.size() < 2) continue;
            char c0 = static_cast<char>(cmd[0] & ~0x20), c1 = static_cast<char>(cmd[1] & ~0x20);
            bool up = c0 == 'P' && c1 == 'U';
            bool down = c0 == 'P' && c1 == 'D';
            if (!up && !down) continue;
            // The pen parked at the origin is no contour.
            if (up && cmd.size() == 5 && cmd.substr(2) == "0,0") continue;
            // Coordinates: numbers separated by commas or blanks, in pairs.
            // A pen-up move through several points starts the contour at the
            // last; a pen-down one draws through all of them.
            std::string_view args = cmd.substr(2);
            double pair[2];
            double upX = 0, upY = 0;
            bool upMove = false;
            int have = 0;
            size_t i = 0;
            while (i < args.size()) {
                while (i < args.size() && (args[i] == ',' || args[i] == ' ' || args[i] == '\t')) ++i;
                if (i >= args.size()) break;
                size_t j = i;
                while (j < args.size() && args[j] != ',' && args[j] != ' ' && args[j] != '\t') ++j;
                pair[have++] = geo::NumPrefix(args.substr(i, j - i)) / 40;
                i = j;
                if (have == 2) {
                    if (!InRange(pair[0]) || !InRange(pair[1])) return fail(BadCoordinate("PLT", lineNo));
                    have = 0;
                    if (up) {
                        upX = pair[0];
                        upY = pair[1];
                        upMove = true;
                        continue;
                    }
                    penDown(pair[0], pair[1]);
                    if (w.tooLarge || w.lines > geo::kMaxDisplayLines) return fail(TooLarge());
                }
            }
            if (upMove) penUp(upX, upY);
            // "PU;" and "PD;" without coordinates only lift or lower the pen.
        }
    }
    w.Line("SPLINE END");
    if (error) error->clear();
    return std::move(w.out);
}

// ---------------------------------------------------------------- file operations

namespace {

bool ImportWith(const std::filesystem::path& file, Operator& op, int16_t language,
                std::string (*convert)(std::string_view, const void*, int16_t, std::string*), const void* ctx) {
    auto bytes = ReadFileBytes(file);
    if (!bytes) {
        geo::ShowFault(op, language,
                       {"无法读取文件：" + file.string(), "Cannot read the file " + file.string()});
        return false;
    }
    std::string error;
    std::string out = convert(*bytes, ctx, language, &error);
    if (!error.empty()) {
        geo::ShowFault(op, language, {error, error});
        return false;
    }
    if (!geo::WriteWorkFile("PointForDisplay.dat", out, op, language)) return false;
    if (out == "SPLINE END\r\n") {
        op.MsgBox(Tr(language, "文件中没有可显示的轮廓。", "The file holds no outline to show."), MsgButtons::Ok,
                  MsgIcon::Information, Tr(language, "操作提示", "Operation Tips"));
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
        [](std::string_view b, const void* c, int16_t lang, std::string* e) {
            auto* n = static_cast<const NcArgs*>(c);
            return NcToDisplay(b, n->plane, n->threshold, lang, e);
        },
        &a);
}

bool ImportPltFile(const std::filesystem::path& pltFile, double gSlotThreshold, Operator& op, int16_t language) {
    return ImportWith(
        pltFile, op, language,
        [](std::string_view b, const void* c, int16_t lang, std::string* e) {
            return PltToDisplay(b, *static_cast<const double*>(c), lang, e);
        },
        &gSlotThreshold);
}

}  // namespace velbend

// Strip length, segment list and drawing of the control path.
#include "velbend/geometry/path_length.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <optional>

#include "path_text.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/plane.h"

namespace velbend {

namespace {

// A line of CtrP.dat as the length, the segment list and the drawing read
// it: a "SPLINE" line takes B and A from fields 1 and 2 even when field 1 is
// empty.
CtrPLine Parse(std::string_view line) {
    CtrPLine p = ParseCtrPLine(line);
    if (p.Spline) {
        const BlankFields<3> f(line);
        p.B = Val(f[1]);
        p.A = Val(f[2]);
    }
    return p;
}

std::vector<CtrPLine> ParseAll(std::string_view bytes) {
    std::vector<CtrPLine> out;
    for (std::string_view line : SplitLines(bytes)) {
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        out.push_back(Parse(line));
    }
    return out;
}

// Step length from the previous point to point i, with the arc compensation
// of a bending arc point (the next record is looked at for the arc's side).
double StepLength(const std::vector<CtrPLine>& lines, size_t i, double px, double py, const SysPara& sys,
                  ArcRule rule, bool secondBuild) {
    const CtrPLine& p = lines[i];
    double dx = p.X - px, dy = p.Y - py;
    double d = std::sqrt(dx * dx + dy * dy) + p.C;
    if (IsBendingArc(sys, p.A, p.Kind)) {
        int side = 0;  // no next point: the side is unknown, the length stays
        if (i + 1 < lines.size() && !lines[i + 1].Spline) {
            const CtrPLine& n = lines[i + 1];
            side = BendingArcSide(rule, secondBuild, px, py, p.X, p.Y, n.X, n.Y);
        }
        d += ArcCompensation(sys, d, p.A, side);
    }
    return d;
}

}  // namespace

int BendingArcSide(ArcRule rule, bool secondBuild, double xp, double yp, double x, double y, double xn,
                   double yn) {
    if (secondBuild && rule == ArcRule::Dxf)
        return CoreAlgorithm::ArcDirection(SplinePoint{xp, yp}, SplinePoint{x, y}, SplinePoint{xn, yn});
    return TurnAngle(xp, yp, x, y, xn, yn);
}

bool IsBendingArc(const SysPara& sys, double A, int kind) {
    return kind == 0 && A > 0.1 && A >= sys.gBendToSlotRThreshold;
}

double ArcCompensation(const SysPara& sys, double length, double A, int side) {
    if (side < 0) return sys.gArcCompP * length / A;
    if (side > 0) return -sys.gArcCompN * length / A;
    return 0;
}

ArcRule ArcRuleOf(std::string_view outlinePath) {
    std::string low(outlinePath);
    for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto ends = [&](std::string_view s) {
        return low.size() >= s.size() && low.compare(low.size() - s.size(), s.size(), s) == 0;
    };
    if (ends("dxf")) return ArcRule::Dxf;
    if (ends("nc")) return ArcRule::Nc;
    return ArcRule::Other;
}

PathLength CalcPathLength(std::string_view ctrp, const SysPara& sys, double gap, ArcRule rule, bool secondBuild) {
    PathLength out;
    std::vector<CtrPLine> lines = ParseAll(ctrp);
    double total = 0;
    bool havePrev = false;
    double px = 0, py = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const CtrPLine& p = lines[i];
        if (p.Spline) {
            ++out.mSplineLineCount;
            if (i + 1 < lines.size() && havePrev) total += gap;  // a closing line before more path
            havePrev = false;
            continue;
        }
        if (havePrev) total += StepLength(lines, i, px, py, sys, rule, secondBuild);
        out.mPathTable.push_back({total, p.X, p.Y});
        px = p.X;
        py = p.Y;
        havePrev = true;
    }
    out.mPathPointCount = static_cast<int32_t>(out.mPathTable.size());
    out.Total = total;
    return out;
}

std::vector<std::string> FillSegmentList(std::string_view ctrp, const SysPara& sys, ArcRule rule,
                                         bool secondBuild) {
    std::vector<std::string> items;
    std::vector<CtrPLine> lines = ParseAll(ctrp);
    const double R = sys.gMillRadius, k = sys.gMillRadiusCoef;
    int n = 0;
    double L = 0, Z1 = 0, Z2 = 0;
    bool havePrev = false;
    double px = 0, py = 0;
    auto write = [&] {
        ++n;
        std::string s = "第" + Str(n) + "段,";
        pathtext::AppendFixed(s, L, 3);
        s += " ,加工长";
        pathtext::AppendFixed(s, L - Z1 - Z2, 3);
        s += " ,缩短";
        pathtext::AppendFixed(s, Z2 + Z1, 3);
        items.push_back(std::move(s));
        havePrev = false;
        L = 0;
        Z1 = Z2;
        Z2 = 0;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const CtrPLine& p = lines[i];
        if (p.Spline) {
            if (i + 1 == lines.size()) {
                Z2 = CutterZone(p.B, R, k);
                write();
            } else if (!havePrev) {
                Z1 = CutterZone(p.B, R, k);
            } else {
                Z2 = CutterZone(p.B, R, k);
                write();
            }
        } else if (p.Kind == 2 || p.Kind == 5) {
            if (std::fabs(p.B) <= sys.gSlotThreshold && p.Kind == 2) continue;
            if (p.B > 0.1 && p.B < 179.9) Z2 = CutterZone(p.B, R, k);
            write();
        } else {
            if (havePrev) L += StepLength(lines, i, px, py, sys, rule, secondBuild);
            px = p.X;
            py = p.Y;
            havePrev = true;
        }
    }
    return items;
}

void DrawCtrPMarkers(std::string_view ctrp, const SysPara& sys, double viewWidth, int16_t selected,
                     DisplayList& list, std::vector<PathMarker>* markers) {
    const double h = 0.003 * viewWidth;
    // Segments are counted from 0 here and from 1 in the list.
    const int highlight = selected - 1;
    int s = 0;
    int contourKind = 0;
    bool havePrev = false;
    double px = 0, py = 0;
    for (const CtrPLine& p : ParseAll(ctrp)) {
        if (p.Spline) {
            if (havePrev) {
                ++s;
                list.Square(px, py, h, kRed);
            }
            double a = RoundHalfEven(p.A);
            contourKind = (a >= -32768 && a <= 32767) ? static_cast<int>(a) : 0;
            havePrev = false;
            continue;
        }
        if (p.A > 0.1 && p.A < sys.gBendToSlotRThreshold) list.Square(p.X, p.Y, h, kWhite);
        if ((p.Kind == 2 || p.Kind == 5) && (std::fabs(p.B) > sys.gSlotThreshold || p.Kind == 5)) {
            ++s;
            list.Square(p.X, p.Y, h, kRed);
            if (markers && markers->size() < static_cast<size_t>(kMaxPathMarkers)) {
                bool known = false;
                for (const PathMarker& m : *markers) known = known || (m.X == p.X && m.Y == p.Y);
                if (!known) markers->push_back({p.X, p.Y, 0});
            }
        }
        if (!havePrev) {
            list.Square(p.X, p.Y, h, kRed);
        } else {
            DisplayColor c = s == highlight ? kYellow : contourKind == 3 ? kMagenta : kGreen;
            list.Line(px, py, p.X, p.Y, c);
        }
        px = p.X;
        py = p.Y;
        havePrev = true;
    }
}

bool ReadCtrPFile(std::string& bytes, Operator& op, int16_t language) {
    std::filesystem::path p = ProgramFile("CtrP.dat");
    std::optional<std::string> b = ReadFileBytes(p);
    if (b) {
        bytes = std::move(*b);
        return true;
    }
    bytes.clear();
    std::error_code ec;
    if (!std::filesystem::exists(p, ec)) return true;  // nothing picked yet
    op.MsgBox(Tr(language, "无法读取 CtrP.dat", "Cannot read CtrP.dat"), MsgButtons::Ok,
              MsgIcon::Critical, Tr(language, "错误", "Wrong"));
    return false;
}

}  // namespace velbend

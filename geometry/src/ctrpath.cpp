// The control-path builder: PointForControl.dat -> CtrP.dat.
#include "velbend/geometry/ctrpath.h"

#include <algorithm>
#include <cmath>

#include "path_text.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/plane.h"

namespace velbend {

namespace {

constexpr int kCornerScan = 1000;   // records looked at either way for corners in a zone
constexpr int kZoneScan = 10000;    // records looked at either way for the nearest turn
constexpr double kMaxPathCoordinate = 1e7;

int16_t KindOf(double v) {
    double r = RoundHalfEven(v);
    if (!(r >= -32768 && r <= 32767)) return -1;  // never written
    return static_cast<int16_t>(r);
}

double Dist(const CtrPPoint& a, double x, double y) {
    double dx = a.X - x;
    double dy = a.Y - y;
    return std::sqrt(dx * dx + dy * dy);
}

bool SamePoint(const CtrPPoint& a, const CtrPPoint& b) { return a.X == b.X && a.Y == b.Y; }

// Heading from p towards q in [0, 2*pi).
double HeadingPos(const CtrPPoint& p, const CtrPPoint& q) {
    double ux, uy;
    UnitVector(p.X, p.Y, q.X, q.Y, ux, uy);
    double h = SignedAngle(ux, uy);
    if (h < 0) h += kTwoPi;
    return h;
}

double Wrap180(double a) {
    if (a > 180) a -= 360;
    else if (a < -180) a += 360;
    return a;
}

// Distance along theta for an offset D whose bend half-angle is given.
double OffsetLength(double D, double sinHalf) {
    double s = std::fabs(D / sinHalf);
    if (!(std::fabs(sinHalf) > 1e-9) || !std::isfinite(s)) s = std::fabs(D);
    return s;
}

// Small disjoint-set "next alive" structure over indices 0..n (n is the
// sentinel): Find(i) gives the smallest alive index >= i.
class NextAlive {
public:
    explicit NextAlive(size_t n) : parent_(n + 1) {
        for (size_t i = 0; i <= n; ++i) parent_[i] = i;
    }
    void Remove(size_t i) { parent_[i] = i + 1; }
    size_t Find(size_t i) {
        size_t r = i;
        while (parent_[r] != r) r = parent_[r];
        while (parent_[i] != r) {
            size_t nx = parent_[i];
            parent_[i] = r;
            i = nx;
        }
        return r;
    }
private:
    std::vector<size_t> parent_;
};

}  // namespace

CtrPSettings CtrPSettingsOf(const SysPara& sys, std::string_view offsetText) {
    return {Val(offsetText), sys.gMillRadius, sys.gMillRadiusCoef};
}

double CutterZone(double B, double R, double k) {
    if (!(B > 0.1 && B < 179.9)) return 0;
    double alpha = (180 - B) / 2;
    return k * (R / std::tan(alpha * kPi / 180) - (90 - alpha) * R * kPi / 180);
}

TurnZones ZonesOfTurn(double B, const CtrPSettings& s) {
    TurnZones z;
    double D = s.Offset;
    if (B > 0.1 && B < 179.9) {
        const double alpha = (180 - B) / 2;
        z.Zc = CutterZone(B, s.MillRadius, s.MillRadiusCoef);
        z.Zo = D > 0 ? D / std::tan(alpha * kPi / 180) : 0;
    } else if (B < -0.1) {
        z.Zc = 0;
        z.Zo = D < 0 ? -D / std::tan((180 + B) / 2 * kPi / 180) : 0;
    }
    return z;
}

CtrPLine ParseCtrPLine(std::string_view line) {
    const BlankFields<6> f(line);
    CtrPLine r;
    if (f[0] == "SPLINE") {
        r.Spline = true;
        if (f[1].empty()) {
            r.B = Val(f[2]);
            r.A = Val(f[3]);
        } else {
            r.B = Val(f[1]);
            r.A = Val(f[2]);
        }
        return r;
    }
    r.X = Val(f[0]);
    r.Y = Val(f[1]);
    r.Kind = KindOf(Val(f[2]));
    r.A = Val(f[3]);
    r.B = Val(f[4]);
    r.C = Val(f[5]);
    return r;
}

std::vector<CtrPPoint> ReadPointForControl(std::string_view bytes) {
    std::vector<CtrPPoint> recs;
    const std::vector<std::string_view> lines = SplitLines(bytes);
    recs.reserve(lines.size());
    for (std::string_view line : lines) {
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const CtrPLine r = ParseCtrPLine(line);
        if (r.Spline) {
            if (!recs.empty() && recs.back().Kind == 2) {
                // A turn written just before the line is the block's own turn.
                recs.back().Kind = 3;
                recs.back().A = r.A;
                recs.back().B = r.B;
            } else {
                CtrPPoint h;
                h.Kind = 3;
                h.A = r.A;
                h.B = r.B;
                recs.push_back(h);
            }
            continue;
        }
        recs.push_back(static_cast<const CtrPPoint&>(r));
    }
    return recs;
}

void RemoveCornersInZones(std::vector<CtrPPoint>& recs, const CtrPSettings& s) {
    const size_t n = recs.size();
    if (n == 0) return;
    // Contour boundaries (kind 3 never changes here).
    std::vector<size_t> nextHead(n + 1, n);   // first kind-3 index >= i
    std::vector<long> prevHead(n, -1);        // last kind-3 index <= i
    for (size_t i = n; i-- > 0;) nextHead[i] = recs[i].Kind == 3 ? i : nextHead[i + 1];
    for (size_t i = 0; i < n; ++i)
        prevHead[i] = recs[i].Kind == 3 ? static_cast<long>(i) : (i ? prevHead[i - 1] : -1);
    // Alive corners, forwards (index i) and backwards (index n - 1 - i).
    NextAlive fwd(n), bwd(n);
    for (size_t i = 0; i < n; ++i) {
        if (recs[i].Kind != 2) {
            fwd.Remove(i);
            bwd.Remove(n - 1 - i);
        }
    }
    auto mark = [&](size_t j) {
        if (recs[j].Kind == 3) return;  // headers and closing lines stay
        if (recs[j].Kind == 2) {
            fwd.Remove(j);
            bwd.Remove(n - 1 - j);
        }
        recs[j].Kind = 4;
    };
    auto markWithCompanions = [&](size_t j) {
        mark(j);
        if (j > 0) mark(j - 1);
        if (j + 1 < n) mark(j + 1);
    };
    for (size_t m = 0; m < n; ++m) {
        if (recs[m].Kind != 2) continue;
        const double B = recs[m].B;
        if (!(B > 0.1 && B < 179.9)) continue;
        const double Z = CutterZone(B, s.MillRadius, s.MillRadiusCoef);
        const double mx = recs[m].X, my = recs[m].Y;
        // Forwards, up to the contour's closing line.
        const size_t fwdEnd = std::min({m + kCornerScan, n - 1, nextHead[m + 1] == n ? n - 1 : nextHead[m + 1] - 1});
        for (size_t j = fwd.Find(m + 1); j <= fwdEnd && j < n; j = fwd.Find(j + 1)) {
            if (Dist(recs[j], mx, my) < Z) markWithCompanions(j);
            else break;
        }
        // Backwards, down to the contour's header.
        if (m == 0) continue;
        const long lowHead = prevHead[m - 1];
        const long bwdEnd = std::max<long>({static_cast<long>(m) - kCornerScan, 0L, lowHead + 1});
        for (long j = static_cast<long>(m) - 1;;) {
            size_t r = bwd.Find(n - 1 - static_cast<size_t>(j));
            if (r >= n) break;
            j = static_cast<long>(n - 1 - r);
            if (j < bwdEnd) break;
            if (Dist(recs[j], mx, my) < Z) markWithCompanions(static_cast<size_t>(j));
            else break;
            if (--j < 0) break;
        }
    }
    recs.erase(std::remove_if(recs.begin(), recs.end(), [](const CtrPPoint& p) { return p.Kind == 4; }),
               recs.end());
}

void ThinNearCorners(std::vector<CtrPPoint>& recs, const CtrPSettings& s) {
    const size_t n = recs.size();
    if (n == 0) return;
    // Zone and zone point of every turn record.
    std::vector<double> zone(n, 0);
    for (size_t j = 0; j < n; ++j) {
        if (recs[j].Kind != 2 && recs[j].Kind != 3) continue;
        TurnZones z = ZonesOfTurn(recs[j].B, s);
        zone[j] = z.Zc + z.Zo;
    }
    std::vector<char> keep(n, 1);
    // Nearest turn before each record.
    long last = -1;
    for (size_t i = 0; i < n; ++i) {
        if (recs[i].Kind == 0 && last >= 0 && static_cast<long>(i) - last <= kZoneScan) {
            const CtrPPoint& p = recs[last].Kind == 3 ? recs[last + 1] : recs[last];
            if (!(Dist(recs[i], p.X, p.Y) > zone[last])) keep[i] = 0;
        }
        if (recs[i].Kind == 2 || recs[i].Kind == 3) last = static_cast<long>(i);
    }
    // Nearest turn after each record.
    long next = -1;
    for (size_t i = n; i-- > 0;) {
        if (recs[i].Kind == 0 && next >= 0 && next - static_cast<long>(i) <= kZoneScan) {
            const CtrPPoint& p = recs[next].Kind == 3 ? recs[next - 1] : recs[next];
            if (!(Dist(recs[i], p.X, p.Y) > zone[next])) keep[i] = 0;
        }
        if (recs[i].Kind == 2 || recs[i].Kind == 3) next = static_cast<long>(i);
    }
    size_t w = 0;
    for (size_t i = 0; i < n; ++i)
        if (keep[i]) recs[w++] = recs[i];
    recs.resize(w);
}

void OffsetPath(std::vector<CtrPPoint>& recs, double D) {
    if (D == 0 || recs.empty()) return;
    const std::vector<CtrPPoint> orig = recs;
    const size_t n = orig.size();
    double theta = 0;  // radians; kept from the record before when a bend has no direction

    auto move = [&](size_t i, double th, double s) {
        recs[i].X = orig[i].X + s * std::cos(th);
        recs[i].Y = orig[i].Y + s * std::sin(th);
    };
    // Bisector rule for a point with headings h1 (back) and h2 (on), radians in [0, 2*pi).
    auto bisect = [&](double h1, double h2) {
        if (h1 != h2) {
            theta = (h1 + h2) / 2;
            if (D > 0 ? h2 < h1 : h2 > h1) theta -= kPi;
        }
        if (theta > kPi) theta -= kTwoPi;
        else if (theta < -kPi) theta += kTwoPi;
        return OffsetLength(D, std::sin(std::fabs(h1 - theta)));
    };

    size_t i = 0;
    while (i < n) {
        if (!(orig[i].Kind == 3 && i + 1 < n && orig[i + 1].Kind != 3)) {
            ++i;
            continue;
        }
        const size_t head = i;
        const size_t first = head + 1;
        size_t close = first;
        while (close < n && orig[close].Kind != 3) ++close;
        const size_t lastPt = close - 1;
        const double headTurn = orig[head].B;
        const double closeTurn = close < n ? orig[close].B : 0;
        const bool closed = lastPt > first && SamePoint(orig[lastPt], orig[first]);

        if (lastPt > first) {
            // The block's first point.
            if (closed) {
                double h1 = HeadingPos(orig[first], orig[lastPt - 1]);
                double h2 = HeadingPos(orig[first], orig[first + 1]);
                double s = bisect(h1, h2);
                move(first, theta, s);
            } else {
                double h2 = Wrap180(HeadingDeg(orig[first].X, orig[first].Y, orig[first + 1].X,
                                               orig[first + 1].Y));
                double h1 = Wrap180(h2 + headTurn - 180);
                if (h2 < h1) h2 += 360;
                double th = (h1 + h2) / 2;
                if (D < 0) th += 180;
                th = Wrap180(th);
                double s = OffsetLength(D, std::sin(std::fabs(h2 - th) * kPi / 180));
                theta = th * kPi / 180;
                move(first, theta, s);
            }
            // Points inside the block.
            size_t k = first + 1;
            while (k < lastPt) {
                size_t nx = k + 1;
                int passed = 0;
                while (passed < 2 && nx < lastPt && SamePoint(orig[nx], orig[k])) {
                    ++nx;
                    ++passed;
                }
                double h1 = HeadingPos(orig[k], orig[k - 1]);
                double h2 = HeadingPos(orig[k], orig[nx]);
                double s = bisect(h1, h2);
                move(k, theta, s);
                for (size_t c = k + 1; c < nx; ++c) {
                    // The turn record of a corner or splice keeps its picked point.
                    if (c == k + 1 && (orig[c].Kind == 2 || orig[c].Kind == 5)) continue;
                    recs[c].X = recs[k].X;
                    recs[c].Y = recs[k].Y;
                }
                k = nx;
            }
            // The block's last point.
            if (closed) {
                recs[lastPt] = recs[first];
            } else {
                double a = Wrap180(HeadingDeg(orig[lastPt - 1].X, orig[lastPt - 1].Y, orig[lastPt].X,
                                              orig[lastPt].Y));
                double b = Wrap180(a - closeTurn - 180);
                if (a < b) a += 360;
                double th = (a + b) / 2;
                if (D < 0) th += 180;
                th = Wrap180(th);
                double s = OffsetLength(D, std::sin(std::fabs(a - th) * kPi / 180));
                theta = th * kPi / 180;
                move(lastPt, theta, s);
            }
        }
        // A block of one point has no walk direction and stays where it is.
        i = close;
    }
}

namespace {

void AppendPoint(std::string& out, double x, double y, int kind, double a, double b, double c) {
    pathtext::AppendFixed(out, x, 6);
    out.push_back(' ');
    pathtext::AppendFixed(out, y, 6);
    out.push_back(' ');
    out.append(std::to_string(kind));
    out.push_back(' ');
    pathtext::AppendFixed(out, a, 6);
    out.push_back(' ');
    pathtext::AppendFixed(out, b, 6);
    out.push_back(' ');
    pathtext::AppendFixed(out, c, 6);
    out.append("\r\n");
}

bool NearDeleted(const CtrPPoint& p, std::span<const NodeRecord> deleted) {
    for (const NodeRecord& d : deleted)
        if (std::fabs(p.X - d.X) <= 0.01 && std::fabs(p.Y - d.Y) <= 0.01) return true;
    return false;
}

}  // namespace

std::string FormatCtrP(const std::vector<CtrPPoint>& recs, std::span<const NodeRecord> deleted) {
    std::string out;
    out.reserve(recs.size() * 64);
    const size_t n = recs.size();
    for (size_t i = 0; i < n; ++i) {
        const CtrPPoint& r = recs[i];
        if (r.Kind == 3) {
            out.append("SPLINE ");
            pathtext::AppendFixed(out, r.B, 6);
            out.push_back(' ');
            pathtext::AppendFixed(out, r.A, 1);
            out.append("\r\n");
        } else if (r.Kind == 0) {
            AppendPoint(out, r.X, r.Y, 0, r.A, r.B, r.C);
        } else if (r.Kind == 1) {
            AppendPoint(out, r.X, r.Y, 1, r.A, r.B, r.C);
            if (i + 1 < n && (recs[i + 1].Kind == 2 || recs[i + 1].Kind == 5)) {
                const CtrPPoint& mid = recs[i + 1];
                int kind = NearDeleted(mid, deleted) ? 4 : mid.Kind;
                AppendPoint(out, r.X, r.Y, kind, mid.A, mid.B, mid.C);
                ++i;
                if (i + 1 < n && recs[i + 1].Kind != 3) {
                    const CtrPPoint& third = recs[i + 1];
                    AppendPoint(out, third.X, third.Y, third.Kind, third.A, third.B, third.C);
                    ++i;
                }
            }
        }
    }
    return out;
}

std::string BuildCtrPText(std::string_view pointForControl, const CtrPSettings& s,
                          std::span<const NodeRecord> deleted) {
    std::vector<CtrPPoint> recs = ReadPointForControl(pointForControl);
    if (recs.empty()) return {};
    RemoveCornersInZones(recs, s);
    ThinNearCorners(recs, s);
    OffsetPath(recs, s.Offset);
    return FormatCtrP(recs, deleted);
}

CtrPBuild BuildCtrPFile(const CtrPSettings& s, std::span<const NodeRecord> deleted, Operator& op,
                        int16_t language) {
    auto fail = [&](const std::string& zh, const std::string& en) {
        op.MsgBox(Tr(language, zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical,
                  Tr(language, "错误", "Wrong"));
        return CtrPBuild::Refused;
    };
    std::optional<std::string> bytes = ReadFileBytes(ProgramFile("PointForControl.dat"));
    if (!bytes) {
        if (!std::filesystem::exists(ProgramFile("PointForControl.dat"))) return CtrPBuild::Unchanged;
        return fail("无法读取 PointForControl.dat", "Cannot read PointForControl.dat");
    }
    std::vector<CtrPPoint> recs = ReadPointForControl(*bytes);
    if (recs.empty()) return CtrPBuild::Unchanged;
    if (!std::isfinite(s.Offset) || std::fabs(s.Offset) > kMaxPathCoordinate)
        return fail("轮廓偏移距离无效", "The contour offset is not valid");
    for (const CtrPPoint& r : recs) {
        if (!(std::fabs(r.X) <= kMaxPathCoordinate && std::fabs(r.Y) <= kMaxPathCoordinate &&
              std::isfinite(r.A) && std::isfinite(r.B) && std::isfinite(r.C)))
            return fail("PointForControl.dat 中有无效的坐标", "PointForControl.dat holds invalid coordinates");
    }
    RemoveCornersInZones(recs, s);
    ThinNearCorners(recs, s);
    OffsetPath(recs, s.Offset);
    std::string text = FormatCtrP(recs, deleted);
    std::string err;
    if (!WriteFileAtomic(ProgramFile("CtrP.dat"), text, &err))
        return fail("无法写入 CtrP.dat: " + err, "Cannot write CtrP.dat: " + err);
    return CtrPBuild::Written;
}

}  // namespace velbend

// Control points of a picked DXF contour taken from its spline: chords whose
// height stays near the chord tolerance, straight stretches cut into pieces,
// and the signed turn at every node passed.  Also the sense of a contour
// read back from PDdir.dat.
#include <cmath>
#include <optional>
#include <string>

#include "path_text.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/picking.h"
#include "velbend/geometry/plane.h"

namespace velbend {

namespace {

constexpr double kHalfPi = kPi / 2;
constexpr int kMaxRefine = 200;          // bisection steps of one chord
constexpr long kMaxRecordsPerSpan = 200000;

}  // namespace

double CoreAlgorithm::CurveArcCos(double x) const {
    if (x < -1) return kPi;
    if (x < -0.5) return std::atan(std::sqrt(1 - x * x) / x) + 4 * std::atan(1.0);
    if (x <= 0.5) return 2 * std::atan(1.0) - std::atan(x / std::sqrt(1 - x * x));
    if (x <= 1) return std::atan(std::sqrt(1 - x * x) / x);
    return 0;  // above 1, and NaN
}

void CoreAlgorithm::ChordGeometry(double t0, double t1) {
    const double d = (t1 - t0) / 20;
    ChordStart = EvalBSpline(t0);
    ChordNearStart = EvalBSpline(t0 + d);
    ChordEnd = EvalBSpline(t1);
    ChordNearEnd = EvalBSpline(t1 - d);
    ChordDirStart = SplinePoint{ChordNearStart.X - ChordStart.X, ChordNearStart.Y - ChordStart.Y, 0, 0};
    VecLength = std::sqrt(ChordDirStart.Y * ChordDirStart.Y + ChordDirStart.X * ChordDirStart.X);
    if (!(VecLength >= 0.001)) {
        ChordAngle = 0;
        ChordLength = 0;
        return;
    }
    ChordDirStart.X /= VecLength;
    ChordDirStart.Y /= VecLength;
    ChordDirEnd = SplinePoint{ChordNearEnd.X - ChordEnd.X, ChordNearEnd.Y - ChordEnd.Y, 0, 0};
    VecLength = std::sqrt(ChordDirEnd.Y * ChordDirEnd.Y + ChordDirEnd.X * ChordDirEnd.X);
    if (!(VecLength >= 0.001)) {
        ChordAngle = 0;
        ChordLength = 0;
        return;
    }
    ChordDirEnd.X /= VecLength;
    ChordDirEnd.Y /= VecLength;
    ChordAngle = CurveArcCos(ChordDirStart.X * ChordDirEnd.X + ChordDirStart.Y * ChordDirEnd.Y);
    const double dx = ChordEnd.X - ChordStart.X, dy = ChordEnd.Y - ChordStart.Y;
    ChordLength = std::sqrt(dx * dx + dy * dy);
}

double CoreAlgorithm::CurveTurnAngle(double ta, double tn, double tb) {
    SplinePoint pa = EvalBSpline(ta);
    SplinePoint pn = EvalBSpline(tn);
    SplinePoint pb = EvalBSpline(tb);
    double ux = pa.X - pn.X, uy = pa.Y - pn.Y;
    VecLength = std::sqrt(ux * ux + uy * uy);
    if (!(VecLength >= 0.00001)) return 0;
    ux /= VecLength;
    uy /= VecLength;
    double vx = pn.X - pb.X, vy = pn.Y - pb.Y;
    VecLength = std::sqrt(vx * vx + vy * vy);
    if (!(VecLength >= 0.00001)) return 0;
    vx /= VecLength;
    vy /= VecLength;
    return kPi - CurveArcCos(ux * vx + uy * vy);
}

// The walk of ControlPointGen over the current spline.
struct ControlPointWalk {
    explicit ControlPointWalk(CoreAlgorithm& core) : c(core) {}
    CoreAlgorithm& c;
    int n = 0;  // nodes 1..n, node(n) is the closing end
    bool falling = true;
    std::string out;
    bool tooMany = false;

    double Node(int k) const { return c.CurParams[static_cast<size_t>(k - 1)]; }

    double Height() const { return (c.ChordLength / 2) * std::tan(kHalfPi - c.ChordAngle / 2); }

    void ArcValues() {
        if (std::fabs(c.ChordAngle - kPi) < 0.0001) {
            c.ArcRadius = 0;
            c.ArcAngle = 0;
        } else {
            c.ArcRadius = (c.ChordLength / 2) / std::sin(kHalfPi - c.ChordAngle / 2);
            c.ArcAngle = kPi - c.ChordAngle;
        }
        c.ArcExcess = c.ArcRadius * (c.ArcAngle - 2 * std::sin(c.ArcAngle / 2));
    }

    struct Turn {
        double value = 0;   // unsigned, degrees
        double ta = 0, tb = 0;    // side parameters after the coincidence test
        double ta0 = 0, tb0 = 0;  // side parameters before it
    };

    // Unsigned turn at node k (k = n is the closing end, taken as node 1).
    Turn NodeTurn(int k) {
        if (k >= n) k = 1;
        Turn t;
        const double nk = Node(k);
        t.ta0 = nk + (Node(k + 1) - nk) / 20;
        t.tb0 = k > 1 ? nk - (nk - Node(k - 1)) / 20 : 1.0 - (1.0 - Node(n - 1)) / 20;
        t.ta = t.ta0;
        t.tb = t.tb0;
        SplinePoint pa = c.EvalBSpline(t.ta);
        SplinePoint pn = c.EvalBSpline(nk);
        SplinePoint pb = c.EvalBSpline(t.tb);
        if (std::fabs(pa.X - pn.X) < 0.0001 && std::fabs(pa.Y - pn.Y) < 0.0001) t.ta = Node(k + 1);
        if (std::fabs(pb.X - pn.X) < 0.0001 && std::fabs(pb.Y - pn.Y) < 0.0001)
            t.tb = k > 1 ? Node(k - 1) : Node(n - 1);
        t.value = (kPi - c.CurveTurnAngle(t.ta, nk, t.tb)) * 180 / kPi;
        return t;
    }

    // Signed turn for the header and the closing line.
    double EndTurn(int k) {
        Turn t = NodeTurn(k);
        const double nk = Node(k >= n ? 1 : k);
        SplinePoint pn = c.EvalBSpline(nk);
        int16_t s;
        if (falling) {
            s = CoreAlgorithm::ArcDirection(c.EvalBSpline(t.ta), pn, c.EvalBSpline(t.tb));
        } else {
            s = CoreAlgorithm::ArcDirection(c.EvalBSpline(t.tb0), pn, c.EvalBSpline(t.ta0));
        }
        return s == -1 ? -t.value : t.value;
    }

    // The "2" record of node k after a span that ended at point q.
    void NodeRecord(int k, const SplinePoint& q) {
        Turn t = NodeTurn(k);
        double value = t.value;
        if (std::fabs(value) < c.PJAngle) {
            value = 0;
        } else {
            c.ChordGeometry(t.ta, t.tb);
            int16_t s = falling ? CoreAlgorithm::ArcDirection(c.ChordStart, q, c.ChordEnd)
                                : CoreAlgorithm::ArcDirection(c.ChordEnd, q, c.ChordStart);
            if (s == -1) value = -value;
        }
        pathtext::AppendRecord(out, q.X, q.Y, 2, 0, value, 0);
    }

    // One span from parameter tA to tB; returns the point at its end.
    SplinePoint Span(double tA, double tB) {
        const double con = c.ConDet;
        double t0 = tA, t1 = tB;
        c.ChordGeometry(t0, t1);
        double h = Height();
        const SplinePoint q0 = c.ChordStart;
        c.ArcExcess = 0;
        bool started = false;
        long records = 0;
        while (std::fabs(h) > con) {
            // Halve until the chord is within the tolerance.
            int guard = 0;
            while (std::fabs(h) > con && guard++ < kMaxRefine) {
                t1 = (t0 + t1) / 2;
                c.ChordGeometry(t0, t1);
                h = Height();
            }
            // Then home in on a height near the tolerance.
            double lo = t1, hi = 2 * t1 - t0;
            guard = 0;
            while (std::fabs(h - con) > 0.1 * con && guard++ < kMaxRefine) {
                double mid = (lo + hi) * 0.5;
                if (mid == lo || mid == hi) break;  // no parameter left between them
                t1 = mid;
                c.ChordGeometry(t0, t1);
                h = Height();
                if (std::fabs(h) <= con) lo = t1;
                else hi = t1;
            }
            if (t1 == t0) break;  // no progress is possible: the rest is the last chord
            ArcValues();
            if (!started) {
                pathtext::AppendRecord(out, q0.X, q0.Y, 1, c.ArcRadius, c.ArcAngle, 0);
                started = true;
            }
            t0 = t1;
            t1 = tB;
            c.ChordGeometry(t0, t1);
            pathtext::AppendRecord(out, c.ChordStart.X, c.ChordStart.Y, 0, c.ArcRadius, c.ArcAngle, c.ArcExcess);
            h = Height();
            if (++records > kMaxRecordsPerSpan) {
                tooMany = true;
                break;
            }
        }
        if (!started) {
            double m = RoundHalfEven(c.ChordLength / c.LineDis);
            if (!(m >= 3)) m = 3;
            if (m > kMaxRecordsPerSpan) {
                tooMany = true;
                m = 3;
            }
            c.ArcRadius = 0;
            c.ArcAngle = 0;
            c.ArcExcess = 0;
            pathtext::AppendRecord(out, q0.X, q0.Y, 1, 0, 0, 0);
            const long pieces = static_cast<long>(m);
            for (long k = 1; k <= pieces - 1; ++k) {
                SplinePoint p = c.EvalBSpline(tA + (tB - tA) * static_cast<double>(k) / m);
                pathtext::AppendRecord(out, p.X, p.Y, 0, 0, 0, 0);
            }
            t0 = tA + (tB - tA) * (m - 1) / m;
        }
        c.ChordGeometry(t0, tB);
        if (std::fabs(c.ChordAngle - kPi) < 0.0001) {
            c.ArcRadius = 0;
            c.ArcAngle = 0;
        }
        c.ArcExcess = c.ArcRadius * (c.ArcAngle - 2 * std::sin(c.ArcAngle / 2));
        const SplinePoint q = c.ChordEnd;
        pathtext::AppendRecord(out, q.X, q.Y, 1, c.ArcRadius, c.ArcAngle, c.ArcExcess);
        return q;
    }
};

bool CoreAlgorithm::ControlPointGen(int16_t SplineNo, int16_t WalkDir, int16_t StartNode, int16_t EndNode,
                                    int16_t OutMode, Operator& op, int16_t language) {
    auto refuse = [&](const char* zh, const char* en) {
        op.MsgBox(Tr(language, zh, en), MsgButtons::Ok, MsgIcon::Critical, Tr(language, "错误", "Wrong"));
        return false;
    };
    if (!(ConDet > 0) || !(LineDis > 0) || !std::isfinite(ConDet) || !std::isfinite(LineDis))
        return refuse("控制点离散弦高误差和直线离散间隔必须大于0",
                      "The chord height error and the line interval must be above 0");
    if (SplineNo < 1 || SplineNo > SplineCount || static_cast<size_t>(SplineNo) > ParamTable.size() ||
        !LoadCurrentSpline(SplineNo))
        return refuse("所选轮廓没有样条曲线", "The picked contour has no spline");
    // Node parameters of the spline, up to and including 1.0.
    CurParams.clear();
    for (double v : ParamTable[static_cast<size_t>(SplineNo - 1)]) {
        CurParams.push_back(v);
        if (v == 1.0) break;
    }
    CurParamCount = static_cast<int16_t>(std::min<size_t>(CurParams.size(), 32767));
    const int n = CurParamCount;
    if (n < 2 || StartNode < 1 || StartNode > n - 1 || EndNode < 1 || EndNode > n - 1)
        return refuse("所选节点不在轮廓上", "The picked nodes are not on the contour");

    ControlPointWalk w(*this);
    w.n = n;
    w.falling = WalkDir != 0;  // any value but -1 and 0 takes the falling rule for the turns
    const double startTurn = w.EndTurn(StartNode);
    const double endTurn = w.EndTurn(EndNode);

    w.out.append("SPLINE ");
    pathtext::AppendFixed(w.out, startTurn, 4);
    w.out.append(Str(static_cast<long long>(OutMode)));
    w.out.append("\r\n");

    const bool whole = StartNode == EndNode;
    if (WalkDir == -1) {
        bool stop = false;
        for (int j = StartNode - 1; j >= 1 && !stop; --j) {
            if (!whole && j == EndNode - 1) { stop = true; break; }
            SplinePoint q = w.Span(w.Node(j + 1), w.Node(j));
            if (j != EndNode) w.NodeRecord(j, q);
        }
        for (int j = n - 1; j >= 1 && !stop; --j) {
            if (!whole && j == EndNode - 1) break;
            if (!whole && EndNode == 1) break;
            if (j == StartNode - 1) break;
            SplinePoint q = w.Span(w.Node(j + 1), w.Node(j));
            if (j != EndNode) w.NodeRecord(j, q);
        }
    } else if (WalkDir == 0) {
        bool stop = false;
        for (int j = StartNode; j <= n - 1; ++j) {
            if (!whole && j == EndNode) { stop = true; break; }
            SplinePoint q = w.Span(w.Node(j), w.Node(j + 1));
            if (j + 1 != EndNode) w.NodeRecord(j + 1, q);
        }
        for (int j = 1; j <= StartNode - 1 && !stop; ++j) {
            if (!whole && j == EndNode) break;
            SplinePoint q = w.Span(w.Node(j), w.Node(j + 1));
            if (j + 1 != EndNode) w.NodeRecord(j + 1, q);
        }
    }
    if (w.tooMany)
        return refuse("轮廓的控制点太多，请检查控制点离散弦高误差和直线离散间隔",
                      "The contour gives too many control points: check the chord height error and the line interval");

    w.out.append("SPLINE ");
    pathtext::AppendFixed(w.out, endTurn, 4);
    w.out.append(" 0\r\n");

    std::string err;
    if (OutMode == 1) {
        if (!WriteFileAtomic(ProgramFile("PDdir.dat"), w.out, &err))
            return refuse("无法写入 PDdir.dat", "Cannot write PDdir.dat");
        return true;
    }
    std::filesystem::path file = ProgramFile("PointForControl.dat");
    std::optional<std::string> old = ReadFileBytes(file);
    std::error_code ec;
    if (!old && std::filesystem::exists(file, ec))
        return refuse("无法读取 PointForControl.dat", "Cannot read PointForControl.dat");
    std::string bytes = old.value_or(std::string()) + w.out;
    if (!WriteFileAtomic(file, bytes, &err))
        return refuse("无法写入 PointForControl.dat", "Cannot write PointForControl.dat");
    return true;
}

int16_t PDdirSense(std::string_view bytes, const CoreAlgorithm& core) {
    std::vector<std::string_view> lines = SplitLines(bytes);
    double sum = 0;
    bool havePrev = false;
    double px = 0, py = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        BlankFields<6> f(lines[i]);
        if (f[0] == "SPLINE") {
            if (i + 1 < lines.size()) sum += Val(f[1]);
            continue;
        }
        const double x = Val(f[0]), y = Val(f[1]);
        const double kind = RoundHalfEven(Val(f[2]));
        const double a = Val(f[3]), b = Val(f[4]);
        if (kind == 2) {
            sum += b;
        } else if (kind == 0 && a > 0 && i + 1 < lines.size()) {
            BlankFields<6> nf(lines[++i]);
            const double nx = Val(nf[0]), ny = Val(nf[1]);
            const double nkind = nf[0] == "SPLINE" ? -1 : RoundHalfEven(Val(nf[2]));
            const double bx = havePrev ? px : x, by = havePrev ? py : y;
            const int dir = core.Cal_arcdir(bx, by, x, y, nx, ny);
            if (nkind == 0) sum += b / kPi * (dir * 180);
            else if (nkind == 1) sum += b / kPi * (dir * 360);
            if (nf[0] == "SPLINE") {
                havePrev = false;
                continue;
            }
            px = nx;
            py = ny;
            havePrev = true;
            continue;
        }
        px = x;
        py = y;
        havePrev = true;
    }
    return sum > 0 ? 1 : -1;
}

int16_t ReadPDdirLength(const CoreAlgorithm& core) {
    std::optional<std::string> bytes = ReadFileBytes(ProgramFile("PDdir.dat"));
    if (!bytes) return -1;
    return PDdirSense(*bytes, core);
}

}  // namespace velbend

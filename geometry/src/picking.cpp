// Picking contours, the blocks of PointForControl.dat and node editing.
#include "velbend/geometry/picking.h"

#include <cmath>
#include <optional>
#include <unordered_map>

#include "path_text.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/plane.h"

namespace velbend {

namespace {

const char* WrongTitle(int16_t language) { return Tr(language, "错误", "Wrong"); }

void Tell(Operator& op, int16_t language, const std::string& zh, const std::string& en) {
    op.MsgBox(Tr(language, zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical,
              WrongTitle(language));
}

bool ValidNode(const DisplayTables& t, int16_t node) {
    return node >= 1 && node < t.mNodeCount && static_cast<size_t>(node) < t.mNodes.size();
}

bool ValidPoint(const DisplayTables& t, int32_t i) {
    return i >= 0 && i < t.mDisplayPointCount && static_cast<size_t>(i) < t.mDisplayPoints.size();
}

const DisplayPoint& P(const DisplayTables& t, int32_t i) { return t.mDisplayPoints[static_cast<size_t>(i)]; }

void AppendXY(std::string& out, double x, double y) {
    pathtext::AppendFixed(out, x, 6);
    out.push_back(' ');
    pathtext::AppendFixed(out, y, 6);
}

bool IsSplineLine(std::string_view line) {
    BlankFields<1> f(line);
    return f[0] == "SPLINE";
}

// The walk over one contour's display points.
struct Walk {
    int32_t first = 0, last = 0;
    bool forward = true;
    int32_t Before(int32_t i) const {
        if (forward) return i == first ? last : i - 1;
        return i == last ? first : i + 1;
    }
    int32_t After(int32_t i) const {
        if (forward) return i == last ? first : i + 1;
        return i == first ? last : i - 1;
    }
};

double TurnAt(const DisplayTables& t, int32_t a, int32_t i, int32_t b) {
    return TurnValue(P(t, a).X, P(t, a).Y, P(t, i).X, P(t, i).Y, P(t, b).X, P(t, b).Y);
}

double Dist(const DisplayPoint& a, const DisplayPoint& b) {
    double dx = b.X - a.X, dy = b.Y - a.Y;
    return std::sqrt(dx * dx + dy * dy);
}

// Records of display point i; `nodeAt` maps a point index to the first node
// record found for it in the walk's node range (-1: none).
void Run(std::string& out, const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
         int32_t i, int16_t start, int found, const Walk& w) {
    const DisplayPoint& p = P(t, i);
    if (found >= 0 && found == start) {
        pathtext::AppendRecord(out, p.X, p.Y, 1, 0, 0, 0);
        pick.mArcFlag = 0;
        return;
    }
    double S = 50, R1 = 5000, R2 = 10000;
    if (found >= 0) {
        int32_t before = w.Before(i);
        int32_t after = w.After(i);
        if (!w.forward && i == w.first && w.last > w.first && std::fabs(P(t, w.last).X - p.X) <= 0.001 &&
            std::fabs(P(t, w.last).Y - p.Y) <= 0.001)
            after = w.last - 1;
        double turn = TurnAt(t, before, i, after);
        bool splice = false;
        for (int k = 0; k < pick.mAddedNodeCount && k < kMaxAddedNodes; ++k) {
            if (std::fabs(pick.mAddedNodes[k].X - p.X) <= 0.001 && std::fabs(pick.mAddedNodes[k].Y - p.Y) <= 0.001) {
                splice = true;
                break;
            }
        }
        if (splice) {
            pathtext::AppendRecord(out, p.X, p.Y, 1, 0, 0, 0);
            pathtext::AppendRecord(out, p.X, p.Y, 5, 0, 0, 0);
            pathtext::AppendRecord(out, p.X, p.Y, 1, 0, 0, 0);
            pick.mArcFlag = 0;
            return;
        }
        if (std::fabs(turn) > lim.SlotToBendThreshold || i == 0) {
            pathtext::AppendRecord(out, p.X, p.Y, 1, 0, 0, 0);
            pathtext::AppendRecord(out, p.X, p.Y, 2, 0, turn, 0);
            pathtext::AppendRecord(out, p.X, p.Y, 1, 0, 0, 0);
            pick.mArcFlag = 0;
            return;
        }
        S = 20;
        R1 = 500;
        R2 = 1000;
    }
    // Arc test, neighbours in display order.
    const int32_t ia = i == w.first ? w.last : i - 1;
    const int32_t ib = i == w.last ? w.first : i + 1;
    const DisplayPoint& A = P(t, ia);
    const DisplayPoint& B = P(t, ib);
    double tp = WrapTurn(HeadingDeg(p.X, p.Y, B.X, B.Y) - HeadingDeg(A.X, A.Y, p.X, p.Y));
    double r = 0, b = tp;
    bool arc = false;
    if (std::fabs(tp) > lim.ArcJoinAngle && Dist(A, p) <= S && Dist(p, B) <= S) {
        double cx, cy;
        CircleBy3Points(A.X, A.Y, p.X, p.Y, B.X, B.Y, cx, cy, r);
        if (r > 0) {
            b = (w.forward ? Dist(A, p) : Dist(p, B)) / r;
            arc = !(r > R2 || (r > R1 && pick.mPrevArcFlag == 0));
        }
        if (!arc) {
            r = 0;  // no circle, or one beyond the radius limits
            b = 0;
        }
    }
    pick.mArcFlag = arc ? 1 : 0;
    pick.mPrevArcFlag = pick.mArcFlag;
    pathtext::AppendRecord(out, p.X, p.Y, 0, r, b, 0);
}

// Node records of a contour: [firstNode, lastNode], contiguous in the table.
bool ContourNodes(const DisplayTables& t, int16_t id, int16_t& firstNode, int16_t& lastNode) {
    firstNode = 0;
    for (int k = 1; k < t.mNodeCount && static_cast<size_t>(k) < t.mNodes.size(); ++k) {
        if (t.mNodes[k].ContourId == id) {
            if (firstNode == 0) firstNode = static_cast<int16_t>(k);
            lastNode = static_cast<int16_t>(k);
        } else if (firstNode != 0) {
            break;
        }
    }
    return firstNode != 0;
}

}  // namespace

int16_t CountContourNodes(const DisplayTables& t, int16_t contourId) {
    int16_t firstNode, lastNode;
    if (!ContourNodes(t, contourId, firstNode, lastNode)) return 0;
    return t.mNodes[lastNode].NodeNo;
}

void GetContourPointRange(const DisplayTables& t, int16_t contourId, int32_t& first, int32_t& last) {
    const int32_t n = std::min<int32_t>(t.mDisplayPointCount, static_cast<int32_t>(t.mDisplayPoints.size()));
    first = 0;
    last = n - 1;
    int32_t i = 0;
    while (i < n && t.mDisplayPoints[i].ContourId != contourId) ++i;
    if (i == n) return;
    first = i;
    while (i + 1 < n && t.mDisplayPoints[i + 1].ContourId == contourId) ++i;
    last = i;
}

int16_t ContourDirection(const DisplayTables& t, int16_t node) {
    if (!ValidNode(t, node)) return 1;
    int32_t first, last;
    GetContourPointRange(t, t.mNodes[node].ContourId, first, last);
    double sum = 0;
    for (int32_t i = first; i < last; ++i) sum += TurnAt(t, i == first ? last : i - 1, i, i + 1);
    return sum >= 0 ? 1 : -1;
}

ControlPointLimits LimitsOf(const SysPara& sys) {
    return {sys.gSlotToBendThreshold, sys.gArcJoinAngle};
}

void WriteControlRun(std::string& out, const DisplayTables& t, PickState& pick,
                     const ControlPointLimits& lim, int32_t i, int16_t start, int16_t nodeFrom,
                     int16_t nodeTo, int32_t pointFrom, int32_t pointTo) {
    if (!ValidPoint(t, i)) return;
    Walk w;
    w.forward = pointFrom <= pointTo;
    w.first = std::min(pointFrom, pointTo);
    w.last = std::max(pointFrom, pointTo);
    int found = -1;
    int step = nodeFrom <= nodeTo ? 1 : -1;
    for (int k = nodeFrom;; k += step) {
        if (k >= 1 && k < t.mNodeCount && static_cast<size_t>(k) < t.mNodes.size() &&
            t.mNodes[k].PointIndex == i) {
            found = k;
            break;
        }
        if (k == nodeTo) break;
    }
    Run(out, t, pick, lim, i, start, found, w);
}

std::string ControlPointsBlock(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                               int16_t start, int16_t end, int16_t dir) {
    if (!ValidNode(t, start) || !ValidNode(t, end)) return {};
    const int16_t id = t.mNodes[start].ContourId;
    if (t.mNodes[end].ContourId != id) return {};
    int16_t firstNode, lastNode;
    if (!ContourNodes(t, id, firstNode, lastNode)) return {};
    Walk w;
    GetContourPointRange(t, id, w.first, w.last);
    w.forward = dir > 0;
    const int32_t p = t.mNodes[start].PointIndex;
    const int32_t e = t.mNodes[end].PointIndex;
    if (p < w.first || p > w.last || e < w.first || e > w.last || !ValidPoint(t, p) || !ValidPoint(t, e))
        return {};
    // Node lookup for the walk's node range (the first match in walk order).
    std::unordered_map<int32_t, int> nodeAt;
    if (w.forward) {
        for (int k = firstNode; k <= lastNode; ++k) nodeAt.emplace(t.mNodes[k].PointIndex, k);
    } else {
        for (int k = lastNode; k >= firstNode; --k) nodeAt.emplace(t.mNodes[k].PointIndex, k);
    }
    std::string out;
    out.append("SPLINE ");
    pathtext::AppendFixed(out, TurnAt(t, w.Before(p), p, w.After(p)), 4);
    out.push_back(' ');
    out.append(std::to_string(std::abs(static_cast<int>(dir))));
    out.append("\r\n");
    auto run = [&](int32_t i) {
        auto it = nodeAt.find(i);
        Run(out, t, pick, lim, i, start, it == nodeAt.end() ? -1 : it->second, w);
    };
    if (w.forward) {
        if (p >= e) {
            for (int32_t i = p; i <= w.last; ++i) run(i);
            for (int32_t i = w.first; i <= e - 1; ++i) run(i);
        } else {
            for (int32_t i = p; i <= e - 1; ++i) run(i);
        }
    } else {
        if (p <= e) {
            for (int32_t i = p; i >= w.first; --i) run(i);
            for (int32_t i = w.last; i >= e + 1; --i) run(i);
        } else {
            for (int32_t i = p; i >= e + 1; --i) run(i);
        }
    }
    pathtext::AppendRecord(out, P(t, e).X, P(t, e).Y, 1, 0, 0, 0);
    out.append("SPLINE ");
    pathtext::AppendFixed(out, TurnAt(t, w.Before(e), e, w.After(e)), 4);
    out.append(" 0\r\n");
    return out;
}

bool WriteControlPoints(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                        int16_t start, int16_t end, int16_t dir, Operator& op, int16_t language) {
    const PickState saved = pick;
    std::string block = ControlPointsBlock(t, pick, lim, start, end, dir);
    if (block.empty()) {
        pick = saved;
        Tell(op, language, "所选节点不在同一轮廓上", "The picked nodes are not on one contour");
        return false;
    }
    std::filesystem::path file = ProgramFile("PointForControl.dat");
    std::string bytes = ReadFileBytes(file).value_or(std::string());
    std::error_code ec;
    if (bytes.empty() && std::filesystem::exists(file, ec) && std::filesystem::file_size(file, ec) != 0) {
        pick = saved;
        Tell(op, language, "无法读取 PointForControl.dat", "Cannot read PointForControl.dat");
        return false;
    }
    bytes += block;
    std::string err;
    if (!WriteFileAtomic(file, bytes, &err)) {
        pick = saved;
        Tell(op, language, "无法写入 PointForControl.dat: " + err, "Cannot write PointForControl.dat: " + err);
        return false;
    }
    return true;
}

int CountControlBlocks(std::string_view bytes) {
    int n = 0;
    for (std::string_view line : SplitLines(bytes))
        if (IsSplineLine(line)) ++n;
    return n / 2;
}

std::string DropLastControlBlock(std::string_view bytes) {
    std::vector<std::string_view> lines = SplitLines(bytes);
    int total = 0;
    for (std::string_view line : lines)
        if (IsSplineLine(line)) ++total;
    std::string out;
    if (total < 2) return out;
    int copied = 0;
    for (std::string_view line : lines) {
        if (IsSplineLine(line)) {
            if (copied == total - 2) break;  // the header of the last block
            ++copied;
        }
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

NodeEdit EditDisplayText(std::string_view in, std::string& out, PickState& pick, int32_t j, double x1,
                         double y1, double x2, double y2, double d) {
    out.clear();
    if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2) && std::isfinite(d)))
        return NodeEdit::Refused;
    if (pick.mAddedNodeCount >= kMaxAddedNodes) return NodeEdit::Refused;
    auto endsNode = [](std::string_view s) { return s.size() >= 4 && s.substr(s.size() - 4) == "Node"; };
    auto isPoint = [](std::string_view s) { return !s.empty() && s[0] != 'S'; };
    auto add = [&](double x, double y, bool marked) {
        pick.mAddedNodes[pick.mAddedNodeCount] = {x, y, marked};
        ++pick.mAddedNodeCount;
    };
    std::vector<std::string_view> lines = SplitLines(in);
    NodeEdit result = NodeEdit::Unchanged;
    int32_t count = 0;
    for (size_t k = 0; k < lines.size(); ++k) {
        std::string_view line = lines[k];
        bool target = isPoint(line) && count++ == j;
        if (!target) {
            out.append(line);
            out.append("\r\n");
            continue;
        }
        const double L = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
        if (d < 0.1) {
            out.append(line);
            if (!endsNode(line)) {
                out.append(" Node");
                add(x1, y1, true);
                result = NodeEdit::Marked;
            }
            out.append("\r\n");
        } else if (L - d >= 0.1) {
            out.append(line);
            out.append("\r\n");
            double x = x1 + (x2 - x1) * d / L;
            double y = y1 + (y2 - y1) * d / L;
            AppendXY(out, x, y);
            out.append(" Node\r\n");
            add(x, y, false);
            result = NodeEdit::Inserted;
        } else {
            out.append(line);
            out.append("\r\n");
            if (k + 1 < lines.size()) {
                std::string_view next = lines[++k];
                out.append(next);
                if (isPoint(next) && !endsNode(next)) {
                    out.append(" Node");
                    add(x2, y2, true);
                    result = NodeEdit::Marked;
                }
                out.append("\r\n");
                if (isPoint(next)) ++count;
            }
        }
    }
    return result;
}

NodeEdit EditDisplayNode(PickState& pick, int32_t j, double x1, double y1, double x2, double y2,
                         double d, Operator& op, int16_t language) {
    if (pick.mAddedNodeCount >= kMaxAddedNodes) {
        Tell(op, language, "增加的节点太多", "Too many nodes have been added");
        return NodeEdit::Refused;
    }
    std::optional<std::string> in = ReadFileBytes(ProgramFile("PointForDisplay.dat"));
    if (!in) {
        Tell(op, language, "无法读取 PointForDisplay.dat", "Cannot read PointForDisplay.dat");
        return NodeEdit::Refused;
    }
    std::string err;
    if (!WriteFileAtomic(ProgramFile("Temp.dat"), *in, &err)) {
        Tell(op, language, "无法写入 Temp.dat: " + err, "Cannot write Temp.dat: " + err);
        return NodeEdit::Refused;
    }
    const PickState saved = pick;
    std::string out;
    NodeEdit r = EditDisplayText(*in, out, pick, j, x1, y1, x2, y2, d);
    if (r == NodeEdit::Refused) return r;
    if (r == NodeEdit::Unchanged) return r;
    if (!WriteFileAtomic(ProgramFile("PointForDisplay.dat"), out, &err)) {
        pick = saved;
        Tell(op, language, "无法写入 PointForDisplay.dat: " + err, "Cannot write PointForDisplay.dat: " + err);
        return NodeEdit::Refused;
    }
    return r;
}

bool CanEditNodes(const DisplayTables& t, const PickState& pick) {
    return t.mNodeCount != 0 && pick.mSelCount == 0 && pick.mSelection[0].Kind == 0;
}

bool DeleteNode(const DisplayTables& t, PickState& pick, int16_t node) {
    if (!ValidNode(t, node) || pick.mDeleteCount >= kMaxDeletedNodes) return false;
    pick.mDeletedNodes[pick.mDeleteCount] = t.mNodes[node];
    ++pick.mDeleteCount;
    return true;
}

bool UndoDeleteNode(PickState& pick) {
    if (pick.mDeleteCount <= 0 || pick.mSelCount != 0 || pick.mSelection[0].Kind != 0) return false;
    --pick.mDeleteCount;
    return true;
}

bool IsDeletedNode(const PickState& pick, double x, double y) {
    for (int k = 0; k < pick.mDeleteCount && k < kMaxDeletedNodes; ++k)
        if (std::fabs(pick.mDeletedNodes[k].X - x) <= 0.01 && std::fabs(pick.mDeletedNodes[k].Y - y) <= 0.01)
            return true;
    return false;
}

void MirrorNodeEdits(PickState& pick) {
    for (int k = 0; k < pick.mDeleteCount && k < kMaxDeletedNodes; ++k) pick.mDeletedNodes[k].Y = -pick.mDeletedNodes[k].Y;
    for (int k = 0; k < pick.mAddedNodeCount && k < kMaxAddedNodes; ++k) pick.mAddedNodes[k].Y = -pick.mAddedNodes[k].Y;
}

int16_t FindClickedNode(const DisplayTables& t, const PickState& pick, double x, double y, double viewWidth) {
    const double tol = viewWidth / 100;
    for (int k = 1; k < t.mNodeCount && static_cast<size_t>(k) < t.mNodes.size(); ++k) {
        const NodeRecord& n = t.mNodes[k];
        if (std::fabs(n.X - x) < tol && std::fabs(n.Y - y) < tol && !IsDeletedNode(pick, n.X, n.Y))
            return static_cast<int16_t>(k);
    }
    return 0;
}

bool FindAddNodeSegment(const DisplayTables& t, double x, double y, int32_t& j, double& d) {
    const int32_t n = std::min<int32_t>(t.mDisplayPointCount, static_cast<int32_t>(t.mDisplayPoints.size()));
    for (int32_t i = 0; i + 1 < n; ++i) {
        const DisplayPoint& a = t.mDisplayPoints[i];
        const DisplayPoint& b = t.mDisplayPoints[i + 1];
        if (a.ContourId != b.ContourId || b.Flag == 1) continue;
        const double len = Dist(a, b);
        if (!(len < 16)) continue;
        const double da = std::sqrt((x - a.X) * (x - a.X) + (y - a.Y) * (y - a.Y));
        const double db = std::sqrt((x - b.X) * (x - b.X) + (y - b.Y) * (y - b.Y));
        if (da + db < len + 0.5) {
            j = i;
            d = da;
            return true;
        }
    }
    return false;
}

PickOptions PickOptionsFor(std::string_view outlinePath, bool secondBuild) {
    PickOptions o;
    o.SplineWalk = secondBuild && ArcRuleOf(outlinePath) == ArcRule::Dxf;
    return o;
}

PickResult PickNode(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                    CoreAlgorithm& core, const PickOptions& opt, int16_t node, bool modifier,
                    Operator& op, int16_t language) {
    if (!ValidNode(t, node)) return PickResult::Ignored;
    if (pick.mSelCount < 0 || pick.mSelCount >= kMaxSelections) {
        Tell(op, language, "选择的轮廓太多", "Too many contours are picked");
        return PickResult::Ignored;
    }
    SelEntry& e = pick.mSelection[pick.mSelCount];
    const NodeRecord& n = t.mNodes[node];
    if (e.Kind == 0) {
        int16_t c;
        if (opt.SplineWalk) {
            if (!core.ControlPointGen(n.ContourId, -1, 1, 1, 1, op, language)) return PickResult::Refused;
            c = ReadPDdirLength(core);
        } else {
            c = ContourDirection(t, node);
        }
        e.Kind = modifier ? c : static_cast<int16_t>(-c);
        pick.mRangeCode = modifier ? 2 : 3;
        e.FirstNode = node;
        e.LastNode = 0;
        return PickResult::Opened;
    }
    if (!ValidNode(t, e.FirstNode) || t.mNodes[e.FirstNode].ContourId != n.ContourId) return PickResult::Ignored;
    bool ok;
    if (opt.SplineWalk) {
        const int16_t N = CountContourNodes(t, n.ContourId);
        auto index = [&](int16_t nodeNo) { return nodeNo == 1 ? int16_t{1} : static_cast<int16_t>(N + 2 - nodeNo); };
        ok = core.ControlPointGen(n.ContourId, e.Kind == 1 ? -1 : 0, index(t.mNodes[e.FirstNode].NodeNo),
                                  index(n.NodeNo), pick.mRangeCode, op, language);
    } else {
        ok = WriteControlPoints(t, pick, lim, e.FirstNode, node,
                                static_cast<int16_t>(e.Kind * pick.mRangeCode), op, language);
    }
    if (!ok) return PickResult::Refused;
    e.LastNode = node;
    ++pick.mSelCount;
    return PickResult::Closed;
}

bool CancelSelect(PickState& pick, Operator& op, int16_t language) {
    if (pick.mSelCount >= 0 && pick.mSelCount < kMaxSelections && pick.mSelection[pick.mSelCount].Kind != 0) {
        pick.mSelection[pick.mSelCount] = SelEntry{};
        return true;
    }
    if (pick.mSelCount <= 0) return false;
    std::filesystem::path file = ProgramFile("PointForControl.dat");
    std::optional<std::string> bytes = ReadFileBytes(file);
    if (!bytes) {
        Tell(op, language, "无法读取 PointForControl.dat", "Cannot read PointForControl.dat");
        return false;
    }
    std::string err;
    if (!WriteFileAtomic(file, DropLastControlBlock(*bytes), &err)) {
        Tell(op, language, "无法写入 PointForControl.dat: " + err, "Cannot write PointForControl.dat: " + err);
        return false;
    }
    --pick.mSelCount;
    pick.mSelection[pick.mSelCount] = SelEntry{};
    return true;
}

void ClearPicks(PickState& pick) {
    pick.mSelection.fill(SelEntry{});
    pick.mSelCount = 0;
    pick.mRangeCode = 0;
    pick.mDeleteCount = 0;
    pick.mAddedNodeCount = 0;
}

}  // namespace velbend

// Area of the picked contours by horizontal strips.
#include "velbend/geometry/area.h"

#include <algorithm>
#include <cmath>

#include "path_text.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"

namespace velbend {

namespace {

constexpr double kStrip = 0.1;
constexpr double kNudge = 0.01;
constexpr double kVertexTol = 0.00001;

struct Edge {
    double Xi, Yi, Xj, Yj;  // from point i to point j, as the contour runs
    double Lo, Hi;
};

}  // namespace

std::vector<AreaContour> ReadAreaContours(std::string_view bytes) {
    std::vector<AreaContour> contours(1);
    for (std::string_view line : SplitLines(bytes)) {
        BlankFields<3> f(line);
        if (f.count < 3) continue;
        if (f[0] == "SPLINE") {
            double k = Val(f[2]);
            if (IsNumeric(f[2]) && (k == 3 || k == 2)) {
                AreaContour c;
                c.Kind = static_cast<int16_t>(k);
                contours.push_back(std::move(c));
            }
            continue;
        }
        contours.back().X.push_back(Val(f[0]));
        contours.back().Y.push_back(Val(f[1]));
    }
    return contours;
}

size_t FindStartPoint(const AreaContour& c) {
    size_t best = 0;
    for (size_t i = 1; i < c.Y.size(); ++i)
        if (c.Y[i] > c.Y[best]) best = i;
    return best;
}

double ContourArea(const AreaContour& c) {
    const size_t n = c.Y.size();
    if (n == 0 || c.X.size() != n) return 0;
    // Out-of-range heights would make the strips endless; SelectAreaText
    // refuses them before they get here.
    for (size_t k = 0; k < n; ++k)
        if (!(std::fabs(c.Y[k]) <= kMaxAreaCoordinate && std::fabs(c.X[k]) <= kMaxAreaCoordinate)) return 0;
    // Edges 1-2, 2-3, ..., n-1 - n and the closing edge n - 1.
    std::vector<Edge> edges;
    edges.reserve(n);
    for (size_t k = 0; k < n; ++k) {
        size_t j = k + 1 < n ? k + 1 : 0;
        Edge e{c.X[k], c.Y[k], c.X[j], c.Y[j], std::min(c.Y[k], c.Y[j]), std::max(c.Y[k], c.Y[j])};
        edges.push_back(e);
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.Hi > b.Hi; });
    std::vector<double> vy(c.Y);
    std::sort(vy.begin(), vy.end());

    auto onVertex = [&](double y) {
        auto it = std::lower_bound(vy.begin(), vy.end(), y - 2 * kVertexTol);
        for (; it != vy.end() && *it <= y + 2 * kVertexTol; ++it)
            if (std::fabs(*it - y) <= kVertexTol) return true;
        return false;
    };

    std::vector<const Edge*> active;
    std::vector<double> xs;
    size_t next = 0;
    double area = 0;
    double y = c.Y[FindStartPoint(c)];
    for (;;) {
        y = y - kStrip;
        double d = kStrip;
        for (;;) {
            // Edges that reach above the line join; those wholly above it leave.
            while (next < edges.size() && edges[next].Hi > y) active.push_back(&edges[next++]);
            if (onVertex(y)) {
                y = y - kNudge;
                d = d + kNudge;
                continue;
            }
            xs.clear();
            size_t w = 0;
            for (const Edge* e : active) {
                if (e->Lo >= y) continue;  // wholly above: gone for good
                active[w++] = e;
                xs.push_back(e->Xj - (e->Yj - y) * (e->Xj - e->Xi) / (e->Yj - e->Yi));
            }
            active.resize(w);
            if (xs.empty()) return area;
            if (xs.size() % 2 != 0) {
                y = y - kNudge;
                d = d + kNudge;
                continue;
            }
            std::sort(xs.begin(), xs.end());
            double strip = 0;
            for (size_t k = 0; k + 1 < xs.size(); k += 2) strip = strip + std::fabs(xs[k + 1] - xs[k]) * d;
            area = area + strip;
            break;
        }
    }
}

double TotalArea(const std::vector<AreaContour>& contours) {
    double total = 0;
    for (size_t i = 1; i < contours.size(); ++i) {
        const AreaContour& c = contours[i];
        if (c.Y.empty()) continue;
        double a = ContourArea(c);
        if (c.Kind == 3) total = total + a;
        else if (c.Kind == 2) total = total - a;
    }
    return total;
}

std::optional<std::string> SelectAreaText(std::string_view bytes, int16_t language, std::string* reason) {
    std::vector<AreaContour> contours = ReadAreaContours(bytes);
    for (size_t i = 1; i < contours.size(); ++i) {
        for (size_t k = 0; k < contours[i].X.size(); ++k) {
            if (!(std::fabs(contours[i].X[k]) <= kMaxAreaCoordinate &&
                  std::fabs(contours[i].Y[k]) <= kMaxAreaCoordinate)) {
                if (reason)
                    *reason = Tr(language, "控制路径中的坐标超出范围，无法计算面积",
                                 "A coordinate of the control path is out of range: no area");
                return std::nullopt;
            }
        }
    }
    std::string out;
    pathtext::AppendFixed(out, TotalArea(contours), 3);
    return out;
}

std::optional<std::string> GetSelectArea(const std::filesystem::path& path, Operator& op,
                                         int16_t language) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    std::string reason;
    std::optional<std::string> text;
    if (!bytes) {
        reason = Tr(language, "无法读取 ", "Cannot read ") + path.filename().string();
    } else {
        text = SelectAreaText(*bytes, language, &reason);
    }
    if (!text)
        op.MsgBox(reason, MsgButtons::Ok, MsgIcon::Critical, Tr(language, "错误", "Wrong"));
    return text;
}

}  // namespace velbend

// Clean-up of the display-point file (thinning, duplicate lines), its
// mirror about the X axis and the PLT export of the shown outline.
#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

#include "display_file.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/outline_import.h"

namespace velbend {

// ---------------------------------------------------------------- thinning

std::string ThinDisplayText(std::string_view display) {
    std::string out;
    out.reserve(display.size());
    bool hasA = false;  // a last point A exists in this block
    double ax = 0, ay = 0, px = 0, py = 0, bx = 0, by = 0;
    std::string_view held;  // the line waiting for a decision
    bool hasHeld = false;
    ForEachLine(display, [&](std::string_view line) {
        geo::Fields fl(line);
        if (geo::IsHeader(fl)) {
            geo::AppendLine(out, line);
            hasA = false;
            hasHeld = false;
            return;
        }
        if (fl.count < 2) {  // no point: passed through as it stands
            geo::AppendLine(out, line);
            return;
        }
        double cx = geo::NumPrefix(fl[0]);
        double cy = geo::NumPrefix(fl[1]);
        bool node = fl.count >= 3 && fl[2] == "Node";
        if (!hasA) {
            bx = cx;
            by = cy;
        } else if (std::fabs(cx - bx) < 0.0001 && std::fabs(cy - by) < 0.0001) {
            // The point that closes the contour takes the held point's place.
            ax = cx;
            ay = cy;
        }
        if (node || !hasA) {
            geo::AppendLine(out, line);
            ax = px = cx;
            ay = py = cy;
            hasA = true;
            hasHeld = false;
            return;
        }
        double d1 = std::sqrt((cx - ax) * (cx - ax) + (cy - ay) * (cy - ay));
        double d2 = std::sqrt((ax - px) * (ax - px) + (ay - py) * (ay - py));
        double d3 = std::sqrt((cx - px) * (cx - px) + (cy - py) * (cy - py));
        bool write = false;
        if (d2 <= 0.0001) {
            write = false;
        } else if (d1 + d2 - d3 > 0.005) {
            write = true;  // the outline bends at A
        } else if (d3 < 5.0) {
            write = false;  // A lies on a short straight run: dropped
        } else {
            write = true;  // the straight run reached 5
        }
        if (write) {
            if (hasHeld) geo::AppendLine(out, held);
            px = ax;
            py = ay;
        }
        held = line;
        hasHeld = true;
        ax = cx;
        ay = cy;
    });
    return out;
}

// ---------------------------------------------------------------- duplicates

std::string RemoveDuplicateText(std::string_view display) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(static_cast<size_t>(std::count(display.begin(), display.end(), '\n')) + 1);
    std::string out;
    out.reserve(display.size());
    ForEachLine(display, [&](std::string_view line) {
        if (seen.insert(line).second) geo::AppendLine(out, line);
    });
    return out;
}

// ---------------------------------------------------------------- mirror

std::string MirrorDisplayText(std::string_view display) {
    std::string out;
    out.reserve(display.size() + display.size() / 8);
    ForEachLine(display, [&](std::string_view line) {
        geo::Fields fl(line);
        if (geo::IsHeader(fl) || fl.count < 2) {
            geo::AppendLine(out, line);
            return;
        }
        geo::AppendFixed(out, geo::NumPrefix(fl[0]), 6);
        out.push_back(' ');
        geo::AppendFixed(out, -geo::NumPrefix(fl[1]), 6);
        if (fl.count >= 3) {
            out.push_back(' ');
            out.append(fl[2]);
        }
        out.append("\r\n");
    });
    return out;
}

// ---------------------------------------------------------------- PLT export

namespace {

// "x y" of a point in plotter units (0.025 mm), whole numbers.
std::string PlotterPoint(double x, double y) {
    std::string t;
    geo::AppendFixed(t, x * 40, 0);
    t.push_back(' ');
    geo::AppendFixed(t, y * 40, 0);
    return t;
}

}  // namespace

// Each block is drawn as the view draws it: its points in order and then
// back from the last to the first, so the file keeps no closing point and
// the export adds it (not where the last point already is the first).
std::string ShapePltText(std::string_view display) {
    std::string out;
    std::string first, last;  // of the block being written ("" none yet)
    auto close = [&] {
        if (!first.empty() && last != first) out.append("PD" + first + ";\r\n");
        first.clear();
        last.clear();
    };
    ForEachLine(display, [&](std::string_view line) {
        geo::Fields fl(line);
        if (geo::IsHeader(fl)) {
            close();
            out.append("LT;\r\nSP1;\r\n");
            return;
        }
        if (fl.count < 2) return;
        last = PlotterPoint(geo::NumPrefix(fl[0]), geo::NumPrefix(fl[1]));
        if (first.empty()) {
            first = last;
            out.append("PU" + last + ";\r\n");
        }
        out.append("PD" + last + ";\r\n");
    });
    close();
    out.append("SP0;\r\n");
    return out;
}

std::string ShapePltName(int16_t language) { return language == 0 ? "字形PLT.plt" : "ShapePLT.plt"; }

// ---------------------------------------------------------------- file operations

namespace {

bool Rewrite(std::string (*tool)(std::string_view), Operator& op, int16_t language) {
    std::string bytes;
    geo::Fault f;
    if (!geo::ReadWorkFile("PointForDisplay.dat", bytes, &f)) {
        geo::ShowFault(op, language, f);
        return false;
    }
    return geo::ReplaceDisplayFile(tool(bytes), op, language);
}

}  // namespace

bool ThinDisplayPoints(Operator& op, int16_t language) { return Rewrite(ThinDisplayText, op, language); }
bool RemoveDuplicateLines(Operator& op, int16_t language) { return Rewrite(RemoveDuplicateText, op, language); }
bool MirrorDisplayY(Operator& op, int16_t language) { return Rewrite(MirrorDisplayText, op, language); }

bool ExportShapePlt(std::string_view openFile, Operator& op, int16_t language) {
    if (openFile.empty()) {
        op.MsgBox(Tr(language, "尚未打开文件，不能输出！", "Have no opened file, Can't Output!"), MsgButtons::Ok,
                  MsgIcon::Warning, Tr(language, "操作提示", "Operation Tips"));
        return false;
    }
    std::string bytes;
    geo::Fault f;
    if (!geo::ReadWorkFile("PointForDisplay.dat", bytes, &f)) {
        geo::ShowFault(op, language, f);
        return false;
    }
    if (!geo::WriteWorkFile(ShapePltName(language), ShapePltText(bytes), op, language)) return false;
    op.MsgBox(Tr(language, "当前显示字形已保存为“字形PLT.plt", "Have been saved as “ShapePLT.plt"), MsgButtons::Ok,
              MsgIcon::Information, Tr(language, "操作提示", "Operation Tips"));
    return true;
}

}  // namespace velbend

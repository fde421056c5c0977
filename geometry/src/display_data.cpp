// Loading PointForDisplay.dat into the main window's outline tables.
#include "velbend/geometry/display_data.h"

#include <algorithm>
#include <cmath>

#include "display_file.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"

namespace velbend {

std::string ParseDisplayPoints(std::string_view bytes, DisplayTables& tables, int16_t language) {
    DisplayTables t;
    t.mNodes.resize(1);  // index 0 unused
    t.mNodeCount = 1;
    int16_t contour = 0;
    int32_t nodeNo = 1;
    int32_t step = 0;
    bool hasPrev = false;  // no previous point since the last header
    long long lineNo = 0;
    auto fail = [&](const std::string& zh, const std::string& en) { return language == 0 ? zh : en; };

    for (std::string_view line : SplitLines(bytes)) {
        ++lineNo;
        if (line.empty()) continue;
        geo::Fields fl(line);
        if (geo::IsHeader(fl)) {
            if (!(fl.count >= 2 && fl[1] == "END")) {
                std::optional<int16_t> id = ToInteger(fl.count >= 2 ? geo::NumPrefix(fl[1]) : 0.0);
                if (!id)
                    return fail("显示点文件第" + std::to_string(lineNo) + "行的轮廓号超出范围。",
                                "The display file has a contour number out of range in line " +
                                    std::to_string(lineNo) + ".");
                contour = *id;
                nodeNo = 1;
            }
            hasPrev = false;
            continue;
        }
        double x = geo::NumPrefix(fl[0]);
        double y = fl.count >= 2 ? geo::NumPrefix(fl[1]) : 0.0;
        bool node = fl.count >= 3 && fl[2] == "Node";
        if (t.mDisplayPointCount >= kMaxDisplayPoints)
            return fail("显示点超过" + std::to_string(kMaxDisplayPoints) + "个，轮廓太大，不能显示。",
                        "More than " + std::to_string(kMaxDisplayPoints) +
                            " display points: the outline is too large to show.");
        if (node) {
            if (t.mNodeCount > kMaxNodes)
                return fail("节点超过" + std::to_string(kMaxNodes) + "个，轮廓太大，不能显示。",
                            "More than " + std::to_string(kMaxNodes) + " nodes: the outline is too large to show.");
            NodeRecord r;
            r.X = x;
            r.Y = y;
            r.ContourId = contour;
            r.NodeNo = static_cast<int16_t>(nodeNo);
            r.PointIndex = t.mDisplayPointCount;
            t.mNodes.push_back(r);
            ++t.mNodeCount;
            ++nodeNo;
            step = 0;
        } else {
            ++step;
        }
        DisplayPoint p;
        p.Flag = hasPrev ? 0 : 1;
        p.X = x;
        p.Y = y;
        p.ContourId = contour;
        p.NodeNo = static_cast<int16_t>(nodeNo - 1);
        p.StepNo = step;
        t.mDisplayPoints.push_back(p);
        ++t.mDisplayPointCount;
        if (!t.HasExtent) {
            t.MinX = t.MaxX = x;
            t.MinY = t.MaxY = y;
            t.HasExtent = true;
        } else {
            t.MinX = std::min(t.MinX, x);
            t.MaxX = std::max(t.MaxX, x);
            t.MinY = std::min(t.MinY, y);
            t.MaxY = std::max(t.MaxY, y);
        }
        hasPrev = true;
    }
    tables = std::move(t);
    return {};
}

bool LoadDisplayPoints(DisplayTables& tables, Operator& op, int16_t language) {
    std::string bytes;
    geo::Fault f;
    if (!geo::ReadWorkFile("PointForDisplay.dat", bytes, &f)) {
        geo::ShowFault(op, language, f);
        return false;
    }
    std::string why = ParseDisplayPoints(bytes, tables, language);
    if (!why.empty()) {
        geo::ShowFault(op, language, {why, why});
        return false;
    }
    return true;
}

}  // namespace velbend

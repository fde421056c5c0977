// The main window's outline tables: the display points and the nodes of the
// outline in PointForDisplay.dat.  Plain data owned by the window; filled by
// LoadDisplayPoints, read by picking, node editing and the geometry.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velbend {

class Operator;

struct DisplayPoint {
    int16_t Flag = 0;        // 1: first point of a contour, else 0
    double X = 0;
    double Y = 0;
    int16_t ContourId = 0;   // number on the contour's "SPLINE" header line
    int16_t NodeNo = 0;      // number of the last node passed in this contour, 0 before the first
    int32_t StepNo = 0;      // points since the last node, 0 at a node
};

struct NodeRecord {
    double X = 0;
    double Y = 0;
    int16_t ContourId = 0;
    int16_t NodeNo = 0;      // 1 for the first node of a contour, counting up
    int32_t PointIndex = 0;  // index of the node's own point in mDisplayPoints
};

// Capacities of the tables: display points 0 to 100000, nodes 1 to 10000.
inline constexpr int32_t kMaxDisplayPoints = 100001;
inline constexpr int32_t kMaxNodes = 10000;

struct DisplayTables {
    // mDisplayPoints[0 .. mDisplayPointCount - 1], in file order.
    std::vector<DisplayPoint> mDisplayPoints;
    int32_t mDisplayPointCount = 0;
    // mNodes[1 .. mNodeCount - 1]; mNodes[0] is unused.  mNodeCount is 0
    // while no outline was loaded and 1 for an outline without nodes.
    std::vector<NodeRecord> mNodes;
    int16_t mNodeCount = 0;
    // Extents of the points (for fitting the view); false when no point.
    bool HasExtent = false;
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
};

// Reads PointForDisplay.dat of the program folder into the tables.  A
// missing or unreadable file or one beyond the capacities is refused: the
// operator is told (language 0 Chinese, else English), the tables keep
// what they held and false is returned.
bool LoadDisplayPoints(DisplayTables& tables, Operator& op, int16_t language);

// The same on the file's bytes: "" when loaded, else the reason (tables
// unchanged).
std::string ParseDisplayPoints(std::string_view bytes, DisplayTables& tables, int16_t language);

}  // namespace velbend

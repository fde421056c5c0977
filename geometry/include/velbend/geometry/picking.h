// Picking contours on the drawn outline and editing its nodes: the picked
// ranges, the added and deleted nodes, the blocks of PointForControl.dat and
// the node added into PointForDisplay.dat.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/geometry/display_data.h"
#include "velbend/params/syspara.h"

namespace velbend {

class Operator;
class CoreAlgorithm;

// One picked range: Kind 0 free, 1 walked forwards in point order, -1
// backwards; the start node and the end node (indices into mNodes).
struct SelEntry {
    int16_t Kind = 0;
    int16_t FirstNode = 0;
    int16_t LastNode = 0;
};

struct AddedNode {
    double X = 0;
    double Y = 0;
    bool Marked = false;  // an existing point that only got the mark (no new line)
};

inline constexpr int kMaxSelections = 101;    // mSelection(0 To 100)
inline constexpr int kMaxAddedNodes = 1001;   // mAddedNodes(0 To 1000)
inline constexpr int kMaxDeletedNodes = 1001; // mDeletedNodes(0 To 1000)

// What the main window keeps of the operator's picks and node edits.
struct PickState {
    std::array<SelEntry, kMaxSelections> mSelection{};
    int16_t mSelCount = 0;       // closed ranges; entry mSelCount is the one being picked
    int16_t mRangeCode = 0;      // contour kind of the open range: 3 plain click, 2 with a modifier
    std::array<AddedNode, kMaxAddedNodes> mAddedNodes{};
    int16_t mAddedNodeCount = 0;
    std::array<NodeRecord, kMaxDeletedNodes> mDeletedNodes{};
    int16_t mDeleteCount = 0;
    int16_t mArcFlag = 0;        // arc state of the point being written
    int16_t mPrevArcFlag = 0;    // and of the last point through the arc test
};

// ---- contour queries ----

// Node count of a contour (the node number of its last node record).
int16_t CountContourNodes(const DisplayTables& t, int16_t contourId);
// First and last display index of a contour.
void GetContourPointRange(const DisplayTables& t, int16_t contourId, int32_t& first, int32_t& last);
// 1 when the turns of the node's contour sum to 0 or more, else -1.
int16_t ContourDirection(const DisplayTables& t, int16_t node);

// ---- PointForControl.dat ----

// Thresholds of the point classification (system parameters 1 and 84).
struct ControlPointLimits {
    double SlotToBendThreshold = 0;  // gSlotToBendThreshold, degrees
    double ArcJoinAngle = 0;         // gArcJoinAngle, degrees
};
ControlPointLimits LimitsOf(const SysPara& sys);

// The records of display point i (walk neighbours from the ranges given:
// forwards first..last, backwards last..first).
void WriteControlRun(std::string& out, const DisplayTables& t, PickState& pick,
                     const ControlPointLimits& lim, int32_t i, int16_t start, int16_t nodeFrom,
                     int16_t nodeTo, int32_t pointFrom, int32_t pointTo);

// The block of the contour from node `start` to node `end` (equal: the
// whole contour); dir > 0 walks in increasing point order, otherwise in
// decreasing order; |dir| is the contour kind.  Empty when the nodes are not
// on one contour of the tables.
std::string ControlPointsBlock(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                               int16_t start, int16_t end, int16_t dir);

// Appends that block to PointForControl.dat.  False (the operator told, the
// file unchanged) when the nodes are not valid or the file cannot be written.
bool WriteControlPoints(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                        int16_t start, int16_t end, int16_t dir, Operator& op, int16_t language);

// Number of blocks of a PointForControl.dat text and the text without its
// last block.
int CountControlBlocks(std::string_view bytes);
std::string DropLastControlBlock(std::string_view bytes);

// ---- node editing ----

enum class NodeEdit { Marked, Inserted, Unchanged, Refused };

// Puts a node on display segment j -> j + 1 at distance d from point j and
// rewrites PointForDisplay.dat (through Temp.dat); the new node joins
// mAddedNodes.  Refused with a message when the file cannot be read or
// written or when mAddedNodes is full.
NodeEdit EditDisplayNode(PickState& pick, int32_t j, double x1, double y1, double x2, double y2,
                         double d, Operator& op, int16_t language);
// The same on the text of the display file; `out` receives the new text.
NodeEdit EditDisplayText(std::string_view in, std::string& out, PickState& pick, int32_t j, double x1,
                         double y1, double x2, double y2, double d);

// Cancel Add Before: takes back the last added node.  A node put on a
// segment loses its line; a point of the outline that was only marked keeps
// its line without the mark.  PointForDisplay.dat is copied to Temp.dat and
// rewritten; true when it was.  False when no node was added, or (the
// operator told, the file as it was, the count kept) when a file cannot be
// read or written.
bool UndoAddedNode(PickState& pick, Operator& op, int16_t language);
// The same on the text of the display file.
std::string RemoveAddedNodeText(std::string_view in, const AddedNode& n);

// True while the node modes may be entered: an outline is loaded and no
// range is picked or open.
bool CanEditNodes(const DisplayTables& t, const PickState& pick);

// Delete-node mode: records a node (refused when the table is full).
bool DeleteNode(const DisplayTables& t, PickState& pick, int16_t node);
// Takes back the last deletion while no contour is picked.
bool UndoDeleteNode(PickState& pick);
// True when a deleted node lies within 0.01 of (x, y) in X and in Y.
bool IsDeletedNode(const PickState& pick, double x, double y);
// The node edits of an outline mirrored about the X axis (MirrorDisplayY):
// the deleted and the added nodes change the sign of their Y with it, so
// that each stays on its node and its undo finds it.
void MirrorNodeEdits(PickState& pick);

// ---- hit tests of a click at (x, y) in drawing units ----

// The first node (from index 1) within viewWidth / 100 of the click in X and
// in Y that is not a deleted node; 0 when none.
int16_t FindClickedNode(const DisplayTables& t, const PickState& pick, double x, double y, double viewWidth);

// Add-node mode: the first display segment j -> j + 1 of one contour that is
// shorter than 16 and whose two click distances add up to less than its
// length plus 0.5; d is the click's distance to point j.  False when none.
bool FindAddNodeSegment(const DisplayTables& t, double x, double y, int32_t& j, double& d);

// ---- picking ----

// How a pick is written: by the display points (WriteControlPoints) or, in
// the second build for a DXF outline, by the spline walk (ControlPointGen,
// with the direction read back from PDdir.dat).
struct PickOptions {
    bool SplineWalk = false;
};
// The second build walks the splines of an outline opened from a DXF file
// (`outlinePath` is Label4(0)); every other pick goes by the display points.
PickOptions PickOptionsFor(std::string_view outlinePath, bool secondBuild);

enum class PickResult {
    Ignored,   // a node of another contour, or a full selection table
    Opened,    // the first node of a range was taken
    Closed,    // the range was written; the caller runs the contour-offset action
    Refused,   // the block could not be written (the operator was told)
};

// A click on node `node`; `modifier` is true with Shift, Ctrl or Alt held.
PickResult PickNode(const DisplayTables& t, PickState& pick, const ControlPointLimits& lim,
                    CoreAlgorithm& core, const PickOptions& opt, int16_t node, bool modifier,
                    Operator& op, int16_t language);

// Cancel Select: an open range is given up; otherwise the last picked range
// and the last block of PointForControl.dat are removed.  False when there
// was nothing to cancel or the file could not be rewritten.
bool CancelSelect(PickState& pick, Operator& op, int16_t language);

// Forgets every pick (Open, Close, Stop, a group switch); the files are
// emptied by ControlPointCls.
void ClearPicks(PickState& pick);

// Sense of the contour in PDdir.dat (1 or -1, -1 for an empty or missing
// file), from its turns and arc angles.
int16_t ReadPDdirLength(const CoreAlgorithm& core);
int16_t PDdirSense(std::string_view bytes, const CoreAlgorithm& core);

}  // namespace velbend

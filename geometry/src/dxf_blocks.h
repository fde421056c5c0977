// Private helpers of the DXF reader: the drawing as the file defines it
// (block definitions and the entities outside them), and the placement of
// block splines where the block insertions (INSERT) put them.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "velbend/geometry/core_algorithm.h"

namespace velbend::dxf {

// One INSERT entity as read.
struct Insert {
    std::string block;       // group 2, in upper case
    double x = 0, y = 0;     // 10, 20: the insertion point
    double scaleX = 1;       // 41
    double scaleY = 1;       // 42
    double rotation = 0;     // 50, degrees
    double columns = 1;      // 70
    double rows = 1;         // 71
    double normalX = 0;      // 210, 220, 230: the extrusion direction
    double normalY = 0;
    double normalZ = 1;
};

// An entity of a block or of the drawing itself.
struct Item {
    enum class Kind : uint8_t { Spline, Insert, Other } kind;
    uint32_t index;  // into Drawing::splines, inserts or types
};

struct Block {
    double baseX = 0, baseY = 0;  // groups 10, 20 of BLOCK
    std::vector<Item> items;
};

struct Drawing {
    std::vector<SplineModel> splines;  // every SPLINE as the file gives it
    std::vector<Insert> inserts;
    std::vector<std::string> types;    // types of the other entities, as shown
    std::vector<Block> blocks{1};      // blocks[0]: the entities outside any block definition
    std::unordered_map<std::string, uint32_t> blockIndex;  // upper-case name -> block (the first so named)
};

// What the drawing shows: its splines where the file places them (not yet
// checked), the other entities by type once for each place they are drawn,
// in the order they are met, and the insertions that are not drawn.
struct Placed {
    std::vector<SplineModel> splines;
    std::vector<DxfEntityCount> unread;
    DxfInsertsNotDrawn notDrawn;
};

enum class PlaceResult { Done, TooManySplines, TooLarge };

// Blocks nested within one another that are still drawn.
inline constexpr int kMaxBlockNesting = 16;
// Entities (insertions among them), control points and knots that the
// insertions may place in all.
inline constexpr long long kMaxPlacedItems = 1LL << 22;

// Places the drawing (blocks[0]) with its insertions; the splines outside
// block definitions are moved out of `d`.  Refuses (TooManySplines) more
// than maxSplines splines and (TooLarge) more than kMaxPlacedItems items.
PlaceResult Place(Drawing& d, size_t maxSplines, Placed& out);

}  // namespace velbend::dxf

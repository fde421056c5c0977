// The control path CtrP.dat, built from the picked contours in
// PointForControl.dat: corners that lie inside another corner's cutter zone
// are removed, points near corners are thinned, and the path is offset
// sideways by the contour-offset distance.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/geometry/display_data.h"
#include "velbend/params/syspara.h"

namespace velbend {

class Operator;

// One record of the path.  Kind: 0 straight or arc point, 1 start, end or
// corner companion, 2 corner, 3 block header or closing line, 5 splice node,
// 4 a record marked for removal (in the written file: a corner or splice
// whose node the operator deleted).  For a header or closing line A is the
// contour kind (or 0) and B the turn value.
struct CtrPPoint {
    double X = 0;
    double Y = 0;
    int16_t Kind = 0;
    double A = 0;
    double B = 0;
    double C = 0;
    bool operator==(const CtrPPoint&) const = default;
};

// One line of CtrP.dat or PointForControl.dat as read.  A "SPLINE" line
// (Spline set) is a block header or closing line: B is its turn and A the
// contour kind, from fields 1 and 2, or from fields 2 and 3 when field 1 is
// empty; X, Y, Kind and C stay 0.  Any other line is a point
// "X Y kind A B C".  Missing fields read as 0; a kind that does not round to
// -32768..32767 reads as -1.
struct CtrPLine : CtrPPoint {
    bool Spline = false;
};
CtrPLine ParseCtrPLine(std::string_view line);

struct CtrPSettings {
    double Offset = 0;          // D, contour offset in mm (Val of Text6); > 0 right of the walk
    double MillRadius = 0;      // R, gMillRadius
    double MillRadiusCoef = 0;  // k, gMillRadiusCoef
};

// The settings from the system parameters and the text of the
// contour-offset box (Text6, read leniently: no number is 0).
CtrPSettings CtrPSettingsOf(const SysPara& sys, std::string_view offsetText);

// Cutter zone Zc and offset zone Zo of a turn of B degrees.
struct TurnZones {
    double Zc = 0;
    double Zo = 0;
};
TurnZones ZonesOfTurn(double B, const CtrPSettings& s);
// The cutter zone alone (0 outside 0.1 < B < 179.9).
double CutterZone(double B, double millRadius, double millRadiusCoef);

// Records of PointForControl.dat.  Empty lines are passed over; missing
// fields read as 0.
std::vector<CtrPPoint> ReadPointForControl(std::string_view bytes);

// Removes every corner that lies closer than a clockwise corner's cutter
// zone to that corner, with its two companions.  The scan never leaves the
// corner's own contour and looks at most 1000 records either way.
void RemoveCornersInZones(std::vector<CtrPPoint>& recs, const CtrPSettings& s);

// Drops every straight or arc point that lies within the zones (Zc + Zo) of
// the nearest corner, header or closing turn before or after it (each
// looked for at most 10000 records away).
void ThinNearCorners(std::vector<CtrPPoint>& recs, const CtrPSettings& s);

// Moves every point by the offset: right of the walk for D > 0, left for
// D < 0; nothing moves when D is 0.
void OffsetPath(std::vector<CtrPPoint>& recs, double D);

// The text of CtrP.dat for the records (CR LF lines).  A corner or splice
// whose point lies within 0.01 of a deleted node is written as kind 4.
std::string FormatCtrP(const std::vector<CtrPPoint>& recs, std::span<const NodeRecord> deleted);

// All steps on the bytes of PointForControl.dat; empty when the input has
// no record.
std::string BuildCtrPText(std::string_view pointForControl, const CtrPSettings& s,
                          std::span<const NodeRecord> deleted);

enum class CtrPBuild {
    Written,    // CtrP.dat rewritten; the caller rebuilds the drawing
    Unchanged,  // PointForControl.dat is empty: CtrP.dat and the drawing stay
    Refused,    // unreadable input, non-finite numbers or a failed write; the operator was told
};

// Reads PointForControl.dat of the program folder and rewrites CtrP.dat.
// The old CtrP.dat is kept when anything fails.
CtrPBuild BuildCtrPFile(const CtrPSettings& s, std::span<const NodeRecord> deleted, Operator& op,
                        int16_t language);

}  // namespace velbend

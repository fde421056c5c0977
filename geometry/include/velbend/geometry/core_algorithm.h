// The geometry engine: the spline outline of a DXF drawing, its display
// points, the control points of picked contours and the small plane
// helpers they share.  One object lives in the main window (mCore).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velbend {

class Operator;

// A point of a curve.  Z and W are carried for the record layout and are
// always 0.
struct SplinePoint {
    double X = 0;
    double Y = 0;
    double Z = 0;
    double W = 0;
};

// One SPLINE entity as read from the DXF file.
struct SplineModel {
    int16_t Flag = 0;               // 1 when the entity held group 70 (whatever its value)
    int16_t Degree = 3;             // group 71 (3 when absent)
    std::vector<double> Knots;      // group 40, normalised so the curve runs from 0 to 1
    std::vector<double> CtrlX;      // group 10
    std::vector<double> CtrlY;      // group 20
    std::vector<double> Weights;    // group 41; empty for a non-rational spline
    bool Periodic = false;          // group 70 has its periodic bit (2)
    long long FitPoints = 0;        // group 11 values (fit points, not read)
    // False when the counts do not make a B-spline (knots != control points
    // + degree + 1, too few control points, a knot vector that runs
    // backwards or has no length, non-positive weights, ...).  Such a spline
    // keeps its block number but has no points.
    bool Usable = false;
};

// A type of drawing entity that the DXF reader passed over, and how many
// entities of that type the file's ENTITIES section held.
struct DxfEntityCount {
    std::string Type;    // as the file names it, in upper case; bytes that are no
                         // printable ASCII read '?', at most 32 characters
    long long Count = 0;
};

// Block insertions (INSERT) of the drawing that are not drawn, by reason,
// counted once for each place the drawing puts them.
struct DxfInsertsNotDrawn {
    long long Array = 0;          // more than one column or row (groups 70, 71)
    long long Extrusion = 0;      // an extrusion direction (210, 220, 230) other than +Z or -Z
    long long SelfReference = 0;  // a block inserted into itself, directly or through other blocks
    long long TooDeep = 0;        // within more than 16 nested blocks
    long long Undefined = 0;      // a block the file does not define
};

class CoreAlgorithm {
public:
    // ---- public operations, in their documented order ----

    void TranParas(double TempConDet, double TempLineDis, double TempPJAngle, int16_t TempComp,
                   double TempCutterAngle, double TempMaxAngle);

    // Reads the SPLINE entities of a DXF file into the outline model and
    // leaves the normalised copy of the file in Temp.dat.  An unreadable,
    // empty or malformed file, one without any SECTION or without any
    // usable spline is refused: the operator is told (language: 0 Chinese,
    // else English), SplineCount becomes 0, Temp.dat stays as it was and
    // false is returned.  The splines of a block (BLOCKS) are drawn where
    // each INSERT places them (base point, insertion point, scales,
    // rotation, an extrusion direction of -Z, nested blocks), once for each
    // placement; a block no INSERT places is not drawn.  When the drawing
    // holds entities other than SPLINE and INSERT, a file that is read is
    // followed by one message naming each such type with its count, and the
    // refusal of a file without a usable spline names them too.  The same
    // message names the splines that cannot be used, the insertions that are
    // not drawn (the refusal too) and a drawing unit ($INSUNITS) other than
    // millimetres or none.  The header gives nothing else, and a file may
    // lack it: coordinates are millimetres as written.
    bool ReadDXF(const std::string& dxfFile, Operator& op, int16_t language);
    // The same on bytes already in memory (no Temp.dat, no message): "" when
    // read, else the reason in the given language.  Fills UnreadEntities.
    std::string ReadDXFBytes(std::string_view bytes, int16_t language);

    // Drawing entities of the last file that were not read: those of its
    // ENTITIES section and of the blocks its INSERTs place (once for each
    // placement), every type but SPLINE and INSERT, in the order the types
    // first appear (VERTEX, SEQEND and ATTRIB belong to the POLYLINE or
    // INSERT before them, ATTDEF in a block to its INSERTs' ATTRIBs, and are
    // not counted).  Empty after a refusal for any reason but the lack of a
    // usable spline.
    std::vector<DxfEntityCount> UnreadEntities;
    // The last file's insertions that are not drawn (zero after a refusal
    // for any reason but the lack of a usable spline).
    DxfInsertsNotDrawn InsertsNotDrawn;
    // The operator's message naming them after a file was read ("" when
    // there are none): the first 16 types by name, the rest together.
    static std::string UnreadEntitiesText(const std::vector<DxfEntityCount>& unread, int16_t language);
    // The header's drawing unit ($INSUNITS; 0, none, when the file gives none).
    int32_t InsUnits = 0;
    // The operator's message on what the last file holds that is not drawn
    // as it says, beyond the entities not read: the splines that cannot be
    // used, by kind, the insertions that are not drawn, by reason, and a
    // drawing unit other than millimetres or none ("" when there is nothing
    // to say).  outlineShown: the file was read (a refusal says only why the
    // splines cannot be used and which insertions are not drawn).
    std::string ReadNotesText(bool outlineShown, int16_t language) const;

    // Writes PointForDisplay.dat from the outline model and fills ParamTable.
    // Refuses (message, false, file untouched) when Comp is below 1 or the
    // outline would be unreasonably large.
    bool DisplayPointGen(Operator& op, int16_t language);
    // The same without the file: the display file's bytes, or "" with the
    // reason in *error.
    std::string DisplayPointText(int16_t language, std::string* error);

    // Inserts one node parameter (spline s, sub-interval g, point p) and
    // rewrites PointForDisplay.dat.  Bad numbers insert nothing.
    bool AddNote(int16_t s, int16_t g, int16_t p, Operator& op, int16_t language);

    // Empties PointForControl.dat and CtrP.dat (creating them when missing).
    bool ControlPointCls();

    // One block of control points for spline SplineNo from node StartNode to
    // node EndNode (equal: the whole closed contour), WalkDir -1 falling,
    // 0 rising parameters; OutMode 1 writes PDdir.dat, any other value
    // appends to PointForControl.dat with OutMode as the contour kind.
    // False (with a message) when refused.
    bool ControlPointGen(int16_t SplineNo, int16_t WalkDir, int16_t StartNode, int16_t EndNode,
                         int16_t OutMode, Operator& op, int16_t language);

    // -1 when start -> middle -> end turns counter-clockwise, +1 when it turns
    // clockwise or runs straight.
    int16_t Cal_arcdir(double xs, double ys, double xm, double ym, double xe, double ye) const;

    // ---- spline outline model (filled by ReadDXF; spline i is Splines[i - 1]) ----
    int16_t SplineCount = 0;
    std::vector<SplineModel> Splines;
    // (i, 1): knot count of spline i; (i, 2): control-point count.  0 outside.
    int16_t SplineCounts(int i, int which) const;
    int16_t SplineFlags(int i) const;

    // ---- the spline being evaluated (LoadCurrentSpline) ----
    std::vector<double> CurCtrlX;   // control point j is (CurCtrlX[j-1], CurCtrlY[j-1])
    std::vector<double> CurCtrlY;
    std::vector<double> CurWeights; // empty: non-rational
    std::vector<double> CurKnots;
    int16_t CurFlag = 0;
    int16_t CurDegree = 3;
    bool CurUsable = false;

    // ---- sampling parameters (DisplayPointGen; read by AddNote and ControlPointGen) ----
    std::vector<double> CurParams;              // increasing; 0-based
    int16_t CurParamCount = 0;
    std::vector<std::vector<double>> ParamTable; // ParamTable[i - 1]: parameters of spline i
    int16_t MaxParamCount = 0;

    // ---- geometry parameters (TranParas) ----
    double ConDet = 0;
    double LineDis = 0;
    double PJAngle = 0;
    int16_t Comp = 0;
    double CutterAngle = 0;
    double MaxAngle = 0;

    // ---- chord and arc fields of the control-point walk ----
    SplinePoint ChordStart;
    SplinePoint ChordEnd;
    SplinePoint ChordNearStart;
    SplinePoint ChordNearEnd;
    SplinePoint ChordDirStart;
    SplinePoint ChordDirEnd;
    double ChordAngle = 0;
    double ChordLength = 0;
    double VecLength = 0;
    double ArcRadius = 0;
    double ArcAngle = 0;
    double ArcExcess = 0;

    // ---- curve evaluation ----

    // Copies spline i (1-based) into the Cur fields.  False when there is no
    // such spline; the Cur fields are then empty and every point is (0, 0).
    bool LoadCurrentSpline(int i);
    // The point of the current spline at parameter t (degree CurDegree,
    // weights CurWeights).  t is clamped to the curve's domain [0, 1], so
    // t = 1 gives the curve's end; an unusable spline gives (0, 0).
    SplinePoint EvalBSpline(double t) const;

    // ---- helpers of the control-point walk ----
    double CurveArcCos(double x) const;
    void ChordGeometry(double t0, double t1);
    double CurveTurnAngle(double ta, double tn, double tb);

    // ---- direction helpers ----
    // Direction of a plane vector in [0, 2*pi).
    static double VectorAngle(double dx, double dy);
    // +1 or -1: turning sense of p1 -> p2 -> p3.
    static int16_t ArcDirection(const SplinePoint& p1, const SplinePoint& p2, const SplinePoint& p3);

private:
    friend struct ControlPointWalk;  // helpers of ControlPointGen, in its own file
};

}  // namespace velbend

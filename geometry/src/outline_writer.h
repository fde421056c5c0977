// The writing of the display file for the NC and PLT readers: polylines
// with short moves dropped, long ones subdivided and turns beyond the
// threshold marked as nodes.  The readers hand over points; what the file
// says about them (words, commands) stays in the readers.
#pragma once
#include <cmath>
#include <string>
#include <string_view>

#include "display_file.h"

namespace velbend::geo {

// A refusal for a display file beyond kMaxDisplayLines.
Fault TooLarge();
// A refusal for a coordinate beyond kMaxCoordinate in the given line of an
// NC or PLT file (kind "NC", "PLT").
Fault BadCoordinate(const char* kind, long long lineNo);
inline bool InRange(double v) { return std::fabs(v) <= kMaxCoordinate; }

// The state both importers share while they write one display file.
struct PolylineWriter {
    std::string out;
    double threshold = 0;     // turn threshold T, radians
    double prevX = 0, prevY = 0;
    double prevDir = 0;
    std::string pending;      // point line of the last accepted point, without CR LF
    bool first = false;       // the next accepted segment is the contour's first
    long long block = 0;
    long long lines = 0;
    bool tooLarge = false;

    // thresholdDegrees: the slotting threshold, a turn beyond which is a node.
    explicit PolylineWriter(double thresholdDegrees);
    void Line(std::string_view s);
    static std::string PointText(double x, double y, bool node);
    void Header();
    // A new contour: its header and its first point, a node.
    void Start(double x, double y);
    // Whether the turn from the previous direction to dir is a corner.
    bool Corner(double dir) const;
    // n = trunc((d - 5) / 5) points evenly inside the segment to (x, y).
    void Subdivide(double x, double y, double d);
    void FlushPending();
    bool Full() const { return tooLarge || lines > kMaxDisplayLines; }
    // The end line; the file's bytes.
    std::string Finish();
};

// Direction of a segment (dx, dy) of length len: arc cosine of its unit X,
// negative when its unit Y is negative; radians in [-pi, pi].
double SegmentDirection(double dx, double dy, double len);

// The NC path: the moves at the Z of the machining plane, one contour each
// time the path enters it.
class PlanePath {
public:
    PlanePath(double plane, double thresholdDegrees) : plane_(plane), w_(thresholdDegrees) {}
    // The tool's position after a move (zKnown: a Z word was seen); false
    // when the file grew too large.
    bool Move(double x, double y, double z, bool zKnown);
    bool InPlane(double z, bool zKnown) const { return zKnown && z == plane_; }
    std::string Finish();

private:
    double plane_;
    PolylineWriter w_;
    double prevZ_ = -9999;
    bool prevZKnown_ = false;
};

// The PLT pen: strokes from a pen-up position through the pen-down points;
// a corner is a node only more than 1.0 from the node before it.
class PenStrokes {
public:
    explicit PenStrokes(double thresholdDegrees) : w_(thresholdDegrees) {}
    // The pen moved up to (x, y): a new contour starts there.
    void Up(double x, double y);
    // The pen lifted without a new position: the next pen-down point
    // starts a contour of its own.
    void Lift();
    void Down(double x, double y);
    bool Full() const { return w_.Full(); }
    std::string Finish();

private:
    PolylineWriter w_;
    double lastNodeX_ = 0, lastNodeY_ = 0;
    bool open_ = false;  // a contour has been started
};

}  // namespace velbend::geo

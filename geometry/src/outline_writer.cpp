// The writing of the display file for the NC and PLT readers.
#include "outline_writer.h"

#include <cmath>

namespace velbend::geo {

namespace {

constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 6.28318530717958;

}  // namespace

Fault TooLarge() {
    return {"轮廓太大：显示点超过" + std::to_string(kMaxDisplayLines) + "行。",
            "The outline is too large: more than " + std::to_string(kMaxDisplayLines) + " display lines."};
}

Fault BadCoordinate(const char* kind, long long lineNo) {
    return {std::string(kind) + "文件第" + std::to_string(lineNo) + "行的坐标超出范围（±100000 mm），不能读取。",
            std::string("The ") + kind + " file has a coordinate out of range (+-100000 mm) in line " +
                std::to_string(lineNo) + " and cannot be read."};
}

double SegmentDirection(double dx, double dy, double len) {
    double ux = dx / len, uy = dy / len;
    if (ux > 1) ux = 1;
    if (ux < -1) ux = -1;
    double a = std::acos(ux);
    return uy < 0 ? -a : a;
}

// ---------------------------------------------------------------- polylines

PolylineWriter::PolylineWriter(double thresholdDegrees) : threshold(thresholdDegrees / 180 * kPi) {}

void PolylineWriter::Line(std::string_view s) {
    AppendLine(out, s);
    ++lines;
}

std::string PolylineWriter::PointText(double x, double y, bool node) {
    std::string s;
    AppendFixed(s, x, 6);
    s.push_back(' ');
    AppendFixed(s, y, 6);
    if (node) s.append(" Node");
    return s;
}

void PolylineWriter::Header() {
    ++block;
    AppendHeader(out, block);
    ++lines;
}

void PolylineWriter::Start(double x, double y) {
    Header();
    Line(PointText(x, y, true));
    prevX = x;
    prevY = y;
    first = true;
}

bool PolylineWriter::Corner(double dir) const {
    double dA = std::fabs(dir - prevDir);
    return dA > threshold && dA < kTwoPi - threshold;
}

void PolylineWriter::Subdivide(double x, double y, double d) {
    double q = (d - 5) / 5;
    if (!(q >= 1)) return;
    long long n = static_cast<long long>(q);
    if (lines + n > kMaxDisplayLines) {
        tooLarge = true;
        return;
    }
    for (long long k = 1; k <= n; ++k) {
        double f = static_cast<double>(k) / static_cast<double>(n + 1);
        AppendFixed(out, prevX + (x - prevX) * f, 6);
        out.push_back(' ');
        AppendFixed(out, prevY + (y - prevY) * f, 6);
        out.append("\r\n");
        ++lines;
    }
}

void PolylineWriter::FlushPending() {
    if (!pending.empty()) {
        Line(pending);
        pending.clear();
    }
}

std::string PolylineWriter::Finish() {
    Line("SPLINE END");
    return std::move(out);
}

// ---------------------------------------------------------------- NC path in the plane

bool PlanePath::Move(double x, double y, double z, bool zKnown) {
    if (!InPlane(z, zKnown)) {
        w_.FlushPending();
        w_.prevX = x;
        w_.prevY = y;
        if (zKnown) {
            prevZ_ = z;
            prevZKnown_ = true;
        }
        return true;
    }
    if (!prevZKnown_ || prevZ_ != z) {
        // The path enters the plane: a new contour.
        w_.Start(x, y);
        prevZ_ = z;
        prevZKnown_ = true;
        return true;
    }
    double dx = x - w_.prevX, dy = y - w_.prevY;
    double d = std::sqrt(dx * dx + dy * dy);
    if (!(d > 0.1)) return true;
    double dir = SegmentDirection(dx, dy, d);
    if (w_.first) {
        w_.first = false;
        w_.pending = PolylineWriter::PointText(x, y, false);
    } else {
        bool corner = w_.Corner(dir);
        if (corner) w_.pending.append(" Node");
        w_.FlushPending();
        w_.Subdivide(x, y, d);
        w_.pending = PolylineWriter::PointText(x, y, false);
    }
    if (w_.Full()) return false;
    w_.prevX = x;
    w_.prevY = y;
    prevZ_ = z;
    w_.prevDir = dir;
    return true;
}

std::string PlanePath::Finish() {
    w_.FlushPending();
    return w_.Finish();
}

// ---------------------------------------------------------------- PLT pen strokes

void PenStrokes::Up(double x, double y) {
    w_.pending.clear();
    w_.Start(x, y);
    lastNodeX_ = x;
    lastNodeY_ = y;
    open_ = true;
}

void PenStrokes::Lift() {
    w_.pending.clear();
    w_.first = false;
    open_ = false;
}

void PenStrokes::Down(double x, double y) {
    if (!open_) {  // drawing before any pen-up move: the stroke starts here
        Up(x, y);
        return;
    }
    double dx = x - w_.prevX, dy = y - w_.prevY;
    double d = std::sqrt(dx * dx + dy * dy);
    if (!(d > 0.1)) return;
    double dir = SegmentDirection(dx, dy, d);
    if (w_.first) {
        w_.first = false;
        w_.Subdivide(x, y, d);
    } else {
        bool node = false;
        if (w_.Corner(dir)) {
            double nx = w_.prevX - lastNodeX_, ny = w_.prevY - lastNodeY_;
            if (std::sqrt(nx * nx + ny * ny) > 1.0) {
                node = true;
                lastNodeX_ = w_.prevX;
                lastNodeY_ = w_.prevY;
            }
        }
        if (node) w_.pending.append(" Node");
        w_.FlushPending();
        w_.Subdivide(x, y, d);
    }
    w_.pending = PolylineWriter::PointText(x, y, false);
    w_.prevX = x;
    w_.prevY = y;
    w_.prevDir = dir;
}

// The pending line of a stroke's last point is not written.
std::string PenStrokes::Finish() { return w_.Finish(); }

}  // namespace velbend::geo

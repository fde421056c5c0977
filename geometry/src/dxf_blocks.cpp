// The placement of block splines: each INSERT draws its block's entities
// moved from the block's base point to the insertion point, scaled,
// rotated and, for an extrusion direction of -Z, mirrored, nested blocks
// within it likewise.  An affine map keeps a B-spline a B-spline: its
// control points are mapped, its knots and weights stay.
#include "dxf_blocks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velbend::dxf {

namespace {

// x' = a x + b y + c, y' = d x + e y + f.
struct Map {
    double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
    bool Identity() const { return a == 1 && b == 0 && c == 0 && d == 0 && e == 1 && f == 0; }
    // This map after `inner`.
    Map Then(const Map& inner) const {
        return {a * inner.a + b * inner.d, a * inner.b + b * inner.e, a * inner.c + b * inner.f + c,
                d * inner.a + e * inner.d, d * inner.b + e * inner.e, d * inner.c + e * inner.f + f};
    }
};

// Cosine and sine of an angle in degrees; exact at multiples of 90.
void CosSin(double degrees, double& cs, double& sn) {
    double r = std::fmod(degrees, 360.0);
    if (r < 0) r += 360.0;
    if (r == 0) cs = 1, sn = 0;
    else if (r == 90) cs = 0, sn = 1;
    else if (r == 180) cs = -1, sn = 0;
    else if (r == 270) cs = 0, sn = -1;
    else cs = std::cos(r * std::numbers::pi / 180), sn = std::sin(r * std::numbers::pi / 180);
}

// The extrusion direction's plane: +1 for +Z, -1 for -Z (its X axis is
// -X by the arbitrary axis algorithm), 0 for any other direction, which
// is not the drawing plane.
constexpr double kNormalTolerance = 1e-9;
int Facing(const Insert& in) {
    const double z = std::fabs(in.normalZ);
    if (!(z > 0) || !std::isfinite(z)) return 0;
    if (!(std::fabs(in.normalX) <= kNormalTolerance * z) || !(std::fabs(in.normalY) <= kNormalTolerance * z)) return 0;
    return in.normalZ > 0 ? 1 : -1;
}

// The map from the block's coordinates to those the insertion lies in.
Map InsertMap(const Insert& in, const Block& b, int facing) {
    double cs, sn;
    CosSin(in.rotation, cs, sn);
    Map m{cs * in.scaleX, -sn * in.scaleY, 0, sn * in.scaleX, cs * in.scaleY, 0};
    m.c = in.x - m.a * b.baseX - m.b * b.baseY;
    m.f = in.y - m.d * b.baseX - m.e * b.baseY;
    if (facing < 0) m.a = -m.a, m.b = -m.b, m.c = -m.c;
    return m;
}

struct Walk {
    Drawing& d;
    size_t maxSplines;
    Placed& out;
    std::vector<uint32_t> open;               // blocks being drawn, outermost first
    std::vector<long long> typeSlot;          // type -> entry of out.unread, -1 none yet
    long long items = 0;
    PlaceResult result = PlaceResult::Done;

    bool Spend(long long n) {
        items += n;
        if (items <= kMaxPlacedItems) return true;
        result = PlaceResult::TooLarge;
        return false;
    }

    bool Draw(uint32_t blockNo, const Map& m) {
        for (const Item& it : d.blocks[blockNo].items) {
            // What lies outside block definitions is bounded by the file itself.
            if (blockNo != 0 && !Spend(1)) return false;
            switch (it.kind) {
                case Item::Kind::Spline: {
                    if (out.splines.size() >= maxSplines) {
                        result = PlaceResult::TooManySplines;
                        return false;
                    }
                    SplineModel& raw = d.splines[it.index];
                    if (blockNo == 0) {  // drawn once, where it is
                        out.splines.push_back(std::move(raw));
                        break;
                    }
                    if (!Spend(static_cast<long long>(raw.CtrlX.size() + raw.CtrlY.size() + raw.Knots.size() +
                                                      raw.Weights.size())))
                        return false;
                    SplineModel s = raw;
                    if (!m.Identity() && s.CtrlX.size() == s.CtrlY.size()) {
                        for (size_t j = 0; j < s.CtrlX.size(); ++j) {
                            const double x = s.CtrlX[j], y = s.CtrlY[j];
                            s.CtrlX[j] = m.a * x + m.b * y + m.c;
                            s.CtrlY[j] = m.d * x + m.e * y + m.f;
                        }
                    }
                    out.splines.push_back(std::move(s));
                    break;
                }
                case Item::Kind::Other: {
                    long long& slot = typeSlot[it.index];
                    if (slot < 0) {
                        slot = static_cast<long long>(out.unread.size());
                        out.unread.push_back({d.types[it.index], 0});
                    }
                    ++out.unread[static_cast<size_t>(slot)].Count;
                    break;
                }
                case Item::Kind::Insert: {
                    const Insert& in = d.inserts[it.index];
                    auto found = d.blockIndex.find(in.block);
                    const int facing = Facing(in);
                    if (found == d.blockIndex.end()) {
                        ++out.notDrawn.Undefined;
                    } else if (in.columns > 1 || in.rows > 1) {
                        ++out.notDrawn.Array;
                    } else if (facing == 0) {
                        ++out.notDrawn.Extrusion;
                    } else if (std::find(open.begin(), open.end(), found->second) != open.end()) {
                        ++out.notDrawn.SelfReference;
                    } else if (open.size() >= static_cast<size_t>(kMaxBlockNesting)) {
                        ++out.notDrawn.TooDeep;
                    } else {
                        open.push_back(found->second);
                        const bool go = Draw(found->second, m.Then(InsertMap(in, d.blocks[found->second], facing)));
                        open.pop_back();
                        if (!go) return false;
                    }
                    break;
                }
            }
        }
        return true;
    }
};

}  // namespace

PlaceResult Place(Drawing& d, size_t maxSplines, Placed& out) {
    out = Placed{};
    Walk w{d, maxSplines, out, {}, std::vector<long long>(d.types.size(), -1)};
    w.Draw(0, Map{});
    return w.result;
}

}  // namespace velbend::dxf

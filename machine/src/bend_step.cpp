#include "velbend/machine/bend_step.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "velbend/common/numtext.h"

namespace velbend {
namespace {

std::string F4(double v) { return Format(v, "0.0000"); }
std::string F0(double v) { return Format(v, "0"); }

// The |Kind| = 2 line of the double mechanism: feed to the end of the arc
// (or of the span) with the bender back at 0.
void EndOfRunLine(ProgramLines& out, double Position, double Radius, double Value, double ToPos) {
    if (1.5 * Radius * Value >= ToPos - Position)
        out << "X" + F4(ToPos) + " Y0.0000";
    else
        out << "X" + F4(Position + Radius * Value) + " Y0.0000";
}

}  // namespace

double WanFuLookup(const std::array<WanFuRow, 201>& table, int16_t last, double R) {
    if (last < 0) return table[0].Value;
    const int L = std::min<int>(last, static_cast<int>(table.size()) - 1);
    int i = 0;
    while (i <= L && R <= table[static_cast<std::size_t>(i)].Key) ++i;
    if (i == 0) return table[0].Value;
    if (i > L) return table[static_cast<std::size_t>(L)].Value;
    const WanFuRow& lo = table[static_cast<std::size_t>(i)];
    const WanFuRow& hi = table[static_cast<std::size_t>(i - 1)];
    const double span = lo.Key - hi.Key;
    if (span == 0) return lo.Value;  // only reachable with NaN keys
    return lo.Value - (lo.Value - hi.Value) * (lo.Key - R) / span;
}

void PrintBendStep(MachineContext& ctx, ProgramLines& out, double Position, double Radius,
                   int16_t Kind, double Value, double ToPos) {
    const SysPara& s = ctx.sys();
    WriterState& w = ctx.writer;
    MoveRing& ring = ctx.ring;
    const std::string feedX = F0(ctx.axis(1).AutoFeedrate);
    const std::string feedY = F0(ctx.axis(2).AutoFeedrate);
    const std::string feedY4 = Format(ctx.axis(2).AutoFeedrate, "0000");
    const std::string delay = F0(s.gBendMechDelay);
    const bool encoder = ctx.panel.Check3 == 1;

    // 1. Two bends at one place: the second is not written.
    if (std::fabs(Position - w.mLastStepPos) < 0.01) return;

    // 2. One splice stop on the way.
    if (w.mSpliceIndex < w.mSpliceCount &&
        static_cast<std::size_t>(w.mSpliceIndex) < w.mSplicePos.size() && s.gSplicePause > 0 &&
        Position >= w.mSplicePos[static_cast<std::size_t>(w.mSpliceIndex)]) {
        out << "X" + F4(w.mSplicePos[static_cast<std::size_t>(w.mSpliceIndex)]) + " F" + feedX;
        out << "G04 P" + F0(s.gSplicePause * 1000.0) + " ;connect pause";
        ++w.mSpliceIndex;
    }

    // 3.
    w.mLastStepPos = Position;

    // 4. Raw bend value.
    double b;
    if (Kind < 0)
        b = WanFuLookup(ctx.params.mWanFuP, ctx.params.gWanFuPLast, Radius);
    else if (Kind > 0)
        b = -WanFuLookup(ctx.params.mWanFuN, ctx.params.gWanFuNLast, Radius);
    else
        b = -Radius;

    const bool continuous = Radius >= s.gPatBendRThreshold && Kind != 0;
    const bool lastOfRun = Kind == 2 || Kind == -2;
    const double maxB = s.gMaxBendAngle;

    switch (s.gBendMechanisms) {
    case 0:
        out << "X" + F4(Position) + " F" + feedX;
        return;

    case 2:
        if (continuous) {
            if (b > 0) {
                b = s.gContBendCoefP * b + s.gSpaceAngleP;
                if (b > maxB) b = maxB;
            } else {
                b = s.gContBendCoefN * b - s.gSpaceAngleN;
                if (std::fabs(b) > maxB) b = -maxB;
            }
            if (Position - w.mLastFixPos > s.gPressArcFixSpacing && s.gPressArcFixSpacing > 1.0 &&
                encoder && s.gXEncoderPort > 0) {
                out << "G04 P100" << "M34";
                w.mLastFixPos = Position;
            }
            if (ctx.secondBuild) {
                // Bring the bender near its side before the first of a run of
                // continuous bends, and again after a large change.
                if (w.mPrePosDone == 0 ||
                    std::fabs(b - w.mLastContBend) > s.gSpaceAngleN + s.gSpaceAngleP) {
                    const double v = b > 0 ? s.gSpaceAngleP + 16.0 : -(s.gSpaceAngleN + 16.0);
                    out << "Y" + F4(v) + " F" + feedY;
                    w.mPrePosDone = 1;
                }
            }
            out << "X" + F4(Position) + " Y" + F4(b) + " F" + feedX;
            if (ctx.secondBuild) w.mLastContBend = b;
            if (lastOfRun) {
                EndOfRunLine(out, Position, Radius, Value, ToPos);
                if (ctx.secondBuild) w.mPrePosDone = 0;
            }
        } else {
            if (b > 0) {
                b = s.gPatBendCoefP * b + s.gSpaceAngleP;
                if (b > maxB) b = maxB;
            } else {
                b = s.gPatBendCoefN * b - s.gSpaceAngleN;
                if (std::fabs(b) > maxB) b = -maxB;
            }
            out << "X" + F4(Position) + " F" + feedX;
            if (encoder && s.gXEncoderPort > 0 && s.gPatArcEncoderFix > 0) {
                out << "G04 P200" << "M34";
                w.mLastFixPos = Position;
            }
            out << "G05 Y" + F4(b) + " F0000" + feedY4;
            double r;
            if (b < 0)
                r = s.gPatBackAngle < 0.01 ? -s.gSpaceAngleN : s.gPatBackAngle + b;
            else
                r = s.gPatBackAngle < 0.01 ? s.gSpaceAngleP : b - s.gPatBackAngle;
            out << "G05 Y" + F4(r) + " F0000" + feedY4;
            out << "G01";
            if (lastOfRun) EndOfRunLine(out, Position, Radius, Value, ToPos);
        }
        return;

    case 1: {
        // The single mechanism changes sides between positive and negative
        // bends: M18 puts it out, M19 takes it back.
        const double p = ring.mProgBendY;
        if (b <= 0) {
            if (std::fabs(p) < 0.01) {
                out << "Y" + F4(maxB) + " F" + feedY << "M18" << "G04 P" + delay;
            } else if (p > 0) {
                out << "Y0 F" + feedY << "M19" << "G04 P" + delay;
                out << "Y" + F4(maxB) + " F" + feedY << "M18" << "G04 P" + delay;
            }
        } else {
            if (std::fabs(p) < 0.01) {
                out << "Y0 F" + feedY << "M18" << "G04 P" + delay;
            } else if (p < 0) {
                out << "Y" + F4(maxB) + " F" + feedY << "M19" << "G04 P" + delay;
                out << "Y0 F" + feedY << "M18" << "G04 P" + delay;
            }
        }
        ring.mProgBendY = b;
        const double coefP = continuous ? s.gContBendCoefP : s.gPatBendCoefP;
        const double coefN = continuous ? s.gContBendCoefN : s.gPatBendCoefN;
        if (b <= 0) {
            b = coefN * b + s.gSpaceAngleN;
            if (b < 0) b = 0;
        } else {
            b = coefP * b + s.gSpaceAngleP;
            if (b > maxB) b = maxB;
        }
        if (continuous) {
            out << "X" + F4(Position) + " Y" + F4(b) + " F" + feedX;
        } else {
            out << "X" + F4(Position) + " F" + feedX;
            out << "G05 Y" + F4(b) + " F0000" + feedY4;
            const double q = ring.mProgBendY;
            if (q > 0.1) {
                const double r = s.gPatBackAngle < 0.01 ? s.gSpaceAngleP : b - s.gPatBackAngle;
                out << "G05 Y" + F4(r) + " F0000" + feedY4;
            } else if (q < -0.1) {
                const double r = s.gPatBackAngle < 0.01 ? s.gSpaceAngleN : s.gPatBackAngle + b;
                out << "G05 Y" + F4(r) + " F0000" + feedY4;
            }
            out << "G01";
        }
        if (lastOfRun) {
            const double q = ring.mProgBendY;
            if (q > 0.01)
                out << "X" + F4(Position + Radius * Value) + " Y0.0000";
            else if (q < -0.01)
                out << "X" + F4(Position + Radius * Value) + " Y" + F4(maxB);
        }
        return;
    }

    default:
        return;
    }
}

}  // namespace velbend

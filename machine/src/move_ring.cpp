#include "velbend/machine/move_ring.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "velbend/common/numtext.h"
#include "velbend/machine/bend_step.h"

namespace velbend {
namespace {

constexpr int16_t kSlots = MoveRing::kSlots;

int16_t Next(int16_t i) { return static_cast<int16_t>(i + 1 >= kSlots ? 0 : i + 1); }
int16_t Prev(int16_t i) { return static_cast<int16_t>(i <= 0 ? kSlots - 1 : i - 1); }
bool Empty(const MoveRing& r) { return r.mMoveWrite == r.mMoveRead; }
bool Full(const MoveRing& r) { return Next(r.mMoveWrite) == r.mMoveRead; }

// Stores a record; false (dropped) when the ring is full.
bool Push(MoveRing& r, const MoveRec& rec) {
    if (Full(r)) return false;
    r.mMoveRing[static_cast<std::size_t>(r.mMoveWrite)] = rec;
    r.mMoveWrite = Next(r.mMoveWrite);
    return true;
}

std::string F4(double v) { return Format(v, "0.0000"); }

// Feed to where the bend of r begins, with the bender clear.
void ApproachLine(MachineContext& ctx, ProgramLines& out, const MoveRec& r) {
    const SysPara& s = ctx.sys();
    const double y = ctx.ring.mProgBendY;
    const std::string x = "X" + F4(r.Position - r.Value * r.Radius);
    bool clearsY = false;
    if (s.gBendMechanisms == 2) {
        out << x + " Y0.0000";
        clearsY = true;
    } else if (s.gBendMechanisms == 1) {
        if (y > 0.01) {
            out << x + " Y0.0000";
            clearsY = true;
        } else if (y < -0.01) {
            out << x + " Y" + F4(s.gMaxBendAngle);
        } else {
            out << "X" + F4(r.Position);
        }
    }
    if (clearsY && ctx.secondBuild) ctx.writer.mPrePosDone = 0;
}

// After the last bend of the ring: let the bender go.
void ReleaseLine(MachineContext& ctx, ProgramLines& out) {
    const SysPara& s = ctx.sys();
    const double y = ctx.ring.mProgBendY;
    const std::string f = Format(ctx.axis(2).AutoFeedrate, "0");
    if (s.gBendMechanisms == 2) {
        out << "Y0 F" + f;
    } else if (s.gBendMechanisms == 1) {
        if (y > 0.01)
            out << "Y0 F" + f;
        else if (y < -0.01)
            out << "Y" + F4(s.gMaxBendAngle) + " F" + f;
    }
}

}  // namespace

double PatSpacing(const ParamStore& params, double R) {
    const int n = std::min<int>(params.gPfjjLast, static_cast<int>(params.gPfjjTable.size()));
    if (n < 1) return 0;
    for (int i = 0; i <= n - 2; ++i) {
        const PfjjRow& row = params.gPfjjTable[static_cast<std::size_t>(i)];
        if (row.RadiusLimit > R) {
            if (row.Spacing != 0) return row.Spacing;
            break;
        }
    }
    return params.gPfjjTable[static_cast<std::size_t>(n - 1)].Spacing;
}

void QueueMove(MachineContext& ctx, double Position, double Radius, int16_t Kind, double Value) {
    const SysPara& s = ctx.sys();
    MoveRing& r = ctx.ring;
    if (Radius > s.gMaxBendRadius) return;
    const double S = PatSpacing(ctx.params, Radius);

    // Spacing rules between close arc steps; they need a usable spacing and
    // a previous step with a radius (no division by zero, no endless fill).
    if (!Empty(r) && S > 0 && std::isfinite(S)) {
        MoveRec& prev = r.mMoveRing[static_cast<std::size_t>(Prev(r.mMoveWrite))];
        if (prev.Radius < s.gPatBendRThreshold && Radius < s.gPatBendRThreshold && prev.Radius != 0) {
            const double d = Position - prev.Position;
            if (d < 0.8 * S) {
                prev.Value = prev.Value + d / prev.Radius;  // merge into the previous step
                return;
            }
            if (d < 1.5 * prev.Radius * prev.Value) {
                // Fill in pats between the previous step and this one.
                MoveRec fill{prev.Position + S, Radius, Kind, Value};
                if (!Push(r, fill)) return;
                while (fill.Position + S < Position) {
                    fill.Position += S;
                    if (!Push(r, fill)) return;
                }
                return;
            }
        }
    }
    Push(r, MoveRec{Position, Radius, Kind, Value});
}

void NextQueuedMove(MachineContext& ctx, double& Position, double& Radius, int16_t& Kind,
                    double& Value) {
    MoveRing& r = ctx.ring;
    if (Empty(r)) {
        Position = 0;
        Radius = 0;
        Kind = 0;
        Value = 0;
        return;
    }
    const MoveRec& rec = r.mMoveRing[static_cast<std::size_t>(r.mMoveRead)];
    Position = rec.Position;
    Radius = rec.Radius;
    Kind = rec.Kind;
    Value = rec.Value;
    r.mMoveRead = Next(r.mMoveRead);
}

void FlushMoveQueue(MachineContext& ctx, ProgramLines& out, double FromPos, double ToPos) {
    MoveRing& r = ctx.ring;
    MoveRec& cur = r.mCurMove;
    if (cur.Position <= 0 || cur.Position >= ToPos) return;
    if (cur.Position - 1.5 * cur.Radius * cur.Value > FromPos) ApproachLine(ctx, out, cur);

    while (cur.Position < ToPos) {
        MoveRec old = cur;
        NextQueuedMove(ctx, cur.Position, cur.Radius, cur.Kind, cur.Value);
        // The last step of a run: nothing follows, or the next step is more
        // than one and a half step lengths away.
        if (!(cur.Position != 0 && 1.5 * old.Radius * old.Value >= cur.Position - old.Position)) {
            if (old.Kind != 0) old.Kind = static_cast<int16_t>(old.Kind > 0 ? 2 : -2);
        }
        PrintBendStep(ctx, out, old.Position, old.Radius, old.Kind, old.Value, ToPos);
        if ((old.Kind == 2 || old.Kind == -2) && cur.Position < ToPos &&
            cur.Position - 1.5 * cur.Radius * cur.Value > old.Position + 1.5 * old.Radius * old.Value)
            ApproachLine(ctx, out, cur);
        if (!Empty(r)) continue;
        if (cur.Position >= ToPos) break;
        if (cur.Position > 0.01) {
            PrintBendStep(ctx, out, cur.Position, cur.Radius, cur.Kind, cur.Value, ToPos);
            ReleaseLine(ctx, out);
        }
        cur.Position = 0;
        cur.Radius = 0;
        return;
    }
}

void ShiftPendingMoves(MachineContext& ctx, double newP, double L) {
    MoveRing& r = ctx.ring;
    const double dist = ctx.sys().gBendToSlotDist;
    // The held bend first (it came out of the slot before mMoveRead) ...
    if (r.mCurMove.Position > 0 && r.mCurMove.Position - dist > newP) r.mCurMove.Position += L;
    // ... then the live records, in ring order with wrap-around.
    for (int16_t i = r.mMoveRead; i != r.mMoveWrite; i = Next(i)) {
        MoveRec& rec = r.mMoveRing[static_cast<std::size_t>(i)];
        if (rec.Position - dist > newP) rec.Position += L;
    }
}

}  // namespace velbend

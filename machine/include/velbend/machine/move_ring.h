// The move ring: bends waiting until the strip has brought their point to
// the bender (gBendToSlotDist beyond the slotting cutter).
#pragma once
#include <cstdint>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// Pat-arc spacing of radius R: the Spacing of the first row 0..gPfjjLast-2
// whose RadiusLimit is above R, else (or when that Spacing is 0) the last
// ("Others") row's.
double PatSpacing(const ParamStore& params, double R);

// Push a bend (merging close arc steps, filling in between distant ones).
void QueueMove(MachineContext& ctx, double Position, double Radius, int16_t Kind, double Value);
// Take the oldest record; (0, 0, 0, 0) on an empty ring.
void NextQueuedMove(MachineContext& ctx, double& Position, double& Radius, int16_t& Kind,
                    double& Value);
// Write every pending bend below ToPos (FromPos: start of the feed span).
void FlushMoveQueue(MachineContext& ctx, ProgramLines& out, double FromPos, double ToPos);
// The strip position went back by L (< 0) to newP: every pending bend of the
// live part of the ring, and the held one, whose Position - gBendToSlotDist
// lies beyond newP is moved by L.
void ShiftPendingMoves(MachineContext& ctx, double newP, double L);

}  // namespace velbend

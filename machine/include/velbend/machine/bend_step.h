// Bend step and curvature lookup.
#pragma once
#include <array>
#include <cstdint>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"
#include "velbend/params/syspara.h"

namespace velbend {

// Curvature lookup of radius R in a table of rows 0..last in decreasing Key
// order: Value(0) above the first key, linear interpolation between the two
// rows around R, Value(last) at or below the last key.  A row pair with equal
// keys gives the later row's value (no division by zero).
double WanFuLookup(const std::array<WanFuRow, 201>& table, int16_t last, double R);

// Writes the lines of one bend (feed to Position, bend value, mechanism
// moves, encoder-correction requests, splice stops).  Called by the move
// ring's drain once per pending bend in strip order.  Kind: 0 corner (Radius
// holds the corner's bend value in degrees); <0 arc step with the positive
// table; >0 with the negative table; |Kind| 2 the last step of a run.
void PrintBendStep(MachineContext& ctx, ProgramLines& out, double Position, double Radius,
                   int16_t Kind, double Value, double ToPos);

}  // namespace velbend

#include "velbend/machine/dialog_stop.h"

namespace velbend {

void DialogStop(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& card = ctx.card;
    int32_t status[5] = {0, 0, 0, 0, 0};
    for (int32_t a = 1; a <= 4; ++a) card.get_status(0, a, &status[a]);
    // Every moving axis is brought to a stop, not only the first one found.
    for (int32_t a = 1; a <= 4; ++a)
        if (status[a] > 0) card.dec_stop(0, a);
    for (int32_t k = 0; k <= 7; ++k) card.write_bit(0, k, 0);
    // A search cut short leaves no stop on the zero switch behind: the
    // axis's later moves would end wherever they meet the switch.
    const int16_t h = run.gHomeState;
    if (h >= 1 && h <= 4) card.set_stop0_mode(0, h, 0, 0);
    ++run.mStops;
    EndProgram(run);
    EndSeekZero(run);
    run.mSeekFromProgram = 0;
    run.gCylinderBusy = 0;
    run.mJogDirection = 0;
    run.mJogFromInput = 0;
    run.mDebugMode = 0;
    run.gPendingComp = 0;
    run.gCompWaitTicks = 0;
    run.mCompCheck = {};
}

}  // namespace velbend

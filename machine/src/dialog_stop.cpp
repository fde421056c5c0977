#include "velbend/machine/dialog_stop.h"

namespace velbend {

void DialogStop(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& card = ctx.card;
    for (int32_t a = 1; a <= 4; ++a) {
        int32_t status = 0;
        card.get_status(0, a, &status);
        if (status > 0) card.dec_stop(0, a);
    }
    // A search cut short must not stop the axis at its zero switch later.
    const int16_t h = run.gHomeState;
    if (h >= 1 && h <= 4) card.set_stop0_mode(0, h, 0, 0);
    for (int32_t k = 0; k <= 7; ++k) card.write_bit(0, k, 0);
    run.gRunning = kFalse;
    run.gSlotRunning = kFalse;
    run.gTestRunning = kFalse;
    run.gHomeState = 0;
    run.gHomeStarted = 0;
    run.mBendHomePhase = 0;
    run.mSeekFromProgram = 0;
    run.gCylinderBusy = 0;
    run.mJogDirection = 0;
    run.mPaused = 0;
    run.mDebugMode = 0;
    run.gPendingComp = 0;
    run.gCompWaitTicks = 0;
    run.mFeedCheckPos = 0;
}

}  // namespace velbend

#include "lib.h"
#include "tarvikm.h"
namespace tarvikm { void stop_workers() {} }
using namespace tarvikm;
TARVIKM_EXPORT int32_t korvotarvik_fifo_pmove(int32_t, int32_t, int32_t, int32_t) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_reset_fifopmove(int32_t card, int32_t axis)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    command(card, uint16_t(kCmdPulseFifoReset + 3 * (axis - 1)));
    return 0;
}
TARVIKM_EXPORT int32_t korvotarvik_read_fifopmove_empty(int32_t, int32_t) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_read_fifopmove_full(int32_t, int32_t) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_fifo_arc(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t, int32_t, int32_t, int32_t) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_fifo_scurve(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_fifo_status(int32_t, int32_t, int32_t*) { return 1; }
TARVIKM_EXPORT int32_t korvotarvik_home1(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                         int32_t, int32_t, int32_t, int32_t) { return -1; }
TARVIKM_EXPORT int32_t korvotarvik_home2(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                         int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                         int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return -1; }
TARVIKM_EXPORT int32_t korvotarvik_SetHomeMode_Ex(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                                  int32_t, int32_t) { return -1; }
TARVIKM_EXPORT int32_t korvotarvik_SetHomeSpeed_Ex(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return -1; }
TARVIKM_EXPORT int32_t korvotarvik_HomeProcess_Ex(int32_t, int32_t) { return -1; }
TARVIKM_EXPORT int32_t korvotarvik_GetHomeStatus_Ex(int32_t, int32_t) { return -1; }

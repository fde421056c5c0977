// The message pump that blocking entries call while they wait.
#include <mutex>

#include "lib.h"
#include "tarvikm.h"

namespace tarvikm {
namespace {

std::mutex g_pump_mutex;
korvotarvik_pump_fn g_pump = nullptr;
void* g_context = nullptr;

}  // namespace

void pump()
{
    korvotarvik_pump_fn fn;
    void* ctx;
    {
        std::lock_guard<std::mutex> lk(g_pump_mutex);
        fn = g_pump;
        ctx = g_context;
    }
    if (fn)
        fn(ctx);
}

}  // namespace tarvikm

TARVIKM_EXPORT int32_t korvotarvik_set_pump_callback(korvotarvik_pump_fn fn, void* context)
{
    std::lock_guard<std::mutex> lk(tarvikm::g_pump_mutex);
    tarvikm::g_pump = fn;
    tarvikm::g_context = context;
    return 0;
}

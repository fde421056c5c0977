#include "port.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim.h"
#include "tarvikm.h"

namespace tarvikm {
namespace {

std::atomic<PortBackend*> g_backend{nullptr};

bool env_sim()
{
    const char* v = std::getenv("TARVIKM_SIM");
    return v && std::strcmp(v, "1") == 0;
}

PortBackend& backend()
{
    PortBackend* b = g_backend.load(std::memory_order_acquire);
    if (!b) {
        PortBackend* chosen = env_sim() ? &sim_ports() : &real_ports();
        if (g_backend.compare_exchange_strong(b, chosen, std::memory_order_acq_rel))
            b = chosen;
    }
    return *b;
}

}  // namespace

int start_port_driver()
{
    PortBackend* b = env_sim() ? &sim_ports() : &real_ports();
    g_backend.store(b, std::memory_order_release);
    return b->start();
}

void forget_backend() { g_backend.store(nullptr); }

bool sim_selected() { return &backend() == &sim_ports(); }

uint32_t port_in(uint32_t port, int size) { return backend().in(port & 0xFFFF, size); }
void port_out(uint32_t port, uint32_t value, int size) { backend().out(port & 0xFFFF, value, size); }
void grant_window(uint32_t base, uint32_t length) { backend().grant(base, length); }

void wait_ms(int ms, bool advance_sim)
{
    if (ms <= 0)
        return;
    if (advance_sim && sim_selected() && sim::instance().manual_clock()) {
        sim::instance().advance_us(int64_t(ms) * 1000);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tarvikm

using namespace tarvikm;

TARVIKM_EXPORT int32_t GetPortVal(int32_t port, int32_t* value, int32_t size)
{
    if (!value)
        return 0;
    uint32_t p = uint32_t(port) & 0xFFFF;
    switch (size & 0xFF) {
    case 1: *value = int8_t(port_in(p, 1) & 0xFF); break;
    case 2: *value = int32_t(port_in(p, 2) & 0xFFFF); break;
    default: *value = int32_t(port_in(p, 4)); break;
    }
    return 1;
}

TARVIKM_EXPORT int32_t SetPortVal(int32_t port, int32_t value, int32_t size)
{
    uint32_t p = uint32_t(port) & 0xFFFF;
    switch (size & 0xFF) {
    case 1: port_out(p, uint32_t(value) & 0xFF, 1); break;
    case 2: port_out(p, uint32_t(value) & 0xFFFF, 2); break;
    default: port_out(p, uint32_t(value), 4); break;
    }
    return 1;
}

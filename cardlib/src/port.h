// Port layer: the only way the command layer reaches a card.  Two backends
// sit behind it: the real IO ports (Linux ioperm) and the simulated card.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarvikm {

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Makes port access available; 0 done, -1 no access ("driver missing").
    virtual int start() = 0;
    // size 1, 2 or 4 (anything else is taken as 4 by the callers).
    virtual uint32_t in(uint32_t port, int size) = 0;
    virtual void out(uint32_t port, uint32_t value, int size) = 0;
    // Discovery found a card's register window: allow access to it.
    virtual void grant(uint32_t base, uint32_t length) = 0;
};

PortBackend& real_ports();
PortBackend& sim_ports();

// Chooses the backend from the environment (TARVIKM_SIM=1: simulated card)
// and starts it.  0 or -1.
int start_port_driver();
bool sim_selected();

uint32_t port_in(uint32_t port, int size);
void port_out(uint32_t port, uint32_t value, int size);
void grant_window(uint32_t base, uint32_t length);

// Waits of the library.  `advance_sim` waits advance the simulated manual
// clock instead of sleeping (blocking entries on the caller's thread); the
// others always sleep for real.
void wait_ms(int ms, bool advance_sim);

// Called by the simulated card's reset: forget the library's state.
void reset_library_state();

// Process-wide objects of the library, made on first use and destroyed when
// the library is unloaded (after every worker thread has ended).
template <class T>
T& singleton(std::atomic<T*>& slot)
{
    T* p = slot.load(std::memory_order_acquire);
    if (!p) {
        T* made = new T;
        if (slot.compare_exchange_strong(p, made, std::memory_order_acq_rel))
            p = made;
        else
            delete made;
    }
    return *p;
}
void destroy_state();
void forget_backend();
void destroy_real_ports();

}  // namespace tarvikm

#define TARVIKM_EXPORT extern "C" __attribute__((visibility("default")))

// The simulated card's own control functions (tarvikm_sim.h).
#include "port.h"
#include "sim.h"
#include "tarvikm_sim.h"

using tarvikm::sim::instance;

TARVIKM_EXPORT void tarvikm_sim_reset(void)
{
    tarvikm::reset_library_state();
    instance().reset();
}

TARVIKM_EXPORT int32_t tarvikm_sim_active(void) { return tarvikm::sim_selected() ? 1 : 0; }

TARVIKM_EXPORT void tarvikm_sim_clear_bus(void) { instance().clear_bus(); }

TARVIKM_EXPORT int32_t tarvikm_sim_add_card(int32_t bus, int32_t device, int32_t function, int32_t version,
                                            int32_t switch_nibble, uint32_t bar1)
{
    return instance().add(bus, device, function, tarvikm::sim::kCardId, bar1, true, version, switch_nibble);
}

TARVIKM_EXPORT int32_t tarvikm_sim_add_function(int32_t bus, int32_t device, int32_t function, uint32_t id,
                                                uint32_t bar1)
{
    return instance().add(bus, device, function, id, bar1, false, 0, 0);
}

TARVIKM_EXPORT int32_t tarvikm_sim_card_count(void) { return instance().count(); }
TARVIKM_EXPORT uint32_t tarvikm_sim_card_base(int32_t index) { return instance().base(index); }

TARVIKM_EXPORT int32_t tarvikm_sim_set_input(int32_t index, int32_t bit, int32_t level)
{
    return instance().set_input(index, bit, level);
}

TARVIKM_EXPORT int32_t tarvikm_sim_get_input(int32_t index, int32_t bit) { return instance().get_input(index, bit); }

TARVIKM_EXPORT int32_t tarvikm_sim_place_switch(int32_t index, int32_t bit, int32_t axis, int32_t from, int32_t to,
                                                int32_t active_level)
{
    return instance().place_switch(index, bit, axis, from, to, active_level);
}

TARVIKM_EXPORT void tarvikm_sim_clear_switches(int32_t index) { instance().clear_switches(index); }
TARVIKM_EXPORT int32_t tarvikm_sim_get_outputs(int32_t index) { return instance().outputs(index); }

TARVIKM_EXPORT int32_t tarvikm_sim_set_encoder_slip(int32_t index, int32_t axis, double slip)
{
    return instance().set_slip(index, axis, slip);
}

TARVIKM_EXPORT int32_t tarvikm_sim_set_encoder_ratio(int32_t index, int32_t axis, double ratio)
{
    return instance().set_encoder_ratio(index, axis, ratio);
}

TARVIKM_EXPORT void tarvikm_sim_use_manual_clock(int32_t on) { instance().use_manual_clock(on != 0); }
TARVIKM_EXPORT void tarvikm_sim_advance_us(int64_t microseconds) { instance().advance_us(microseconds); }
TARVIKM_EXPORT void tarvikm_sim_advance_ms(int32_t milliseconds) { instance().advance_us(int64_t(milliseconds) * 1000); }
TARVIKM_EXPORT int64_t tarvikm_sim_now_us(void) { return instance().now_us(); }

TARVIKM_EXPORT void tarvikm_sim_log_enable(int32_t on) { instance().log_enable(on != 0); }
TARVIKM_EXPORT void tarvikm_sim_log_clear(void) { instance().log_clear(); }
TARVIKM_EXPORT int32_t tarvikm_sim_log_count(void) { return instance().log_count(); }
TARVIKM_EXPORT int32_t tarvikm_sim_log_get(int32_t i, tarvikm_sim_access* out) { return instance().log_get(i, out); }

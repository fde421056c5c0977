// Digital inputs and outputs, and the delay timer.
#include "lib.h"
#include "tarvikm.h"

using namespace tarvikm;

TARVIKM_EXPORT int32_t korvotarvik_read_bit(int32_t card, int32_t bit)
{
    if (!card_in_range(card))
        return -1;
    if (!card_known(card))
        return 1;
    if (bit < 0 || bit > 43)
        return -1;
    uint32_t offset = bit < 16 ? kRegInputs0 : bit < 32 ? kRegInputs16 : kRegInputs32;
    uint16_t w;
    {
        std::lock_guard<std::mutex> lk(card_lock(card));
        w = reg_read(card, offset);
    }
    return (w >> (bit % 16)) & 1;
}

TARVIKM_EXPORT int32_t korvotarvik_write_bit(int32_t card, int32_t bit, int32_t value)
{
    if (!card_known(card))
        return 1;
    if (bit < 0 || bit > 15)
        return 0;
    State& st = state();
    std::lock_guard<std::mutex> lk(card_lock(card));
    uint16_t& w = st.out_shadow[card];
    if (value)
        w = uint16_t(w | (1u << bit));
    else
        w = uint16_t(w & ~(1u << bit));
    reg_write(card, kRegOutputs, w);
    st.out_value[card][bit] = value;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_get_out(int32_t card, int32_t bit)
{
    if (!card_in_range(card) || bit < 0 || bit > 15)
        return -1;
    if (!card_known(card))
        return 1;
    return state().out_value[card][bit].load();
}

TARVIKM_EXPORT int32_t korvotarvik_set_delay_time(int32_t card, int32_t count)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    reg_write(card, kRegTimerHigh, uint16_t(uint32_t(count) >> 16));
    reg_write(card, kRegTimerLow, uint16_t(count));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_get_delay_status(int32_t card)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    return reg_read(card, kRegTimerLow) != 0 ? 1 : 0;
}

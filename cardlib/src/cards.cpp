// Card table, locks, register protocol, discovery and numbering.
#include <vector>

#include "lib.h"
#include "tarvikm.h"

namespace tarvikm {

void State::clear_axes()
{
    for (int c = 0; c < kCardNumbers; ++c)
        for (int a = 0; a < kAxes; ++a) {
            home_state[c][a] = -1;
            stop_flag[c][a] = 0;
            stop1_logic[c][a] = 0;
            stop0_logic[c][a] = 0;
            limit_logic[c][a] = 0;
            scurve_idle[c][a] = 1;
        }
}

void State::clear()
{
    count = 0;
    for (auto& n : numbers)
        n = 0;
    for (auto& b : base)
        b = 0;
    switch_numbering = true;
    for (int c = 0; c < kCardNumbers; ++c) {
        for (int a = 0; a < kAxes; ++a)
            axis_mode[c][a] = 0;
        card_mode[c] = 0;
        out_shadow[c] = 0;
        for (auto& v : out_value[c])
            v = 0;
    }
    clear_axes();
}

namespace {
std::atomic<State*> g_state{nullptr};
}

State& state() { return singleton(g_state); }

void destroy_state() { delete g_state.exchange(nullptr); }

bool card_known(int32_t card)
{
    if (!card_in_range(card))
        return false;
    State& st = state();
    int32_t n = st.count.load();
    for (int32_t i = 0; i < n && i < kMaxCards; ++i)
        if (st.numbers[i].load() == card)
            return true;
    return false;
}

std::mutex& card_lock(int32_t card) { return state().locks[card % kMaxCards]; }

void reg_write(int32_t card, uint32_t offset, uint16_t value)
{
    port_out(state().base[card].load() + offset, value, 2);
}

uint16_t reg_read(int32_t card, uint32_t offset) { return uint16_t(port_in(state().base[card].load() + offset, 2)); }

void data_write(int32_t card, uint32_t value)
{
    reg_write(card, kRegDataLow, uint16_t(value));
    reg_write(card, kRegDataHigh, uint16_t(value >> 16));
}

uint32_t data_read(int32_t card)
{
    uint32_t high = reg_read(card, kRegDataHigh);
    uint32_t low = reg_read(card, kRegDataLow);
    return high << 16 | low;
}

void command(int32_t card, uint16_t word) { reg_write(card, kRegCommand, word); }

void axis_mode_write(int32_t card, int32_t axis)
{
    reg_write(card, kRegMode, state().axis_mode[card][axis - 1]);
    command(card, kCmdAxisMode | axis_bit(axis));
}

void axis_mode_update(int32_t card, int32_t axis, uint16_t set, uint16_t clear)
{
    std::lock_guard<std::mutex> lk(card_lock(card));
    uint16_t& m = state().axis_mode[card][axis - 1];
    m = uint16_t((m & ~clear) | set);
    axis_mode_write(card, axis);
}

namespace {

constexpr uint32_t kConfigAddress = 0xCF8;
constexpr uint32_t kConfigData = 0xCFC;

uint32_t config_read(uint32_t bus, uint32_t dev, uint32_t fn, uint32_t reg)
{
    port_out(kConfigAddress, 0x80000000u | bus << 16 | dev << 11 | fn << 8 | reg, 4);
    return port_in(kConfigData, 4);
}

// Window bases of the cards on the bus in scan order; -2 for a card whose
// window base is 0.
int scan(std::vector<uint32_t>& bases)
{
    bases.clear();
    for (uint32_t bus = 0; bus < 256; ++bus)
        for (uint32_t dev = 0; dev < 32; ++dev)
            for (uint32_t fn = 0; fn < 8; ++fn) {
                if (config_read(bus, dev, fn, 0) != kCardId)
                    continue;
                uint32_t bar = config_read(bus, dev, fn, 0x14);
                if (!(bar & 1))
                    continue;  // no IO window: next function
                uint32_t b = bar & ~3u;
                if (b == 0)
                    return -2;
                bases.push_back(b);
                break;  // only the first matching function of a device
            }
    return 0;
}

uint16_t window_read(uint32_t base, uint32_t offset) { return uint16_t(port_in(base + offset, 2)); }

int tenths(uint16_t version) { return (version >> 8) * 10 + (version & 0xFF); }

int switch_number(uint32_t base) { return 15 - ((window_read(base, kRegInputs32) >> 8) & 0x0F); }

}  // namespace

void reset_library_state()
{
    stop_workers();
    destroy_steps();
    state().clear();
}

}  // namespace tarvikm

using namespace tarvikm;

TARVIKM_EXPORT int32_t korvotarvik_initial(void)
{
    State& st = state();
    // Pre-scan: versions and number switches.
    if (start_port_driver() < 0)
        return -1;
    std::vector<uint32_t> bases;
    if (scan(bases) < 0)
        return -2;
    std::vector<int> seen;
    for (uint32_t b : bases) {
        grant_window(b, 24);
        if (tenths(window_read(b, kRegVersion)) <= 29) {
            st.switch_numbering = false;
            continue;
        }
        int n = switch_number(b);
        if (n > 9)
            return -4;
        for (int s : seen)
            if (s == n)
                return -3;
        seen.push_back(n);
    }

    // Scan again and number the cards.
    if (start_port_driver() < 0)
        return -1;
    if (scan(bases) < 0)
        return -2;
    bool by_switch = st.switch_numbering.load();
    std::vector<std::pair<int, uint32_t>> found;
    for (uint32_t b : bases) {
        if (int(found.size()) == kMaxCards)
            break;  // the table holds ten cards; further cards stay unused
        grant_window(b, 24);
        int n = by_switch ? switch_number(b) : int(found.size());
        if (n < 0 || n > 9)
            return -4;
        for (auto& f : found)
            if (f.first == n)
                return -3;
        found.push_back({n, b});
    }
    if (found.empty()) {
        st.count = 0;
        return 0;
    }

    stop_workers();  // no S-curve feed survives the reset
    st.clear_axes();
    st.count = 0;
    for (size_t i = 0; i < found.size(); ++i) {
        st.numbers[i] = found[i].first;
        st.base[found[i].first] = found[i].second;
    }
    st.count = int32_t(found.size());

    for (auto& f : found) {
        int card = f.first;
        for (int axis = 1; axis <= kAxes; ++axis) {
            korvotarvik_sudden_stop(card, axis);
            korvotarvik_set_startv(card, axis, 0);
            korvotarvik_set_speed(card, axis, 0);
            korvotarvik_set_acc(card, axis, 1);
        }
        korvotarvik_set_suddenstop_mode(card, 0, 0);
        for (int bit = 0; bit < 16; ++bit)
            korvotarvik_write_bit(card, bit, 0);
    }
    return st.count;
}

TARVIKM_EXPORT int32_t korvotarvik_get_card_index(int32_t* cards)
{
    State& st = state();
    int32_t n = st.count.load();
    if (n <= 0)
        return -1;
    if (!cards)
        return 1;
    for (int32_t i = 0; i < n; ++i)
        cards[i] = st.numbers[i].load();
    return 0;
}

TARVIKM_EXPORT double korvotarvik_get_hardware_ver(int32_t card)
{
    if (!card_known(card))
        return 1.0;
    uint16_t v;
    {
        std::lock_guard<std::mutex> lk(card_lock(card));
        v = reg_read(card, kRegVersion);
    }
    return double(v >> 8) + 0.1 * double(v & 0xFF);
}

TARVIKM_EXPORT int32_t korvotarvik_get_lib_version(int32_t) { return kLibVersion; }

TARVIKM_EXPORT int32_t korvotarvik_set_pulse_mode(int32_t card, int32_t axis, int32_t value1, int32_t value2,
                                                  int32_t value3)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    uint16_t set = 0, clear = 0;
    (value1 ? clear : set) |= 0x40;
    (value2 ? set : clear) |= 0x80;
    (value3 ? set : clear) |= 0x100;
    axis_mode_update(card, axis, set, clear);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_set_limit_mode(int32_t card, int32_t axis, int32_t value1, int32_t value2,
                                                  int32_t logic)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    uint16_t set = 0, clear = 0;
    (value1 ? set : clear) |= 0x01;
    (value2 ? set : clear) |= 0x02;
    (logic ? set : clear) |= 0x04;
    axis_mode_update(card, axis, set, clear);
    state().limit_logic[card][axis - 1] = logic ? 1 : 0;
    return 0;
}

// The simulated card: PCI configuration space and the register window of
// each card, with axes that move in time.  See tarvikm_sim.h for the model.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "port.h"
#include "tarvikm_sim.h"

namespace tarvikm::sim {

constexpr uint32_t kCardId = 0x89521022;
constexpr size_t kInterpFifoWords = 2048;
constexpr size_t kPulseFifoWords = 512;
constexpr uint32_t kWindowLength = 24;

// Speed over time of one drive: up from v0 to vp at rate a, cruise, down to
// v1, covering n pulses.
struct Profile {
    double v0 = 1, vp = 1, v1 = 1, a = 1, n = 0;
    double ta = 0, tc = 0, td = 0;
    void plan(double v0_, double vmax, double v1_, double a_, double n_);
    void constant(double v, double n_);
    double total() const { return ta + tc + td; }
    double dist(double t) const;
    double speed(double t) const;
};

enum class Kind { single, interp, fifo_interp, pulse_fifo };

struct Drive {
    bool active = false;
    Kind kind = Kind::single;
    unsigned axes = 0;         // bit k for axis k+1 taking part
    int64_t share[4] = {};     // signed pulses of each axis
    uint64_t applied[4] = {};  // pulses of each axis already applied
    uint64_t length = 0;       // pulses of the leading (major) count
    uint64_t done = 0, base_done = 0, target = 0;
    Profile prof;
    int64_t t0 = 0;  // start of the profile, microseconds
    int gov = 0;     // axis index whose start speed and acceleration govern
};

struct Switch {
    int bit, axis;
    int64_t from, to;
    int level;
};

struct Axis {
    int64_t cmd = 0, act = 0;
    int64_t phys = 0;  // where the axis is; the counters can be set, this cannot
    double ratio = 1, encoder_rest = 0;  // the encoder counts ratio x the travel
    uint32_t startv = 1, speed = 1, count = 0;
    uint16_t acc = 1, mode = 0;
    int64_t latch = 0;
    bool latched = false;
    bool in_interp = false;
    Drive drive;
    std::deque<uint32_t> pfifo;
};

struct Card {
    int bus = 0, dev = 0, fn = 0;
    uint32_t id = kCardId, bar1 = 0;
    bool motion = true;
    uint16_t version = 0x0302;
    uint64_t levels = 0;
    uint16_t wr4 = 0, wr12 = 0, wr14 = 0, rd12 = 0, rd14 = 0, timer_hi = 0, outputs = 0, card_mode = 0;
    uint32_t interp_len = 0;
    int64_t timer_end = 0;
    Axis ax[4];
    Drive interp;
    std::deque<uint32_t> ififo;
    std::vector<Switch> switches;
    uint32_t base() const { return (motion && (bar1 & 1)) ? (bar1 & ~3u) : 0; }
};

class Sim final : public PortBackend {
public:
    Sim();
    int start() override { return 0; }
    uint32_t in(uint32_t port, int size) override;
    void out(uint32_t port, uint32_t value, int size) override;
    void grant(uint32_t, uint32_t) override {}

    void reset();
    void clear_bus();
    int add(int bus, int dev, int fn, uint32_t id, uint32_t bar1, bool motion, int version, int nibble);
    int count();
    uint32_t base(int index);
    int set_input(int index, int bit, int level);
    int get_input(int index, int bit);
    int place_switch(int index, int bit, int axis, int64_t from, int64_t to, int level);
    void clear_switches(int index);
    int outputs(int index);
    int set_slip(int index, int axis, double slip);
    int set_encoder_ratio(int index, int axis, double ratio);
    void use_manual_clock(bool on);
    bool manual_clock() const { return manual_.load(); }
    void advance_us(int64_t us);
    int64_t now_us();
    void log_enable(bool on);
    void log_clear();
    int log_count();
    int log_get(int i, tarvikm_sim_access* out);

private:
    int64_t clock_locked() const;
    void catch_up(int64_t now);
    bool moving() const;
    void step_card(Card& c, int64_t tprev, int64_t t);
    void update_drive(Card& c, Drive& d, int64_t tprev, int64_t t);
    bool run_drive(Card& c, Drive& d, int64_t tprev, int64_t t, int64_t* end_time);
    void move_to(Card& c, Drive& d, uint64_t m);
    uint64_t first_stop(Card& c, Drive& d, uint64_t to_m);
    bool stop_active_now(Card& c, const Drive& d);
    void end_drive(Card& c, Drive& d);
    void start_single(Card& c, int k, bool negative);
    void start_interp(Card& c, unsigned axes);
    bool start_fifo_segment(Card& c, int64_t t0);
    bool start_pulse_move(Card& c, int k, int64_t t0);
    void dec_stop(Card& c, Drive& d);
    void check_latch(Card& c);
    int level(const Card& c, int bit) const;
    int level_at(const Card& c, int bit, int k, int64_t pos) const;
    int64_t off(const Drive& d, int k, uint64_t m) const;
    uint32_t register_in(Card& c, uint32_t offset);
    void register_out(Card& c, uint32_t offset, uint16_t v);
    void command(Card& c, uint16_t word);
    uint32_t config_read();
    Card* window(uint32_t port, uint32_t* offset);
    void record(bool write, uint32_t port, uint32_t value, int size);

    mutable std::mutex m_;
    std::vector<Card> cards_;
    std::atomic<bool> manual_{false};
    int64_t manual_now_ = 0, t_ = 0, real_offset_ = 0;
    uint32_t cf8_ = 0;
    bool log_on_ = false;
    std::vector<tarvikm_sim_access> log_;
};

Sim& instance();
void destroy();  // at unload

}  // namespace tarvikm::sim

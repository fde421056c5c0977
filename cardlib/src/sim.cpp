#include "sim.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tarvikm::sim {
namespace {

constexpr uint32_t kConfigAddress = 0xCF8;
constexpr uint32_t kConfigData = 0xCFC;
constexpr size_t kLogLimit = 1000000;
constexpr int64_t kStepUs = 1000;
constexpr double kAccUnit = 125.0;  // pulses/s^2 per unit of the acceleration register

int64_t steady_us()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t(-v) : uint64_t(v); }

enum class Word { length, share, speed, other };

Word classify(uint32_t w)
{
    switch ((w >> 27) & 0xF) {
    case 0x6: return Word::length;
    case 0x7: return Word::speed;
    case 0x0: case 0x1: case 0x2: case 0x3: return Word::share;
    default: return Word::other;
    }
}

void trapezoid(Profile& p, const Axis& a, double n)
{
    double vs = std::max<double>(1, a.startv), v = std::max<double>(1, a.speed);
    if (v <= vs)
        p.constant(v, n);
    else
        p.plan(vs, v, vs, std::max<double>(1, a.acc) * kAccUnit, n);
}

}  // namespace

// ---- Profile ---------------------------------------------------------------

void Profile::constant(double v, double n_)
{
    v0 = vp = v1 = std::max(v, 1.0);
    a = 1;
    n = std::max(n_, 0.0);
    ta = td = 0;
    tc = n / vp;
}

void Profile::plan(double v0_, double vmax, double v1_, double a_, double n_)
{
    v0 = std::max(v0_, 1.0);
    v1 = std::max(v1_, 1.0);
    a = std::max(a_, 1.0);
    n = std::max(n_, 0.0);
    vp = std::max(vmax, 1.0);
    double da = (vp * vp - v0 * v0) / (2 * a), dd = (vp * vp - v1 * v1) / (2 * a);
    if (da + dd > n) {
        double sq = (2 * a * n + v0 * v0 + v1 * v1) / 2;
        vp = std::sqrt(sq);
        if (vp < v0) {
            // Too short to come down to v1: brake over the whole distance.
            vp = v0;
            v1 = std::sqrt(std::max(0.0, v0 * v0 - 2 * a * n));
            ta = tc = 0;
            td = (v0 - v1) / a;
            return;
        }
        da = std::max(0.0, (vp * vp - v0 * v0) / (2 * a));
        dd = std::max(0.0, (vp * vp - v1 * v1) / (2 * a));
    }
    ta = (vp - v0) / a;
    td = (vp - v1) / a;
    tc = std::max(0.0, n - da - dd) / vp;
}

double Profile::dist(double t) const
{
    if (t <= 0)
        return 0;
    if (t < ta)
        return v0 * t + a * t * t / 2;
    double da = v0 * ta + a * ta * ta / 2;
    if (t < ta + tc)
        return da + vp * (t - ta);
    double tau = t - ta - tc;
    if (tau < td)
        return std::min(n, da + vp * tc + vp * tau - a * tau * tau / 2);
    return n;
}

double Profile::speed(double t) const
{
    if (t < 0)
        return 0;
    if (t < ta)
        return v0 + a * t;
    if (t < ta + tc)
        return vp;
    double tau = t - ta - tc;
    if (tau < td)
        return vp - a * tau;
    return 0;
}

// ---- Sim -------------------------------------------------------------------

Sim::Sim()
{
    real_offset_ = -steady_us();
    add(0, 5, 0, kCardId, 0xE001, true, 0x0302, 0xF);
}

void Sim::reset()
{
    std::lock_guard<std::mutex> lk(m_);
    cards_.clear();
    manual_ = false;
    real_offset_ = t_ - steady_us();
    log_on_ = false;
    log_.clear();
    cf8_ = 0;
    // the default card, as after loading
    Card d;
    d.bus = 0, d.dev = 5, d.fn = 0, d.bar1 = 0xE001, d.version = 0x0302;
    d.levels = ((uint64_t(1) << 40) - 1) | uint64_t(0xF) << 40;
    cards_.push_back(d);
}

void Sim::clear_bus()
{
    std::lock_guard<std::mutex> lk(m_);
    cards_.clear();
}

int Sim::add(int bus, int dev, int fn, uint32_t id, uint32_t bar1, bool motion, int version, int nibble)
{
    std::lock_guard<std::mutex> lk(m_);
    if (cards_.size() >= 16 || bus < 0 || bus > 255 || dev < 0 || dev > 31 || fn < 0 || fn > 7 || version < 0 ||
        version > 0xFFFF || nibble < 0 || nibble > 15)
        return -1;
    Card c;
    c.bus = bus, c.dev = dev, c.fn = fn, c.id = id, c.bar1 = bar1, c.motion = motion;
    c.version = uint16_t(version);
    c.levels = ((uint64_t(1) << 40) - 1) | uint64_t(nibble) << 40;
    cards_.push_back(c);
    return int(cards_.size()) - 1;
}

int Sim::count()
{
    std::lock_guard<std::mutex> lk(m_);
    return int(cards_.size());
}

uint32_t Sim::base(int index)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()))
        return 0;
    return cards_[index].base();
}

int Sim::set_input(int index, int bit, int level)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()) || bit < 0 || bit > 43)
        return -1;
    catch_up(clock_locked());
    Card& c = cards_[index];
    if (level)
        c.levels |= uint64_t(1) << bit;
    else
        c.levels &= ~(uint64_t(1) << bit);
    check_latch(c);
    return 0;
}

int Sim::get_input(int index, int bit)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()) || bit < 0 || bit > 43)
        return -1;
    catch_up(clock_locked());
    return level(cards_[index], bit);
}

int Sim::place_switch(int index, int bit, int axis, int64_t from, int64_t to, int lvl)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()) || bit < 0 || bit > 43 || axis < 1 || axis > 4 || from > to)
        return -1;
    catch_up(clock_locked());
    cards_[index].switches.push_back({bit, axis, from, to, lvl ? 1 : 0});
    return 0;
}

void Sim::clear_switches(int index)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()))
        return;
    catch_up(clock_locked());
    cards_[index].switches.clear();
}

int Sim::outputs(int index)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()))
        return -1;
    return cards_[index].outputs;
}

int Sim::set_slip(int index, int axis, double slip)
{
    if (!(slip >= 0 && slip < 1))
        return -1;
    return set_encoder_ratio(index, axis, 1 - slip);
}

int Sim::set_encoder_ratio(int index, int axis, double ratio)
{
    std::lock_guard<std::mutex> lk(m_);
    if (index < 0 || index >= int(cards_.size()) || axis < 1 || axis > 4 || !std::isfinite(ratio) ||
        std::fabs(ratio) > 1000)
        return -1;
    catch_up(clock_locked());
    cards_[index].ax[axis - 1].ratio = ratio;
    cards_[index].ax[axis - 1].encoder_rest = 0;
    return 0;
}

int64_t Sim::clock_locked() const { return manual_ ? manual_now_ : steady_us() + real_offset_; }

void Sim::use_manual_clock(bool on)
{
    std::lock_guard<std::mutex> lk(m_);
    if (on == manual_)
        return;
    catch_up(clock_locked());
    if (on)
        manual_now_ = t_;
    else
        real_offset_ = t_ - steady_us();
    manual_ = on;
}

void Sim::advance_us(int64_t us)
{
    std::lock_guard<std::mutex> lk(m_);
    if (!manual_ || us <= 0)
        return;
    manual_now_ += us;
    catch_up(manual_now_);
}

int64_t Sim::now_us()
{
    std::lock_guard<std::mutex> lk(m_);
    catch_up(clock_locked());
    return t_;
}

void Sim::log_enable(bool on)
{
    std::lock_guard<std::mutex> lk(m_);
    log_on_ = on;
}

void Sim::log_clear()
{
    std::lock_guard<std::mutex> lk(m_);
    log_.clear();
}

int Sim::log_count()
{
    std::lock_guard<std::mutex> lk(m_);
    return int(log_.size());
}

int Sim::log_get(int i, tarvikm_sim_access* out)
{
    std::lock_guard<std::mutex> lk(m_);
    if (!out || i < 0 || i >= int(log_.size()))
        return 1;
    *out = log_[i];
    return 0;
}

void Sim::record(bool write, uint32_t port, uint32_t value, int size)
{
    if (log_on_ && log_.size() < kLogLimit)
        log_.push_back({write ? 1 : 0, size, port, value});
}

// ---- ports -----------------------------------------------------------------

Card* Sim::window(uint32_t port, uint32_t* offset)
{
    for (Card& c : cards_) {
        uint32_t b = c.base();
        if (b && port >= b && port < b + kWindowLength) {
            *offset = port - b;
            return &c;
        }
    }
    return nullptr;
}

uint32_t Sim::config_read()
{
    if (!(cf8_ & 0x80000000u))
        return 0xFFFFFFFFu;
    int bus = (cf8_ >> 16) & 0xFF, dev = (cf8_ >> 11) & 0x1F, fn = (cf8_ >> 8) & 7;
    uint32_t reg = cf8_ & 0xFC;
    for (const Card& c : cards_)
        if (c.bus == bus && c.dev == dev && c.fn == fn) {
            if (reg == 0)
                return c.id;
            if (reg == 0x14)
                return c.bar1;
            return 0;
        }
    return 0xFFFFFFFFu;
}

uint32_t Sim::in(uint32_t port, int size)
{
    std::lock_guard<std::mutex> lk(m_);
    catch_up(clock_locked());
    uint32_t ones = size == 1 ? 0xFFu : size == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    uint32_t v = ones, offset = 0;
    if (port == kConfigAddress && size == 4)
        v = cf8_;
    else if (port == kConfigData && size == 4)
        v = config_read();
    else if (Card* c = window(port, &offset)) {
        if (size == 2)
            v = register_in(*c, offset & ~1u);
        else if (size == 1)
            v = (register_in(*c, offset & ~1u) >> (8 * (offset & 1))) & 0xFF;
        else
            v = register_in(*c, offset & ~1u) | register_in(*c, (offset & ~1u) + 2) << 16;
    }
    record(false, port, v, size);
    return v;
}

void Sim::out(uint32_t port, uint32_t value, int size)
{
    std::lock_guard<std::mutex> lk(m_);
    catch_up(clock_locked());
    record(true, port, value, size);
    uint32_t offset = 0;
    if (port == kConfigAddress && size == 4)
        cf8_ = value;
    else if (Card* c = window(port, &offset)) {
        if (size == 2)
            register_out(*c, offset & ~1u, uint16_t(value));
        else if (size == 4) {
            register_out(*c, offset & ~1u, uint16_t(value));
            register_out(*c, (offset & ~1u) + 2, uint16_t(value >> 16));
        }
    }
}

int Sim::level_at(const Card& c, int bit, int k, int64_t pos) const
{
    for (auto it = c.switches.rbegin(); it != c.switches.rend(); ++it)
        if (it->bit == bit) {
            int64_t p = it->axis - 1 == k ? pos : c.ax[it->axis - 1].phys;
            if (p >= it->from && p <= it->to)
                return it->level;
        }
    return int((c.levels >> bit) & 1);
}

int Sim::level(const Card& c, int bit) const
{
    for (auto it = c.switches.rbegin(); it != c.switches.rend(); ++it)
        if (it->bit == bit) {
            int64_t pos = c.ax[it->axis - 1].phys;
            if (pos >= it->from && pos <= it->to)
                return it->level;
        }
    return int((c.levels >> bit) & 1);
}

uint32_t Sim::register_in(Card& c, uint32_t offset)
{
    switch (offset) {
    case 0: {
        uint32_t s = 0;
        for (int k = 0; k < 4; ++k) {
            if (c.ax[k].drive.active || (c.interp.active && (c.interp.axes & (1u << k))))
                s |= 1u << k;
            if (c.ax[k].latched)
                s |= 0x100u << k;
        }
        if (c.interp.active)
            s |= 0x10;
        return s;
    }
    case 2: {
        uint32_t n = uint32_t(std::min<size_t>(c.ififo.size(), 0xFFF));
        if (c.ififo.empty())
            n |= 0x2000;
        if (c.ififo.size() >= kInterpFifoWords)
            n |= 0x4000;
        return n;
    }
    case 4: {
        uint32_t s = 0;
        for (int k = 0; k < 4; ++k) {
            if (c.ax[k].pfifo.empty())
                s |= 1u << k;
            if (c.ax[k].pfifo.size() >= kPulseFifoWords)
                s |= 0x10u << k;
        }
        return s;
    }
    case 6: case 8: case 10: {
        int first = offset == 8 ? 0 : offset == 10 ? 16 : 32;
        int bits = offset == 6 ? 12 : 16;
        uint32_t w = 0;
        for (int i = 0; i < bits; ++i)
            w |= uint32_t(level(c, first + i)) << i;
        return w;
    }
    case 12: return c.rd12;
    case 14: return c.rd14;
    case 16: return c.version;
    case 20: return t_ < c.timer_end ? 1 : 0;
    default: return 0;
    }
}

void Sim::register_out(Card& c, uint32_t offset, uint16_t v)
{
    switch (offset) {
    case 0: command(c, v); break;
    case 4: c.wr4 = v; break;
    case 8: c.outputs = v; break;
    case 12: c.wr12 = v; break;
    case 14: c.wr14 = v; break;
    case 20: c.timer_end = t_ + int64_t(uint32_t(c.timer_hi) << 16 | v); break;
    case 22: c.timer_hi = v; break;
    default: break;
    }
}

void Sim::command(Card& c, uint16_t word)
{
    unsigned code = word & 0xFF, axes = (word >> 8) & 0xF;
    uint32_t data = uint32_t(c.wr14) << 16 | c.wr12;
    int first = -1;
    for (int k = 3; k >= 0; --k)
        if (axes & (1u << k))
            first = k;
    auto result = [&](uint32_t v) {
        c.rd12 = uint16_t(v);
        c.rd14 = uint16_t(v >> 16);
    };
    auto each = [&](auto f) {
        for (int k = 0; k < 4; ++k)
            if (axes & (1u << k))
                f(c.ax[k], k);
    };
    switch (code) {
    case 0x02: each([&](Axis& a, int) { a.acc = c.wr12 ? c.wr12 : 1; }); break;
    case 0x04: each([&](Axis& a, int) { a.startv = data ? data : 1; }); break;
    case 0x05: each([&](Axis& a, int) { a.speed = data ? data : 1; }); break;
    case 0x06: each([&](Axis& a, int) { a.count = data; }); break;
    case 0x09: each([&](Axis& a, int) { a.cmd = int32_t(data); }); break;
    case 0x0A: each([&](Axis& a, int) { a.act = int32_t(data); }); break;
    case 0x0E: c.card_mode = c.wr4; break;
    case 0x0F:
        each([&](Axis& a, int) { a.mode = c.wr4; });
        check_latch(c);
        break;
    case 0x10: if (first >= 0) result(uint32_t(c.ax[first].cmd)); break;
    case 0x11: if (first >= 0) result(uint32_t(c.ax[first].act)); break;
    case 0x12:
        if (first >= 0) {
            double v = 0;
            const Axis& a = c.ax[first];
            if (a.drive.active)
                v = a.drive.prof.speed(double(t_ - a.drive.t0) / 1e6);
            else if (c.interp.active && (c.interp.axes & (1u << first)) && c.interp.length)
                v = c.interp.prof.speed(double(t_ - c.interp.t0) / 1e6) * double(magnitude(c.interp.share[first])) /
                    double(c.interp.length);
            result(uint32_t(std::max(0.0, std::floor(v))));
        }
        break;
    case 0x14: if (first >= 0) result(uint32_t(c.ax[first].latch)); break;
    case 0x15:
        if (first >= 0) {
            const Axis& a = c.ax[first];
            int b = 6 * first, lim = (a.mode >> 2) & 1;
            uint32_t s = 0;
            if (level(c, b + 1) == lim) s |= 1;
            if (level(c, b) == lim) s |= 2;
            if (level(c, b + 2) == ((a.mode >> 10) & 1)) s |= 4;
            if (level(c, b + 3) == ((a.mode >> 12) & 1)) s |= 8;
            result(s);
        }
        break;
    case 0x17:
        if (c.ififo.size() < kInterpFifoWords)
            c.ififo.push_back(data);
        if (!c.interp.active && start_fifo_segment(c, t_))
            update_drive(c, c.interp, t_, t_);
        break;
    case 0x1E: c.ififo.clear(); break;
    case 0x20: case 0x21: each([&](Axis&, int k) { start_single(c, k, code == 0x21); }); break;
    case 0x26: {
        bool interp_done = false;
        each([&](Axis& a, int k) {
            if (a.drive.active)
                dec_stop(c, a.drive);
            else if (c.interp.active && (c.interp.axes & (1u << k)) && !interp_done) {
                dec_stop(c, c.interp);
                interp_done = true;
            }
        });
        break;
    }
    case 0x27:
        each([&](Axis& a, int k) {
            if (a.drive.active)
                end_drive(c, a.drive);
            else if (c.interp.active && (c.interp.axes & (1u << k)))
                end_drive(c, c.interp);
        });
        break;
    case 0x30: start_interp(c, axes); break;
    case 0x31: each([&](Axis& a, int) { a.latched = false; }); break;
    case 0x32: c.interp_len = data; break;
    default:
        if (code >= 0x33 && code <= 0x3E) {
            int k = int(code - 0x33) / 3, r = int(code - 0x33) % 3;
            Axis& a = c.ax[k];
            if (r == 0) {
                if (a.pfifo.size() < kPulseFifoWords)
                    a.pfifo.push_back(data);
                if (!a.drive.active && start_pulse_move(c, k, t_))
                    update_drive(c, a.drive, t_, t_);
            } else if (r == 2) {
                a.pfifo.clear();
            }
        }
        break;
    }
}

// ---- motion ----------------------------------------------------------------

int64_t Sim::off(const Drive& d, int k, uint64_t m) const
{
    uint64_t s = magnitude(d.share[k]);
    if (d.length == 0)
        return int64_t(s);
    unsigned __int128 v = (unsigned __int128)m * s / d.length;
    return int64_t(std::min<unsigned __int128>(v, s));
}

void Sim::move_to(Card& c, Drive& d, uint64_t m)
{
    for (int k = 0; k < 4; ++k) {
        if (!d.share[k])
            continue;
        int64_t o = off(d, k, m);
        int64_t delta = o - int64_t(d.applied[k]);
        if (d.share[k] < 0)
            delta = -delta;
        Axis& a = c.ax[k];
        a.cmd += delta;
        a.phys += delta;
        if (a.ratio == 1) {
            a.act += delta;
        } else {
            a.encoder_rest += double(delta) * a.ratio;
            int64_t whole = std::llround(a.encoder_rest);
            a.act += whole;
            a.encoder_rest -= double(whole);
        }
        d.applied[k] = uint64_t(o);
    }
    d.done = m;
}

namespace {

struct StopInput {
    int bit, level;
};

int stop_inputs(const Axis& a, int k, int dir, bool single, StopInput* out)
{
    int n = 0;
    out[n++] = {6 * k + (dir < 0 ? 0 : 1), (a.mode >> 2) & 1};
    if (single) {
        if (a.mode & 0x200)
            out[n++] = {6 * k + 2, (a.mode >> 10) & 1};
        if (a.mode & 0x800)
            out[n++] = {6 * k + 3, (a.mode >> 12) & 1};
    }
    return n;
}

}  // namespace

bool Sim::stop_active_now(Card& c, const Drive& d)
{
    for (int k = 0; k < 4; ++k) {
        if (!d.share[k] || d.applied[k] >= magnitude(d.share[k]))
            continue;
        StopInput in[3];
        int n = stop_inputs(c.ax[k], k, d.share[k] < 0 ? -1 : 1, d.kind == Kind::single, in);
        for (int i = 0; i < n; ++i)
            if (level(c, in[i].bit) == in[i].level)
                return true;
    }
    return false;
}

uint64_t Sim::first_stop(Card& c, Drive& d, uint64_t to_m)
{
    uint64_t best = to_m;
    for (int k = 0; k < 4; ++k) {
        if (!d.share[k])
            continue;
        int dir = d.share[k] < 0 ? -1 : 1;
        int64_t cur = int64_t(d.applied[k]), want = off(d, k, to_m);
        if (want == cur)
            continue;
        int64_t p0 = c.ax[k].phys, p1 = p0 + dir * (want - cur);
        StopInput in[3];
        int n = stop_inputs(c.ax[k], k, dir, d.kind == Kind::single, in);
        for (int i = 0; i < n; ++i) {
            // The level changes only at switch edges: look at the first step
            // and at every edge along the way, in the order of travel.
            std::vector<int64_t> at{p0 + dir};
            for (const Switch& s : c.switches) {
                if (s.axis != k + 1 || s.bit != in[i].bit)
                    continue;
                for (int64_t e : {s.from, s.to, s.from - 1, s.to + 1})
                    if (dir > 0 ? (e > p0 && e <= p1) : (e < p0 && e >= p1))
                        at.push_back(e);
            }
            std::sort(at.begin(), at.end(), [dir](int64_t x, int64_t y) { return dir > 0 ? x < y : x > y; });
            for (int64_t pos : at) {
                if (dir > 0 ? pos > p1 : pos < p1)
                    break;
                if (level_at(c, in[i].bit, k, pos) != in[i].level)
                    continue;
                uint64_t need = uint64_t(cur) + uint64_t(pos > p0 ? pos - p0 : p0 - pos);
                uint64_t sk = magnitude(d.share[k]);
                unsigned __int128 num = (unsigned __int128)need * d.length;
                uint64_t m = d.length ? uint64_t((num + sk - 1) / sk) : d.done + 1;
                best = std::min(best, std::max(m, d.done + 1));
                break;
            }
        }
    }
    return best;
}

void Sim::end_drive(Card& c, Drive& d)
{
    d.active = false;
    if (&d == &c.interp)
        for (int k = 0; k < 4; ++k)
            if (d.axes & (1u << k))
                c.ax[k].in_interp = false;
}

bool Sim::run_drive(Card& c, Drive& d, int64_t tprev, int64_t t, int64_t* end_time)
{
    if (stop_active_now(c, d)) {
        end_drive(c, d);
        *end_time = std::max(tprev, d.t0);
        return true;
    }
    double el = double(t - d.t0) / 1e6;
    bool natural = el >= d.prof.total();
    uint64_t n = d.target - d.base_done, want;
    if (natural)
        want = d.target;
    else
        want = d.base_done + std::min<uint64_t>(n, uint64_t(std::max(0.0, std::floor(d.prof.dist(el) + 1e-7))));
    if (want > d.done) {
        uint64_t s = first_stop(c, d, want);
        move_to(c, d, s);
        if (s < want) {
            end_drive(c, d);
            *end_time = t;
            return true;
        }
    }
    if (natural) {
        end_drive(c, d);
        *end_time = d.t0 + int64_t(std::ceil(d.prof.total() * 1e6 - 1e-6));
        return true;
    }
    return false;
}

void Sim::update_drive(Card& c, Drive& d, int64_t tprev, int64_t t)
{
    for (int guard = 0; guard < 100000 && d.active; ++guard) {
        int64_t end = t;
        if (!run_drive(c, d, tprev, t, &end))
            return;
        if (d.kind == Kind::pulse_fifo) {
            if (!start_pulse_move(c, d.gov, std::min(end, t)))
                return;
        } else if (d.kind == Kind::fifo_interp) {
            if (!start_fifo_segment(c, std::min(end, t)))
                return;
        } else {
            return;
        }
        tprev = std::min(end, t);
    }
}

void Sim::start_single(Card& c, int k, bool negative)
{
    Axis& a = c.ax[k];
    if (a.drive.active || a.in_interp || a.count == 0)
        return;
    Drive d;
    d.kind = Kind::single;
    d.axes = 1u << k;
    d.share[k] = negative ? -int64_t(a.count) : int64_t(a.count);
    d.length = d.target = a.count;
    d.gov = k;
    d.t0 = t_;
    trapezoid(d.prof, a, double(a.count));
    if (stop_active_now(c, d))
        return;
    d.active = true;
    a.drive = d;
}

void Sim::start_interp(Card& c, unsigned axes)
{
    if (c.interp.active || !axes)
        return;
    Drive d;
    d.kind = Kind::interp;
    d.axes = axes;
    uint64_t longest = 0;
    d.gov = -1;
    for (int k = 0; k < 4; ++k) {
        if (!(axes & (1u << k)))
            continue;
        if (c.ax[k].drive.active)
            return;
        if (d.gov < 0)
            d.gov = k;
        uint32_t w = c.ax[k].count;
        int64_t mag = w & 0x7FFFFFFF;
        d.share[k] = (w & 0x80000000u) ? -mag : mag;
        longest = std::max<uint64_t>(longest, uint64_t(mag));
    }
    d.length = d.target = c.interp_len ? c.interp_len : longest;
    if (!d.length)
        return;
    d.t0 = t_;
    trapezoid(d.prof, c.ax[d.gov], double(d.length));
    if (stop_active_now(c, d))
        return;
    d.active = true;
    c.interp = d;
    for (int k = 0; k < 4; ++k)
        if (axes & (1u << k))
            c.ax[k].in_interp = true;
}

bool Sim::start_fifo_segment(Card& c, int64_t t0)
{
    while (!c.ififo.empty()) {
        if (classify(c.ififo.front()) != Word::length) {
            c.ififo.pop_front();
            continue;
        }
        size_t end = 0;
        bool restart = false;
        for (size_t i = 1; i < c.ififo.size(); ++i) {
            Word w = classify(c.ififo[i]);
            if (w == Word::speed) {
                end = i;
                break;
            }
            if (w == Word::length) {
                // a new segment before this one was complete: drop the stub
                c.ififo.erase(c.ififo.begin(), c.ififo.begin() + i);
                restart = true;
                break;
            }
        }
        if (restart)
            continue;
        if (!end)
            return false;  // not complete yet
        Drive d;
        d.kind = Kind::fifo_interp;
        d.gov = -1;
        for (size_t i = 1; i < end; ++i) {
            uint32_t w = c.ififo[i];
            if (classify(w) != Word::share)
                continue;
            int k = (w >> 27) & 3;
            int64_t mag = w & 0x07FFFFFF;
            d.share[k] = (w & 0x80000000u) ? -mag : mag;
            d.axes |= 1u << k;
        }
        for (int k = 0; k < 4; ++k)
            if (d.axes & (1u << k)) {
                if (c.ax[k].drive.active)
                    return false;  // waits for the axis
                if (d.gov < 0)
                    d.gov = k;
            }
        d.length = d.target = c.ififo[0] & 0x07FFFFFF;
        uint32_t speed = c.ififo[end] & 0x001FFFFF;
        c.ififo.erase(c.ififo.begin(), c.ififo.begin() + end + 1);
        if (!d.length || d.gov < 0)
            continue;
        d.prof.constant(std::max<double>(1, speed), double(d.length));
        d.t0 = t0;
        d.active = true;
        c.interp = d;
        for (int k = 0; k < 4; ++k)
            if (d.axes & (1u << k))
                c.ax[k].in_interp = true;
        return true;
    }
    return false;
}

bool Sim::start_pulse_move(Card& c, int k, int64_t t0)
{
    Axis& a = c.ax[k];
    if (a.drive.active || a.in_interp)
        return false;
    while (a.pfifo.size() >= 2 || (!a.pfifo.empty() && (a.pfifo.front() & 0x08000000u))) {
        uint32_t w = a.pfifo.front();
        if (w & 0x08000000u) {  // a speed word without its pulse word
            a.pfifo.pop_front();
            continue;
        }
        uint32_t s = a.pfifo[1];
        if (!(s & 0x08000000u)) {
            a.pfifo.pop_front();
            continue;
        }
        a.pfifo.pop_front();
        a.pfifo.pop_front();
        int64_t mag = w & 0x07FFFFFF;
        if (!mag)
            continue;
        Drive d;
        d.kind = Kind::pulse_fifo;
        d.axes = 1u << k;
        d.share[k] = (w & 0x80000000u) ? -mag : mag;
        d.length = d.target = uint64_t(mag);
        d.gov = k;
        d.t0 = t0;
        d.prof.constant(std::max<double>(1, s & 0x07FFFFFF), double(mag));
        d.active = true;
        a.drive = d;
        return true;
    }
    return false;
}

void Sim::dec_stop(Card& c, Drive& d)
{
    double el = double(t_ - d.t0) / 1e6;
    double v = d.prof.speed(el);
    const Axis& g = c.ax[d.gov];
    double vs = std::max<double>(1, g.startv), a = std::max<double>(1, g.acc) * kAccUnit;
    if (v <= vs + 1e-6) {
        end_drive(c, d);
        return;
    }
    uint64_t braking = uint64_t(std::ceil((v * v - vs * vs) / (2 * a) - 1e-9));
    uint64_t target = std::min(d.target, d.done + braking);
    if (target <= d.done) {
        end_drive(c, d);
        return;
    }
    d.base_done = d.done;
    d.target = target;
    d.t0 = t_;
    d.prof.plan(v, v, vs, a, double(target - d.done));
}

void Sim::check_latch(Card& c)
{
    for (int k = 0; k < 4; ++k) {
        Axis& a = c.ax[k];
        if ((a.mode & 0x2000) && !a.latched && level(c, 6 * k + 3) == ((a.mode >> 12) & 1)) {
            a.latched = true;
            a.latch = a.cmd;
        }
    }
}

bool Sim::moving() const
{
    for (const Card& c : cards_) {
        if (c.interp.active || !c.ififo.empty())
            return true;
        for (const Axis& a : c.ax)
            if (a.drive.active || !a.pfifo.empty())
                return true;
    }
    return false;
}

void Sim::step_card(Card& c, int64_t tprev, int64_t t)
{
    for (int k = 0; k < 4; ++k) {
        Axis& a = c.ax[k];
        if (!a.drive.active && !a.pfifo.empty())
            start_pulse_move(c, k, tprev);
        if (a.drive.active)
            update_drive(c, a.drive, tprev, t);
    }
    if (!c.interp.active && !c.ififo.empty())
        start_fifo_segment(c, tprev);
    if (c.interp.active)
        update_drive(c, c.interp, tprev, t);
    check_latch(c);
}

void Sim::catch_up(int64_t now)
{
    while (t_ < now) {
        if (!moving()) {
            t_ = now;
            break;
        }
        int64_t next = std::min(now, t_ + kStepUs);
        for (Card& c : cards_)
            if (c.motion)
                step_card(c, t_, next);
        t_ = next;
    }
}

namespace {
std::atomic<Sim*> g_sim{nullptr};
}

Sim& instance() { return singleton(g_sim); }

void destroy() { delete g_sim.exchange(nullptr); }

}  // namespace tarvikm::sim

namespace tarvikm {
PortBackend& sim_ports() { return sim::instance(); }
}  // namespace tarvikm

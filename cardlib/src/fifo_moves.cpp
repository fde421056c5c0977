// Per-axis pulse FIFOs, arcs cut into chords for the interpolation FIFO, and
// S-curve moves fed into a pulse FIFO by a worker thread.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "lib.h"
#include "sim.h"
#include "tarvikm.h"

namespace tarvikm {
namespace {

uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t(-v) : uint64_t(v); }

// Pulse-FIFO words: magnitude in bits 26-0, bit 31 the sign; the speed word
// has bit 27 set as well.
uint32_t pulse_word(int64_t v) { return (v < 0 ? 0x80000000u : 0u) | uint32_t(magnitude(v) & 0x07FFFFFFu); }

// ---- arcs ------------------------------------------------------------------

constexpr size_t kChordRing = 0x900000;  // points one arc may hold
constexpr int kChordLimit = 3;

struct Point {
    int32_t x, y;
};

// Points of the arc after its start point, the end point last.  Empty when
// the arc is too small to cut or would need more points than the ring holds.
std::vector<Point> arc_to_chords(int32_t sx, int32_t sy, int32_t ex, int32_t ey, int32_t cx, int32_t cy, int dir)
{
    std::vector<Point> pts;
    if ((sx == cx && sy == cy) || (ex == cx && ey == cy))
        return pts;
    double dx = double(sx) - cx, dy = double(sy) - cy;
    float r = float(std::sqrt(dx * dx + dy * dy));
    float a0 = std::atan2(float(dy), float(dx));
    float a1 = std::atan2(float(double(ey) - cy), float(double(ex) - cx));
    const float two_pi = 6.2831855f;
    if (dir == 1 && a1 <= a0)
        a1 += two_pi;
    if (dir == 0 && a1 >= a0)
        a1 -= two_pi;
    int limit = kChordLimit;
    if (double(limit) > r / 2.0)
        limit = int(r / 2.0f);
    int half = limit / 2;
    if (half <= 0)
        return pts;  // radius below 4 pulses: no chord fits
    double step = 2.0 * std::asin(double(half) / double(r));
    if (!(step > 0))
        return pts;
    double sweep = std::fabs(double(a1) - double(a0));
    if (sweep / step + 2 > double(kChordRing))
        return pts;
    for (double s = step;; s += step) {
        double a = dir == 1 ? double(a0) + s : double(a0) - s;
        if (dir == 1 ? !(a < double(a1) - step / 2) : !(a > double(a1) + step / 2))
            break;
        pts.push_back({int32_t(std::trunc(cx + r * std::cos(a))), int32_t(std::trunc(cy + r * std::sin(a)))});
    }
    pts.push_back({ex, ey});
    return pts;
}

bool limit_active(int32_t card, int32_t axis, bool negative)
{
    int bit = 6 * (axis - 1) + (negative ? 0 : 1);
    int32_t logic = state().limit_logic[card][axis - 1].load();
    return korvotarvik_read_bit(card, bit) == (logic ? 1 : 0);
}

// ---- S-curve ---------------------------------------------------------------

struct Slice {
    int32_t speed;
    int64_t pulses;
};

std::vector<Slice> plan_scurve(int64_t distance, int32_t start_speed, int32_t max_speed, int32_t acc)
{
    const double k = 0.025330295913380277;  // 1 / (2 pi)^2
    const double two_pi = 6.283185307179586;
    double d = double(magnitude(distance));
    double a = acc, ar, v = std::max(1, max_speed);
    if (d > 1000) {
        v = std::min(v, 10 * d);
        ar = std::clamp(double(acc), 0.1 * d, 100 * d);
    } else {
        v = std::min(v, 1000.0);
        ar = std::clamp(double(acc), 100.0, 100000.0);
    }
    double vs = std::clamp(double(start_speed), 0.0, v);
    double vp = std::min(v, std::sqrt((2 * d * a * ar + vs * vs * (a + ar)) / (a + ar)));
    double t1 = (vp - vs) / ar, tf = (vp - vs) / a;
    double b = (vp + vs) * t1 / 2, c = (vs + vp) * tf / 2, g = d - b - c;
    if (g < 0.001) {
        if (b > c)
            b = d - c;
        g = 0;
    }
    double t2 = t1 + g / vp, t3 = t2 + tf;
    auto rise = [&](double t) { return ar * (t * t / 2 - k * t1 * t1 * (1 - std::cos(two_pi * t / t1))) + vs * t; };
    auto fall = [&](double tau) {
        return vp * tau + g + b - a * (tau * tau / 2 - k * tf * tf * (1 - std::cos(two_pi * tau / tf)));
    };

    std::vector<Slice> up, down;
    double prev = 0;
    bool falling = false;
    for (double t = 0.005; t < t3; t += 0.005) {
        double s;
        if (!falling && t < t1) {
            s = rise(t);
        } else if (!falling) {
            falling = true;
            t = t2;
            prev = b + g;
            continue;
        } else {
            s = fall(t - t2);
        }
        int64_t p = int64_t(std::trunc(s - prev));
        (falling ? down : up).push_back({int32_t(std::clamp<int64_t>(p * 200, INT32_MIN, INT32_MAX)), p});
        prev = s;
    }
    int64_t rest = int64_t(magnitude(distance));
    for (const Slice& s : up)
        rest -= s.pulses;
    for (const Slice& s : down)
        rest -= s.pulses;
    up.push_back({int32_t(vp), rest});
    up.insert(up.end(), down.begin(), down.end());
    return up;
}

// One worker per axis at most: the idle flag is taken by compare-and-swap
// before a worker starts and given back by the worker as its last act.
struct Workers {
    std::mutex m;
    std::thread threads[kCardNumbers][kAxes];
    std::atomic<bool> closing{false};

    void start(int32_t card, int32_t axis, std::vector<Slice> slices, int64_t distance);
    void stop_all();
};

std::atomic<Workers*> g_workers_slot{nullptr};
Workers& workers() { return singleton(g_workers_slot); }

void feed(int32_t card, int32_t axis, std::vector<Slice> slices, int64_t distance)
{
    State& st = state();
    for (const Slice& s : slices) {
        for (;;) {
            if (st.stop_flag[card][axis - 1].load()) {
                korvotarvik_sudden_stop(card, axis);
                st.scurve_idle[card][axis - 1] = 1;
                return;
            }
            if (workers().closing.load()) {
                st.scurve_idle[card][axis - 1] = 1;
                return;
            }
            if (korvotarvik_read_fifopmove_full(card, axis) == 0)
                break;
            wait_ms(1, false);  // the card frees room in its own time
        }
        korvotarvik_fifo_pmove(card, axis, int32_t(distance < 0 ? -s.pulses : s.pulses), s.speed);
    }
    st.scurve_idle[card][axis - 1] = 1;
}

void Workers::start(int32_t card, int32_t axis, std::vector<Slice> slices, int64_t distance)
{
    std::lock_guard<std::mutex> lk(m);
    std::thread& t = threads[card][axis - 1];
    if (t.joinable())
        t.join();  // the previous move's worker has given the axis back
    t = std::thread(feed, card, axis, std::move(slices), distance);
}

void Workers::stop_all()
{
    closing = true;
    std::lock_guard<std::mutex> lk(m);
    for (auto& row : threads)
        for (auto& t : row)
            if (t.joinable())
                t.join();
    closing = false;
}

}  // namespace

void stop_workers()
{
    if (Workers* w = g_workers_slot.load())
        w->stop_all();
}

void destroy_workers()
{
    stop_workers();
    delete g_workers_slot.exchange(nullptr);
}

}  // namespace tarvikm

using namespace tarvikm;

TARVIKM_EXPORT int32_t korvotarvik_fifo_pmove(int32_t card, int32_t axis, int32_t pulses, int32_t speed)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    int64_t v = kSpeedFactor != 0 ? int64_t(std::trunc(double(speed) / kSpeedFactor)) : 0;
    uint16_t code = uint16_t(kCmdPulseFifoPush + 3 * (axis - 1));
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, pulse_word(pulses));
    command(card, code);
    data_write(card, pulse_word(v) | 0x08000000u);
    command(card, code);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_reset_fifopmove(int32_t card, int32_t axis)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    command(card, uint16_t(kCmdPulseFifoReset + 3 * (axis - 1)));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_read_fifopmove_empty(int32_t card, int32_t axis)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    return (reg_read(card, kRegPulseFifoStatus) >> (axis - 1)) & 1;
}

TARVIKM_EXPORT int32_t korvotarvik_read_fifopmove_full(int32_t card, int32_t axis)
{
    if (!card_known(card) || !axis_ok(axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    return (reg_read(card, kRegPulseFifoStatus) >> (axis + 3)) & 1;
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_status(int32_t card, int32_t axis, int32_t* out)
{
    if (!card_known(card) || !axis_ok(axis) || !out)
        return 1;
    wait_ms(1, true);
    int32_t driving = 0;
    korvotarvik_get_status(card, axis, &driving);
    bool busy = driving == 1 || korvotarvik_read_fifopmove_empty(card, axis) == 0 ||
                state().scurve_idle[card][axis - 1].load() == 0;
    *out = busy ? 1 : 0;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_arc(int32_t card, int32_t axis1, int32_t axis2, int32_t start_x,
                                            int32_t start_y, int32_t end_x, int32_t end_y, int32_t centre_x,
                                            int32_t centre_y, int32_t direction, int32_t start_speed, int32_t speed,
                                            int32_t speed_step)
{
    if (!card_known(card) || !axis_ok(axis1) || !axis_ok(axis2) || axis1 == axis2 ||
        (direction != 0 && direction != 1) || start_speed < 0 || speed < 1 || speed_step <= 0)
        return 1;
    std::vector<Point> pts = arc_to_chords(start_x, start_y, end_x, end_y, centre_x, centre_y, direction);
    if (pts.empty())
        return -1;
    State& st = state();
    int64_t ramp = (int64_t(speed) - start_speed) / speed_step;
    int64_t count = int64_t(pts.size());
    st.stop_flag[card][axis1 - 1] = 0;
    st.stop_flag[card][axis2 - 1] = 0;

    Point prev = {start_x, start_y};
    int64_t chord_speed = start_speed;
    for (int64_t i = 0; i < count;) {
        pump();
        if (st.stop_flag[card][axis1 - 1].load() || st.stop_flag[card][axis2 - 1].load()) {
            korvotarvik_sudden_stop(card, axis1);
            korvotarvik_sudden_stop(card, axis2);
            return 1;
        }
        if (korvotarvik_read_fifo_full(card) == 1) {
            wait_ms(10, true);
            continue;
        }
        if (i < ramp)
            chord_speed = int64_t(start_speed) + i * speed_step;
        else if (i < count - ramp)
            chord_speed = speed;
        else
            chord_speed -= speed_step;
        chord_speed = std::max<int64_t>(chord_speed, 1);  // a speed of 0 would hold the FIFO for ever
        // Chords run from the start point through every stored point, so the
        // axes end on the end point.
        int64_t dx = int64_t(pts[i].x) - prev.x, dy = int64_t(pts[i].y) - prev.y;
        if (limit_active(card, axis1, dx < 1) || limit_active(card, axis2, dy < 1)) {
            korvotarvik_reset_fifo(card);
            korvotarvik_sudden_stop(card, axis1);
            korvotarvik_sudden_stop(card, axis2);
            return -2;
        }
        korvotarvik_fifo_inp_move2(card, axis1, axis2, int32_t(dx), int32_t(dy), int32_t(chord_speed));
        prev = pts[i];
        ++i;
    }
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_scurve(int32_t card, int32_t axis, int32_t start_speed, int32_t max_speed,
                                               int32_t acc, int32_t distance)
{
    if (!card_known(card) || !axis_ok(axis) || acc <= 0)
        return 1;
    State& st = state();
    uint8_t idle = 1;
    if (!st.scurve_idle[card][axis - 1].compare_exchange_strong(idle, 0))
        return 1;  // this axis's move still runs
    std::unique_lock<std::mutex> lk(card_lock(card));
    if (distance == 0) {
        st.scurve_idle[card][axis - 1] = 1;
        return 0;
    }
    std::vector<Slice> slices = plan_scurve(distance, start_speed, max_speed, acc);
    st.stop_flag[card][axis - 1] = 0;
    lk.unlock();
    workers().start(card, axis, std::move(slices), distance);
    return 0;
}

// Unloading the library (dlclose or the end of the process): no worker may
// outlive it; then its process-wide objects go.
__attribute__((destructor)) static void tarvikm_unload()
{
    destroy_workers();
    destroy_steps();
    forget_backend();
    destroy_state();
    sim::destroy();
    destroy_real_ports();
}

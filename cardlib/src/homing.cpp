// Homing on the card's stop inputs: the blocking calls for one or two axes
// and the stepwise machine that the caller advances by polling.
#include <algorithm>
#include <mutex>
#include <type_traits>

#include "lib.h"
#include "tarvikm.h"

namespace tarvikm {
namespace {

int bit_of(int32_t axis, int which) { return 6 * (axis - 1) + which; }  // 0 -limit, 1 +limit, 2 home, 3 index

bool level_is(int32_t card, int bit, int32_t logic) { return korvotarvik_read_bit(card, bit) == (logic ? 1 : 0); }

bool driving(int32_t card, int32_t axis)
{
    int32_t s = 0;
    korvotarvik_get_status(card, axis, &s);
    return s == 1;
}

// Bit 0 +limit, bit 1 -limit, bit 2 home switch, bit 3 index.
int32_t home_word(int32_t card, int32_t axis)
{
    if (korvotarvik_get_hardware_ver(card) >= 2.3 - 1e-9) {
        int32_t w = 0;
        korvotarvik_get_stopdata(card, axis, &w);
        return w & 0xF;
    }
    State& st = state();
    int32_t lim = st.limit_logic[card][axis - 1].load();
    int32_t w = 0;
    if (level_is(card, bit_of(axis, 1), lim)) w |= 1;
    if (level_is(card, bit_of(axis, 0), lim)) w |= 2;
    if (level_is(card, bit_of(axis, 2), st.stop0_logic[card][axis - 1].load())) w |= 4;
    if (level_is(card, bit_of(axis, 3), st.stop1_logic[card][axis - 1].load())) w |= 8;
    return w;
}

void zero_positions(int32_t card, int32_t axis)
{
    korvotarvik_set_command_pos(card, axis, 0);
    korvotarvik_set_actual_pos(card, axis, 0);
}

void set_speeds(int32_t card, int32_t axis, int32_t start, int32_t speed, int32_t acc, bool with_acc)
{
    if (start < speed) {
        korvotarvik_set_startv(card, axis, start);
        korvotarvik_set_speed(card, axis, speed);
        if (with_acc)
            korvotarvik_set_acc(card, axis, acc);
    } else {
        korvotarvik_set_startv(card, axis, speed);
        korvotarvik_set_speed(card, axis, speed);
    }
}

// ---- blocking calls --------------------------------------------------------

struct HomeAxis {
    int32_t axis, dir, home_logic, index_mode;
    int32_t start, speed, acc, backoff, backoff_speed, index_speed, index_distance;
    int32_t travel;  // direction bit of the current search drive
    bool reversed = false, limit = false, home = false, index = false;
};

class Homing {
public:
    Homing(int32_t card, HomeAxis* axes, int n) : card_(card), ax_(axes), n_(n)
    {
        for (int i = 0; i < n_; ++i)
            watch_ |= 1u << (ax_[i].axis - 1);
    }

    // 0 homed, 1 stopped by a stop flag, -2 failure.  A stop flag of either
    // axis ends the call with 1 in every phase, also when the stop came at
    // constant speed and the axis already stands: it is tested at the end of
    // every wait, and every drive is sent only while no flag is set.
    int32_t run()
    {
        State& st = state();
        for (HomeAxis& a : axes()) {
            set_speeds(card_, a.axis, a.start, a.speed, a.acc, true);
            korvotarvik_set_stop0_mode(card_, a.axis, 1, a.home_logic);
            st.stop_flag[card_][a.axis - 1] = 0;
        }

        // Search: drive toward the switch; a limit reverses the search once,
        // the opposite limit after that fails.
        bool searching[2] = {};
        for (int i = 0; i < n_; ++i) {
            HomeAxis& a = ax_[i];
            a.travel = a.dir;
            if (!home_active(a)) {
                if (!continue_move_unless_stopped(card_, a.axis, a.travel, watch_))
                    return stop();
                searching[i] = true;
            }
        }
        for (;;) {
            bool any = false;
            for (int i = 0; i < n_; ++i) {
                if (!searching[i])
                    continue;
                HomeAxis& a = ax_[i];
                if (travel_limit_active(a, a.travel))
                    a.limit = true;
                if (driving(card_, a.axis)) {
                    any = true;
                    continue;
                }
                if (stop_requested())
                    return stop();  // stopped by the flag, not by the switch
                if (!a.limit) {
                    searching[i] = false;  // stopped by the card on the switch
                    continue;
                }
                if (a.reversed)
                    return fail(a);
                a.reversed = true;
                a.limit = false;  // the limit before the reversal is forgotten
                a.travel = 1 - a.travel;
                if (!continue_move_unless_stopped(card_, a.axis, a.travel, watch_))
                    return stop();
                any = true;
            }
            if (!any)
                break;
            if (int32_t r = pass())
                return r;
        }
        if (stop_requested())
            return stop();

        // Back off with the switch disabled, then come back onto it.
        for (HomeAxis& a : axes()) {
            korvotarvik_set_stop0_mode(card_, a.axis, 0, a.home_logic);
            set_speeds(card_, a.axis, a.backoff_speed, a.backoff_speed, 0, false);
            if (!drive(a, a.dir == 1 ? int64_t(a.backoff) : -int64_t(a.backoff)))
                return stop();
        }
        if (int32_t r = wait_all(nullptr))
            return r;
        for (HomeAxis& a : axes()) {
            korvotarvik_set_stop0_mode(card_, a.axis, 1, a.home_logic);
            a.home = a.limit = false;
            if (!drive(a, a.dir == 1 ? -int64_t(a.backoff) : int64_t(a.backoff)))
                return stop();
        }
        if (int32_t r = wait_all([&](HomeAxis& a) {
                if (home_active(a))
                    a.home = true;
                if (travel_limit_active(a, a.dir))
                    a.limit = true;
            }))
            return r;
        for (HomeAxis& a : axes())
            if (!a.home || a.limit)
                return fail(a);

        // Index phase, or done on the switch alone.
        bool indexing = false;
        for (HomeAxis& a : axes()) {
            korvotarvik_set_stop0_mode(card_, a.axis, 0, a.home_logic);
            if (a.index_mode == -1) {
                zero_positions(card_, a.axis);
                continue;
            }
            indexing = true;
            set_speeds(card_, a.axis, a.index_speed, a.index_speed, 0, false);
            korvotarvik_set_stop1_mode(card_, a.axis, 1, a.index_mode);
            a.index = false;
            if (!drive(a, a.dir == 1 ? int64_t(a.index_distance) : -int64_t(a.index_distance)))
                return stop();
        }
        if (!indexing)
            return 0;
        if (int32_t r = wait_all([&](HomeAxis& a) {
                if (a.index_mode != -1 && level_is(card_, bit_of(a.axis, 3), a.index_mode))
                    a.index = true;
            }))
            return r;
        int32_t result = 0;
        for (HomeAxis& a : axes()) {
            if (a.index_mode == -1)
                continue;
            korvotarvik_set_stop1_mode(card_, a.axis, 0, a.index_mode);
            if (a.index)
                zero_positions(card_, a.axis);
            else
                result = -2;
        }
        return result;
    }

private:
    struct Range {
        HomeAxis *b, *e;
        HomeAxis* begin() const { return b; }
        HomeAxis* end() const { return e; }
    };
    Range axes() { return {ax_, ax_ + n_}; }

    bool home_active(const HomeAxis& a) { return level_is(card_, bit_of(a.axis, 2), a.home_logic); }

    // The limit met when driving with direction bit `travel` (1 negative).
    bool travel_limit_active(const HomeAxis& a, int32_t travel)
    {
        int32_t logic = state().limit_logic[card_][a.axis - 1].load();
        return level_is(card_, bit_of(a.axis, travel == 1 ? 0 : 1), logic);
    }

    bool drive(const HomeAxis& a, int64_t pulses)
    {
        return drive_relative_unless_stopped(card_, a.axis, pulses, watch_);
    }

    bool stop_requested()
    {
        State& st = state();
        for (HomeAxis& a : axes())
            if (st.stop_flag[card_][a.axis - 1].load())
                return true;
        return false;
    }

    // The end by a stop flag: every axis still driving is stopped, the home
    // and index inputs are disabled; no drive follows.
    int32_t stop()
    {
        for (HomeAxis& a : axes()) {
            if (driving(card_, a.axis))
                korvotarvik_dec_stop(card_, a.axis);
            korvotarvik_set_stop0_mode(card_, a.axis, 0, a.home_logic);
            if (a.index_mode != -1)
                korvotarvik_set_stop1_mode(card_, a.axis, 0, a.index_mode);
        }
        return 1;
    }

    // A failure of one axis: its home switch is disabled and every other
    // axis of the call still driving is stopped.
    int32_t fail(HomeAxis& at)
    {
        korvotarvik_set_stop0_mode(card_, at.axis, 0, at.home_logic);
        for (HomeAxis& a : axes())
            if (&a != &at && driving(card_, a.axis))
                korvotarvik_dec_stop(card_, a.axis);
        return -2;
    }

    // One pass of a wait: the stop flags, one message, a millisecond now and then.
    int32_t pass()
    {
        if (stop_requested())
            return stop();
        pump();
        if (++passes_ % 6 == 0)
            wait_ms(1, true);
        return 0;
    }

    // Waits until every axis stands; a stop flag found on the way or at the
    // end gives the stop result.
    template <class Watch>
    int32_t wait_all(Watch watch)
    {
        for (;;) {
            bool any = false;
            for (HomeAxis& a : axes()) {
                if constexpr (!std::is_same_v<Watch, std::nullptr_t>)
                    watch(a);
                any = any || driving(card_, a.axis);
            }
            if (!any) {
                if (stop_requested())
                    return stop();
                if constexpr (!std::is_same_v<Watch, std::nullptr_t>)
                    for (HomeAxis& a : axes())
                        watch(a);
                return 0;
            }
            if (int32_t r = pass())
                return r;
        }
    }

    int32_t card_;
    HomeAxis* ax_;
    int n_;
    unsigned watch_ = 0;
    unsigned passes_ = 0;
};

bool home_args_ok(int32_t dir, int32_t home_logic, int32_t index_mode, int32_t backoff, int32_t backoff_speed,
                  int32_t index_distance)
{
    return (dir == 0 || dir == 1) && (home_logic == 0 || home_logic == 1) &&
           (index_mode == 0 || index_mode == 1 || index_mode == -1) && backoff >= 0 && backoff_speed >= 0 &&
           index_distance >= 0;
}

// ---- stepwise machine ------------------------------------------------------

struct StepRecord {
    int32_t dir = 0, home_logic = 0, limit_logic = 0, index_mode = -1, backoff = 1, index_distance = 1, offset = 0;
    int32_t start = 0, search = 1, creep = 1, acc = 1, index_speed = 1;
};

constexpr int kSteps = 11;

struct StepMachines {
    std::mutex mode_lock;
    StepRecord rec[kCardNumbers][kAxes];
    std::mutex step_locks[kCardNumbers][kAxes][kSteps];  // created once
};

std::atomic<StepMachines*> g_steps{nullptr};
StepMachines& steps() { return singleton(g_steps); }

}  // namespace

void destroy_steps() { delete g_steps.exchange(nullptr); }

namespace {

constexpr int32_t kStopped = -1020;
constexpr int32_t kRefused = -1030;

int32_t run_step(int32_t card, int32_t axis)
{
    State& st = state();
    std::atomic<int32_t>& stv = st.home_state[card][axis - 1];
    if (st.stop_flag[card][axis - 1].load()) {
        stv = kStopped;
        return kStopped;
    }
    int32_t s = stv.load();
    if (s < 0 || s >= kSteps)
        return kRefused;
    StepMachines& m = steps();
    std::lock_guard<std::mutex> lk(m.step_locks[card][axis - 1][s]);
    if (stv.load() != s)
        return kRefused;  // another caller ran this step meanwhile
    StepRecord r;
    {
        std::lock_guard<std::mutex> rl(m.mode_lock);
        r = m.rec[card][axis - 1];
    }
    auto fail = [&](int k) {
        stv = -1000 - k;
        return k == 4 ? -1004 : kRefused;
    };
    auto next = [&](int32_t n) {
        stv = n;
        return 0;
    };
    auto active = [&](int which, int32_t logic) { return level_is(card, bit_of(axis, which), logic); };
    // Drives of the steps: sent only while the stop flag is clear (tested
    // under the card lock); a stop that came first ends the machine.
    const unsigned watch = 1u << (axis - 1);
    auto stopped = [&]() {
        stv = kStopped;
        return kStopped;
    };
    auto drive = [&](int64_t pulses) { return drive_relative_unless_stopped(card, axis, pulses, watch); };
    auto drive_on = [&](int32_t direction) { return continue_move_unless_stopped(card, axis, direction, watch); };
    // Search speeds of the step machine: a start speed not below the search
    // speed is taken for both.
    auto search_speeds = [&]() {
        if (r.start < r.search) {
            set_speeds(card, axis, r.start, r.search, r.acc, true);
        } else {
            korvotarvik_set_startv(card, axis, r.start);
            korvotarvik_set_speed(card, axis, r.start);
        }
    };
    switch (s) {
    case 0:
        search_speeds();
        korvotarvik_set_stop0_mode(card, axis, 1, r.home_logic);
        wait_ms(5, true);
        return next(1);
    case 1: {
        int32_t direction;
        if (r.dir == 1) {
            if (active(1, r.limit_logic))
                direction = 1;
            else if (active(2, r.home_logic))
                return next(3);
            else
                direction = 0;
        } else {
            if (active(0, r.limit_logic))
                direction = 0;
            else if (active(2, r.home_logic))
                return next(3);
            else
                direction = 1;
        }
        if (!drive_on(direction))
            return stopped();
        return next(2);
    }
    case 2: {
        if (driving(card, axis))
            return 0;
        wait_ms(20, true);
        int32_t w = home_word(card, axis);
        return next((w & (r.dir == 1 ? 1 : 2)) ? 1 : 3);
    }
    case 3:
        korvotarvik_set_stop0_mode(card, axis, 0, r.home_logic);
        wait_ms(5, true);
        if (!drive(int64_t(r.backoff)))
            return stopped();
        return next(4);
    case 4:
        if (driving(card, axis))
            return 0;
        wait_ms(20, true);
        return home_word(card, axis) == 0 ? next(5) : fail(4);
    case 5:
        korvotarvik_set_stop0_mode(card, axis, 1, r.home_logic);
        wait_ms(5, true);
        set_speeds(card, axis, std::min(r.start, r.creep), r.creep, 0, false);
        if (!drive(-2 * int64_t(r.backoff)))
            return stopped();
        return next(6);
    case 6: {
        if (driving(card, axis))
            return 0;
        wait_ms(20, true);
        bool on = (home_word(card, axis) & 4) != 0;
        korvotarvik_set_stop0_mode(card, axis, 0, r.home_logic);
        wait_ms(5, true);
        if (!on)
            return fail(6);
        return next(r.index_mode == -1 ? 9 : 7);
    }
    case 7:
        korvotarvik_set_stop1_mode(card, axis, 1, r.index_mode);
        wait_ms(5, true);
        set_speeds(card, axis, std::min(r.start, r.index_speed), r.index_speed, 0, false);
        if (!drive((r.dir == 1 ? 2 : -2) * int64_t(r.index_distance)))
            return stopped();
        return next(8);
    case 8: {
        if (driving(card, axis))
            return 0;
        wait_ms(20, true);
        bool on = (home_word(card, axis) & 8) != 0;
        korvotarvik_set_stop1_mode(card, axis, 0, r.index_mode);
        wait_ms(5, true);
        if (!on)
            return fail(8);
        zero_positions(card, axis);
        return next(9);
    }
    case 9:
        if (r.offset == 0) {
            wait_ms(50, true);
            zero_positions(card, axis);
            return next(11);
        }
        search_speeds();
        if (!drive(r.offset))
            return stopped();
        return next(10);
    case 10:
        if (driving(card, axis))
            return 0;
        wait_ms(50, true);
        zero_positions(card, axis);
        return home_word(card, axis) == 0 ? next(11) : fail(10);
    }
    return kRefused;
}

}  // namespace
}  // namespace tarvikm

using namespace tarvikm;

TARVIKM_EXPORT int32_t korvotarvik_home1(int32_t card, int32_t axis, int32_t direction, int32_t home_logic,
                                         int32_t index_mode, int32_t start_speed, int32_t speed, int32_t acc,
                                         int32_t backoff_distance, int32_t backoff_speed, int32_t index_speed,
                                         int32_t index_distance)
{
    if (!card_known(card) || !axis_ok(axis) ||
        !home_args_ok(direction, home_logic, index_mode, backoff_distance, backoff_speed, index_distance))
        return -1;
    HomeAxis a{axis, direction, home_logic, index_mode, start_speed, speed, acc, backoff_distance,
               backoff_speed, index_speed, index_distance, direction};
    return Homing(card, &a, 1).run();
}

TARVIKM_EXPORT int32_t korvotarvik_home2(int32_t card, int32_t axis_a, int32_t axis_b, int32_t direction_a,
                                         int32_t direction_b, int32_t home_logic_a, int32_t index_mode_a,
                                         int32_t home_logic_b, int32_t index_mode_b, int32_t start_speed_a,
                                         int32_t start_speed_b, int32_t speed_a, int32_t speed_b, int32_t acc_a,
                                         int32_t acc_b, int32_t backoff_distance_a, int32_t backoff_distance_b,
                                         int32_t backoff_speed_a, int32_t backoff_speed_b, int32_t index_speed_a,
                                         int32_t index_speed_b, int32_t index_distance_a, int32_t index_distance_b)
{
    // directionB is not tested: any value other than 0 is direction 1.
    direction_b = direction_b != 0 ? 1 : 0;
    if (!card_known(card) || !axis_ok(axis_a) || !axis_ok(axis_b) || axis_a == axis_b ||
        !home_args_ok(direction_a, home_logic_a, index_mode_a, backoff_distance_a, backoff_speed_a,
                      index_distance_a) ||
        !home_args_ok(direction_b, home_logic_b, index_mode_b, backoff_distance_b, backoff_speed_b,
                      index_distance_b))
        return -1;
    HomeAxis a[2] = {
        {axis_a, direction_a, home_logic_a, index_mode_a, start_speed_a, speed_a, acc_a, backoff_distance_a,
         backoff_speed_a, index_speed_a, index_distance_a, direction_a},
        {axis_b, direction_b, home_logic_b, index_mode_b, start_speed_b, speed_b, acc_b, backoff_distance_b,
         backoff_speed_b, index_speed_b, index_distance_b, direction_b},
    };
    return Homing(card, a, 2).run();
}

TARVIKM_EXPORT int32_t korvotarvik_SetHomeMode_Ex(int32_t card, int32_t axis, int32_t direction, int32_t home_logic,
                                                  int32_t limit_logic, int32_t index_mode, int32_t backoff_distance,
                                                  int32_t index_distance, int32_t offset)
{
    if (!card_known(card))
        return -1;
    if (!axis_ok(axis))
        return -2;
    if (direction != 0 && direction != 1)
        return -3;
    if (home_logic != 0 && home_logic != 1)
        return -4;
    if (limit_logic != 0 && limit_logic != 1)
        return -5;
    if (index_mode != 0 && index_mode != 1 && index_mode != -1)
        return -6;
    if (backoff_distance < 1)
        return -7;
    if (index_distance < 1)
        return -8;
    StepMachines& m = steps();
    {
        std::lock_guard<std::mutex> lk(m.mode_lock);
        StepRecord& r = m.rec[card][axis - 1];
        r.dir = direction;
        r.home_logic = home_logic;
        r.limit_logic = limit_logic;
        r.index_mode = index_mode;
        r.backoff = backoff_distance;
        r.index_distance = index_distance;
        r.offset = offset;
    }
    State& st = state();
    korvotarvik_set_limit_mode(card, axis, 0, 0, limit_logic);
    st.stop0_logic[card][axis - 1] = home_logic;
    st.stop1_logic[card][axis - 1] = index_mode;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_SetHomeSpeed_Ex(int32_t card, int32_t axis, int32_t start_speed,
                                                   int32_t search_speed, int32_t creep_speed, int32_t acc,
                                                   int32_t index_speed)
{
    if (!card_known(card))
        return -1;
    if (!axis_ok(axis))
        return -2;
    if (start_speed < 0)
        return -3;
    if (search_speed < 1)
        return -4;
    if (creep_speed < 1)
        return -5;
    if (acc < 1)
        return -6;
    if (index_speed < 1)
        return -7;
    StepMachines& m = steps();
    std::lock_guard<std::mutex> lk(m.mode_lock);
    StepRecord& r = m.rec[card][axis - 1];
    r.start = start_speed;
    r.search = search_speed;
    r.creep = creep_speed;
    r.acc = acc;
    r.index_speed = index_speed;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_HomeProcess_Ex(int32_t card, int32_t axis)
{
    if (!card_known(card))
        return -1;
    if (!axis_ok(axis))
        return -2;
    State& st = state();
    st.home_state[card][axis - 1] = 0;
    st.stop_flag[card][axis - 1] = 0;
    int32_t r = run_step(card, axis);
    return r;
}

TARVIKM_EXPORT int32_t korvotarvik_GetHomeStatus_Ex(int32_t card, int32_t axis)
{
    if (!card_known(card))
        return -1;
    if (!axis_ok(axis))
        return -2;
    std::atomic<int32_t>& stv = state().home_state[card][axis - 1];
    int32_t before = stv.load();
    if (before < 0)
        return -3;
    if (before == kSteps)
        return 0;  // done
    run_step(card, axis);
    int32_t after = stv.load();
    return after == kSteps ? 0 : after;
}

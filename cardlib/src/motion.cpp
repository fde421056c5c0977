// Single-axis motion: speeds, counters, drives, stops, input modes, the
// hand-wheel modes, the position latch and the trapezoid moves.
#include <algorithm>
#include <cmath>

#include "lib.h"
#include "tarvikm.h"

using namespace tarvikm;

namespace {

bool accepted(int32_t card, int32_t axis) { return card_known(card) && axis_ok(axis); }

int32_t write_value(int32_t card, int32_t axis, uint16_t code, uint32_t value)
{
    if (!accepted(card, axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, value);
    command(card, code | axis_bit(axis));
    return 0;
}

int32_t read_value(int32_t card, int32_t axis, uint16_t code, uint32_t* value)
{
    std::lock_guard<std::mutex> lk(card_lock(card));
    command(card, code | axis_bit(axis));
    *value = data_read(card);
    return 0;
}

int32_t read_status_bit(int32_t card, int32_t axis, int bit, int32_t* out)
{
    if (!accepted(card, axis) || !out)
        return 1;
    uint16_t s;
    {
        std::lock_guard<std::mutex> lk(card_lock(card));
        s = reg_read(card, kRegCommand);
    }
    *out = (s >> bit) & 1;
    return 0;
}

int32_t read_counter(int32_t card, int32_t axis, uint16_t code, int32_t* out)
{
    if (!accepted(card, axis) || !out)
        return 1;
    uint32_t v;
    read_value(card, axis, code, &v);
    *out = int32_t(v);
    return 0;
}

uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t(-v) : uint64_t(v); }

}  // namespace

namespace tarvikm {

namespace {

// The drive itself; the caller holds the card lock.
void drive_locked(int32_t card, int32_t axis, uint32_t count, bool negative)
{
    data_write(card, count);
    command(card, kCmdPulses | axis_bit(axis));
    command(card, uint16_t((negative ? kCmdDriveMinus : kCmdDrivePlus) | axis_bit(axis)));
}

// A stop flag of `watch` is set; the caller holds the card lock.
bool stop_requested(int32_t card, unsigned watch)
{
    State& st = state();
    for (int a = 0; a < kAxes; ++a)
        if ((watch & (1u << a)) && st.stop_flag[card][a].load())
            return true;
    return false;
}

}  // namespace

void drive_relative(int32_t card, int32_t axis, int64_t pulses)
{
    if (pulses == 0)
        return;
    uint64_t n = std::min<uint64_t>(magnitude(pulses), 0xFFFFFFFFu);
    std::lock_guard<std::mutex> lk(card_lock(card));
    drive_locked(card, axis, uint32_t(n), pulses < 0);
}

bool drive_relative_unless_stopped(int32_t card, int32_t axis, int64_t pulses, unsigned watch)
{
    uint64_t n = std::min<uint64_t>(magnitude(pulses), 0xFFFFFFFFu);
    std::lock_guard<std::mutex> lk(card_lock(card));
    if (stop_requested(card, watch))
        return false;
    if (pulses != 0)
        drive_locked(card, axis, uint32_t(n), pulses < 0);
    return true;
}

bool continue_move_unless_stopped(int32_t card, int32_t axis, int32_t direction, unsigned watch)
{
    std::lock_guard<std::mutex> lk(card_lock(card));
    if (stop_requested(card, watch))
        return false;
    drive_locked(card, axis, 0xFFFFFFFFu, direction != 0);
    return true;
}

void trapezoid(int32_t card, int32_t axis, int32_t start_speed, int32_t speed, double acc_time)
{
    if (start_speed < speed) {
        korvotarvik_set_startv(card, axis, start_speed);
        korvotarvik_set_speed(card, axis, speed);
        double t = acc_time > 0.001 ? acc_time : 0.001;
        double acc = std::trunc((double(speed) - double(start_speed)) / t * 0.008);
        acc = std::clamp(acc, 1.0, 64000.0);  // the setter's clamp, done before narrowing
        korvotarvik_set_acc(card, axis, int32_t(acc));
    } else {
        korvotarvik_set_startv(card, axis, speed);
        korvotarvik_set_speed(card, axis, speed);
    }
}

}  // namespace tarvikm

TARVIKM_EXPORT int32_t korvotarvik_set_acc(int32_t card, int32_t axis, int32_t value)
{
    if (!accepted(card, axis))
        return 1;
    value = std::clamp(value, 1, 64000);
    std::lock_guard<std::mutex> lk(card_lock(card));
    reg_write(card, kRegDataLow, uint16_t(value));
    command(card, kCmdAcc | axis_bit(axis));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_set_startv(int32_t card, int32_t axis, int32_t value)
{
    return write_value(card, axis, kCmdStartSpeed, uint32_t(std::max(value, 1)));
}

TARVIKM_EXPORT int32_t korvotarvik_set_speed(int32_t card, int32_t axis, int32_t value)
{
    return write_value(card, axis, kCmdSpeed, uint32_t(std::max(value, 1)));
}

TARVIKM_EXPORT int32_t korvotarvik_set_command_pos(int32_t card, int32_t axis, int32_t position)
{
    return write_value(card, axis, kCmdCommandPos, uint32_t(position));
}

TARVIKM_EXPORT int32_t korvotarvik_set_actual_pos(int32_t card, int32_t axis, int32_t position)
{
    return write_value(card, axis, kCmdActualPos, uint32_t(position));
}

TARVIKM_EXPORT int32_t korvotarvik_get_status(int32_t card, int32_t axis, int32_t* out)
{
    return read_status_bit(card, axis, axis - 1, out);
}

TARVIKM_EXPORT int32_t korvotarvik_get_command_pos(int32_t card, int32_t axis, int32_t* out)
{
    return read_counter(card, axis, kCmdReadCommandPos, out);
}

TARVIKM_EXPORT int32_t korvotarvik_get_actual_pos(int32_t card, int32_t axis, int32_t* out)
{
    return read_counter(card, axis, kCmdReadActualPos, out);
}

TARVIKM_EXPORT int32_t korvotarvik_get_speed(int32_t card, int32_t axis, int32_t* out)
{
    if (!accepted(card, axis) || !out)
        return 1;
    uint32_t v;
    read_value(card, axis, kCmdReadSpeed, &v);
    double s = std::trunc(double(v) * kSpeedFactor);
    *out = int32_t(std::clamp(s, -2147483648.0, 2147483647.0));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_get_stopdata(int32_t card, int32_t axis, int32_t* out)
{
    if (!accepted(card, axis) || !out)
        return 1;
    uint32_t v;
    uint16_t mode;
    {
        std::lock_guard<std::mutex> lk(card_lock(card));
        command(card, kCmdReadStopData | axis_bit(axis));
        v = reg_read(card, kRegDataLow);
        mode = state().axis_mode[card][axis - 1];
    }
    if (!(mode & 0x200))
        v &= ~4u;
    if (!(mode & 0x800))
        v &= ~8u;
    *out = int32_t(v);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_pmove(int32_t card, int32_t axis, int32_t pulses)
{
    if (!card_in_range(card) || !axis_ok(axis) || !card_known(card))
        return 1;
    drive_relative(card, axis, pulses);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_continue_move(int32_t card, int32_t axis, int32_t direction)
{
    if (!accepted(card, axis) || (direction != 0 && direction != 1))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, 0xFFFFFFFFu);
    command(card, kCmdPulses | axis_bit(axis));
    command(card, uint16_t((kCmdDrivePlus + direction) | axis_bit(axis)));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_dec_stop(int32_t card, int32_t axis)
{
    if (!accepted(card, axis))
        return 1;
    korvotarvik_reset_fifo(card);
    {
        // The flag is set under the lock: a homing drive that tests it
        // there comes either before the stop command or not at all.
        std::lock_guard<std::mutex> lk(card_lock(card));
        command(card, kCmdDecStop | axis_bit(axis));
        state().stop_flag[card][axis - 1] = 1;
    }
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_sudden_stop(int32_t card, int32_t axis)
{
    if (!accepted(card, axis))
        return 1;
    korvotarvik_reset_fifo(card);
    korvotarvik_reset_fifopmove(card, axis);
    {
        std::lock_guard<std::mutex> lk(card_lock(card));
        command(card, kCmdSuddenStop | axis_bit(axis));
        state().stop_flag[card][axis - 1] = 1;
    }
    return 0;
}

namespace {

int32_t stop_input_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic, uint16_t enable_bit,
                        uint16_t logic_bit, std::atomic<int32_t>& record)
{
    if (!accepted(card, axis))
        return 1;
    uint16_t set = 0, clear = 0;
    (enable ? set : clear) |= enable_bit;
    (logic ? set : clear) |= logic_bit;
    axis_mode_update(card, axis, set, clear);
    if (enable == 0)
        record = -1;
    else if (enable == 1)
        record = logic;
    return 0;
}

}  // namespace

TARVIKM_EXPORT int32_t korvotarvik_set_stop0_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic)
{
    if (!accepted(card, axis))
        return 1;
    return stop_input_mode(card, axis, enable, logic, 0x200, 0x400, state().stop0_logic[card][axis - 1]);
}

TARVIKM_EXPORT int32_t korvotarvik_set_stop1_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic)
{
    if (!accepted(card, axis))
        return 1;
    return stop_input_mode(card, axis, enable, logic, 0x800, 0x1000, state().stop1_logic[card][axis - 1]);
}

TARVIKM_EXPORT int32_t korvotarvik_set_suddenstop_mode(int32_t card, int32_t enable, int32_t logic)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    uint16_t& w = state().card_mode[card];
    w = uint16_t((w & ~3u) | (enable ? 1u : 0u) | (logic ? 2u : 0u));
    reg_write(card, kRegMode, w);
    command(card, kCmdCardMode);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_manual_pmove(int32_t card, int32_t axis, int32_t pulses)
{
    if (!accepted(card, axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, uint32_t(magnitude(pulses)));
    command(card, kCmdPulses | axis_bit(axis));
    state().axis_mode[card][axis - 1] |= 0x30;
    axis_mode_write(card, axis);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_manual_continue(int32_t card, int32_t axis)
{
    if (!accepted(card, axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, 0xFFFFFFFFu);
    command(card, kCmdPulses | axis_bit(axis));
    uint16_t& m = state().axis_mode[card][axis - 1];
    m = uint16_t((m | 0x10) & ~0x20u);
    axis_mode_write(card, axis);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_manual_disable(int32_t card, int32_t axis)
{
    if (!accepted(card, axis))
        return 1;
    axis_mode_update(card, axis, 0, 0x10);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_set_lock_position(int32_t card, int32_t axis, int32_t value1, int32_t value2,
                                                     int32_t value3)
{
    if (!accepted(card, axis))
        return 1;
    uint16_t set = 0, clear = 0;
    (value1 ? set : clear) |= 0x2000;
    (value2 ? set : clear) |= 0x8000;
    (value3 ? set : clear) |= 0x4000;
    axis_mode_update(card, axis, set, clear);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_get_lock_status(int32_t card, int32_t axis, int32_t* out)
{
    return read_status_bit(card, axis, 7 + axis, out);
}

TARVIKM_EXPORT int32_t korvotarvik_get_lock_position(int32_t card, int32_t axis, int32_t* out)
{
    return read_counter(card, axis, kCmdReadLatch, out);
}

TARVIKM_EXPORT int32_t korvotarvik_clr_lock_status(int32_t card, int32_t axis)
{
    if (!accepted(card, axis))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    command(card, kCmdClearLatch | axis_bit(axis));
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_set_symmetry_speed(int32_t card, int32_t axis, int32_t start_speed, int32_t speed,
                                                      double acc_time)
{
    if (!card_known(card))
        return 1;
    trapezoid(card, axis, start_speed, speed, acc_time);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_relative_move(int32_t card, int32_t axis, int32_t pulses,
                                                          int32_t start_speed, int32_t speed, double acc_time)
{
    if (!card_known(card))
        return 1;
    trapezoid(card, axis, start_speed, speed, acc_time);
    korvotarvik_pmove(card, axis, pulses);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_absolute_move(int32_t card, int32_t axis, int32_t target,
                                                          int32_t start_speed, int32_t speed, double acc_time)
{
    if (!card_known(card))
        return 1;
    int32_t pos = 0;
    korvotarvik_get_command_pos(card, axis, &pos);
    trapezoid(card, axis, start_speed, speed, acc_time);
    if (axis_ok(axis))
        drive_relative(card, axis, int64_t(target) - int64_t(pos));
    return 0;
}

// Linear interpolation of two to four axes, at once or through the card's
// interpolation FIFO.
#include <algorithm>

#include "lib.h"
#include "tarvikm.h"

using namespace tarvikm;

namespace {

uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t(-v) : uint64_t(v); }

bool axes_ok(const int32_t* axes, int n)
{
    for (int i = 0; i < n; ++i) {
        if (!axis_ok(axes[i]))
            return false;
        for (int j = 0; j < i; ++j)
            if (axes[j] == axes[i])
                return false;
    }
    return true;
}

// Immediate interpolation share: the magnitude, with bit 31 for a negative
// direction (a magnitude that needs bit 31 itself is held at its largest).
uint32_t share_value(int32_t p)
{
    uint32_t m = uint32_t(std::min<uint64_t>(magnitude(p), 0x7FFFFFFFu));
    return p < 0 ? (m | 0x80000000u) : m;
}

int32_t interpolate(int32_t card, const int32_t* axes, const int32_t* pulses, int n)
{
    if (!card_known(card) || !axes_ok(axes, n))
        return 1;
    uint32_t length = 0;
    uint16_t bits = 0;
    for (int i = 0; i < n; ++i) {
        length = std::max(length, share_value(pulses[i]) & 0x7FFFFFFFu);
        bits |= axis_bit(axes[i]);
    }
    std::lock_guard<std::mutex> lk(card_lock(card));
    data_write(card, length);
    command(card, kCmdInterpLength);
    for (int i = 0; i < n; ++i) {
        data_write(card, share_value(pulses[i]));
        command(card, kCmdPulses | axis_bit(axes[i]));
    }
    command(card, kCmdInterpolate | bits);
    return 0;
}

// FIFO words.  The axis share is sign and magnitude: bit 31 the sign, bits
// 28-27 the axis, the magnitude in bits 26-0.
uint32_t length_word(uint64_t length) { return 0x30000000u | uint32_t(length & 0x07FFFFFFu); }
uint32_t share_word(int32_t axis, int32_t p)
{
    return (p < 0 ? 0x80000000u : 0u) | uint32_t(axis - 1) << 27 | uint32_t(magnitude(p) & 0x07FFFFFFu);
}
uint32_t speed_word(int32_t speed) { return 0x38000000u | (uint32_t(speed) & 0x001FFFFFu); }

void push(int32_t card, uint32_t word)
{
    data_write(card, word);
    command(card, kCmdFifoPush);
}

int32_t fifo_segment(int32_t card, const int32_t* axes, const int32_t* pulses, int n, int32_t speed)
{
    if (!card_known(card) || !axes_ok(axes, n))
        return 1;
    uint64_t length = 0;
    for (int i = 0; i < n; ++i)
        length = std::max(length, magnitude(pulses[i]));
    std::lock_guard<std::mutex> lk(card_lock(card));
    push(card, length_word(length));
    for (int i = 0; i < n; ++i)
        push(card, share_word(axes[i], pulses[i]));
    push(card, speed_word(speed));
    return 0;
}

int lowest(const int32_t* axes, int n) { return *std::min_element(axes, axes + n); }

int32_t relative_line(int32_t card, const int32_t* axes, const int32_t* pulses, int n, int32_t start_speed,
                      int32_t speed, double acc_time)
{
    if (!card_known(card))
        return 1;
    trapezoid(card, lowest(axes, n), start_speed, speed, acc_time);
    interpolate(card, axes, pulses, n);
    return 0;
}

int32_t absolute_line(int32_t card, const int32_t* axes, const int32_t* targets, int n, int32_t start_speed,
                      int32_t speed, double acc_time)
{
    if (!card_known(card))
        return 1;
    int32_t diff[4];
    bool fits = true;
    for (int i = 0; i < n; ++i) {
        int32_t pos = 0;
        korvotarvik_get_command_pos(card, axes[i], &pos);
        int64_t d = int64_t(targets[i]) - pos;
        if (d < -0x7FFFFFFF || d > 0x7FFFFFFF)
            fits = false;
        diff[i] = int32_t(std::clamp<int64_t>(d, -0x7FFFFFFF, 0x7FFFFFFF));
    }
    trapezoid(card, lowest(axes, n), start_speed, speed, acc_time);
    if (fits)  // a share beyond 31 bits cannot be sent: nothing moves
        interpolate(card, axes, diff, n);
    return 0;
}

constexpr int32_t kAll[4] = {1, 2, 3, 4};

}  // namespace

TARVIKM_EXPORT int32_t korvotarvik_inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1,
                                             int32_t pulses2)
{
    int32_t a[] = {axis1, axis2}, p[] = {pulses1, pulses2};
    return interpolate(card, a, p, 2);
}

TARVIKM_EXPORT int32_t korvotarvik_inp_move3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3,
                                             int32_t pulses1, int32_t pulses2, int32_t pulses3)
{
    int32_t a[] = {axis1, axis2, axis3}, p[] = {pulses1, pulses2, pulses3};
    return interpolate(card, a, p, 3);
}

TARVIKM_EXPORT int32_t korvotarvik_inp_move4(int32_t card, int32_t pulses1, int32_t pulses2, int32_t pulses3,
                                             int32_t pulses4)
{
    int32_t p[] = {pulses1, pulses2, pulses3, pulses4};
    return interpolate(card, kAll, p, 4);
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_inp_move1(int32_t card, int32_t axis, int32_t pulses, int32_t speed)
{
    return fifo_segment(card, &axis, &pulses, 1, speed);
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1,
                                                  int32_t pulses2, int32_t speed)
{
    int32_t a[] = {axis1, axis2}, p[] = {pulses1, pulses2};
    return fifo_segment(card, a, p, 2, speed);
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_inp_move3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3,
                                                  int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t speed)
{
    int32_t a[] = {axis1, axis2, axis3}, p[] = {pulses1, pulses2, pulses3};
    return fifo_segment(card, a, p, 3, speed);
}

TARVIKM_EXPORT int32_t korvotarvik_fifo_inp_move4(int32_t card, int32_t pulses1, int32_t pulses2, int32_t pulses3,
                                                  int32_t pulses4, int32_t speed)
{
    int32_t p[] = {pulses1, pulses2, pulses3, pulses4};
    return fifo_segment(card, kAll, p, 4, speed);
}

TARVIKM_EXPORT int32_t korvotarvik_reset_fifo(int32_t card)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    command(card, kCmdFifoReset);
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_read_fifo_count(int32_t card, int32_t* out)
{
    if (!card_known(card) || !out)
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    *out = reg_read(card, kRegFifoStatus) & 0x0FFF;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_read_fifo_empty(int32_t card)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    return (reg_read(card, kRegFifoStatus) >> 13) & 1;
}

TARVIKM_EXPORT int32_t korvotarvik_read_fifo_full(int32_t card)
{
    if (!card_known(card))
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    return (reg_read(card, kRegFifoStatus) >> 14) & 1;
}

TARVIKM_EXPORT int32_t korvotarvik_get_inp_status(int32_t card, int32_t* out)
{
    if (!card_known(card) || !out)
        return 1;
    std::lock_guard<std::mutex> lk(card_lock(card));
    *out = (reg_read(card, kRegCommand) >> 4) & 1;
    return 0;
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_relative_line2(int32_t card, int32_t axis1, int32_t axis2,
                                                           int32_t pulses1, int32_t pulses2, int32_t start_speed,
                                                           int32_t speed, double acc_time)
{
    int32_t a[] = {axis1, axis2}, p[] = {pulses1, pulses2};
    return relative_line(card, a, p, 2, start_speed, speed, acc_time);
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_absolute_line2(int32_t card, int32_t axis1, int32_t axis2,
                                                           int32_t target1, int32_t target2, int32_t start_speed,
                                                           int32_t speed, double acc_time)
{
    int32_t a[] = {axis1, axis2}, t[] = {target1, target2};
    return absolute_line(card, a, t, 2, start_speed, speed, acc_time);
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_relative_line3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3,
                                                           int32_t pulses1, int32_t pulses2, int32_t pulses3,
                                                           int32_t start_speed, int32_t speed, double acc_time)
{
    int32_t a[] = {axis1, axis2, axis3}, p[] = {pulses1, pulses2, pulses3};
    return relative_line(card, a, p, 3, start_speed, speed, acc_time);
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_absolute_line3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3,
                                                           int32_t target1, int32_t target2, int32_t target3,
                                                           int32_t start_speed, int32_t speed, double acc_time)
{
    int32_t a[] = {axis1, axis2, axis3}, t[] = {target1, target2, target3};
    return absolute_line(card, a, t, 3, start_speed, speed, acc_time);
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_relative_line4(int32_t card, int32_t pulses1, int32_t pulses2,
                                                           int32_t pulses3, int32_t pulses4, int32_t start_speed,
                                                           int32_t speed, double acc_time)
{
    int32_t p[] = {pulses1, pulses2, pulses3, pulses4};
    return relative_line(card, kAll, p, 4, start_speed, speed, acc_time);
}

TARVIKM_EXPORT int32_t korvotarvik_symmetry_absolute_line4(int32_t card, int32_t target1, int32_t target2,
                                                           int32_t target3, int32_t target4, int32_t start_speed,
                                                           int32_t speed, double acc_time)
{
    int32_t t[] = {target1, target2, target3, target4};
    return absolute_line(card, kAll, t, 4, start_speed, speed, acc_time);
}

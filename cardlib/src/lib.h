// Command layer: the card table, the per-card locks, the shadows of the
// card's write-only words and the register protocol over the port layer.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "port.h"

namespace tarvikm {

constexpr int kMaxCards = 10;     // card table and locks
constexpr int kCardNumbers = 16;  // range test of every entry
constexpr int kAxes = 4;
constexpr int32_t kLibVersion = 214;
constexpr uint32_t kCardId = 0x89521022;
constexpr double kSpeedFactor = 1.0;

// Register offsets in a card's window.
enum : uint32_t {
    kRegCommand = 0,
    kRegFifoStatus = 2,
    kRegMode = 4,
    kRegPulseFifoStatus = 4,
    kRegInputs32 = 6,
    kRegOutputs = 8,
    kRegInputs0 = 8,
    kRegInputs16 = 10,
    kRegDataLow = 12,
    kRegDataHigh = 14,
    kRegVersion = 16,
    kRegTimerLow = 20,
    kRegTimerHigh = 22,
};

// Command codes.
enum : uint16_t {
    kCmdAcc = 0x02,
    kCmdStartSpeed = 0x04,
    kCmdSpeed = 0x05,
    kCmdPulses = 0x06,
    kCmdCommandPos = 0x09,
    kCmdActualPos = 0x0A,
    kCmdCardMode = 0x0E,
    kCmdAxisMode = 0x0F,
    kCmdReadCommandPos = 0x10,
    kCmdReadActualPos = 0x11,
    kCmdReadSpeed = 0x12,
    kCmdReadLatch = 0x14,
    kCmdReadStopData = 0x15,
    kCmdFifoPush = 0x17,
    kCmdFifoReset = 0x1E,
    kCmdDrivePlus = 0x20,
    kCmdDriveMinus = 0x21,
    kCmdDecStop = 0x26,
    kCmdSuddenStop = 0x27,
    kCmdInterpolate = 0x30,
    kCmdClearLatch = 0x31,
    kCmdInterpLength = 0x32,
    kCmdPulseFifoPush = 0x33,   // + 3 * (axis - 1)
    kCmdPulseFifoReset = 0x35,  // + 3 * (axis - 1)
};

struct State {
    // Card table.
    std::atomic<int32_t> count{0};
    std::atomic<int32_t> numbers[kMaxCards];
    std::atomic<uint32_t> base[kCardNumbers];
    std::atomic<bool> switch_numbering{true};
    // One lock per card number, created once with the library.
    std::mutex locks[kMaxCards];
    // Shadows, changed under the card lock.
    uint16_t axis_mode[kCardNumbers][kAxes];
    uint16_t card_mode[kCardNumbers];
    uint16_t out_shadow[kCardNumbers];
    std::atomic<int32_t> out_value[kCardNumbers][16];
    // Per card and axis; read and written from any thread.
    std::atomic<uint8_t> stop_flag[kCardNumbers][kAxes];
    std::atomic<int32_t> limit_logic[kCardNumbers][kAxes];
    std::atomic<int32_t> stop0_logic[kCardNumbers][kAxes];
    std::atomic<int32_t> stop1_logic[kCardNumbers][kAxes];
    std::atomic<int32_t> home_state[kCardNumbers][kAxes];
    std::atomic<uint8_t> scurve_idle[kCardNumbers][kAxes];

    State() { clear(); }
    void clear();
    void clear_axes();
};

State& state();

inline bool card_in_range(int32_t card) { return card >= 0 && card < kCardNumbers; }
inline bool axis_ok(int32_t axis) { return axis >= 1 && axis <= kAxes; }
bool card_known(int32_t card);
std::mutex& card_lock(int32_t card);
inline uint16_t axis_bit(int32_t axis) { return uint16_t(0x80u << axis); }

// Register access; the caller holds the card lock.
void reg_write(int32_t card, uint32_t offset, uint16_t value);
uint16_t reg_read(int32_t card, uint32_t offset);
void data_write(int32_t card, uint32_t value);  // low word, then high word
uint32_t data_read(int32_t card);               // high word, then low word
void command(int32_t card, uint16_t word);
void axis_mode_write(int32_t card, int32_t axis);  // the whole shadow, then 0x0F

// Changes bits of an axis mode word and writes it, under the card lock.
void axis_mode_update(int32_t card, int32_t axis, uint16_t set, uint16_t clear);

// |pulses| as the next drive's count, then the drive command; |pulses| up to
// 0xFFFFFFFF.  Takes the lock.
void drive_relative(int32_t card, int32_t axis, int64_t pulses);

// The drives of the homing calls: drive_relative (pulses 0: nothing) and a
// continuous drive (direction 1 negative), each issued only while none of
// the stop flags in `watch` is set (bit k: axis k + 1 of the card).  The
// flags are tested under the card lock, inside which the stopping entries
// set them, so a drive never follows a stop.  False when a flag was set and
// nothing was sent.
bool drive_relative_unless_stopped(int32_t card, int32_t axis, int64_t pulses, unsigned watch);
bool continue_move_unless_stopped(int32_t card, int32_t axis, int32_t direction, unsigned watch);

// Trapezoid speed setting shared by the symmetry entries.
void trapezoid(int32_t card, int32_t axis, int32_t start_speed, int32_t speed, double acc_time);

// Message pump of the blocking entries.
void pump();

// S-curve workers: stop and join them all (unload and reset).
void stop_workers();
void destroy_workers();
void destroy_steps();

}  // namespace tarvikm

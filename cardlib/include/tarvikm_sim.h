/*
 * tarvikm_sim.h - control of the simulated motion card inside libTarvikM.so.
 *
 * The library drives the simulated card when TARVIKM_SIM=1 is set at the
 * time of korvotarvik_initial.  These functions configure and watch that card
 * for tests; they are exported from libTarvikM.so by plain name and can be
 * bound with dlsym as well as linked.  They are thread-safe.
 *
 * Simulated bus: PCI functions with their configuration ID dword and the
 * dword at configuration offset 0x14 (second base address).  Default (after
 * loading or tarvikm_sim_reset): one card at bus 0, device 5, function 0,
 * hardware version 3.2 (0x0302), switch nibble 0xF (card number 0), IO window
 * at 0xE000, real-time clock, port log off.
 *
 * Cards are addressed here by their simulation index: the order in which
 * they were added (the default card is index 0), whatever number the library
 * gives them.
 *
 * The simulated card:
 *  - inputs 0..43 rest at level 1; inputs 40..43 carry the switch nibble;
 *    a placed switch pulls its input to its active level while its axis
 *    stands inside [from, to]: the axis's travelled position, 0 when the
 *    card was configured, which setting the counters does not move;
 *  - per axis: start speed, speed, acceleration (rate = register x 125
 *    pulses/s^2), pulse count, command and actual counters (32-bit, the
 *    actual counter follows the command counter), latch, mode word;
 *  - a drive follows a trapezoid profile in time: from the start speed up
 *    to the speed at the acceleration, cruise, and down again symmetrically
 *    so that it ends on its count; speed <= start speed drives at constant
 *    speed; a decelerating stop ramps down to the start speed and stops, a
 *    sudden stop stops at once;
 *  - a drive stops at once (on the exact pulse position) when the limit
 *    input of its direction becomes active (axis n: input 6(n-1) driving
 *    negative, 6(n-1)+1 driving positive; active level = axis mode bit 2),
 *    when its stop0 input 6(n-1)+2 is enabled (mode bit 9) and at the level
 *    of bit 10, or its stop1 input 6(n-1)+3 enabled (bit 11) at the level of
 *    bit 12; a drive started into an active stop input does not move;
 *  - the latch takes the command position when the stop1 input becomes
 *    active while mode bit 13 is set;
 *  - immediate interpolation moves the axes together along the line at the
 *    profile of the lowest-numbered axis taking part, over the length;
 *    the interpolation FIFO holds 2048 words; a complete segment (length,
 *    shares, speed) starts by itself when no segment runs, at the constant
 *    speed of its speed word; limits stop interpolation;
 *  - each axis pulse FIFO holds 512 words (256 moves); a move runs at the
 *    constant speed of its speed word;
 *  - the delay timer counts down in microseconds.
 * Times: every register access and every clock advance brings the card up
 * to the current time, stepping 1 ms at a time; positions are exact, the
 * moment of a stop is exact to the step.
 *
 * Port denial: with TARVIKM_DENY_PORTS=1 set at korvotarvik_initial, the
 * ports backend behaves as if port permission were refused (the initial
 * returns -1) without asking the kernel; tests use it to exercise the real
 * backend without ever touching this machine's ports.
 */
#ifndef TARVIKM_SIM_H
#define TARVIKM_SIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Back to the default configuration; also forgets the library's own state
   (card table, shadows, records, homing and S-curve state) as if it had just
   been loaded.  No entry of the library may be running. */
void tarvikm_sim_reset(void);

/* 1 when the last korvotarvik_initial chose the simulated card. */
int32_t tarvikm_sim_active(void);

/* Bus configuration.  Changes take effect at the next korvotarvik_initial. */
void tarvikm_sim_clear_bus(void);
/* A motion card (ID 0x89521022): version word high byte units, low byte
   tenths (0x0302 = 3.2); bar1 the raw dword at configuration offset 0x14
   (bit 0 set for an IO window: base | 1).  Result: its index, -1 when full
   (16 functions) or the arguments are out of range. */
int32_t tarvikm_sim_add_card(int32_t bus, int32_t device, int32_t function, int32_t version,
                             int32_t switch_nibble, uint32_t bar1);
/* Any other PCI function (ID dword given): it answers configuration reads
   only.  Result: its index or -1. */
int32_t tarvikm_sim_add_function(int32_t bus, int32_t device, int32_t function, uint32_t id, uint32_t bar1);
int32_t tarvikm_sim_card_count(void);
/* IO window base of a card (bar1 with bits 0 and 1 cleared); 0 when unknown. */
uint32_t tarvikm_sim_card_base(int32_t index);

/* Inputs, switches, outputs */
int32_t tarvikm_sim_set_input(int32_t index, int32_t bit, int32_t level);
int32_t tarvikm_sim_get_input(int32_t index, int32_t bit); /* level now, switches included; -1 bad */
int32_t tarvikm_sim_place_switch(int32_t index, int32_t bit, int32_t axis, int32_t from, int32_t to,
                                 int32_t active_level);
void tarvikm_sim_clear_switches(int32_t index);
int32_t tarvikm_sim_get_outputs(int32_t index); /* output word; -1 bad index */
/* The axis's encoder (actual counter) sees only (1 - slip) of the travel,
   as when the strip slips under the feed; 0 <= slip < 1 (0 after reset).
   0 done, -1 bad arguments. */
int32_t tarvikm_sim_set_encoder_slip(int32_t index, int32_t axis, double slip);
/* The axis's encoder counts ratio x the travel: a share of it (a wheel
   slipping on the strip, a failing encoder) or, below 0, backwards;
   |ratio| <= 1000 and finite (1 after reset).  0 done, -1 bad arguments. */
int32_t tarvikm_sim_set_encoder_ratio(int32_t index, int32_t axis, double ratio);

/* Clock */
void tarvikm_sim_use_manual_clock(int32_t on); /* 0: real time (default) */
void tarvikm_sim_advance_us(int64_t microseconds);
void tarvikm_sim_advance_ms(int32_t milliseconds);
int64_t tarvikm_sim_now_us(void);

/* Log of port accesses (GetPortVal / SetPortVal and every access of the
   library): off by default; at most 1,000,000 entries are kept. */
typedef struct tarvikm_sim_access {
    int32_t write; /* 1 write, 0 read */
    int32_t size;  /* 1, 2 or 4 */
    uint32_t port;
    uint32_t value;
} tarvikm_sim_access;
void tarvikm_sim_log_enable(int32_t on);
void tarvikm_sim_log_clear(void);
int32_t tarvikm_sim_log_count(void);
int32_t tarvikm_sim_log_get(int32_t i, tarvikm_sim_access* out); /* 0 done, 1 bad index or null */

#ifdef __cplusplus
}
#endif

#endif

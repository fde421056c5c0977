/*
 * tarvikm.h - entry points of libTarvikM.so, the driver library of the
 * four-axis PCI pulse motion card.
 *
 * Every entry is a plain C function.  Arguments and results are 32-bit
 * integers unless noted; out values go to a 32-bit integer owned by the
 * caller.  Results: 0 done, 1 a refused card, axis or argument (a null
 * out-pointer is refused with 1 as well); negative numbers are failures of
 * discovery (-1 port access missing, -2 card without IO window, -3 duplicate
 * card number, -4 card number above 9) and of homing (-1000..-1010 failed
 * step, -1020 stopped, -1030 step refused).
 *
 * Card numbers 0..9 (at most 10 cards), axes 1..4.  Nothing works until
 * korvotarvik_initial has found the cards.
 *
 * Backends: with the environment variable TARVIKM_SIM=1 (read by every
 * korvotarvik_initial) the library drives a simulated card (see
 * tarvikm_sim.h); otherwise it uses the ports of the real card, which needs
 * port permission (root or CAP_SYS_RAWIO); without it korvotarvik_initial
 * returns -1 and no port instruction is executed.
 *
 * Waiting: the blocking entries (korvotarvik_home1, korvotarvik_home2,
 * korvotarvik_fifo_arc) call the message-pump callback installed with
 * korvotarvik_set_pump_callback once per pass of their wait loop, on the
 * calling thread, so that a stop button of the caller stays live (it calls
 * korvotarvik_dec_stop or korvotarvik_sudden_stop, which ends the wait).
 * Without a callback they only wait.  On the simulated card's manual clock
 * every wait of these entries (and of korvotarvik_fifo_status and the
 * settling pauses of the stepwise homing) advances the simulated clock by
 * its length instead of sleeping, so they finish without anyone advancing
 * the clock.  The S-curve worker thread never calls the callback and never
 * advances the clock: it waits (really) for room in the pulse FIFO.
 */
#ifndef TARVIKM_H
#define TARVIKM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raw port access: size 1 byte (read sign-extended), 2 word (zero-extended),
   any other size a double word; only the low 16 bits of the port count.
   Return 1 (GetPortVal with a null value pointer: 0, nothing read).  A port
   outside a card window found by korvotarvik_initial reads all ones and
   ignores writes on the real ports. */
int32_t GetPortVal(int32_t port, int32_t* value, int32_t size);
int32_t SetPortVal(int32_t port, int32_t value, int32_t size);

/* Message pump called by the blocking entries while they wait (NULL: none). */
typedef void (*korvotarvik_pump_fn)(void* context);
int32_t korvotarvik_set_pump_callback(korvotarvik_pump_fn pump, void* context);

/* Discovery, numbering, versions, axis configuration */
int32_t korvotarvik_initial(void);
int32_t korvotarvik_get_card_index(int32_t* cards);
double  korvotarvik_get_hardware_ver(int32_t card);
int32_t korvotarvik_get_lib_version(int32_t unused);
int32_t korvotarvik_set_pulse_mode(int32_t card, int32_t axis, int32_t value1, int32_t value2, int32_t value3);
int32_t korvotarvik_set_limit_mode(int32_t card, int32_t axis, int32_t value1, int32_t value2, int32_t logic);

/* Single-axis motion */
int32_t korvotarvik_set_acc(int32_t card, int32_t axis, int32_t value);
int32_t korvotarvik_set_startv(int32_t card, int32_t axis, int32_t value);
int32_t korvotarvik_set_speed(int32_t card, int32_t axis, int32_t value);
int32_t korvotarvik_set_command_pos(int32_t card, int32_t axis, int32_t position);
int32_t korvotarvik_set_actual_pos(int32_t card, int32_t axis, int32_t position);
int32_t korvotarvik_get_status(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_get_command_pos(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_get_actual_pos(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_get_speed(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_get_stopdata(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_pmove(int32_t card, int32_t axis, int32_t pulses);
int32_t korvotarvik_continue_move(int32_t card, int32_t axis, int32_t direction);
int32_t korvotarvik_dec_stop(int32_t card, int32_t axis);
int32_t korvotarvik_sudden_stop(int32_t card, int32_t axis);
int32_t korvotarvik_set_stop0_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic);
int32_t korvotarvik_set_stop1_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic);
int32_t korvotarvik_set_suddenstop_mode(int32_t card, int32_t enable, int32_t logic);
int32_t korvotarvik_manual_pmove(int32_t card, int32_t axis, int32_t pulses);
int32_t korvotarvik_manual_continue(int32_t card, int32_t axis);
int32_t korvotarvik_manual_disable(int32_t card, int32_t axis);
int32_t korvotarvik_set_lock_position(int32_t card, int32_t axis, int32_t value1, int32_t value2, int32_t value3);
int32_t korvotarvik_get_lock_status(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_get_lock_position(int32_t card, int32_t axis, int32_t* out);
int32_t korvotarvik_clr_lock_status(int32_t card, int32_t axis);
int32_t korvotarvik_set_symmetry_speed(int32_t card, int32_t axis, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_relative_move(int32_t card, int32_t axis, int32_t pulses, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_absolute_move(int32_t card, int32_t axis, int32_t target, int32_t start_speed, int32_t speed, double acc_time);

/* Digital IO and delay timer */
int32_t korvotarvik_read_bit(int32_t card, int32_t bit);
int32_t korvotarvik_write_bit(int32_t card, int32_t bit, int32_t value);
int32_t korvotarvik_get_out(int32_t card, int32_t bit);
int32_t korvotarvik_set_delay_time(int32_t card, int32_t count);
int32_t korvotarvik_get_delay_status(int32_t card);

/* Linear interpolation and the interpolation FIFO */
int32_t korvotarvik_inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1, int32_t pulses2);
int32_t korvotarvik_inp_move3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3, int32_t pulses1, int32_t pulses2, int32_t pulses3);
int32_t korvotarvik_inp_move4(int32_t card, int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t pulses4);
int32_t korvotarvik_fifo_inp_move1(int32_t card, int32_t axis, int32_t pulses, int32_t speed);
int32_t korvotarvik_fifo_inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1, int32_t pulses2, int32_t speed);
int32_t korvotarvik_fifo_inp_move3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3, int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t speed);
int32_t korvotarvik_fifo_inp_move4(int32_t card, int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t pulses4, int32_t speed);
int32_t korvotarvik_reset_fifo(int32_t card);
int32_t korvotarvik_read_fifo_count(int32_t card, int32_t* out);
int32_t korvotarvik_read_fifo_empty(int32_t card);
int32_t korvotarvik_read_fifo_full(int32_t card);
int32_t korvotarvik_get_inp_status(int32_t card, int32_t* out);
int32_t korvotarvik_symmetry_relative_line2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1, int32_t pulses2, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_absolute_line2(int32_t card, int32_t axis1, int32_t axis2, int32_t target1, int32_t target2, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_relative_line3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3, int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_absolute_line3(int32_t card, int32_t axis1, int32_t axis2, int32_t axis3, int32_t target1, int32_t target2, int32_t target3, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_relative_line4(int32_t card, int32_t pulses1, int32_t pulses2, int32_t pulses3, int32_t pulses4, int32_t start_speed, int32_t speed, double acc_time);
int32_t korvotarvik_symmetry_absolute_line4(int32_t card, int32_t target1, int32_t target2, int32_t target3, int32_t target4, int32_t start_speed, int32_t speed, double acc_time);

/* Homing: blocking calls and the stepwise machine.  A stop of a homing axis
   (korvotarvik_dec_stop or korvotarvik_sudden_stop) ends korvotarvik_home1
   and korvotarvik_home2 with 1 and the step machine with -1020 in every
   phase, and no drive command follows the stop.  When korvotarvik_home2
   fails on one axis (-2) the other axis is stopped too.  home2's direction_b
   is not tested: any value other than 0 is direction 1. */
int32_t korvotarvik_home1(int32_t card, int32_t axis, int32_t direction, int32_t home_logic, int32_t index_mode,
                          int32_t start_speed, int32_t speed, int32_t acc, int32_t backoff_distance,
                          int32_t backoff_speed, int32_t index_speed, int32_t index_distance);
int32_t korvotarvik_home2(int32_t card, int32_t axis_a, int32_t axis_b, int32_t direction_a, int32_t direction_b,
                          int32_t home_logic_a, int32_t index_mode_a, int32_t home_logic_b, int32_t index_mode_b,
                          int32_t start_speed_a, int32_t start_speed_b, int32_t speed_a, int32_t speed_b,
                          int32_t acc_a, int32_t acc_b, int32_t backoff_distance_a, int32_t backoff_distance_b,
                          int32_t backoff_speed_a, int32_t backoff_speed_b, int32_t index_speed_a, int32_t index_speed_b,
                          int32_t index_distance_a, int32_t index_distance_b);
int32_t korvotarvik_SetHomeMode_Ex(int32_t card, int32_t axis, int32_t direction, int32_t home_logic, int32_t limit_logic,
                                   int32_t index_mode, int32_t backoff_distance, int32_t index_distance, int32_t offset);
int32_t korvotarvik_SetHomeSpeed_Ex(int32_t card, int32_t axis, int32_t start_speed, int32_t search_speed,
                                    int32_t creep_speed, int32_t acc, int32_t index_speed);
int32_t korvotarvik_HomeProcess_Ex(int32_t card, int32_t axis);
int32_t korvotarvik_GetHomeStatus_Ex(int32_t card, int32_t axis);

/* Pulse FIFOs, arcs, S-curve moves */
int32_t korvotarvik_fifo_pmove(int32_t card, int32_t axis, int32_t pulses, int32_t speed);
int32_t korvotarvik_reset_fifopmove(int32_t card, int32_t axis);
int32_t korvotarvik_read_fifopmove_empty(int32_t card, int32_t axis);
int32_t korvotarvik_read_fifopmove_full(int32_t card, int32_t axis);
int32_t korvotarvik_fifo_arc(int32_t card, int32_t axis1, int32_t axis2, int32_t start_x, int32_t start_y,
                             int32_t end_x, int32_t end_y, int32_t centre_x, int32_t centre_y, int32_t direction,
                             int32_t start_speed, int32_t speed, int32_t speed_step);
int32_t korvotarvik_fifo_scurve(int32_t card, int32_t axis, int32_t start_speed, int32_t max_speed, int32_t acc,
                                int32_t distance);
int32_t korvotarvik_fifo_status(int32_t card, int32_t axis, int32_t* out);

#ifdef __cplusplus
}
#endif

#endif

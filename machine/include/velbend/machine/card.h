// The program's binding to the motion-card library libTarvikM.so.
//
// The library is loaded by its file name at the first call of any entry
// (dlopen) and each entry is bound by its exported name (dlsym).  A missing
// library or a missing entry reads as "no card": initial() gives 0 cards and
// every other entry is refused with 1 (read_fifo_empty: 1, as for an empty
// FIFO; get_hardware_ver: 1.0).  Nothing aborts.  Out-parameters are left
// untouched by a refused call, exactly as the library leaves them.
//
// Where the library is looked for, in this order:
//   1. $VELBEND_CARDLIB (a full path; for tests and special installs),
//   2. libTarvikM.so beside the running executable,
//   3. the dynamic linker's default search path.
//
// Every call of the program passes card number 0 and, for an axis, 1 to 4
// (1 X feed, 2 Y bend, 3 Z cutter down/up, 4 A swing or forward feed).  The
// results are ignored by most callers; positions and states are read back
// when needed.
//
// The member names are the exported names without the "korvotarvik_" prefix
// so that `card.get_status(0, n, &s)` reads like the entry it calls.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

namespace velbend {

// The bound entries of the library (nullptr: entry missing), named as the
// exported entries without their "korvotarvik_" prefix.
struct CardEntries {
    int32_t (*initial)() = nullptr;
    double (*get_hardware_ver)(int32_t) = nullptr;
    int32_t (*set_startv)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*set_speed)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*set_acc)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*set_command_pos)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*set_actual_pos)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*set_stop0_mode)(int32_t, int32_t, int32_t, int32_t) = nullptr;
    int32_t (*get_status)(int32_t, int32_t, int32_t*) = nullptr;
    int32_t (*get_command_pos)(int32_t, int32_t, int32_t*) = nullptr;
    int32_t (*get_actual_pos)(int32_t, int32_t, int32_t*) = nullptr;
    int32_t (*get_speed)(int32_t, int32_t, int32_t*) = nullptr;
    int32_t (*pmove)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*dec_stop)(int32_t, int32_t) = nullptr;
    int32_t (*sudden_stop)(int32_t, int32_t) = nullptr;
    int32_t (*inp_move2)(int32_t, int32_t, int32_t, int32_t, int32_t) = nullptr;
    int32_t (*fifo_inp_move2)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) = nullptr;
    int32_t (*reset_fifo)(int32_t) = nullptr;
    int32_t (*read_fifo_empty)(int32_t) = nullptr;
    int32_t (*get_inp_status)(int32_t, int32_t*) = nullptr;
    int32_t (*read_bit)(int32_t, int32_t) = nullptr;
    int32_t (*write_bit)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*get_out)(int32_t, int32_t) = nullptr;
};

class Card {
public:
    Card() = default;
    // Copies share nothing but the loaded library (dlopen counts references).
    Card(const Card&) = default;
    Card& operator=(const Card&) = default;

    // Loads and binds now (done implicitly by the first call).  True when the
    // library was found; entries that it lacks are still refused one by one.
    bool Load();
    bool Loaded() const { return state_ == State::Loaded; }
    // The file that was loaded, or the reason why none was ("" before Load).
    const std::string& Where() const { return where_; }
    // Binds the given entries instead of loading the library: an in-process
    // card model for tests.  Entries left null are refused like missing ones.
    void Bind(const CardEntries& entries, std::string where = "in-process card") {
        e_ = entries;
        where_ = std::move(where);
        state_ = State::Loaded;
    }

    // --- discovery and configuration -----------------------------------
    int32_t initial();                                   // number of cards (0 none, <0 failure)
    double  get_hardware_ver(int32_t card);
    int32_t set_startv(int32_t card, int32_t axis, int32_t value);
    int32_t set_speed(int32_t card, int32_t axis, int32_t value);
    int32_t set_acc(int32_t card, int32_t axis, int32_t value);
    int32_t set_command_pos(int32_t card, int32_t axis, int32_t pos);
    int32_t set_actual_pos(int32_t card, int32_t axis, int32_t pos);
    int32_t set_stop0_mode(int32_t card, int32_t axis, int32_t enable, int32_t logic);

    // --- single-axis motion and queries --------------------------------
    int32_t get_status(int32_t card, int32_t axis, int32_t* out);   // out 1 while driving
    int32_t get_command_pos(int32_t card, int32_t axis, int32_t* out);
    int32_t get_actual_pos(int32_t card, int32_t axis, int32_t* out);
    int32_t get_speed(int32_t card, int32_t axis, int32_t* out);
    int32_t pmove(int32_t card, int32_t axis, int32_t pulses);
    int32_t dec_stop(int32_t card, int32_t axis);
    int32_t sudden_stop(int32_t card, int32_t axis);

    // --- interpolation and its FIFO -------------------------------------
    int32_t inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1, int32_t pulses2);
    int32_t fifo_inp_move2(int32_t card, int32_t axis1, int32_t axis2, int32_t pulses1,
                           int32_t pulses2, int32_t speed);
    int32_t reset_fifo(int32_t card);
    int32_t read_fifo_empty(int32_t card);               // 1 empty (or refused)
    int32_t get_inp_status(int32_t card, int32_t* out);  // out 1 while interpolating

    // --- digital IO ------------------------------------------------------
    int32_t read_bit(int32_t card, int32_t bit);         // input level 0/1 (1 also "refused")
    int32_t write_bit(int32_t card, int32_t bit, int32_t value);
    int32_t get_out(int32_t card, int32_t bit);          // last value written to an output

private:
    enum class State { NotTried, Loaded, Missing };
    void Ensure() { if (state_ == State::NotTried) Load(); }

    State state_ = State::NotTried;
    std::string where_;

    CardEntries e_;
};

}  // namespace velbend

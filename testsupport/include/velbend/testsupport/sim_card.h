// The card library's simulated card, reached through the same library file
// the program loads (libTarvikM.so beside the test executable): its control
// functions are bound with dlsym.  Usable() is false, with the reason in
// Why(), when the library or its simulated card is not there or does not
// move yet; tests then skip.  The card is left freshly reset (every axis at
// travelled position 0, no switch, inputs at 1, outputs off) with the
// manual clock on.
#pragma once
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "velbend/machine/card.h"

namespace velbend::testing {

class SimCard {
public:
    // Selects the simulated card with a manual clock and initialises the
    // library through `card` (the program's binding).
    explicit SimCard(Card& card) {
        ::unsetenv("VELBEND_CARDLIB");
        ::setenv("TARVIKM_SIM", "1", 1);
        ::unsetenv("TARVIKM_DENY_PORTS");
        std::error_code ec;
        auto lib = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "libTarvikM.so";
        handle_ = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            why_ = "no card library beside the test: " + lib.string();
            return;
        }
        reset_ = Sym<void (*)()>("tarvikm_sim_reset");
        active_ = Sym<int32_t (*)()>("tarvikm_sim_active");
        manual_ = Sym<void (*)(int32_t)>("tarvikm_sim_use_manual_clock");
        advance_ = Sym<void (*)(int32_t)>("tarvikm_sim_advance_ms");
        setInput_ = Sym<int32_t (*)(int32_t, int32_t, int32_t)>("tarvikm_sim_set_input");
        getInput_ = Sym<int32_t (*)(int32_t, int32_t)>("tarvikm_sim_get_input");
        place_ = Sym<int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)>("tarvikm_sim_place_switch");
        clear_ = Sym<void (*)(int32_t)>("tarvikm_sim_clear_switches");
        outputs_ = Sym<int32_t (*)(int32_t)>("tarvikm_sim_get_outputs");
        slip_ = Sym<int32_t (*)(int32_t, int32_t, double)>("tarvikm_sim_set_encoder_slip");
        ratio_ = Sym<int32_t (*)(int32_t, int32_t, double)>("tarvikm_sim_set_encoder_ratio");
        if (!reset_ || !active_ || !manual_ || !advance_ || !setInput_ || !getInput_ || !place_ || !clear_ ||
            !outputs_ || !slip_ || !ratio_) {
            why_ = "the card library has no simulated-card control";
            return;
        }
        reset_();
        manual_(1);
        if (card.initial() != 1 || active_() != 1) {
            why_ = "the simulated card was not found by korvotarvik_initial";
            return;
        }
        // Probe: a short move must run in card time.
        card.set_startv(0, 1, 1000);
        card.set_speed(0, 1, 1000);
        card.set_acc(0, 1, 10000);
        card.pmove(0, 1, 50);
        advance_(200);
        int32_t pos = 0, status = 1;
        card.get_command_pos(0, 1, &pos);
        card.get_status(0, 1, &status);
        if (pos != 50 || status != 0) {
            why_ = "the simulated card does not move yet";
            return;
        }
        // Fresh again for the test.
        reset_();
        manual_(1);
        if (card.initial() != 1) {
            why_ = "the simulated card was not found again after a reset";
            return;
        }
        usable_ = true;
    }
    ~SimCard() {
        if (usable_) manual_(0);
    }
    SimCard(const SimCard&) = delete;
    SimCard& operator=(const SimCard&) = delete;

    bool Usable() const { return usable_; }
    const std::string& Why() const { return why_; }
    void Advance(int ms) { advance_(ms); }
    void SetInput(int bit, int level) { setInput_(0, bit, level); }
    int Input(int bit) { return getInput_(0, bit); }
    // A switch pulling input `bit` to `level` while `axis` has travelled to
    // [from, to].
    void PlaceSwitch(int bit, int axis, int32_t from, int32_t to, int level = 0) {
        place_(0, bit, axis, from, to, level);
    }
    void ClearSwitches() { clear_(0); }
    uint32_t Outputs() { return static_cast<uint32_t>(outputs_(0)); }
    // The feed encoder sees (1 - s) of the travel.
    void SetSlip(double s) { slip_(0, 1, s); }
    // The feed encoder counts r x the travel (below 0 backwards).
    void SetEncoderRatio(double r) { ratio_(0, 1, r); }

    // A control function of the simulated card by name (nullptr: none).
    template <class F>
    F Sym(const char* name) {
        return handle_ ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
    }

private:
    void* handle_ = nullptr;
    bool usable_ = false;
    std::string why_;
    void (*reset_)() = nullptr;
    int32_t (*active_)() = nullptr;
    void (*manual_)(int32_t) = nullptr;
    void (*advance_)(int32_t) = nullptr;
    int32_t (*setInput_)(int32_t, int32_t, int32_t) = nullptr;
    int32_t (*getInput_)(int32_t, int32_t) = nullptr;
    int32_t (*place_)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) = nullptr;
    void (*clear_)(int32_t) = nullptr;
    int32_t (*outputs_)(int32_t) = nullptr;
    int32_t (*slip_)(int32_t, int32_t, double) = nullptr;
    int32_t (*ratio_)(int32_t, int32_t, double) = nullptr;
};

}  // namespace velbend::testing

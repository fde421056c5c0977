#include "velbend/machine/card.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velbend {
namespace {

constexpr const char* kLibName = "libTarvikM.so";

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path();
}

void* OpenLibrary(std::string& where) {
    if (const char* env = std::getenv("VELBEND_CARDLIB"); env && *env) {
        if (void* h = ::dlopen(env, RTLD_NOW | RTLD_LOCAL)) {
            where = env;
            return h;
        }
        const char* err = ::dlerror();
        where = std::string("VELBEND_CARDLIB: ") + (err ? err : env);
        return nullptr;
    }
    auto dir = ExecutableDir();
    if (!dir.empty()) {
        auto beside = dir / kLibName;
        std::error_code ec;
        if (std::filesystem::exists(beside, ec)) {
            if (void* h = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                where = beside.string();
                return h;
            }
        }
    }
    if (void* h = ::dlopen(kLibName, RTLD_NOW | RTLD_LOCAL)) {
        where = kLibName;
        return h;
    }
    const char* err = ::dlerror();
    where = err ? err : "libTarvikM.so not found";
    return nullptr;
}

template <class F>
void Bind(void* h, const char* name, F& slot) {
    slot = reinterpret_cast<F>(::dlsym(h, name));
}

}  // namespace

bool Card::Load() {
    void* h = OpenLibrary(where_);
    if (!h) {
        state_ = State::Missing;
        return false;
    }
    // The library stays loaded for the life of the process: it may run
    // worker threads of its own (S-curve moves).
    Bind(h, "korvotarvik_initial", initial_);
    Bind(h, "korvotarvik_get_hardware_ver", get_hardware_ver_);
    Bind(h, "korvotarvik_set_startv", set_startv_);
    Bind(h, "korvotarvik_set_speed", set_speed_);
    Bind(h, "korvotarvik_set_acc", set_acc_);
    Bind(h, "korvotarvik_set_command_pos", set_command_pos_);
    Bind(h, "korvotarvik_set_actual_pos", set_actual_pos_);
    Bind(h, "korvotarvik_set_stop0_mode", set_stop0_mode_);
    Bind(h, "korvotarvik_get_status", get_status_);
    Bind(h, "korvotarvik_get_command_pos", get_command_pos_);
    Bind(h, "korvotarvik_get_actual_pos", get_actual_pos_);
    Bind(h, "korvotarvik_get_speed", get_speed_);
    Bind(h, "korvotarvik_pmove", pmove_);
    Bind(h, "korvotarvik_dec_stop", dec_stop_);
    Bind(h, "korvotarvik_sudden_stop", sudden_stop_);
    Bind(h, "korvotarvik_inp_move2", inp_move2_);
    Bind(h, "korvotarvik_fifo_inp_move2", fifo_inp_move2_);
    Bind(h, "korvotarvik_reset_fifo", reset_fifo_);
    Bind(h, "korvotarvik_read_fifo_empty", read_fifo_empty_);
    Bind(h, "korvotarvik_get_inp_status", get_inp_status_);
    Bind(h, "korvotarvik_read_bit", read_bit_);
    Bind(h, "korvotarvik_write_bit", write_bit_);
    Bind(h, "korvotarvik_get_out", get_out_);
    state_ = State::Loaded;
    return true;
}

// A missing entry is a refusal: 1 (0 cards for initial, 1.0 for the version).
#define VB_CALL(fn, refused, ...)          \
    Ensure();                              \
    if (!fn##_) return refused;            \
    return fn##_(__VA_ARGS__)

int32_t Card::initial() { VB_CALL(initial, 0); }
double Card::get_hardware_ver(int32_t c) { VB_CALL(get_hardware_ver, 1.0, c); }
int32_t Card::set_startv(int32_t c, int32_t a, int32_t v) { VB_CALL(set_startv, 1, c, a, v); }
int32_t Card::set_speed(int32_t c, int32_t a, int32_t v) { VB_CALL(set_speed, 1, c, a, v); }
int32_t Card::set_acc(int32_t c, int32_t a, int32_t v) { VB_CALL(set_acc, 1, c, a, v); }
int32_t Card::set_command_pos(int32_t c, int32_t a, int32_t p) { VB_CALL(set_command_pos, 1, c, a, p); }
int32_t Card::set_actual_pos(int32_t c, int32_t a, int32_t p) { VB_CALL(set_actual_pos, 1, c, a, p); }
int32_t Card::set_stop0_mode(int32_t c, int32_t a, int32_t e, int32_t l) { VB_CALL(set_stop0_mode, 1, c, a, e, l); }
int32_t Card::get_status(int32_t c, int32_t a, int32_t* o) { VB_CALL(get_status, 1, c, a, o); }
int32_t Card::get_command_pos(int32_t c, int32_t a, int32_t* o) { VB_CALL(get_command_pos, 1, c, a, o); }
int32_t Card::get_actual_pos(int32_t c, int32_t a, int32_t* o) { VB_CALL(get_actual_pos, 1, c, a, o); }
int32_t Card::get_speed(int32_t c, int32_t a, int32_t* o) { VB_CALL(get_speed, 1, c, a, o); }
int32_t Card::pmove(int32_t c, int32_t a, int32_t p) { VB_CALL(pmove, 1, c, a, p); }
int32_t Card::dec_stop(int32_t c, int32_t a) { VB_CALL(dec_stop, 1, c, a); }
int32_t Card::sudden_stop(int32_t c, int32_t a) { VB_CALL(sudden_stop, 1, c, a); }
int32_t Card::inp_move2(int32_t c, int32_t a1, int32_t a2, int32_t p1, int32_t p2) { VB_CALL(inp_move2, 1, c, a1, a2, p1, p2); }
int32_t Card::fifo_inp_move2(int32_t c, int32_t a1, int32_t a2, int32_t p1, int32_t p2, int32_t s) { VB_CALL(fifo_inp_move2, 1, c, a1, a2, p1, p2, s); }
int32_t Card::reset_fifo(int32_t c) { VB_CALL(reset_fifo, 1, c); }
int32_t Card::read_fifo_empty(int32_t c) { VB_CALL(read_fifo_empty, 1, c); }
int32_t Card::get_inp_status(int32_t c, int32_t* o) { VB_CALL(get_inp_status, 1, c, o); }
int32_t Card::read_bit(int32_t c, int32_t b) { VB_CALL(read_bit, 1, c, b); }
int32_t Card::write_bit(int32_t c, int32_t b, int32_t v) { VB_CALL(write_bit, 1, c, b, v); }
int32_t Card::get_out(int32_t c, int32_t b) { VB_CALL(get_out, 1, c, b); }

#undef VB_CALL

}  // namespace velbend

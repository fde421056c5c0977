#include "velbend/machine/card.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <type_traits>
#include <utility>

// The entry table must match the library's own declarations.
#if __has_include("../../cardlib/include/tarvikm.h")
#include "../../cardlib/include/tarvikm.h"
#define VB_CHECK_ENTRY(name)                                                        \
    static_assert(std::is_same_v<decltype(&korvotarvik_##name),                     \
                                 decltype(std::declval<velbend::CardEntries&>().name)>, \
                  "binding of korvotarvik_" #name " differs from tarvikm.h")
#else
#define VB_CHECK_ENTRY(name) static_assert(true)
#endif

VB_CHECK_ENTRY(initial);
VB_CHECK_ENTRY(get_hardware_ver);
VB_CHECK_ENTRY(set_startv);
VB_CHECK_ENTRY(set_speed);
VB_CHECK_ENTRY(set_acc);
VB_CHECK_ENTRY(set_command_pos);
VB_CHECK_ENTRY(set_actual_pos);
VB_CHECK_ENTRY(set_stop0_mode);
VB_CHECK_ENTRY(get_status);
VB_CHECK_ENTRY(get_command_pos);
VB_CHECK_ENTRY(get_actual_pos);
VB_CHECK_ENTRY(get_speed);
VB_CHECK_ENTRY(pmove);
VB_CHECK_ENTRY(dec_stop);
VB_CHECK_ENTRY(sudden_stop);
VB_CHECK_ENTRY(inp_move2);
VB_CHECK_ENTRY(fifo_inp_move2);
VB_CHECK_ENTRY(reset_fifo);
VB_CHECK_ENTRY(read_fifo_empty);
VB_CHECK_ENTRY(get_inp_status);
VB_CHECK_ENTRY(read_bit);
VB_CHECK_ENTRY(write_bit);
VB_CHECK_ENTRY(get_out);

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
void BindEntry(void* h, const char* name, F& slot) {
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
    BindEntry(h, "korvotarvik_initial", e_.initial);
    BindEntry(h, "korvotarvik_get_hardware_ver", e_.get_hardware_ver);
    BindEntry(h, "korvotarvik_set_startv", e_.set_startv);
    BindEntry(h, "korvotarvik_set_speed", e_.set_speed);
    BindEntry(h, "korvotarvik_set_acc", e_.set_acc);
    BindEntry(h, "korvotarvik_set_command_pos", e_.set_command_pos);
    BindEntry(h, "korvotarvik_set_actual_pos", e_.set_actual_pos);
    BindEntry(h, "korvotarvik_set_stop0_mode", e_.set_stop0_mode);
    BindEntry(h, "korvotarvik_get_status", e_.get_status);
    BindEntry(h, "korvotarvik_get_command_pos", e_.get_command_pos);
    BindEntry(h, "korvotarvik_get_actual_pos", e_.get_actual_pos);
    BindEntry(h, "korvotarvik_get_speed", e_.get_speed);
    BindEntry(h, "korvotarvik_pmove", e_.pmove);
    BindEntry(h, "korvotarvik_dec_stop", e_.dec_stop);
    BindEntry(h, "korvotarvik_sudden_stop", e_.sudden_stop);
    BindEntry(h, "korvotarvik_inp_move2", e_.inp_move2);
    BindEntry(h, "korvotarvik_fifo_inp_move2", e_.fifo_inp_move2);
    BindEntry(h, "korvotarvik_reset_fifo", e_.reset_fifo);
    BindEntry(h, "korvotarvik_read_fifo_empty", e_.read_fifo_empty);
    BindEntry(h, "korvotarvik_get_inp_status", e_.get_inp_status);
    BindEntry(h, "korvotarvik_read_bit", e_.read_bit);
    BindEntry(h, "korvotarvik_write_bit", e_.write_bit);
    BindEntry(h, "korvotarvik_get_out", e_.get_out);
    state_ = State::Loaded;
    return true;
}

// A missing entry is a refusal: 1 (0 cards for initial, 1.0 for the version).
#define VB_CALL(fn, refused, ...)          \
    Ensure();                              \
    if (!e_.fn) return refused;            \
    return e_.fn(__VA_ARGS__)

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

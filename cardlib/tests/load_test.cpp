// The built library loaded the way the program loads it: dlopen by path and
// dlsym of every entry.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "tarvikm.h"
#include "tarvikm_sim.h"

namespace {

// Every korvotarvik_ entry the machine's documentation names.
const char* const kDocumented[] = {
    "korvotarvik_GetHomeStatus_Ex", "korvotarvik_HomeProcess_Ex", "korvotarvik_SetHomeMode_Ex",
    "korvotarvik_SetHomeSpeed_Ex", "korvotarvik_clr_lock_status", "korvotarvik_continue_move",
    "korvotarvik_dec_stop", "korvotarvik_fifo_arc", "korvotarvik_fifo_inp_move1", "korvotarvik_fifo_inp_move2",
    "korvotarvik_fifo_inp_move3", "korvotarvik_fifo_inp_move4", "korvotarvik_fifo_pmove", "korvotarvik_fifo_scurve",
    "korvotarvik_fifo_status", "korvotarvik_get_actual_pos", "korvotarvik_get_card_index",
    "korvotarvik_get_command_pos", "korvotarvik_get_delay_status", "korvotarvik_get_hardware_ver",
    "korvotarvik_get_inp_status", "korvotarvik_get_lib_version", "korvotarvik_get_lock_position",
    "korvotarvik_get_lock_status", "korvotarvik_get_out", "korvotarvik_get_speed", "korvotarvik_get_status",
    "korvotarvik_get_stopdata", "korvotarvik_home1", "korvotarvik_home2", "korvotarvik_initial",
    "korvotarvik_inp_move2", "korvotarvik_inp_move3", "korvotarvik_inp_move4", "korvotarvik_manual_continue",
    "korvotarvik_manual_disable", "korvotarvik_manual_pmove", "korvotarvik_pmove", "korvotarvik_read_bit",
    "korvotarvik_read_fifo_count", "korvotarvik_read_fifo_empty", "korvotarvik_read_fifo_full",
    "korvotarvik_read_fifopmove_empty", "korvotarvik_read_fifopmove_full", "korvotarvik_reset_fifo",
    "korvotarvik_reset_fifopmove", "korvotarvik_set_acc", "korvotarvik_set_actual_pos",
    "korvotarvik_set_command_pos", "korvotarvik_set_delay_time", "korvotarvik_set_limit_mode",
    "korvotarvik_set_lock_position", "korvotarvik_set_pulse_mode", "korvotarvik_set_speed", "korvotarvik_set_startv",
    "korvotarvik_set_stop0_mode", "korvotarvik_set_stop1_mode", "korvotarvik_set_suddenstop_mode",
    "korvotarvik_set_symmetry_speed", "korvotarvik_sudden_stop", "korvotarvik_symmetry_absolute_line2",
    "korvotarvik_symmetry_absolute_line3", "korvotarvik_symmetry_absolute_line4",
    "korvotarvik_symmetry_absolute_move", "korvotarvik_symmetry_relative_line2",
    "korvotarvik_symmetry_relative_line3", "korvotarvik_symmetry_relative_line4",
    "korvotarvik_symmetry_relative_move", "korvotarvik_write_bit",
};

// Function names declared in a header.
std::set<std::string> declared(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    std::regex fn(R"(\b((?:korvotarvik_|tarvikm_sim_)\w+|GetPortVal|SetPortVal)\s*\()");
    for (std::sregex_iterator it(text.begin(), text.end(), fn), end; it != end; ++it)
        names.insert((*it)[1]);
    return names;
}

struct Library {
    void* handle = dlopen(TARVIKM_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ~Library()
    {
        if (handle)
            dlclose(handle);
    }
};

}  // namespace

TEST(Load, EveryHeaderAndDocumentedEntryResolves)
{
    Library lib;
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    std::string dir = TARVIKM_INCLUDE_DIR;
    std::set<std::string> names = declared(dir + "/tarvikm.h");
    std::set<std::string> sim = declared(dir + "/tarvikm_sim.h");
    EXPECT_GE(names.size(), 70u);
    EXPECT_GE(sim.size(), 15u);
    names.insert(sim.begin(), sim.end());
    for (const char* n : kDocumented) {
        EXPECT_TRUE(names.count(n)) << n << " missing from the header";
        names.insert(n);
    }
    for (const std::string& n : names)
        EXPECT_NE(dlsym(lib.handle, n.c_str()), nullptr) << n;
    EXPECT_EQ(dlsym(lib.handle, "_ZN7tarvikm5stateEv"), nullptr);  // internals stay hidden
}

TEST(Load, InitialThroughDlsymOnBothBackends)
{
    Library lib;
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    auto initial = reinterpret_cast<int32_t (*)()>(dlsym(lib.handle, "korvotarvik_initial"));
    auto reset = reinterpret_cast<void (*)()>(dlsym(lib.handle, "tarvikm_sim_reset"));
    ASSERT_TRUE(initial && reset);
    reset();
    setenv("TARVIKM_SIM", "1", 1);
    EXPECT_EQ(initial(), 1);
    unsetenv("TARVIKM_SIM");
    setenv("TARVIKM_DENY_PORTS", "1", 1);
    EXPECT_LT(initial(), 1);
    unsetenv("TARVIKM_DENY_PORTS");
}

namespace {
int threads()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}
}  // namespace

TEST(Load, UnloadingEndsARunningScurveWorker)
{
    std::thread([] {}).join();  // a sanitizer's own helper thread starts with the first thread
    int before = threads();
    {
        Library lib;
        ASSERT_NE(lib.handle, nullptr) << dlerror();
        auto sym = [&](const char* n) { return dlsym(lib.handle, n); };
        auto reset = reinterpret_cast<void (*)()>(sym("tarvikm_sim_reset"));
        auto manual = reinterpret_cast<void (*)(int32_t)>(sym("tarvikm_sim_use_manual_clock"));
        auto initial = reinterpret_cast<int32_t (*)()>(sym("korvotarvik_initial"));
        auto scurve = reinterpret_cast<int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)>(
            sym("korvotarvik_fifo_scurve"));
        ASSERT_TRUE(reset && manual && initial && scurve);
        setenv("TARVIKM_SIM", "1", 1);
        reset();
        manual(1);  // the clock stands still: the worker waits for room for ever
        ASSERT_EQ(initial(), 1);
        ASSERT_EQ(scurve(0, 1, 0, 2000000, 200000, 2000000), 0);
        EXPECT_GT(threads(), before);
    }  // dlclose
    EXPECT_EQ(threads(), before);
    unsetenv("TARVIKM_SIM");
}

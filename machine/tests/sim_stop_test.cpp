// Stop on the simulated card of libTarvikM.so: the interpolation FIFO is
// emptied, every moving axis decelerates to a stop, outputs 0 to 7 go off.
// Loads the library built beside this test (the program's own binding) and
// drives the card's manual clock through the library's control API.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

#include "machine_fixture.h"
#include "velbend/machine/run_state.h"

namespace velbend {
namespace {

using testing::MachineFixture;

std::filesystem::path LibraryBesideTest() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "libTarvikM.so";
}

// The simulated card's control entries, bound from the same library.
struct SimApi {
    void (*reset)() = nullptr;
    void (*use_manual_clock)(int32_t) = nullptr;
    void (*advance_ms)(int32_t) = nullptr;
    int32_t (*get_outputs)(int32_t) = nullptr;
    int32_t (*active)() = nullptr;
    bool Bind(void* h) {
        reset = reinterpret_cast<void (*)()>(::dlsym(h, "tarvikm_sim_reset"));
        use_manual_clock = reinterpret_cast<void (*)(int32_t)>(::dlsym(h, "tarvikm_sim_use_manual_clock"));
        advance_ms = reinterpret_cast<void (*)(int32_t)>(::dlsym(h, "tarvikm_sim_advance_ms"));
        get_outputs = reinterpret_cast<int32_t (*)(int32_t)>(::dlsym(h, "tarvikm_sim_get_outputs"));
        active = reinterpret_cast<int32_t (*)()>(::dlsym(h, "tarvikm_sim_active"));
        return reset && use_manual_clock && advance_ms && get_outputs && active;
    }
};

struct SimStopTest : ::testing::Test, MachineFixture {
    SimApi sim;
    void* lib = nullptr;
    void SetUp() override {
        const auto path = LibraryBesideTest();
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "libTarvikM.so is not built beside the test";
        ::setenv("TARVIKM_SIM", "1", 1);
        ::setenv("VELBEND_CARDLIB", path.c_str(), 1);
        lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr);
        ASSERT_TRUE(sim.Bind(lib));
        sim.reset();
        sim.use_manual_clock(1);
        ASSERT_EQ(c().card.initial(), 1) << c().card.Where();
        ASSERT_EQ(sim.active(), 1);
    }
    void TearDown() override {
        if (lib) ::dlclose(lib);
        ::unsetenv("TARVIKM_SIM");
    }
    void Start(int axis, int32_t pulses) {
        auto& card = c().card;
        card.set_startv(0, axis, 1000);
        card.set_speed(0, axis, 20000);
        card.set_acc(0, axis, 200);
        card.pmove(0, axis, pulses);
    }
    int32_t Status(int axis) {
        int32_t s = -1;
        c().card.get_status(0, axis, &s);
        return s;
    }
    int32_t Pos(int axis) {
        int32_t p = 0;
        c().card.get_command_pos(0, axis, &p);
        return p;
    }
};

TEST_F(SimStopTest, StopEmptiesTheFifoStopsEveryMovingAxisAndSwitchesOutputsOff) {
    auto& card = c().card;
    for (int bit = 0; bit <= 7; ++bit) card.write_bit(0, bit, 1);
    card.write_bit(0, 9, 1);  // a spare output above 7 stays as it is
    Start(2, 1000000);
    Start(4, -1000000);
    // Queued interpolation segments of axes 1 and 3 (they run at the
    // profile of axis 1).
    card.set_startv(0, 1, 1000);
    card.set_acc(0, 1, 200);
    for (int i = 0; i < 4; ++i) card.fifo_inp_move2(0, 1, 3, 100000, 50000, 2000);
    sim.advance_ms(100);
    ASSERT_EQ(Status(2), 1);
    ASSERT_EQ(Status(4), 1);
    ASSERT_EQ(card.read_fifo_empty(0), 0);
    c().run.gRunning = kTrue;
    c().run.gHomeState = 2;

    Command_Stop_Click(c());

    EXPECT_EQ(card.read_fifo_empty(0), 1);
    EXPECT_EQ(sim.get_outputs(0) & 0xFF, 0);
    EXPECT_NE(sim.get_outputs(0) & 0x200, 0);
    for (int bit = 0; bit <= 7; ++bit) EXPECT_EQ(card.get_out(0, bit), 0) << bit;
    sim.advance_ms(3000);
    for (int axis = 1; axis <= 4; ++axis) EXPECT_EQ(Status(axis), 0) << axis;
    // Both moving axes stopped far short of their targets.
    EXPECT_LT(Pos(2), 500000);
    EXPECT_GT(Pos(4), -500000);
    EXPECT_GT(Pos(2), 0);
    EXPECT_EQ(Axis_Status(c()), 0);
    EXPECT_FALSE(IsMachineBusy(c().run));
}

TEST_F(SimStopTest, AxisStatusSeesTheMovingAxisOnTheCard) {
    EXPECT_EQ(Axis_Status(c()), 0);
    Start(3, 100000);
    sim.advance_ms(10);
    EXPECT_EQ(Axis_Status(c()), 3);
    Command_Stop_Click(c());
    sim.advance_ms(3000);
    EXPECT_EQ(Axis_Status(c()), 0);
}

TEST(CardBinding, TheLibraryBesideTheProgramIsFoundByItself) {
    const auto path = LibraryBesideTest();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "libTarvikM.so is not built beside the test";
    ::unsetenv("VELBEND_CARDLIB");
    ::setenv("TARVIKM_SIM", "1", 1);
    Card card;
    EXPECT_EQ(card.initial(), 1);
    EXPECT_EQ(card.Where(), path.string());
    EXPECT_DOUBLE_EQ(card.get_hardware_ver(0), 3.2);
    // A wrong override is not silently replaced by another library.
    ::setenv("VELBEND_CARDLIB", "/nonexistent/libTarvikM.so", 1);
    Card missing;
    EXPECT_EQ(missing.initial(), 0);
    EXPECT_EQ(missing.write_bit(0, 1, 1), 1);
    EXPECT_NE(missing.Where().find("VELBEND_CARDLIB"), std::string::npos);
    ::unsetenv("TARVIKM_SIM");
}

}  // namespace
}  // namespace velbend

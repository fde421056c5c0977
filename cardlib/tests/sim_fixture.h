// Shared set-up of the card-library tests: the simulated card on a manual
// clock, the library started afresh, and the port trace of a card window.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tarvikm.h"
#include "tarvikm_sim.h"

struct Access {
    bool write;
    uint32_t offset;
    uint32_t value;
    bool operator==(const Access& o) const { return write == o.write && offset == o.offset && value == o.value; }
};

inline Access W(uint32_t offset, uint32_t value) { return {true, offset, value}; }
inline Access R(uint32_t offset) { return {false, offset, 0}; }

inline void PrintTo(const Access& a, std::ostream* os)
{
    *os << (a.write ? "W(" : "R(") << a.offset << ", 0x" << std::hex << a.value << std::dec << ")";
}

class SimCard : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TARVIKM_SIM", "1", 1);
        unsetenv("TARVIKM_DENY_PORTS");
        tarvikm_sim_reset();
        tarvikm_sim_use_manual_clock(1);
        if (start_library()) {
            ASSERT_EQ(korvotarvik_initial(), 1);
        }
        tarvikm_sim_log_clear();
        tarvikm_sim_log_enable(1);
    }

    void TearDown() override
    {
        korvotarvik_set_pump_callback(nullptr, nullptr);
        tarvikm_sim_reset();
    }

    virtual bool start_library() { return true; }

    // Accesses of one card window since the last call, reads without value.
    std::vector<Access> trace(int index = 0)
    {
        uint32_t base = tarvikm_sim_card_base(index);
        std::vector<Access> out;
        int n = tarvikm_sim_log_count();
        for (int i = 0; i < n; ++i) {
            tarvikm_sim_access a;
            tarvikm_sim_log_get(i, &a);
            if (a.port >= base && a.port < base + 24)
                out.push_back({a.write != 0, a.port - base, a.write ? a.value : 0});
        }
        tarvikm_sim_log_clear();
        return out;
    }

    // Values of the data double words pushed by a given command, in order.
    std::vector<uint32_t> pushed(uint32_t code, int index = 0)
    {
        std::vector<uint32_t> words;
        uint32_t low = 0, high = 0;
        for (const Access& a : trace(index)) {
            if (!a.write)
                continue;
            if (a.offset == 12)
                low = a.value;
            else if (a.offset == 14)
                high = a.value;
            else if (a.offset == 0 && a.value == code)
                words.push_back(high << 16 | low);
        }
        return words;
    }

    static int32_t status(int axis)
    {
        int32_t s = -1;
        korvotarvik_get_status(0, axis, &s);
        return s;
    }
    static int32_t command_pos(int axis)
    {
        int32_t p = 0;
        korvotarvik_get_command_pos(0, axis, &p);
        return p;
    }
    static int32_t actual_pos(int axis)
    {
        int32_t p = 0;
        korvotarvik_get_actual_pos(0, axis, &p);
        return p;
    }
    static void speeds(int axis, int32_t start, int32_t speed, int32_t acc)
    {
        korvotarvik_set_startv(0, axis, start);
        korvotarvik_set_speed(0, axis, speed);
        korvotarvik_set_acc(0, axis, acc);
    }
};

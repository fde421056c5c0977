// Shared by the tests of Run (the G5.dat writer): the files of the test
// data folder, and a card whose command positions and inputs the test sets.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "velbend/machine/card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

// The bytes of a file of the test data folder ("" when it cannot be read).
inline std::string ReadData(const std::string& name) {
    std::ifstream f(TestData(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Switches rest at 1; get_command_pos answers pos[axis].
struct PositionCard {
    int32_t pos[5] = {0, 0, 0, 0, 0};
    int32_t input[48] = {};
    static PositionCard& Get() {
        static PositionCard c;
        return c;
    }
    static void Install(Card& card) {
        Get() = PositionCard();
        for (auto& i : Get().input) i = 1;
        CardEntries e;
        e.get_command_pos = [](int32_t, int32_t a, int32_t* o) {
            *o = Get().pos[a];
            return 0;
        };
        e.read_bit = [](int32_t, int32_t b) { return Get().input[b]; };
        card.Bind(e, "position card");
    }
};

}  // namespace velbend::testing

// The IO monitor on the simulated card: lamps from the poll, the buttons
// in their output order, the caption toggles by user level, and the
// neutral lamps without a card.
#include "velbend/forms/io_form.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tarvikm_sim.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class IoFormTest : public ::testing::Test {
protected:
    IoFormTest() : program(op), sim(program.ctx.card) {}
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    }
    testing::TempHome home;
    RecordingOperator op;
    Program program;
    testing::SimCard sim;
};

TEST_F(IoFormTest, PolledInputsLightWhenActive) {
    IO_Model f(program);
    f.Form_Load();
    // Every polled input with its lamp; the limits share no lamp with them.
    const std::pair<int, int> polled[] = {{2, 8},  {8, 9},   {14, 10}, {20, 11},
                                          {16, 16}, {17, 17}, {18, 18}, {19, 19}};
    for (auto [bit, lamp] : polled) {
        sim.SetInput(bit, 0);
        f.Timer1_Timer();
        EXPECT_EQ(f.Shape1(lamp), Lamp::Green) << bit;
        sim.SetInput(bit, 1);
        f.Timer1_Timer();
        EXPECT_EQ(f.Shape1(lamp), Lamp::Background) << bit;
    }
    // Limits are not polled: their lamps never change.
    for (int bit : {0, 1, 6, 7, 12, 13}) sim.SetInput(bit, 0);
    f.Timer1_Timer();
    for (int lamp = 0; lamp <= 7; ++lamp) EXPECT_EQ(f.Shape1(lamp), Lamp::Background) << lamp;
    // Outputs: red while on.
    program.ctx.card.write_bit(0, 5, 1);
    f.Timer1_Timer();
    for (int i = 0; i <= 7; ++i) EXPECT_EQ(f.Shape2(i), i == 5 ? Lamp::Red : Lamp::Background) << i;
}

TEST_F(IoFormTest, ButtonsSwitchOutputsInTheirOrder) {
    auto log = sim.Sym<void (*)(int32_t)>("tarvikm_sim_log_enable");
    auto clear = sim.Sym<void (*)()>("tarvikm_sim_log_clear");
    auto count = sim.Sym<int32_t (*)()>("tarvikm_sim_log_count");
    auto get = sim.Sym<int32_t (*)(int32_t, tarvikm_sim_access*)>("tarvikm_sim_log_get");
    ASSERT_TRUE(log && clear && count && get);
    program.params.gSysParaTable.gBendMechanisms = 1;
    IO_Model f(program);
    f.Form_Load();
    // The output word as written to the card, write by write.
    auto words = [&](auto click) {
        program.ctx.card.write_bit(0, 7, 1);  // a marker bit in every word
        clear();
        log(1);
        click();
        log(0);
        std::vector<uint32_t> out;
        for (int32_t i = 0; i < count(); ++i) {
            tarvikm_sim_access a{};
            get(i, &a);
            if (a.write && (a.value & 0x80u) && (a.value & ~0xFFu) == 0) out.push_back(a.value & 0x7Fu);
        }
        return out;
    };
    program.ctx.card.write_bit(0, 2, 1);
    EXPECT_EQ(words([&] { f.Command1_Click(1); }), (std::vector<uint32_t>{0u, 2u}));  // OUT2 off, then OUT1 on
    EXPECT_EQ(program.ctx.run.gCylinderBusy, 1);
    program.ctx.run.gCylinderBusy = 0;
    EXPECT_EQ(words([&] { f.Command1_Click(2); }), (std::vector<uint32_t>{0u, 4u}));  // OUT1 off, then OUT2 on
    EXPECT_EQ(program.ctx.run.gCylinderBusy, 1);
    // A stroke started by hand is motion until its sensor ends it: nothing
    // else starts meanwhile, but Cutter Back still acts.
    f.Command1_Click(3);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    program.ctx.card.write_bit(0, 2, 0);
    f.Command1_Click(2);
    EXPECT_EQ(program.ctx.card.get_out(0, 2), 1);
    program.ctx.run.gCylinderBusy = 0;
    // The toggles invert their output.
    for (int16_t index : {0, 3, 4}) {
        const int bit = index;
        f.Command1_Click(index);
        EXPECT_EQ(program.ctx.card.get_out(0, bit), 1) << index;
        f.Command1_Click(index);
        EXPECT_EQ(program.ctx.card.get_out(0, bit), 0) << index;
    }
    // Not under a program: the pressing would let the strip go.  Cutter
    // Back ends a stroke, under a program too.
    program.ctx.run.gRunning = kTrue;
    f.Command1_Click(3);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    program.ctx.card.write_bit(0, 1, 1);
    program.ctx.card.write_bit(0, 2, 0);
    f.Command1_Click(2);
    EXPECT_EQ(program.ctx.card.get_out(0, 1), 0);
    EXPECT_EQ(program.ctx.card.get_out(0, 2), 1);
}

TEST_F(IoFormTest, ButtonsTheMachineCannotUseAreDisabled) {
    auto& t = program.params.gSysParaTable;
    struct Case { int16_t upDown, mechanisms; bool out, back, bend; };
    const Case cases[] = {{0, 1, true, true, true}, {1, 1, false, false, true},
                          {0, 0, true, true, false}, {0, 2, true, true, false}};
    for (const Case& c : cases) {
        t.gCutterUpDownMode = c.upDown;
        t.gBendMechanisms = c.mechanisms;
        IO_Model f(program);
        f.Form_Load();
        EXPECT_EQ(f.Enabled("Command1(1)"), c.out);
        EXPECT_EQ(f.Enabled("Command1(2)"), c.back);
        EXPECT_EQ(f.Enabled("Command1(4)"), c.bend);
        EXPECT_TRUE(f.Enabled("Command1(0)") && f.Enabled("Command1(3)"));
        // A disabled button acts on nothing.
        program.ctx.card.write_bit(0, 4, 0);
        f.Command1_Click(4);
        EXPECT_EQ(program.ctx.card.get_out(0, 4), c.bend ? 1 : 0);
    }
}

TEST_F(IoFormTest, CaptionClickSwitchesOnlyAtLevelTwo) {
    for (int16_t level : {0, 1, 2}) {
        program.params.gUserLevel = level;
        IO_Model f(program);
        f.Form_Load();
        f.Timer1_Timer();
        f.Label21_Click(6);
        EXPECT_EQ(program.ctx.card.get_out(0, 6), level == 2 ? 1 : 0) << level;
        EXPECT_EQ(f.Shape2(6), level == 2 ? Lamp::Red : Lamp::Background) << level;  // before any poll
        f.Label21_Click(6);
        EXPECT_EQ(program.ctx.card.get_out(0, 6), 0);
        EXPECT_EQ(f.Shape2(6), Lamp::Background);
    }
}

TEST(IoFormNoCard, LampsAreNeutralWithoutACard) {
    testing::TempHome home;
    ::setenv("VELBEND_CARDLIB", "/nonexistent/libTarvikM.so", 1);
    RecordingOperator op;
    Program program(op);
    program.params.gUserLevel = 2;
    IO_Model f(program);
    f.Form_Load();
    f.Timer1_Timer();
    for (int lamp : {8, 9, 10, 11, 16, 17, 18, 19}) EXPECT_EQ(f.Shape1(lamp), Lamp::Neutral) << lamp;
    for (int lamp : {0, 1, 7}) EXPECT_EQ(f.Shape1(lamp), Lamp::Background) << lamp;
    for (int i = 0; i <= 7; ++i) EXPECT_EQ(f.Shape2(i), Lamp::Neutral) << i;
    f.Label21_Click(1);
    EXPECT_EQ(f.Shape2(1), Lamp::Neutral);
    ::unsetenv("VELBEND_CARDLIB");
}

}  // namespace
}  // namespace velbend

// Discovery and numbering of the cards on the (simulated) PCI bus, and the
// ports backend when port access is refused.
#include <climits>

#include "sim_fixture.h"

class Discovery : public SimCard {
protected:
    bool start_library() override { return false; }

    static std::vector<int32_t> index()
    {
        int32_t cards[10];
        if (korvotarvik_get_card_index(cards) != 0)
            return {};
        int n = korvotarvik_initial_count();
        return std::vector<int32_t>(cards, cards + n);
    }
    static int korvotarvik_initial_count()
    {
        int n = 0;
        for (int c = 0; c < 16; ++c)
            n += korvotarvik_get_out(c, 0) == 0;
        return n;
    }
};

TEST_F(Discovery, DefaultIsOneCardNumberedZero)
{
    EXPECT_EQ(korvotarvik_initial(), 1);
    EXPECT_EQ(index(), (std::vector<int32_t>{0}));
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(0), 3.2);
    EXPECT_EQ(tarvikm_sim_active(), 1);
}

TEST_F(Discovery, SwitchNumberingAndStartUpReset)
{
    tarvikm_sim_clear_bus();
    tarvikm_sim_add_card(2, 7, 0, 0x0300, 0xC, 0xD001);  // switch value 12: card 3
    tarvikm_sim_log_enable(1);
    tarvikm_sim_log_clear();
    EXPECT_EQ(korvotarvik_initial(), 1);
    std::vector<Access> t = trace(0);
    EXPECT_EQ(index(), (std::vector<int32_t>{3}));
    EXPECT_EQ(korvotarvik_pmove(0, 1, 100), 1);
    EXPECT_EQ(korvotarvik_get_out(0, 1), 1);
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(3), 3.0);

    // The reset: per axis a sudden stop, minimum speeds and acceleration,
    // then the sudden-stop input off and the sixteen outputs off.
    std::vector<Access> want;
    for (int axis = 1; axis <= 4; ++axis) {
        uint32_t bit = 0x80u << axis;
        for (Access a : {W(0, 0x1E), W(0, 0x35 + 3 * (axis - 1)), W(0, 0x27 | bit), W(12, 1), W(14, 0),
                         W(0, 0x04 | bit), W(12, 1), W(14, 0), W(0, 0x05 | bit), W(12, 1), W(0, 0x02 | bit)})
            want.push_back(a);
    }
    want.push_back(W(4, 0));
    want.push_back(W(0, 0x0E));
    for (int bit = 0; bit < 16; ++bit)
        want.push_back(W(8, 0));
    ASSERT_GE(t.size(), want.size());
    EXPECT_EQ(std::vector<Access>(t.end() - want.size(), t.end()), want);
}

TEST_F(Discovery, OldCardsAreNumberedInScanOrder)
{
    tarvikm_sim_clear_bus();
    tarvikm_sim_add_card(0, 9, 0, 0x0205, 0x3, 0xD001);  // 2.5
    tarvikm_sim_add_card(1, 2, 0, 0x0301, 0x9, 0xC001);  // 3.1
    EXPECT_EQ(korvotarvik_initial(), 2);
    int32_t cards[10] = {};
    EXPECT_EQ(korvotarvik_get_card_index(cards), 0);
    EXPECT_EQ(cards[0], 0);
    EXPECT_EQ(cards[1], 1);
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(0), 2.5);
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(1), 3.1);
}

TEST_F(Discovery, AnOldCardLaterInTheScanStillNumbersAllCardsInScanOrder)
{
    tarvikm_sim_clear_bus();
    tarvikm_sim_add_card(0, 2, 0, 0x0301, 0xC, 0xD001);  // 3.1, switch value 12
    tarvikm_sim_add_card(0, 4, 0, 0x0209, 0xC, 0xC001);  // 2.9: scan order for all
    EXPECT_EQ(korvotarvik_initial(), 2);
    int32_t cards[10] = {-7, -7, -7};
    EXPECT_EQ(korvotarvik_get_card_index(cards), 0);
    EXPECT_EQ(cards[0], 0);
    EXPECT_EQ(cards[1], 1);
    EXPECT_EQ(cards[2], -7);
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(0), 3.1);
    EXPECT_DOUBLE_EQ(korvotarvik_get_hardware_ver(1), 2.9);
    EXPECT_EQ(korvotarvik_pmove(3, 1, 10), 1);
}

TEST_F(Discovery, FailuresKeepTheCardTableAndResetNothing)
{
    ASSERT_EQ(korvotarvik_initial(), 1);
    korvotarvik_write_bit(0, 2, 1);

    struct Case {
        const char* what;
        int32_t expected;
        void (*bus)();
    } cases[] = {
        {"same switch twice", -3,
         [] {
             tarvikm_sim_add_card(0, 9, 0, 0x0300, 0xE, 0xD001);
             tarvikm_sim_add_card(0, 10, 0, 0x0302, 0xE, 0xC001);
         }},
        {"switch above 9", -4, [] { tarvikm_sim_add_card(0, 9, 0, 0x0300, 0x5, 0xD001); }},
        {"window base 0", -2, [] { tarvikm_sim_add_card(0, 9, 0, 0x0300, 0xF, 0x1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tarvikm_sim_clear_bus();
        tarvikm_sim_add_card(0, 5, 0, 0x0302, 0xF, 0xE001);
        c.bus();
        tarvikm_sim_log_clear();
        EXPECT_EQ(korvotarvik_initial(), c.expected);
        int n = tarvikm_sim_log_count();
        for (int i = 0; i < n; ++i) {
            tarvikm_sim_access a;
            tarvikm_sim_log_get(i, &a);
            EXPECT_FALSE(a.write && a.port >= 0xC000 && a.port < 0xF000) << std::hex << a.port;
        }
        EXPECT_EQ(korvotarvik_get_out(0, 2), 1);  // still the old table
    }
}

TEST_F(Discovery, FunctionsWithoutWindowAndFurtherFunctionsOfADevice)
{
    tarvikm_sim_clear_bus();
    tarvikm_sim_add_function(0, 1, 0, 0x12345678, 0xB001);  // another device
    tarvikm_sim_add_card(0, 3, 0, 0x0205, 0xF, 0xD000);     // no IO window
    tarvikm_sim_add_card(0, 3, 1, 0x0205, 0xF, 0xD101);     // counts
    tarvikm_sim_add_card(0, 3, 2, 0x0205, 0xF, 0xD201);     // same device: ignored
    tarvikm_sim_add_card(4, 0, 7, 0x0205, 0xF, 0xD301);
    EXPECT_EQ(korvotarvik_initial(), 2);
    tarvikm_sim_log_clear();
    korvotarvik_write_bit(0, 0, 1);
    korvotarvik_write_bit(1, 0, 1);
    EXPECT_EQ(tarvikm_sim_get_outputs(2), 1);
    EXPECT_EQ(tarvikm_sim_get_outputs(3), 0);
    EXPECT_EQ(tarvikm_sim_get_outputs(4), 1);
}

TEST_F(Discovery, AtMostTenCards)
{
    tarvikm_sim_clear_bus();
    for (int dev = 0; dev < 11; ++dev)
        tarvikm_sim_add_card(0, dev, 0, 0x0209, 0xF, uint32_t(0x8001 + dev * 0x100));
    EXPECT_EQ(korvotarvik_initial(), 10);
    int32_t cards[10];
    EXPECT_EQ(korvotarvik_get_card_index(cards), 0);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(cards[i], i);
    EXPECT_EQ(korvotarvik_pmove(10, 1, 5), 1);
    korvotarvik_write_bit(9, 1, 1);
    EXPECT_EQ(tarvikm_sim_get_outputs(9), 2);
    EXPECT_EQ(tarvikm_sim_get_outputs(10), 0);
}

TEST_F(Discovery, NoCardRefusesEverything)
{
    tarvikm_sim_clear_bus();
    EXPECT_EQ(korvotarvik_initial(), 0);
    int32_t cards[10], v = 5;
    EXPECT_EQ(korvotarvik_get_card_index(cards), -1);
    EXPECT_EQ(korvotarvik_pmove(0, 1, 10), 1);
    EXPECT_EQ(korvotarvik_get_status(0, 1, &v), 1);
    EXPECT_EQ(korvotarvik_read_bit(0, 1), 1);
    EXPECT_EQ(korvotarvik_get_out(0, 1), 1);
    EXPECT_EQ(korvotarvik_get_hardware_ver(0), 1.0);
    EXPECT_EQ(korvotarvik_set_limit_mode(0, 1, 1, 1, 1), 1);
}

TEST_F(Discovery, PortsBackendWithoutPermissionIsDriverMissing)
{
    unsetenv("TARVIKM_SIM");
    setenv("TARVIKM_DENY_PORTS", "1", 1);
    EXPECT_EQ(korvotarvik_initial(), -1);
    EXPECT_EQ(tarvikm_sim_active(), 0);
    int32_t v = 0;
    EXPECT_EQ(GetPortVal(0xE010, &v, 2), 1);  // no grant: all ones, no instruction
    EXPECT_EQ(v, 0xFFFF);
    EXPECT_EQ(GetPortVal(0xCFC, &v, 4), 1);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(SetPortVal(0xE008, 0x55, 2), 1);
    EXPECT_EQ(SetPortVal(0xCF8, int32_t(0x80000000), 4), 1);
    EXPECT_EQ(korvotarvik_pmove(0, 1, 10), 1);
    unsetenv("TARVIKM_DENY_PORTS");
    setenv("TARVIKM_SIM", "1", 1);
    EXPECT_EQ(korvotarvik_initial(), 1);
    EXPECT_EQ(tarvikm_sim_active(), 1);
}

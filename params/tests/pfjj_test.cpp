#include "velbend/params/pfjj.h"

#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace velbend;
using velbend::testing::TempHome;

namespace {
const std::string kDefaultRows =
    " 40            1 \r\n"
    " 100           2 \r\n"
    " 240           3 \r\n"
    " 0             4 \r\n";
}

TEST(PfjjFile, DefaultRowsAndTheirCopy) {
    PfjjTable t{};
    int16_t last = 0;
    SetDefaultPfjj(t, last);
    EXPECT_EQ(last, 4);
    EXPECT_EQ(PfjjBytes(t, last), kDefaultRows);
    EXPECT_EQ(PfjjBytes(t, last).substr(0, 19), " 40" + std::string(12, ' ') + "1 \r\n");
    t[0] = {0.5, 1.5e-6};
    EXPECT_EQ(PfjjBytes(t, 0), " .5            1.5E-06 \r\n");  // row 0 alone when the count is 0
}

TEST(PfjjFile, ReadingStopsAtSpacingZero) {
    struct Case { std::string bytes; int16_t n; };
    const Case cases[] = {
        {"", 0},
        {" 0             0 \r\n 40  1\r\n", 0},
        {" 40            1 \r\n 100           2 \r\n 0             3 \r\n", 3},
        {"40,1\r\n100,0\r\n5,5\r\n", 1},
        {"40 1 100", 1},                     // a radius without its spacing
        {std::string(30, '\n') + "1 1", 1},
    };
    for (const auto& c : cases) {
        PfjjTable t{};
        EXPECT_EQ(ParsePfjj(c.bytes, t), c.n) << c.bytes;
    }
    std::string twelve;
    for (int i = 1; i <= 12; ++i) twelve += std::to_string(i * 10) + " " + std::to_string(i) + "\r\n";
    PfjjTable t{};
    EXPECT_EQ(ParsePfjj(twelve, t), 11);
    EXPECT_DOUBLE_EQ(t[10].RadiusLimit, 110);
}

TEST(Pfjj, LoadGivesDefaultsOnlyWhenTheGroupHasNoRows) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    ASSERT_TRUE(LoadPfjj(st, 3, op));
    EXPECT_EQ(st.gPfjjLast, 4);
    EXPECT_EQ(home.Read("pfjj.ini"), kDefaultRows);
    EXPECT_FALSE(home.Exists("SysPara/pfjj_3.ini"));  // the group's own file is not written

    home.Write("pfjj.ini", "untouched");
    home.Write("SysPara/pfjj_3.ini", " 40            1 \r\n 100           2 \r\n 0             3 \r\n");
    ASSERT_TRUE(LoadPfjj(st, 3, op));
    EXPECT_EQ(st.gPfjjLast, 3);
    EXPECT_DOUBLE_EQ(st.gPfjjTable[2].Spacing, 3);
    EXPECT_EQ(home.Read("pfjj.ini"), "untouched");
    EXPECT_TRUE(op.messages.empty());

    ASSERT_TRUE(SavePfjj(st, 7));
    EXPECT_EQ(home.Read("SysPara/pfjj_7.ini"), home.Read("SysPara/pfjj_3.ini"));
}

// A damaged file is named in one message, as every other parameter file is;
// a missing, unreadable or empty one, or one whose first row has spacing 0,
// is a group without its own table and gives none, and neither does a whole
// file that ends at a spacing of 0 or holds more than 11 rows.
TEST(Pfjj, OnlyADamagedFileIsNamedInOneMessage) {
    TempHome home;
    for (const std::string& file : {std::string("40 1 100"), std::string("40 1\r\nabc 2\r\n"),
                                    std::string("40 1\r\n100 x\r\n"), std::string("abc")}) {
        home.Write("SysPara/pfjj_2.ini", file);
        RecordingOperator op;
        ParamStore st;
        st.gLanguage = 1;
        LoadPfjj(st, 2, op);
        ASSERT_EQ(op.messages.size(), 1u) << file;
        EXPECT_NE(op.LastText().find("damaged: SysPara/pfjj_2.ini."), std::string::npos) << op.LastText();
    }
    std::string twelve;
    for (int i = 1; i <= 12; ++i) twelve += std::to_string(i * 10) + " " + std::to_string(i) + "\r\n";
    const std::optional<std::string> silent[] = {std::nullopt, "", "\r\n", " 50  0\r\n",
                                                 "40,1\r\n100,0\r\n5\r\n", twelve + "130"};
    for (const auto& file : silent) {
        std::filesystem::remove(home / "SysPara/pfjj_2.ini");
        if (file) home.Write("SysPara/pfjj_2.ini", *file);
        RecordingOperator op;
        ParamStore st;
        LoadPfjj(st, 2, op);
        EXPECT_TRUE(op.messages.empty()) << file.value_or("<none>");
    }
    std::filesystem::remove(home / "SysPara/pfjj_2.ini");
    std::filesystem::create_directory(home / "SysPara/pfjj_2.ini");  // unreadable as a file
    RecordingOperator op;
    ParamStore st;
    LoadPfjj(st, 2, op);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(st.gPfjjLast, 4);
}

#include "velbend/params/curvature.h"

#include "velbend/common/numtext.h"
#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

using namespace velbend;
using velbend::testing::TempHome;

namespace {

std::string Rows(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += Format(1000 - i, "0.00") + ", " + Format(2000 - i * 0.5, "0.00") + "\r\n";
    return s;
}

}  // namespace

TEST(CurvatureFile, LastIndexFollowsTheLineCount) {
    struct Case { std::string bytes; int16_t last; };
    const Case cases[] = {
        {"5.00, 100.00\r\n", 0},
        {"5.00, 100.00", 0},
        {Rows(3), 2},
        {Rows(3) + "\r\n", 2},        // a blank last line adds no row
        {Rows(3) + "   \r\n\r\n", 2},
        {Rows(201), 200},
        {Rows(250), 200},             // further lines are ignored
        {"1,2\n3 4\n", 1},            // LF, comma or blank between the numbers
    };
    for (const auto& c : cases) {
        WanFuTable t{};
        int16_t last = -1;
        auto r = ParseWanFu(c.bytes, t, last);
        EXPECT_TRUE(r.ok());
        EXPECT_EQ(last, c.last) << c.bytes.size();
    }
    WanFuTable t{};
    t[5] = {7, 8};
    int16_t last = 0;
    ParseWanFu("-12.5, 300\r\n1, 2\r\n", t, last);
    EXPECT_DOUBLE_EQ(t[0].Value, -12.5);
    EXPECT_DOUBLE_EQ(t[0].Key, 300);
    EXPECT_DOUBLE_EQ(t[5].Value, 7);  // rows above the last keep their contents
}

TEST(CurvatureFile, WrittenWithTwoDecimals) {
    WanFuTable t{};
    t[0] = {12.346, -0.5};
    t[1] = {-0.004, 1.005};
    t[2] = {90, 2.675};
    t[3] = {1, 1};  // above the last row: not written
    EXPECT_EQ(WanFuBytes(t, 2), "12.35, -0.50\r\n0.00, 1.01\r\n90.00, 2.68\r\n");
    EXPECT_EQ(WanFuBytes(t, 500).size(), WanFuBytes(t, 200).size());  // the last index stays in 0..200
    EXPECT_EQ(WanFuBytes(t, -3), "12.35, -0.50\r\n");

    WanFuTable big{};
    int16_t last = 0;
    ParseWanFu(Rows(250), big, last);
    EXPECT_EQ(WanFuBytes(big, last), Rows(201));
}

TEST(CurvatureFile, DamagedAndEmptyFiles) {
    WanFuTable t{};
    t[0] = {1, 2};
    int16_t last = 7;
    EXPECT_TRUE(ParseWanFu("", t, last).missing);
    EXPECT_TRUE(ParseWanFu("\r\n \r\n", t, last).missing);
    EXPECT_EQ(last, 7);
    EXPECT_DOUBLE_EQ(t[0].Value, 1);
    auto r = ParseWanFu("5\r\nabc, 3\r\n1, 2, 3\r\n", t, last);
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(last, 2);
}

TEST(Curvature, TranRefusesIndexesOutsideTheTable) {
    ParamStore st;
    st.gWanFuPLast = 3;
    double a = 1.5, b = 2.5;
    EXPECT_TRUE(TranWanFuP(st, 1, 5, a, b));
    EXPECT_DOUBLE_EQ(st.mWanFuP[5].Value, 1.5);
    EXPECT_DOUBLE_EQ(st.mWanFuP[5].Key, 2.5);
    EXPECT_EQ(st.gWanFuPLast, 3);
    double x = -1, y = -1;
    EXPECT_TRUE(TranWanFuP(st, 0, 5, x, y));
    EXPECT_DOUBLE_EQ(x, 1.5);
    EXPECT_DOUBLE_EQ(y, 2.5);

    ParamStore before = st;
    x = 9, y = 9;
    EXPECT_FALSE(TranWanFuN(st, 0, 201, x, y));
    EXPECT_FALSE(TranWanFuN(st, 1, -1, x, y));
    EXPECT_FALSE(TranWanFuP(st, 1, 32767, x, y));
    EXPECT_EQ(x, 9);
    EXPECT_EQ(y, 9);
    for (int i = 0; i <= 200; ++i) {
        EXPECT_EQ(st.mWanFuN[i].Value, before.mWanFuN[i].Value);
        EXPECT_EQ(st.mWanFuP[i].Value, before.mWanFuP[i].Value);
    }
    EXPECT_TRUE(TranWanFuN(st, 1, 200, x, y));
    EXPECT_DOUBLE_EQ(st.mWanFuN[200].Key, 9);
}

TEST(Curvature, SaveAndLoadTheTablesOfAGroup) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    double v = 10, k = 500;
    TranWanFuP(st, 1, 0, v, k);
    v = 20, k = 100.125;
    TranWanFuP(st, 1, 1, v, k);
    st.gWanFuPLast = 1;
    v = -10, k = 300;
    TranWanFuN(st, 1, 0, v, k);
    ASSERT_TRUE(SaveWanFuBiao(st, 4, op));  // tsh left out: the confirmation
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_4.ini"), "10.00, 500.00\r\n20.00, 100.13\r\n");
    EXPECT_EQ(home.Read("SysPara/wanfubiaoN_4.ini"), "-10.00, 300.00\r\n");
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "曲率表保存成功！");
    EXPECT_EQ(op.messages[0].title, "操作提示");
    ASSERT_TRUE(SaveWanFuBiao(st, 4, 1, op));
    EXPECT_EQ(op.messages.size(), 1u);

    ParamStore fresh;
    EXPECT_TRUE(LoadWanFuTables(fresh, 4, op));
    EXPECT_EQ(fresh.gWanFuPLast, 1);
    EXPECT_EQ(fresh.gWanFuNLast, 0);
    EXPECT_DOUBLE_EQ(fresh.mWanFuP[1].Key, 100.13);
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST(Curvature, MissingFilesAndFailedSaves) {
    TempHome home;
    RecordingOperator op;
    ParamStore st;
    st.gLanguage = 1;
    st.gWanFuPLast = 3;
    st.mWanFuP[2] = {4, 5};
    home.Write("SysPara/wanfubiaoN_0.ini", "1.00, 2.00\r\n");
    EXPECT_FALSE(LoadWanFuTables(st, 0, op));
    ASSERT_EQ(op.messages.size(), 1u);  // one message names the file
    EXPECT_NE(op.LastText().find("SysPara/wanfubiaoP_0.ini"), std::string::npos);
    EXPECT_EQ(op.LastText().find("wanfubiaoN"), std::string::npos);
    EXPECT_EQ(st.gWanFuPLast, 3);
    EXPECT_DOUBLE_EQ(st.mWanFuP[2].Value, 4);
    EXPECT_EQ(st.gWanFuNLast, 0);

    home.Write("SysPara/wanfubiaoN_1.ini", "old\r\n");
    std::filesystem::create_directories(home / "SysPara/wanfubiaoP_1.ini");
    EXPECT_FALSE(SaveWanFuBiao(st, 1, 1, op));
    EXPECT_EQ(op.LastText(), "Save failed: SysPara/wanfubiaoP_1.ini");
    EXPECT_EQ(home.Read("SysPara/wanfubiaoN_1.ini"), "old\r\n");  // nor is the other file
}

// Saves killed at random moments, each followed by a start: both tables
// always come from the same save.
TEST(Curvature, AKilledSaveLeavesBothTablesOfOneSave) {
    TempHome home;
    auto saved = [](int k) {
        ParamStore st;
        st.mWanFuP[0] = {static_cast<double>(k), 100};
        st.mWanFuN[0] = {static_cast<double>(-k), 100};
        return st;
    };
    ASSERT_TRUE(WriteWanFuFiles(saved(1), 0));
    std::mt19937 random(23);
    for (int kill = 1; kill <= 40; ++kill) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < 100000; ++i) WriteWanFuFiles(saved(kill * 100000 + i), 0);
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 4000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        RecordingOperator op;
        ParamStore st;
        ASSERT_TRUE(RecoverWanFuFiles(st, op));
        ASSERT_TRUE(LoadWanFuTables(st, 0, op)) << op.LastText();
        ASSERT_EQ(st.mWanFuP[0].Value, -st.mWanFuN[0].Value) << "kill " << kill;
    }
}

// A pending save that start-up cannot complete (a folder in the way of one
// rename): the record stays for the next start, one message names both
// files, and both tables are those of the save.
TEST(Curvature, APairThatStartUpCannotCompleteIsNamedAndReadFromItsSave) {
    for (const int16_t language : {0, 1}) {
        TempHome home;
        home.Write("SysPara/wanfubiaoP_0.ini", "1.00, 100.00\r\n");
        home.Write("SysPara/wanfubiaoN_0.ini", "-1.00, 100.00\r\n");
        home.Write("SysPara/wanfubiaoP_0.ini.new", "2.00, 200.00\r\n");
        home.Write("SysPara/wanfubiaoN_0.ini.new", "-2.00, 200.00\r\n");
        home.Write("SysPara/wanfubiao_0.pending", "SysPara/wanfubiaoP_0.ini.new\r\nSysPara/wanfubiaoN_0.ini.new\r\n");
        const std::string inTheWay = language == 0 ? "SysPara/wanfubiaoP_0.ini" : "SysPara/wanfubiaoN_0.ini";
        std::filesystem::remove(home / inTheWay);
        std::filesystem::create_directories(home / inTheWay / "x");
        RecordingOperator op;
        ParamStore st;
        st.gLanguage = language;
        EXPECT_FALSE(RecoverWanFuFiles(st, op));
        EXPECT_TRUE(home.Exists("SysPara/wanfubiao_0.pending"));
        EXPECT_TRUE(LoadWanFuTables(st, 0, op)) << op.LastText();
        ASSERT_EQ(op.messages.size(), 1u) << op.LastText();
        EXPECT_EQ(op.LastText(),
                  language == 0
                      ? "曲率表文件未能更新：SysPara/wanfubiaoP_0.ini, SysPara/wanfubiaoN_0.ini。"
                        "两张表均按最后一次保存使用；下次启动时再次更新。"
                      : "Curvature files could not be updated: SysPara/wanfubiaoP_0.ini, SysPara/wanfubiaoN_0.ini. "
                        "Both tables are used as last saved; the update is tried again at the next start.");
        EXPECT_EQ(op.messages[0].icon, MsgIcon::Warning);
        EXPECT_EQ(st.mWanFuP[0].Value, 2) << inTheWay;
        EXPECT_EQ(st.mWanFuN[0].Value, -2) << inTheWay;
    }
}

// A save keeps the permissions that the two files had.
TEST(Curvature, ASaveKeepsThePermissionsOfBothFiles) {
    TempHome home;
    namespace fs = std::filesystem;
    ParamStore st;
    ASSERT_TRUE(WriteWanFuFiles(st, 2));
    fs::permissions(home / "SysPara/wanfubiaoP_2.ini", fs::perms(0640));
    fs::permissions(home / "SysPara/wanfubiaoN_2.ini", fs::perms(0600));
    st.mWanFuP[0] = {5, 6};
    ASSERT_TRUE(WriteWanFuFiles(st, 2));
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_2.ini"), "5.00, 6.00\r\n");
    EXPECT_EQ(fs::status(home / "SysPara/wanfubiaoP_2.ini").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(fs::status(home / "SysPara/wanfubiaoN_2.ini").permissions() & fs::perms::all, fs::perms(0600));
}

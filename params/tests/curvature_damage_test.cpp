// Damaged curvature files and failed saves: what the machine bends with
// never changes behind the operator's back.
#include "velbend/params/curvature.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "velbend/common/operator.h"
#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

using namespace velbend;
using velbend::testing::TempHome;

namespace {

// A store holding known tables: P rows 0..3, N rows 0..2.
ParamStore Known() {
    ParamStore st;
    for (int i = 0; i < 6; ++i) {
        st.mWanFuP[i] = {10.0 + i, 500.0 - 10 * i};
        st.mWanFuN[i] = {-10.0 - i, 400.0 - 10 * i};
    }
    st.gWanFuPLast = 3;
    st.gWanFuNLast = 2;
    return st;
}

void ExpectTablesEqual(const ParamStore& a, const ParamStore& b) {
    EXPECT_EQ(a.gWanFuPLast, b.gWanFuPLast);
    EXPECT_EQ(a.gWanFuNLast, b.gWanFuNLast);
    for (int i = 0; i <= 200; ++i) {
        EXPECT_EQ(a.mWanFuP[i].Value, b.mWanFuP[i].Value) << i;
        EXPECT_EQ(a.mWanFuP[i].Key, b.mWanFuP[i].Key) << i;
        EXPECT_EQ(a.mWanFuN[i].Value, b.mWanFuN[i].Value) << i;
        EXPECT_EQ(a.mWanFuN[i].Key, b.mWanFuN[i].Key) << i;
    }
}

}  // namespace

// A present but damaged file (bytes that are not rows of two numbers)
// leaves its table and row count as they were, and the message names it.
TEST(CurvatureDamage, DamagedFileKeepsTheTableInMemory) {
    const char* damaged[] = {
        "5\r\nabc, 3\r\n1, 2, 3\r\n",          // one number, text, three numbers
        "12.00, 500.00\r\n\x01\x02\xff\xfe\r\n",  // garbage after a good row
        "PK\x03\x04 binary, junk\r\n",
    };
    for (const char* bytes : damaged) {
        TempHome home;
        RecordingOperator op;
        ParamStore st = Known();
        st.gLanguage = 1;
        home.Write("SysPara/wanfubiaoP_2.ini", bytes);
        home.Write("SysPara/wanfubiaoN_2.ini", "-1.00, 300.00\r\n-2.00, 100.00\r\n");
        ParamStore expected = Known();
        expected.mWanFuN[0] = {-1, 300};
        expected.mWanFuN[1] = {-2, 100};
        expected.gWanFuNLast = 1;

        EXPECT_FALSE(LoadWanFuTables(st, 2, op));
        ExpectTablesEqual(st, expected);  // P as it was, N read
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_NE(op.LastText().find("SysPara/wanfubiaoP_2.ini"), std::string::npos);
        EXPECT_EQ(op.LastText().find("wanfubiaoN"), std::string::npos);
    }
}

TEST(CurvatureDamage, DamagedFileReadAloneChangesNothing) {
    TempHome home;
    home.Write("SysPara/wanfubiaoN_0.ini", "1.00, 2.00\r\nnot a row\r\n3.00, 4.00\r\n");
    ParamStore st = Known();
    auto r = ReadWanFuFile(WanFuNFileName(0), st.mWanFuN, st.gWanFuNLast);
    EXPECT_TRUE(r.damaged);
    ExpectTablesEqual(st, Known());
    // A whole file is taken.
    home.Write("SysPara/wanfubiaoN_0.ini", "1.00, 2.00\r\n3.00, 4.00\r\n");
    EXPECT_TRUE(ReadWanFuFile(WanFuNFileName(0), st.mWanFuN, st.gWanFuNLast).ok());
    EXPECT_EQ(st.gWanFuNLast, 1);
    EXPECT_EQ(st.mWanFuN[1].Value, 3);
}

// The positive file cannot be written: the negative one is not rewritten
// either, and the message names the positive one.
TEST(CurvatureDamage, PositiveFileNotWrittenLeavesTheNegativeOne) {
    TempHome home;
    RecordingOperator op;
    ParamStore st = Known();
    st.gLanguage = 1;
    home.Write("SysPara/wanfubiaoN_1.ini", "old\r\n");
    std::filesystem::create_directories(home / "SysPara/wanfubiaoP_1.ini");
    EXPECT_FALSE(SaveWanFuBiao(st, 1, 0, op));
    EXPECT_EQ(home.Read("SysPara/wanfubiaoN_1.ini"), "old\r\n");
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "Save failed: SysPara/wanfubiaoP_1.ini");
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
}

// The negative file cannot be written: the positive one is put back as it
// was (or removed when there was none), and the message names the negative
// one.
TEST(CurvatureDamage, NegativeFileNotWrittenPutsThePositiveOneBack) {
    TempHome home;
    RecordingOperator op;
    ParamStore st = Known();
    home.Write("SysPara/wanfubiaoP_3.ini", "old P\r\n");
    std::filesystem::create_directories(home / "SysPara/wanfubiaoN_3.ini");
    EXPECT_FALSE(SaveWanFuBiao(st, 3, 1, op));  // tsh 1: the failure is shown all the same
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_3.ini"), "old P\r\n");
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "曲率表保存失败：SysPara/wanfubiaoN_3.ini");

    std::filesystem::create_directories(home / "SysPara/wanfubiaoN_4.ini");
    std::string failed, changed;
    EXPECT_FALSE(WriteWanFuFiles(st, 4, &failed, &changed));
    EXPECT_FALSE(home.Exists("SysPara/wanfubiaoP_4.ini"));
    EXPECT_EQ(failed, "SysPara/wanfubiaoN_4.ini");
    EXPECT_EQ(changed, "");

    // Both written: nothing to report.
    EXPECT_TRUE(WriteWanFuFiles(st, 5, &failed, &changed));
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_5.ini"),
              "10.00, 500.00\r\n11.00, 490.00\r\n12.00, 480.00\r\n13.00, 470.00\r\n");
    EXPECT_EQ(home.Read("SysPara/wanfubiaoN_5.ini"), "-10.00, 400.00\r\n-11.00, 390.00\r\n-12.00, 380.00\r\n");
}

// When the negative file cannot take its place, the record of the save is
// gone before the positive file is put back: a program that died in between
// would leave no record for the next start to complete the pair with.
TEST(CurvatureDamage, TheRecordGoesBeforeThePositiveFileIsPutBack) {
    TempHome home;
    home.Write("SysPara/wanfubiaoP_3.ini", "old P\r\n");
    std::filesystem::create_directories(home / "SysPara/wanfubiaoN_3.ini");
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_GE(::inotify_add_watch(fd, (home / "SysPara").c_str(), IN_DELETE | IN_MOVED_TO), 0);
    EXPECT_FALSE(WriteWanFuFiles(Known(), 3));
    // In the order of the events: was the record gone when the positive
    // file last took its place?
    bool recordGone = false, putBackWithoutRecord = false;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            const std::string name = e->len > 0 ? e->name : "";
            if ((e->mask & IN_DELETE) && name == "wanfubiao_3.pending") recordGone = true;
            if ((e->mask & IN_MOVED_TO) && name == "wanfubiaoP_3.ini") putBackWithoutRecord = recordGone;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    ::close(fd);
    EXPECT_TRUE(putBackWithoutRecord);
    EXPECT_EQ(home.Read("SysPara/wanfubiaoP_3.ini"), "old P\r\n");
    EXPECT_FALSE(home.Exists("SysPara/wanfubiao_3.pending"));
}

// The confirmation in English: "Save OK!" titled "Operation Tips", with an
// OK button; nothing with tsh 1.
TEST(CurvatureDamage, EnglishConfirmationOfTheSave) {
    TempHome home;
    RecordingOperator op;
    ParamStore st = Known();
    st.gLanguage = 1;
    ASSERT_TRUE(SaveWanFuBiao(st, 6, op));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "Save OK!");
    EXPECT_EQ(op.messages[0].title, "Operation Tips");
    EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
    ASSERT_TRUE(SaveWanFuBiao(st, 6, 1, op));
    EXPECT_EQ(op.messages.size(), 1u);
}

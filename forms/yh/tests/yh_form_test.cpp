#include "velbend/forms/yh_form.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

namespace fs = std::filesystem;
using testing::TempHome;

TEST(Passwords, FileReadsTwoItems) {
    struct Case {
        const char* bytes;
        const char* maker;
        const char* system;
        const char* makerUnread = "";
        const char* systemUnread = "";
    };
    const Case cases[] = {
        {"m1\r\ns2\r\n", "m1", "s2"},
        {"m1\ns2", "m1", "s2"},
        {"m1,s2\r\n", "m1", "s2"},
        {"  \"a,b\"\r\n  \" c \"\r\n", "a,b", " c "},
        {"\xEF\xBB\xBFm1\r\ns2\r\n", "m1", "s2"},
        {"\xC3\xDC\xC2\xEB\r\nx\r\n", "密码", "x"},   // GBK
        {"m1\r\n", "m1", ""},                          // short: level 2 missing
        {"m1\r\n\r\n", "m1", ""},
        {"", "", ""},
        {"\r\ns2\r\n", "", "s2"},
        {"AbC\r\nXyZ\r\nmore\r\n", "AbC", "XyZ"},
        // Entries that are not GBK are no passwords; their bytes are kept.
        {"\xFF\xFE\r\ns2\r\n", "", "s2", "\xFF\xFE"},
        {"m1\r\n\xFF\x81\xFF\r\n", "m1", "", "", "\xFF\x81\xFF"},
        {"\"\x81\"\r\n\"a\x81\"\r\n", "", "", "\x81", "a\x81"},
        {"\x81\x40\r\n\xC3\r\n", "丂", "", "", "\xC3"},
    };
    for (const Case& c : cases) {
        const YhPasswords p = ParsePasswords(c.bytes);
        EXPECT_EQ(p.maker, c.maker) << c.bytes;
        EXPECT_EQ(p.system, c.system) << c.bytes;
        EXPECT_EQ(p.makerUnread, c.makerUnread) << c.bytes;
        EXPECT_EQ(p.systemUnread, c.systemUnread) << c.bytes;
        // Written back, each entry reads as it was read.
        EXPECT_EQ(ParsePasswords(PasswordFileBytes(p)), p) << c.bytes;
    }
    // What is written reads back the same; what cannot, is told.
    struct Store { const char* maker; const char* system; bool ok; };
    const Store stores[] = {
        {"a,b", " c ", true}, {"密码", "", true}, {"", "x", true}, {"ab\"c", "x", false},
        {"x", "a\xF0\x9F\x98\x80", false},  // no GBK for it
        {"a\nb", "x", false},
    };
    for (const Store& s : stores) EXPECT_EQ(PasswordsStorable({s.maker, s.system}), s.ok) << s.maker;
    EXPECT_EQ(PasswordFileBytes({"m1", "密码"}), "\"m1\"\r\n\"\xC3\xDC\xC2\xEB\"\r\n");
}

struct YhFormTest : ::testing::Test {
    YhFormTest() { home.Write("sys1.ini", "m1\r\ns2\r\n"); }
    TempHome home;
    RecordingOperator op;
    Program program{op};
    int16_t& level = program.params.gUserLevel;

    YhForm Open() {
        YhForm f(program);
        f.Form_Load();
        return f;
    }
    void ExpectChoosing(const YhForm& f, int option) {
        EXPECT_EQ(f.selected, option);
        EXPECT_TRUE(f.userEnabled);
        EXPECT_FALSE(f.passInVisible);
        EXPECT_FALSE(f.passEditVisible);
        EXPECT_EQ(f.focus, "Option" + std::to_string(option));
    }
};

TEST_F(YhFormTest, LoadSelectsTheCurrentLevel) {
    struct Case { int16_t level; int option; bool command5; };
    for (const Case& c : {Case{0, 1, false}, Case{1, 2, true}, Case{2, 3, true}}) {
        level = c.level;
        YhForm f = Open();
        EXPECT_EQ(f.selected, c.option);
        EXPECT_EQ(f.command5Enabled, c.command5);
        EXPECT_EQ(level, c.level);
        EXPECT_FALSE(f.passInVisible);
        EXPECT_TRUE(f.userEnabled);
    }
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(YhFormTest, GoingUpAsksThePasswordOfTheChosenLevel) {
    // Right password by Enter: the level is set and the dialog closes.
    YhForm f = Open();
    f.Option2_Click();
    EXPECT_TRUE(f.passInVisible);
    EXPECT_FALSE(f.userEnabled);
    EXPECT_EQ(f.focus, "Text1");
    EXPECT_EQ(level, 0);
    f.Text1 = "m1";
    f.Form_KeyPress(kKeyEnter);
    EXPECT_EQ(level, 1);
    EXPECT_TRUE(f.closed);

    // By the OK button the dialog stays with the new level selected.
    level = 0;
    YhForm g = Open();
    g.Option3_Click();
    g.Text1 = "s2";
    g.Command4_Click();
    EXPECT_EQ(level, 2);
    EXPECT_FALSE(g.closed);
    ExpectChoosing(g, 3);
    EXPECT_TRUE(g.command5Enabled);
    EXPECT_EQ(g.Text1, "");
    EXPECT_TRUE(op.messages.empty());

    // Level 1 going to 2 needs level 2's password, not level 1's.
    level = 1;
    YhForm h = Open();
    h.Option3_Click();
    EXPECT_TRUE(h.passInVisible);
    h.Text1 = "m1";
    h.Command4_Click();
    EXPECT_EQ(level, 1);
    ExpectChoosing(h, 2);
}

TEST_F(YhFormTest, GoingDownNeedsNoPassword) {
    level = 2;
    YhForm f = Open();
    f.Option2_Click();
    EXPECT_EQ(level, 1);
    EXPECT_FALSE(f.passInVisible);
    EXPECT_TRUE(f.command5Enabled);
    f.Option1_Click();
    EXPECT_EQ(level, 0);
    EXPECT_FALSE(f.command5Enabled);
    // ...and up again asks.
    f.Option2_Click();
    EXPECT_TRUE(f.passInVisible);
    EXPECT_EQ(level, 0);
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(YhFormTest, WrongPasswordLeavesTheLevelAndSaysSo) {
    struct Case { int16_t lang; bool byEnter; const char* text; const char* title; };
    const Case cases[] = {
        {1, true, "PassWord wrong!", "Wrong"},
        {1, false, "Password wrong!", "Wrong"},
        {0, true, "密码错误！", "错误"},
        {0, false, "密码错误！", "错误"},
    };
    for (const Case& c : cases) {
        program.params.gLanguage = c.lang;
        level = 0;
        op.messages.clear();
        YhForm f = Open();
        f.Option2_Click();
        f.Text1 = "M1";  // letter case counts
        if (c.byEnter) f.Form_KeyPress(kKeyEnter);
        else f.Command4_Click();
        EXPECT_EQ(level, 0);
        EXPECT_FALSE(f.closed);
        ExpectChoosing(f, 1);
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.messages[0].text, c.text);
        EXPECT_EQ(op.messages[0].title, c.title);
        EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
    }
}

TEST_F(YhFormTest, MissingPasswordCannotBeEntered) {
    struct Case { const char* file; int option; const char* typed; bool enters; };
    const Case cases[] = {
        {nullptr, 2, "", false},  {nullptr, 3, "", false},
        {"m1\r\n", 2, "m1", true}, {"m1\r\n", 3, "", false},
        {"m1,\r\n", 3, "", false}, {"\"\"\r\ns2\r\n", 2, "", false},
        {"\"\"\r\ns2\r\n", 3, "s2", true},
        // An entry that is not GBK opens to nothing typed, its replacement
        // characters included; the other level's entry still opens.
        {"\xFF\xFE\r\ns2\r\n", 2, "\uFFFD\uFFFD", false},
        {"\xFF\xFE\r\ns2\r\n", 2, "\uFFFD", false},
        {"\xFF\xFE\r\ns2\r\n", 3, "s2", true},
        {"m1\r\n\xFF\x81\xFF\r\n", 3, "\uFFFD\uFFFD", false},
        {"m1\r\n\xFF\x81\xFF\r\n", 3, "\uFFFD\uFFFD\uFFFD", false},
        {"m1\r\n\xFF\x81\xFF\r\n", 2, "m1", true},
        {"\x81\r\ns2\r\n", 2, "\uFFFD", false},
        {"m1\r\ns\x81\r\n", 3, "s\uFFFD", false},
        {"m1\r\n\x81\x40\r\n", 3, "丂", true},
    };
    // By Enter in Chinese, by OK in English: the same refusal.
    for (const bool byEnter : {true, false}) {
        program.params.gLanguage = byEnter ? 0 : 1;
        for (const Case& c : cases) {
            fs::remove(home / "sys1.ini");
            if (c.file) home.Write("sys1.ini", c.file);
            level = 0;
            op.messages.clear();
            YhForm f = Open();
            if (c.option == 2) f.Option2_Click();
            else f.Option3_Click();
            f.Text1 = c.typed;
            if (byEnter) f.Form_KeyPress(kKeyEnter);
            else f.Command4_Click();
            EXPECT_EQ(level, c.enters ? c.option - 1 : 0) << c.option << " " << (c.file ? c.file : "-") << byEnter;
            EXPECT_EQ(op.messages.size(), c.enters ? 0u : 1u);
            if (!c.enters) {
                EXPECT_EQ(op.LastText(), byEnter ? "sys1.ini中没有此用户的密码，不能进入！"
                                                 : "No password for this user in sys1.ini, cannot enter!");
            }
        }
    }
    program.params.gLanguage = 0;
}

TEST_F(YhFormTest, EscClosesFromEveryStateAndEnterActsOnlyOnThePasswordPanel) {
    // Choosing, entering and changing.
    for (int state = 0; state < 3; ++state) {
        level = 1;
        YhForm f = Open();
        if (state == 1) f.Option3_Click();
        if (state == 2) f.Command5_Click();
        f.Text1 = "s2";
        f.Text2 = "m1";
        f.Text3 = f.Text4 = "new1";
        if (state != 1) {
            f.Form_KeyPress(kKeyEnter);  // nothing
            EXPECT_FALSE(f.closed);
            EXPECT_EQ(f.passEditVisible, state == 2);
        }
        f.Form_KeyPress('a');
        EXPECT_FALSE(f.closed);
        f.Form_KeyPress(kKeyEsc);
        EXPECT_TRUE(f.closed) << state;
        EXPECT_EQ(level, 1) << state;
    }
    EXPECT_EQ(home.Read("sys1.ini"), "m1\r\ns2\r\n");
    // Cancel of the password panel goes back to the level in force.
    level = 0;
    YhForm f = Open();
    f.Option3_Click();
    f.Text1 = "s";
    f.Command3_Click();
    ExpectChoosing(f, 1);
    EXPECT_EQ(f.Text1, "");
    // Return closes.
    f.Command6_Click();
    EXPECT_TRUE(f.closed);
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(YhFormTest, PasswordChangeChecksOldAndNew) {
    struct Case { const char* old; const char* neu; const char* confirm; const char* en; };
    const Case cases[] = {
        {"m2", "n1", "n1", "Old password wrong, Please input again!"},
        {"", "n1", "n1", "Old password wrong, Please input again!"},
        {"M1", "n1", "n1", "Old password wrong, Please input again!"},
        {"m1", "", "", "New password wrong, Please input again!"},
        {"m1", "n1", "n2", "New password wrong, Please input again!"},
        {"m1", "ab\"c", "ab\"c", "New password holds characters that cannot be saved, Please input again!"},
    };
    program.params.gLanguage = 1;
    level = 1;
    for (const Case& c : cases) {
        op.messages.clear();
        YhForm f = Open();
        f.Command5_Click();
        EXPECT_TRUE(f.passEditVisible);
        EXPECT_FALSE(f.userEnabled);
        f.Text2 = c.old;
        f.Text3 = c.neu;
        f.Text4 = c.confirm;
        f.Command1_Click();
        ASSERT_EQ(op.messages.size(), 1u) << c.old;
        EXPECT_EQ(op.LastText(), c.en);
        EXPECT_EQ(op.messages[0].title, "wrong");
        EXPECT_TRUE(f.passEditVisible);
        EXPECT_EQ(f.Text2 + f.Text3 + f.Text4, "");
        EXPECT_EQ(f.focus, "Text2");
        EXPECT_EQ(home.Read("sys1.ini"), "m1\r\ns2\r\n");
    }
    program.params.gLanguage = 0;
    YhForm f = Open();
    f.Command5_Click();
    f.Text2 = "m1";
    f.Command1_Click();
    EXPECT_EQ(op.LastText(), "新密码确认错误，请重新输入！");
    EXPECT_EQ(op.messages.back().title, "错误");
    // Cancel of the change panel.
    f.Command2_Click();
    ExpectChoosing(f, 2);
    // No change panel at level 0.
    level = 0;
    YhForm g = Open();
    g.Command5_Click();
    EXPECT_FALSE(g.passEditVisible);

    // Asked for level 2's password at level 1, then "Edit PassWord": the
    // password panel gives way and the change is the level in force's.
    level = 1;
    YhForm h = Open();
    h.Option3_Click();
    h.Command5_Click();
    EXPECT_FALSE(h.passInVisible);
    EXPECT_TRUE(h.passEditVisible);
    EXPECT_EQ(h.selected, 2);
    h.Text2 = "m1";
    h.Text3 = h.Text4 = "n1";
    h.Command1_Click();
    EXPECT_EQ(ReadPasswords(), (YhPasswords{"n1", "s2"}));
    ExpectChoosing(h, 2);
}

TEST_F(YhFormTest, ChangedPasswordIsKeptInSys1Ini) {
    const fs::path cwd = fs::current_path();
    const fs::path elsewhere = home / "cwd";  // the process's current folder during the change
    fs::create_directories(elsewhere);
    fs::current_path(elsewhere);
    level = 2;
    {
        YhForm f = Open();
        f.Command5_Click();
        f.Text2 = "s2";
        f.Text3 = f.Text4 = "新,密 ";
        f.Command1_Click();
        EXPECT_TRUE(op.messages.empty());
        ExpectChoosing(f, 3);
        EXPECT_EQ(f.passwords().system, "新,密 ");
    }
    fs::current_path(cwd);
    EXPECT_FALSE(fs::exists(elsewhere / "user"));
    EXPECT_FALSE(home.Exists("user"));
    EXPECT_EQ(home.Read("sys1.ini"), "\"m1\"\r\n\"\xD0\xC2,\xC3\xDC \"\r\n");
    EXPECT_EQ(fs::status(home / "sys1.ini").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    // Reopened, and after a restart (a new program at level 0): the new
    // password holds and the old one no longer does.
    RecordingOperator op2;
    Program restarted(op2);
    for (Program* p : {&program, &restarted}) {
        p->params.gUserLevel = 0;
        YhForm f(*p);
        f.Form_Load();
        f.Option3_Click();
        f.Text1 = "s2";
        f.Form_KeyPress(kKeyEnter);
        EXPECT_EQ(p->params.gUserLevel, 0);
        f.Option3_Click();
        f.Text1 = "新,密 ";
        f.Form_KeyPress(kKeyEnter);
        EXPECT_EQ(p->params.gUserLevel, 2);
    }
    // Level 1's change keeps level 2's password.
    level = 1;
    YhForm g = Open();
    g.Command5_Click();
    g.Text2 = "m1";
    g.Text3 = g.Text4 = "m9";
    g.Command1_Click();
    EXPECT_EQ(ReadPasswords(), (YhPasswords{"m9", "新,密 "}));

    // An entry that is not GBK stays byte for byte when the other level's
    // password changes; its own level's cannot be changed (no old password
    // matches it).
    struct Damaged { const char* file; int16_t level; const char* old; const char* after; };
    const Damaged rows[] = {
        {"m1\r\n\xFF\x81\xFF\r\n", 1, "m1", "\"n7\"\r\n\"\xFF\x81\xFF\"\r\n"},
        {"\x81\r\n\"s2\"\r\n", 2, "s2", "\"\x81\"\r\n\"n7\"\r\n"},
        {"\xFF\xFE\r\n\"s2\"\r\n", 1, "\uFFFD\uFFFD", nullptr},
        {"m1\r\n\xFF\xFE\r\n", 2, "\uFFFD\uFFFD", nullptr},
    };
    for (const Damaged& d : rows) {
        home.Write("sys1.ini", d.file);
        op.messages.clear();
        level = d.level;
        YhForm h = Open();
        h.Command5_Click();
        h.Text2 = d.old;
        h.Text3 = h.Text4 = "n7";
        h.Command1_Click();
        EXPECT_EQ(home.Read("sys1.ini"), d.after ? d.after : d.file) << d.file;
        EXPECT_EQ(op.messages.size(), d.after ? 0u : 1u) << d.file;
    }
}

TEST_F(YhFormTest, FailedWriteKeepsTheOldPasswords) {
    fs::permissions(home / "sys1.ini", fs::perms(0644));
    level = 1;
    YhForm f = Open();
    f.Command5_Click();
    f.Text2 = "m1";
    f.Text3 = f.Text4 = "n1";
    // The write fails half way (file size limit).
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    f.Command1_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "密码保存失败：sys1.ini");
    EXPECT_EQ(home.Read("sys1.ini"), "m1\r\ns2\r\n");
    EXPECT_EQ(f.passwords().maker, "m1");
    EXPECT_TRUE(f.passEditVisible);
    int files = 0;
    for (auto& e : fs::directory_iterator(home.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left behind
    // The old password still enters level 1 in the next opening.
    level = 0;
    YhForm g = Open();
    g.Option2_Click();
    g.Text1 = "m1";
    g.Command4_Click();
    EXPECT_EQ(level, 1);
}

TEST(YhLayout, PanelRowsStandApartInsideTheirFrame) {
    const YhLayout& l = YhLayoutOf();
    const YhRect rows[] = {l.Text2, l.Text3, l.Text4, l.Command1};
    for (std::size_t i = 1; i < std::size(rows); ++i)
        EXPECT_GE(rows[i].top, rows[i - 1].top + rows[i - 1].height + 60) << i;
    EXPECT_EQ(l.Command2.top, l.Command1.top);
    EXPECT_LE(l.Command1.top + l.Command1.height, l.PassEdit.height - 60);
    EXPECT_GE(l.Command4.top, l.Text1.top + l.Text1.height + 60);
    EXPECT_LE(l.Command4.top + l.Command4.height, l.PassIn.height - 60);
    EXPECT_LE(l.PassEdit.left + l.PassEdit.width, l.width);
    EXPECT_GE(l.Command5.top, l.PassEdit.top + l.PassEdit.height);
}

}  // namespace
}  // namespace velbend

#include "velbend/common/textfile.h"

#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace velbend;
using velbend::testing::TempHome;

TEST(SplitLines, LineEnds) {
    struct Case { std::string bytes; std::vector<std::string> want; };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\xEF\xBB\xBFx\r\n", {"x"}},
        {"a\rb\n", {"a\rb"}},
        {"\r\n", {""}},
    };
    for (const auto& c : cases) {
        auto got = SplitLines(c.bytes);
        std::vector<std::string> s(got.begin(), got.end());
        EXPECT_EQ(s, c.want) << c.bytes;
    }
}

TEST(ForEachLine, SameLinesAsSplitLinesInOrder) {
    const std::string cases[] = {"", "a", "a\r\nb\r\n", "a\nb", "a\r\n\r\n", "\xEF\xBB\xBFx\r\n", "a\rb\n", "\r\n",
                                 "\n\nlast"};
    for (const auto& c : cases) {
        std::vector<std::string_view> walked;
        ForEachLine(c, [&](std::string_view line) { walked.push_back(line); });
        EXPECT_EQ(walked, SplitLines(c)) << c;
    }
    std::vector<std::string> got;
    ForEachLine("one\r\n\ntwo", [&](std::string_view line) { got.emplace_back(line); });
    EXPECT_EQ(got, (std::vector<std::string>{"one", "", "two"}));
}

TEST(LineReader, ReadsToTheEnd) {
    LineReader r("one\r\ntwo\n");
    EXPECT_EQ(r.LineCount(), 2u);
    EXPECT_EQ(*r.Next(), "one");
    EXPECT_FALSE(r.AtEnd());
    EXPECT_EQ(*r.Next(), "two");
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.Next().has_value());
}

TEST(ItemReader, NumbersAndTexts) {
    ItemReader r(" .5            desc text\r\n-3, 4.25\r\nABCD,         letters\r\n\"a, b\" , x\r\n");
    EXPECT_DOUBLE_EQ(*r.NextNumber(), 0.5);
    EXPECT_EQ(*r.NextItem(), "desc text");
    EXPECT_DOUBLE_EQ(*r.NextNumber(), -3);
    EXPECT_DOUBLE_EQ(*r.NextNumber(), 4.25);
    EXPECT_EQ(*r.NextItem(), "ABCD");
    EXPECT_EQ(*r.NextItem(), "letters");
    EXPECT_EQ(*r.NextItem(), "a, b");
    EXPECT_EQ(*r.NextItem(), "x");
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.RanShort());
    EXPECT_FALSE(r.NextNumber().has_value());
    EXPECT_TRUE(r.RanShort());
}

TEST(ItemReader, EmptyLinesAndShortFiles) {
    ItemReader r("\xEF\xBB\xBF 1 \r\n\r\nname\r\n\r\n");
    EXPECT_DOUBLE_EQ(*r.NextNumber(), 1);
    EXPECT_EQ(*r.NextItem(), "");      // an empty line is an empty item
    EXPECT_EQ(*r.NextItem(), "name");
    EXPECT_TRUE(r.AtEnd());            // only a blank line is left
    EXPECT_EQ(*r.NextItem(), "");
    EXPECT_FALSE(r.NextItem().has_value());
    EXPECT_TRUE(r.RanShort());

    ItemReader junk("abc def\r\n");
    EXPECT_DOUBLE_EQ(*junk.NextNumber(), 0);  // "abc" is not a number
}

TEST(TextBuilder, CrLfAndGbk) {
    TextBuilder b;
    b.Line("a").LineUtf8("参数");
    EXPECT_EQ(b.bytes(), "a\r\n\xB2\xCE\xCA\xFD\r\n");
}

TEST(WriteFileAtomic, ReplacesWholeFile) {
    TempHome home;
    auto p = home / "f.txt";
    ASSERT_TRUE(WriteFileAtomic(p, "old"));
    ASSERT_TRUE(WriteFileAtomic(p, "new\r\n"));
    EXPECT_EQ(home.Read("f.txt"), "new\r\n");
    EXPECT_EQ(*ReadFileBytes(p), "new\r\n");
    // No temporary file is left behind.
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(home.path())) n += e.is_regular_file();
    EXPECT_EQ(n, 1);
}

TEST(WriteFileAtomic, FailureKeepsTheOldFileAndSaysWhy) {
    TempHome home;
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(home / "missing/f.txt", "x", &err));
    EXPECT_FALSE(err.empty());
    // The target is a folder: the rename fails and nothing is left behind.
    std::filesystem::create_directories(home / "dir.ini/sub");
    EXPECT_FALSE(WriteFileAtomic(home / "dir.ini", "x", &err));
    EXPECT_TRUE(std::filesystem::is_directory(home / "dir.ini"));
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(home.path())) n += e.is_regular_file();
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(ReadFileBytes(home / "dir.ini").has_value());
    EXPECT_FALSE(ReadFileBytes(home / "nothing").has_value());
}

TEST(WriteFileAtomic, PrivateFileIsOwnerOnlyAndOthersKeepTheirPermissions) {
    TempHome home;
    namespace fs = std::filesystem;
    auto p = home / "secret.ini";
    ASSERT_TRUE(WriteFileAtomic(p, "a"));
    fs::permissions(p, fs::perms(0644));
    ASSERT_TRUE(WriteFileAtomicPrivate(p, "b"));
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_EQ(home.Read("secret.ini"), "b");
    ASSERT_TRUE(WriteFileAtomicPrivate(home / "new.ini", "c"));
    EXPECT_EQ(fs::status(home / "new.ini").permissions() & fs::perms::all, fs::perms(0600));
    // The plain write keeps what a file had.
    fs::permissions(p, fs::perms(0640));
    ASSERT_TRUE(WriteFileAtomic(p, "d"));
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms(0640));
}

// A new file follows the umask, from both sides of the default; the
// private one stays owner-only under any umask.
TEST(WriteFileAtomic, NewFileFollowsTheUmask) {
    TempHome home;
    namespace fs = std::filesystem;
    const mode_t old = ::umask(027);
    ASSERT_TRUE(WriteFileAtomic(home / "a.ini", "a"));
    ASSERT_TRUE(WriteFileAtomicPrivate(home / "p.ini", "p"));
    ::umask(002);
    ASSERT_TRUE(WriteFileAtomic(home / "b.ini", "b"));
    ::umask(old);
    EXPECT_EQ(fs::status(home / "a.ini").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(fs::status(home / "b.ini").permissions() & fs::perms::all, fs::perms(0664));
    EXPECT_EQ(fs::status(home / "p.ini").permissions() & fs::perms::all, fs::perms(0600));
}

TEST(BlankFields, SingleBlanksSplitAndDoubleBlanksGiveEmptyFields) {
    const BlankFields<4> f("SPLINE  90.000000 3.0");
    EXPECT_EQ(f.count, 4);
    EXPECT_EQ(f[0], "SPLINE");
    EXPECT_EQ(f[1], "");
    EXPECT_EQ(f[2], "90.000000");
    EXPECT_EQ(f[3], "3.0");
    EXPECT_EQ(f[4], "");   // past the end
    EXPECT_EQ(f[-1], "");

    // Only the first N are kept; count is that of the whole line.
    const BlankFields<2> g("1 2 3 4 5");
    EXPECT_EQ(g.count, 5);
    EXPECT_EQ(g[0], "1");
    EXPECT_EQ(g[1], "2");
    EXPECT_EQ(g[2], "");

    // An empty line is one empty field; blanks at either end give empty
    // fields there; tabs are no separators.
    const BlankFields<3> e("");
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(e[0], "");
    const BlankFields<4> ends(" a\tb ");
    EXPECT_EQ(ends.count, 3);
    EXPECT_EQ(ends[0], "");
    EXPECT_EQ(ends[1], "a\tb");
    EXPECT_EQ(ends[2], "");
}

// Where no hard link can be made (here: the kept name on another file
// system) the kept copy of the bytes has the original's permissions.
TEST(KeepFileAs, ACopyHasTheOriginalsPermissions) {
    TempHome home;
    namespace fs = std::filesystem;
    std::string other = "/dev/shm/velbend-XXXXXX";
    if (!::mkdtemp(other.data())) GTEST_SKIP() << "no /dev/shm";
    struct stat a {}, b {};
    const bool apart = ::stat(other.c_str(), &a) == 0 && ::stat(home.path().c_str(), &b) == 0 && a.st_dev != b.st_dev;
    const fs::path from = fs::path(other) / "SYS_0.ini";
    ASSERT_TRUE(WriteFileAtomic(from, "damaged"));
    fs::permissions(from, fs::perms(0600));
    const bool kept = apart && KeepFileAs(from, home / "SYS_0.ini.damaged");
    const fs::perms mode = fs::status(home / "SYS_0.ini.damaged").permissions() & fs::perms::all;
    fs::remove_all(other);
    if (!apart) GTEST_SKIP() << "/dev/shm is on the same file system as " << home.path();
    ASSERT_TRUE(kept);
    EXPECT_EQ(home.Read("SYS_0.ini.damaged"), "damaged");
    EXPECT_EQ(mode, fs::perms(0600));
}

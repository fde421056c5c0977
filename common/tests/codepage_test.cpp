#include "velbend/common/codepage.h"

#include <gtest/gtest.h>

using namespace velbend;

TEST(Gbk, RoundTripWithFullWidthPunctuation) {
    struct Case { const char* utf8; const char* gbk; };
    const Case cases[] = {
        {"abc 123", "abc 123"},
        {"，", "\xA3\xAC"},                       // full-width comma
        {"！", "\xA3\xA1"},                       // full-width exclamation mark
        {"：", "\xA3\xBA"},                       // full-width colon
        {"参数保存成功！", "\xB2\xCE\xCA\xFD\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6\xA3\xA1"},
        {"正弧修正系数", "\xD5\xFD\xBB\xA1\xD0\xDE\xD5\xFD\xCF\xB5\xCA\xFD"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
        EXPECT_EQ(GbkToUtf8Exact(c.gbk), c.utf8) << c.utf8;
        EXPECT_TRUE(GbkHolds(c.utf8)) << c.utf8;
    }
}

TEST(Gbk, UnrepresentableAndInvalidText) {
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");    // emoji: not in GBK
    EXPECT_EQ(Utf8ToGbk("x\xFFy"), "x?y");                   // invalid UTF-8
    EXPECT_EQ(Utf8ToGbk("\xE4\xB8"), "?");                   // truncated UTF-8
    EXPECT_EQ(GbkToUtf8("a\x81"), "a\xEF\xBF\xBD");          // truncated lead byte
    EXPECT_EQ(GbkToUtf8("\xFF" "b"), "\xEF\xBF\xBD" "b");
    // Taken exactly or not at all: any byte that is no GBK refuses the
    // whole text; any character GBK cannot hold is told.
    for (const char* bad : {"\xFF\xFE", "\xFF\x81\xFF", "\x81", "ab\x81", "\x81\xFF", "a\xFF" "b"})
        EXPECT_EQ(GbkToUtf8Exact(bad), std::nullopt) << bad;
    EXPECT_EQ(GbkToUtf8Exact("\x81\x40"), GbkToUtf8("\x81\x40"));  // the first two-byte code
    for (const char* bad : {"\xC3\x98", "\xC3\x9F", "a\xF0\x9F\x98\x80", "x\xFFy", "\xE4\xB8", "\xEF\xBF\xBD"})
        EXPECT_FALSE(GbkHolds(bad)) << bad;
    EXPECT_TRUE(GbkHolds("\xC3\xA9"));   // é is in GBK
}

TEST(Gbk, LongText) {
    std::string utf8;
    for (int i = 0; i < 2000; ++i) utf8 += "曲率表";
    std::string gbk = Utf8ToGbk(utf8);
    EXPECT_EQ(gbk.size(), 2000u * 6);
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

#include "velbend/forms/about_form.h"

#include <gtest/gtest.h>

#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

TEST(AboutInfo, LinesByLanguageWholeAndMissingOnesEmpty) {
    struct Case {
        const char* bytes;
        std::array<const char*, 4> zh, en;
    };
    const Case cases[] = {
        // The fifth line with commas and quotes shows whole in English.
        {"\xBA\xE3\r\nb\r\nc\r\nd\r\n\"Acme, Inc.\", \"CNC\"\r\nf\r\ng\r\nh\r\nninth\r\n",
         {"恒", "b", "c", "d"}, {"\"Acme, Inc.\", \"CNC\"", "f", "g", "h"}},
        {"a\nb\n", {"a", "b", "", ""}, {"", "", "", ""}},
        {"", {"", "", "", ""}, {"", "", "", ""}},
        {"\xEF\xBB\xBF a \r\n\r\nc\r\nd\r\ne", {" a ", "", "c", "d"}, {"e", "", "", ""}},
    };
    for (const Case& c : cases) {
        const AboutInfo info = ParseAboutInfo(c.bytes);
        const auto zh = AboutLabels(info, 0);
        const auto en = AboutLabels(info, 1);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(zh[i], c.zh[i]) << i;
            EXPECT_EQ(en[i], c.en[i]) << i;
        }
    }
}

TEST(AboutInfo, FileOfTheProgramFolder) {
    velbend::testing::TempHome home;
    EXPECT_EQ(AboutLabels(ReadAboutInfo(), 1)[0], "");  // missing: empty lines
    home.Write("cinf.ini", "1\r\n2\r\n3\r\n4\r\nMaker, \"X\"\r\n");
    EXPECT_EQ(AboutLabels(ReadAboutInfo(), 1)[0], "Maker, \"X\"");
    EXPECT_EQ(AboutLabels(ReadAboutInfo(), 0)[3], "4");
    EXPECT_STREQ(FindCaption(AboutCaptions(), "Form", 1), "About Us");
}

}  // namespace
}  // namespace velbend

#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"

#include "velbend/testsupport/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace velbend;

TEST(ProgramFolder, HomeVariableElseExecutableFolder) {
    {
        velbend::testing::TempHome home;
        EXPECT_EQ(ProgramFolder(), home.path());
        EXPECT_EQ(ProgramFile("SysPara/SYS_0.ini"), home.path() / "SysPara" / "SYS_0.ini");
    }
    const char* old = std::getenv("VELBEND_HOME");
    std::string saved = old ? old : "";
    ::setenv("VELBEND_HOME", "", 1);
    auto exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramFolder(), exe.parent_path());
    if (old) ::setenv("VELBEND_HOME", saved.c_str(), 1); else ::unsetenv("VELBEND_HOME");
}

TEST(RecordingOperator, RecordsAndAnswersFromQueues) {
    RecordingOperator op;
    EXPECT_EQ(op.LastText(), "");
    EXPECT_EQ(op.MsgBox("a", MsgButtons::YesNo, MsgIcon::Question, "t"), MsgResult::Yes);
    op.msgAnswers.push_back(MsgResult::Cancel);
    EXPECT_EQ(op.MsgBox("b", MsgButtons::OkCancel, MsgIcon::None, ""), MsgResult::Cancel);
    EXPECT_EQ(op.MsgBox("c", MsgButtons::Ok, MsgIcon::None, ""), MsgResult::Ok);
    ASSERT_EQ(op.messages.size(), 3u);
    EXPECT_EQ(op.messages[0].title, "t");
    EXPECT_EQ(op.LastText(), "c");
    EXPECT_EQ(op.InputBox("p", "t", "def"), std::optional<std::string>("def"));
    op.inputAnswers.push_back(std::nullopt);
    EXPECT_EQ(op.InputBox("q", "t", "def"), std::nullopt);
    EXPECT_EQ(op.prompts.size(), 2u);
    EXPECT_EQ(op.OpenFileDialog("t", "All (*)", ""), std::nullopt);
    op.fileAnswers.push_back("/x.dxf");
    EXPECT_EQ(op.OpenFileDialog("t", "All (*)", ""), std::optional<std::string>("/x.dxf"));
}

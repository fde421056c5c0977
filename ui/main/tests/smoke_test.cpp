// The built programs themselves: started under the offscreen platform on a
// fresh program folder seeded from the sample folder, on the simulated card;
// they come up, run, and on SIGTERM close their window (saving the
// settings) and exit with 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "main_window_fixture.h"

namespace velbend::testing {
namespace {

class Smoke : public ::testing::TestWithParam<const char*> {};

// Waits for the child up to `ms`; true (with its status) when it ended.
bool WaitFor(pid_t pid, int ms, int& status) {
    for (int i = 0; i < ms / 10; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_P(Smoke, StartsAndShutsDownCleanly) {
    const std::filesystem::path exe = std::filesystem::path(VELBEND_BIN_DIR) / GetParam();
    if (!std::filesystem::exists(exe)) GTEST_SKIP() << exe << " is not built";
    TempHome home;
    SeedFromSample(home);
    std::filesystem::remove(home / "formtext.ini");

    std::vector<std::string> env = ChildEnvironment(home.path());
    std::vector<char*> envp = EnvPointers(env);
    std::string path = exe.string();
    char* argv[] = {path.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()), 0);

    // Start-up has run when the control-point files were emptied anew.
    bool up = false;
    for (int i = 0; i < 1500 && !up; ++i) {
        up = std::filesystem::exists(home / "CtrP.dat") && std::filesystem::exists(home / "PointForControl.dat");
        if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int status = 0;
    if (!up) {
        ::kill(pid, SIGKILL);
        WaitFor(pid, 5000, status);
        FAIL() << GetParam() << " did not come up";
    }
    ASSERT_FALSE(WaitFor(pid, 700, status)) << GetParam() << " ended by itself, status " << status;
    ::kill(pid, SIGTERM);
    if (!WaitFor(pid, 10000, status)) {
        ::kill(pid, SIGKILL);
        WaitFor(pid, 5000, status);
        FAIL() << GetParam() << " did not end after SIGTERM";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(home.Read("formtext.ini"), "60\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 0 \r\n 0 \r\n");
    EXPECT_TRUE(home.Exists("SysPara/SYS_0.ini"));
}

INSTANTIATE_TEST_SUITE_P(Programs, Smoke, ::testing::Values("Velbend", "Velbend-CS7"),
                         [](const auto& info) { return std::string(info.param) == "Velbend" ? "Velbend" : "VelbendCS7"; });

}  // namespace
}  // namespace velbend::testing

// The built programs themselves: started under the offscreen platform on a
// fresh program folder seeded from the sample folder, on the simulated card;
// they come up, run, and on SIGTERM (or SIGHUP, also during a start-up
// message) close their window (saving the settings) and exit with 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "main_window_fixture.h"

namespace velbend::testing {
namespace {

// Waits for the child up to `ms`; true (with its status) when it ended.
bool WaitFor(pid_t pid, int ms, int& status) {
    for (int i = 0; i < ms / 10; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Asks `ready` every 10 ms for up to 15 s; true once it answers true.
template <class F>
bool Eventually(F ready) {
    for (int i = 0; i < 1500; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Starts the program `exe` on the program folder `home`.
pid_t Spawn(const std::filesystem::path& exe, const TempHome& home) {
    std::vector<std::string> env = ChildEnvironment(home.path());
    std::vector<char*> envp = EnvPointers(env);
    std::string path = exe.string();
    char* argv[] = {path.data(), nullptr};
    pid_t pid = 0;
    return ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) == 0 ? pid : -1;
}

// Sends `sig` and waits for the child to end; false (the child killed) when
// it does not.
bool EndsAfter(pid_t pid, int sig, int& status) {
    ::kill(pid, sig);
    if (WaitFor(pid, 10000, status)) return true;
    ::kill(pid, SIGKILL);
    WaitFor(pid, 5000, status);
    return false;
}

// The program of the parameter on a folder seeded from the sample folder,
// without formtext.ini.
class Smoke : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        exe = std::filesystem::path(VELBEND_BIN_DIR) / GetParam();
        if (!std::filesystem::exists(exe)) GTEST_SKIP() << exe << " is not built";
        SeedFromSample(home);
        std::filesystem::remove(home / "formtext.ini");
    }
    // `sig` closes the window, which saves the settings, and the program
    // exits with 0.
    void ExpectOrderlyEndAfter(pid_t pid, int sig) {
        int status = 0;
        ASSERT_TRUE(EndsAfter(pid, sig, status)) << GetParam() << " did not end after signal " << sig;
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(home.Read("formtext.ini"), "60\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 0 \r\n 0 \r\n");
    }

    std::filesystem::path exe;
    TempHome home;
};

TEST_P(Smoke, StartsAndShutsDownCleanly) {
    const pid_t pid = Spawn(exe, home);
    ASSERT_GT(pid, 0);
    // Start-up has run when the control-point files were emptied anew.
    const bool up = Eventually(
        [&] { return std::filesystem::exists(home / "CtrP.dat") && std::filesystem::exists(home / "PointForControl.dat"); });
    int status = 0;
    if (!up) {
        ::kill(pid, SIGKILL);
        WaitFor(pid, 5000, status);
        FAIL() << GetParam() << " did not come up";
    }
    ASSERT_FALSE(WaitFor(pid, 700, status)) << GetParam() << " ended by itself, status " << status;
    ExpectOrderlyEndAfter(pid, SIGTERM);
    EXPECT_TRUE(home.Exists("SysPara/SYS_0.ini"));
}

// SIGHUP while start-up shows its first message (no ParaGroup.ini): the
// signals are caught by then, start-up ends and the window closes as on
// SIGTERM.
TEST_P(Smoke, HangUpDuringAStartUpMessageClosesInOrder) {
    std::filesystem::remove(home / "ParaGroup.ini");
    const pid_t pid = Spawn(exe, home);
    ASSERT_GT(pid, 0);
    // The mask of caught signals in /proc: SIGHUP is bit 0.
    const bool caught = Eventually([pid] {
        std::ifstream f("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(f, line);)
            if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) & 1) != 0;
        return false;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the message is up
    ExpectOrderlyEndAfter(pid, SIGHUP);
    EXPECT_TRUE(caught) << GetParam() << " caught no SIGHUP during start-up";
    EXPECT_TRUE(home.Exists("CtrP.dat"));  // start-up ran to its end
}

INSTANTIATE_TEST_SUITE_P(Programs, Smoke, ::testing::Values("Velbend", "Velbend-CS7"),
                         [](const auto& info) { return std::string(info.param) == "Velbend" ? "Velbend" : "VelbendCS7"; });

}  // namespace
}  // namespace velbend::testing

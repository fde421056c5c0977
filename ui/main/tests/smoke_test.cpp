// The built programs themselves: started under the offscreen platform on a
// fresh program folder seeded from the sample folder, on the simulated card;
// they come up, run, and on SIGTERM close their window (saving the
// settings) and exit with 0; SIGHUP during a start-up message ends them
// with 0 at once, writing nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "main_window_fixture.h"
#include "velbend/params/sysfile.h"

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

// Every file of the program folder, each with its size and a hash of its
// bytes.
std::map<std::string, std::pair<std::size_t, std::size_t>> Files(const TempHome& home) {
    std::map<std::string, std::pair<std::size_t, std::size_t>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(home.path())) {
        if (!e.is_regular_file()) continue;
        const std::string rel = std::filesystem::relative(e.path(), home.path()).string();
        const std::string bytes = home.Read(rel);
        files[rel] = {bytes.size(), std::hash<std::string>()(bytes)};
    }
    return files;
}

// SIGHUP while start-up shows a message (a system-parameter file cut in
// half): the signals are caught by then, and the program ends with 0
// without going on: the folder is as it was at the message, nothing kept
// as damaged, so the next start gives the same message.
TEST_P(Smoke, HangUpDuringAStartUpMessageWritesNothing) {
    const std::string sys = home.Read("SysPara/SYS_0.ini");
    home.Write("SysPara/SYS_0.ini", sys.substr(0, sys.size() / 2));
    const auto before = Files(home);
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
    int status = 0;
    ASSERT_TRUE(EndsAfter(pid, SIGHUP, status)) << GetParam() << " did not end after SIGHUP";
    EXPECT_TRUE(caught) << GetParam() << " caught no SIGHUP during start-up";
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Files(home), before);
    RecordingOperator op;
    ParamStore st;
    LoadSysPara(st, 0, op);
    EXPECT_EQ(op.LastText(), "参数文件缺失、不完整或有错误：SysPara/SYS_0.ini。文件中没有的参数保持原值或默认值。"
                             "原文件在改写前另存为：SysPara/SYS_0.ini.damaged。");
}

INSTANTIATE_TEST_SUITE_P(Programs, Smoke, ::testing::Values("Velbend", "Velbend-CS7"),
                         [](const auto& info) { return std::string(info.param) == "Velbend" ? "Velbend" : "VelbendCS7"; });

}  // namespace
}  // namespace velbend::testing

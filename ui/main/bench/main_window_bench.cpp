// The main window's hot paths on the simulated card, under the offscreen
// platform: a new process's start to its first shown window, start-up to
// the first shown window inside this process, one layout pass (the pure
// function, and applied to the real widgets), the Run click for 20 letters
// x 10 pieces, and one machine-loop tick with the panel binding.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "velbend/common/textfile.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/main_layout.h"
#include "velbend/forms/program.h"
#include "velbend/machine/run_state.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"
#include "velbend/ui/main_form.h"
#include "velbend/ui/main_window_drive.h"

namespace velbend {
namespace {

// This program started again with this first argument plays the control
// program: it starts the main window on the simulated card of
// $VELBEND_HOME, shows it and ends at once.
constexpr const char* kFirstWindowChild = "--first-window-child";

std::filesystem::path Sample() {
    // <source>/ui/main/bench/main_window_bench.cpp -> <source>/app/sample
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "app" / "sample";
}

struct Bench {
    Bench() : program(op), sim(program.ctx.card) {
        std::filesystem::copy(Sample(), home.path(), std::filesystem::copy_options::recursive |
                                                         std::filesystem::copy_options::overwrite_existing);
    }
    // The window started on a usable simulated card; else the benchmark is
    // skipped with the reason.
    bool Ready(benchmark::State& state) {
        if (!sim.Usable()) {
            state.SkipWithError(sim.Why().c_str());
            return false;
        }
        Start();
        return true;
    }
    void Start() {
        form = std::make_unique<MainForm>(program);
        form->timer2()->stop();
        form->show();
        QApplication::processEvents();
        form->timer2()->stop();
    }
    // The sample letter opened and every contour picked.
    void OpenAndPick() {
        testing::OpenOutline(*form, op, home / "letter_e.dxf");
        testing::PickEveryContour(*form);
    }

    testing::TempHome home;
    RecordingOperator op;
    Program program;
    testing::SimCard sim;
    std::unique_ptr<MainForm> form;
};

void BM_StartUpToFirstShownWindow(benchmark::State& state) {
    for (auto _ : state) {
        Bench b;
        if (!b.Ready(state)) return;
        benchmark::DoNotOptimize(b.form->isVisible());
        state.PauseTiming();
        b.form->close();
        b.form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstShownWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

// From the start of a new process (dynamic loading, the Qt platform, fonts,
// the card library) to its main window shown: the program's own start.
void BM_ProcessStartToFirstShownWindow(benchmark::State& state) {
    testing::TempHome home;
    std::filesystem::copy(Sample(), home.path(), std::filesystem::copy_options::recursive |
                                                     std::filesystem::copy_options::overwrite_existing);
    std::vector<std::string> env = testing::ChildEnvironment(home.path());
    std::vector<char*> envp = testing::EnvPointers(env);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string flag = kFirstWindowChild;
    char* argv[] = {self.data(), flag.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
            state.SkipWithError("the child process could not be started");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the child's window did not come up");
            break;
        }
    }
}
BENCHMARK(BM_ProcessStartToFirstShownWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

int FirstWindowChild(int argc, char** argv) {
    QApplication app(argc, argv);
    UseProgramFont();
    RecordingOperator op;  // a message would not block the measurement
    Program program(op);
    program.ctx.secondBuild = false;
    MainForm form(program);
    form.show();
    QApplication::processEvents();
    const bool shown = form.isVisible() && op.messages.empty();
    std::_Exit(shown ? 0 : 1);  // the first shown window is the end of the measurement
}

void BM_LayoutFunction(benchmark::State& state) {
    MainLayout l = DesignLayout(false);
    double w = 1008;
    for (auto _ : state) {
        w = w == 1008 ? 1280 : 1008;
        benchmark::DoNotOptimize(Form_Resize(l, w, 710, w * 15 + 240, 11400, false));
    }
}
BENCHMARK(BM_LayoutFunction)->Unit(benchmark::kMicrosecond);

void BM_LayoutAppliedToTheWindow(benchmark::State& state) {
    Bench b;
    if (!b.Ready(state)) return;
    bool big = false;
    for (auto _ : state) {
        state.PauseTiming();
        big = !big;
        b.form->resize(big ? 1280 : 1008, big ? 900 : 740);
        state.ResumeTiming();
        b.form->ApplyLayout();
    }
    b.form->close();
}
BENCHMARK(BM_LayoutAppliedToTheWindow)->Unit(benchmark::kMicrosecond);

void BM_RunClick20LettersTimes10(benchmark::State& state) {
    Bench b;
    if (!b.Ready(state)) return;
    b.OpenAndPick();
    // Twenty letters: the arc-and-line control path of the machine tests
    // twenty times over (the sample "e", 20 x 10 times, would pass the
    // program's 30000 lines).
    const std::string one =
        ReadFileBytes(Sample().parent_path().parent_path() / "machine/tests/data/arcs.CtrP.dat").value_or("");
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += one;
    b.program.ctx.panel.Text5 = "10";
    QWidget* run = b.form->Control("Command_Run");
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileAtomic(b.home / "CtrP.dat", twenty);
        state.ResumeTiming();
        QTest::mouseClick(run, Qt::LeftButton);
        state.PauseTiming();
        if (b.program.ctx.run.gRunning != kTrue) {
            state.SkipWithError(("Run did not start: " + b.op.LastText()).c_str());
            break;
        }
        state.counters["lines"] = b.program.ctx.run.gNcLineCount;
        Command_Stop_Click(b.program.ctx);
        b.sim.Advance(2000);
        state.ResumeTiming();
    }
    b.form->close();
}
BENCHMARK(BM_RunClick20LettersTimes10)->Unit(benchmark::kMillisecond);

void BM_MachineLoopTickWithPanelBinding(benchmark::State& state) {
    Bench b;
    if (!b.Ready(state)) return;
    b.OpenAndPick();
    QTest::mouseClick(b.form->Control("Command_Run"), Qt::LeftButton);
    for (auto _ : state) {
        if (b.program.ctx.run.gRunning != kTrue) {
            state.PauseTiming();
            QTest::mouseClick(b.form->Control("Command_Run"), Qt::LeftButton);
            state.ResumeTiming();
        }
        b.sim.Advance(30);
        b.form->Timer2_Timer();
    }
    b.form->close();
}
BENCHMARK(BM_MachineLoopTickWithPanelBinding)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velbend

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc > 1 && std::string(argv[1]) == velbend::kFirstWindowChild) return velbend::FirstWindowChild(argc, argv);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Renders the real main window offscreen on the simulated card: a letter of
// the sample folder opened and picked, in Chinese and in English, during a
// run, and the second build as it starts (both languages).
// Usage: velbend_screenshots <output folder> [sample folder]
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "velbend/forms/drawing_view.h"
#include "velbend/forms/program.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"
#include "velbend/ui/main_form.h"
#include "velbend/ui/main_window_drive.h"

using namespace velbend;

namespace {
constexpr const char* kShownLetter = "/home/user/velbend/home/letter_e.dxf";
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [sample folder]\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    UseProgramFont();
    // Absolute: start-up makes the program folder the current directory.
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    const std::filesystem::path sample = std::filesystem::absolute(argc > 2 ? argv[2] : VELBEND_SAMPLE_DIR);
    std::filesystem::create_directories(out);

    testing::TempHome home;
    std::filesystem::copy(sample, home.path(), std::filesystem::copy_options::recursive |
                                                   std::filesystem::copy_options::overwrite_existing);
    RecordingOperator op;
    Program program(op);
    program.ctx.secondBuild = false;
    testing::SimCard sim(program.ctx.card);
    if (!sim.Usable()) {
        std::fprintf(stderr, "simulated card: %s\n", sim.Why().c_str());
        return 1;
    }
    MainForm form(program);
    // The machine loop ticks only where this tool says so: a tick of the
    // real-time timer in between would make the pictures differ from run to
    // run (the window restarts its timer whenever it refreshes).
    form.timer2()->blockSignals(true);
    form.show();
    QApplication::processEvents();

    testing::OpenOutline(form, op, home / "letter_e.dxf");
    // The path caption shows the letter where a user's program folder keeps
    // it (scripts/start.sh: home/ in the checkout), not in this run's
    // temporary folder: the pictures are the same at every run.
    program.ctx.panel.Label4[0] = kShownLetter;
    testing::PickEveryContour(form);
    form.Timer2_Timer();
    QApplication::processEvents();
    bool ok = form.grab().save(QString::fromStdString((out / "main-window-zh.png").string()));
    form.Action("English")->trigger();
    QApplication::processEvents();
    ok &= form.grab().save(QString::fromStdString((out / "main-window-en.png").string()));
    form.Action("Chinese")->trigger();

    QTest::mouseClick(form.Control("Command_Run"), Qt::LeftButton);
    for (int i = 0; i < 400 && program.ctx.run.gRunning; ++i) {
        sim.Advance(30);
        form.Timer2_Timer();
    }
    QApplication::processEvents();
    ok &= form.grab().save(QString::fromStdString((out / "main-window-run.png").string()));
    QTest::mouseClick(form.Control("Command_Stop"), Qt::LeftButton);
    form.close();

    // The second build, freshly started.
    {
        Program second(op);
        second.ctx.secondBuild = true;
        second.ctx.card = program.ctx.card;
        MainForm cs7(second);
        cs7.timer2()->blockSignals(true);
        cs7.show();
        cs7.Timer2_Timer();
        QApplication::processEvents();
        ok &= cs7.grab().save(QString::fromStdString((out / "main-window-cs7.png").string()));
        cs7.Action("English")->trigger();
        QApplication::processEvents();
        ok &= cs7.grab().save(QString::fromStdString((out / "main-window-cs7-en.png").string()));
        cs7.Action("Chinese")->trigger();
        // The setup tab and the parameter-group frame.
        cs7.findChild<QTabBar*>("TabStrip1")->setCurrentIndex(1);
        second.params.gUserLevel = 1;
        cs7.Action("切换参数组")->trigger();
        QApplication::processEvents();
        ok &= cs7.grab().save(QString::fromStdString((out / "main-window-setup-groups.png").string()));
        cs7.close();
    }
    for (const auto& m : op.messages) std::printf("message: %s\n", m.text.c_str());
    std::printf("%s\n", ok ? "screenshots written" : "a screenshot could not be written");
    return ok ? 0 : 1;
}

// The control program.  The same source makes Velbend and, compiled with
// VELBEND_CS7, its second build Velbend-CS7.
//
// SIGTERM, SIGINT and SIGHUP close the main window as the operator would
// (its unload handler saves the settings), then the program ends.  They are
// caught from before the first start-up message: one that comes before
// start-up has finished ends the program there with status 0, without the
// remaining start-up steps and without the shut-down saves, so that nothing
// is written that the operator never saw and the next start finds the
// folder, and gives the messages, as this one did.
#include <csignal>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "velbend/forms/program.h"
#include "velbend/ui/main_form.h"
#include "velbend/ui/qt_operator.h"

namespace {

// The executable fixes the build; nothing the operator sets changes it.
#ifdef VELBEND_CS7
constexpr const char* kName = "Velbend-CS7";
constexpr bool kCs7 = true;
#else
constexpr const char* kName = "Velbend";
constexpr bool kCs7 = false;
#endif

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_started = 0;  // start-up has finished

void OnSignal(int) {
    if (!g_started) ::_exit(0);
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kName);
    velbend::UseProgramFont();

    velbend::QtOperator op;
    velbend::Program program(op);
    program.ctx.secondBuild = kCs7;
    velbend::MainForm* form = nullptr;
    if (::pipe(g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char c;
            [[maybe_unused]] auto n = ::read(g_signalPipe[0], &c, 1);
            if (form) form->close();
        });
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, OnSignal);
    }

    velbend::MainForm mainForm(program);
    op.SetParent(&mainForm);
    form = &mainForm;
    g_started = 1;
    QApplication::setQuitOnLastWindowClosed(true);
    mainForm.show();
    return QApplication::exec();
}

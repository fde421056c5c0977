// The real MainForm on a fresh program folder seeded from the sample folder,
// on the simulated card with its manual clock.  The window's own timer is
// stopped: Tick() advances the card 30 ms and runs the window's machine-loop
// tick, as the timer would.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "velbend/forms/drawing_view.h"
#include "velbend/ui/main_form.h"
#include "velbend/ui/main_window_drive.h"
#include "velbend/ui/picture1_view.h"
#include "velbend/ui/window_fixture.h"

namespace velbend::testing {

inline std::filesystem::path SampleFolder() { return VELBEND_SAMPLE_DIR; }

// Copies the sample program folder into `home`.
inline void SeedFromSample(const TempHome& home) {
    std::filesystem::copy(SampleFolder(), home.path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

class MainWindowTest : public WindowTest {
protected:
    MainWindowTest() { SeedFromSample(home); }
    ~MainWindowTest() override {
        if (form) form->timer2()->stop();
    }

    void Start(bool secondBuild = false) {
        UseProgramFont();  // as the program itself does
        program.ctx.secondBuild = secondBuild;
        form = std::make_unique<MainForm>(program);
        form->timer2()->stop();
        form->show();
        QApplication::processEvents();
        form->timer2()->stop();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            form->Timer2_Timer();
        }
    }
    template <class F>
    bool TickUntil(F done, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    template <class W = QWidget>
    W* Find(const std::string& name) {
        return form->findChild<W*>(QString::fromStdString(name));
    }
    void Trigger(const std::string& name) {
        QAction* a = form->Action(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    void Click(const std::string& name) {
        auto* w = Find<QWidget>(name);
        ASSERT_NE(w, nullptr) << name;
        QTest::mouseClick(w, Qt::LeftButton);
    }
    // Opens the letter of the sample folder through the Open menu.
    void OpenLetter() { OpenOutline(*form, op, home / "letter_e.dxf"); }
    // Clicks the first node of every contour twice (the whole contour).
    int PickEveryContour() { return testing::PickEveryContour(*form); }

    std::unique_ptr<MainForm> form;
};

}  // namespace velbend::testing

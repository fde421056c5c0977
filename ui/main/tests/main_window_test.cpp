// The real main window: start-up on the simulated card, captions in both
// languages by objectName, the layout applied on resize, the machine loop,
// the group frame, the setup buttons, shut-down.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>

#include "main_window_fixture.h"
#include "velbend/forms/main_captions.h"
#include "velbend/machine/run_state.h"
#include "velbend/ui/dialog.h"
#include "velbend/ui/run_modal.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {
namespace {

// The text a control shows, whatever kind of control it is.
QString Shown(MainForm& form, const std::string& name) {
    if (name.rfind("TabStrip", 0) == 0) {
        auto* bar = form.findChild<QTabBar*>(QString::fromStdString(name.substr(0, 9)));
        if (!bar) return "<no tab strip>";
        return bar->tabText(name[name.size() - 2] - '1');
    }
    if (QAction* a = form.Action(name)) return a->text();
    if (auto* m = form.menuBar()->findChild<QMenu*>(QString::fromStdString(name))) return m->title();
    QWidget* w = form.findChild<QWidget*>(QString::fromStdString(name));
    if (!w) return "<missing>";
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return "<no text>";
}

using MainWindow = MainWindowTest;

TEST_F(MainWindow, StartsOnTheSimulatedCardWithEveryCaptionInBothLanguages) {
    Start();
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(program.ctx.run.gCardRet, 1);
    EXPECT_EQ(program.ctx.panel.Timer2Interval, 30);
    EXPECT_EQ(form->windowTitle(), "奥斯特尔-数控围字机控制系统Korvo-V2.2.0");
    for (const auto& c : MainCaptions()) EXPECT_EQ(Shown(*form, c.caption.name), Q(c.caption.zh)) << c.caption.name;
    EXPECT_EQ(Shown(*form, "Command_Z2"), "摆 刀 回 零");
    EXPECT_EQ(Shown(*form, "Text1"), "控制");
    Trigger("English");
    for (const auto& c : MainCaptions()) EXPECT_EQ(Shown(*form, c.caption.name), Q(c.caption.en)) << c.caption.name;
    EXPECT_EQ(Shown(*form, "Command_Z2"), "Swing SeekZero");
    EXPECT_EQ(Shown(*form, "Label3(3)"), "Swing Zero Switch");
    EXPECT_EQ(Shown(*form, "Text1"), "Control");
    EXPECT_EQ(form->windowTitle(), "Ostrel-Numerical Bending Machine Control System Korvo-V2.2.0");
    // Fixed captions.
    EXPECT_EQ(Shown(*form, "Languige"), "语言(Language)");
    EXPECT_EQ(Shown(*form, "English"), "英文(English)");
    EXPECT_EQ(Shown(*form, "StepCommand"), "单步测试");
    Trigger("Chinese");
    EXPECT_EQ(Shown(*form, "Command1"), "轮廓偏移");
}

TEST_F(MainWindow, PanelValuesShowInTheirBoxes) {
    Start();
    EXPECT_EQ(Find<QLineEdit>("Text2")->text(), " 1000");
    EXPECT_EQ(Find<QLineEdit>("Text3")->text(), "60");
    EXPECT_EQ(Find<QLineEdit>("Text15")->text(), " 1.5");
    // No feed encoder in the sample machine: Check3 off and disabled.
    EXPECT_FALSE(Find<QCheckBox>("Check3")->isEnabled());
    // Typing reaches the panel (and the cutter radius the parameter).
    Find<QLineEdit>("Text4")->setText("12");
    EXPECT_EQ(program.ctx.panel.Text4, "12");
    Find<QLineEdit>("Text15")->setText("2.25");
    EXPECT_DOUBLE_EQ(program.params.gSysParaTable.gMillRadius, 2.25);
    QTest::mouseClick(Find<QCheckBox>("Check2"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.panel.Check2, 1);
}

TEST_F(MainWindow, ResizingMovesTheControlsToTheLayoutRectangles) {
    Start();
    for (QSize size : {QSize(1200, 900), QSize(1400, 1000)}) {
        form->resize(size);
        QApplication::processEvents();
        const auto& l = form->model().layout;
        EXPECT_NEAR(l.px.at("Picture1").Width, 0.75 * form->centralWidget()->width(), 1e-9);
        for (const auto& [name, r] : l.px) {
            QWidget* w = form->Control(name);
            ASSERT_NE(w, nullptr) << name;
            EXPECT_NEAR(w->x(), r.Left, 1) << name;
            EXPECT_NEAR(w->width(), r.Width, 1) << name;
            if (name.rfind("TabStrip", 0) != 0) {
                EXPECT_NEAR(w->y(), r.Top, 1) << name;
                EXPECT_NEAR(w->height(), r.Height, 1) << name;
            }
        }
        for (const auto& [name, r] : l.tw) {
            QWidget* w = form->Control(name);
            ASSERT_NE(w, nullptr) << name;
            EXPECT_EQ(w->x(), Twips(r.Left)) << name;
            EXPECT_EQ(w->y(), Twips(r.Top)) << name;
            EXPECT_EQ(w->width(), Twips(r.Width)) << name;
        }
        // The drawing view took the picture's size.
        EXPECT_EQ(program.ctx.panel.Picture1Width, std::round(l.px.at("Picture1").Width));
    }
}

TEST_F(MainWindow, TheMachineLoopTicksAndShowsPositionsAndLamps) {
    Start();
    program.ctx.card.set_speed(0, 1, 10000);
    program.ctx.card.pmove(0, 1, 2500);
    program.ctx.card.write_bit(0, 3, 1);
    ASSERT_TRUE(TickUntil([&] { return Find<QLineEdit>("TextX")->text() == "25.00"; }, 500))
        << Find<QLineEdit>("TextX")->text().toStdString();
    EXPECT_EQ(program.ctx.panel.Shape1[1], MainPanel::kLampRed);
    EXPECT_TRUE(Find<QLabel>("Shape1(1)")->styleSheet().contains("#ff0000"));
    // The real timer runs the same tick.
    form->timer2()->start(30);
    EXPECT_TRUE(form->timer2()->isActive());
    EXPECT_EQ(form->timer2()->interval(), 30);
}

TEST_F(MainWindow, ClosingWritesTheSettingsAndTheGroupFile) {
    Start();
    std::filesystem::remove(home / "formtext.ini");
    std::filesystem::remove(home / "SysPara/SYS_0.ini");
    Find<QLineEdit>("Text3")->setText("45");
    Trigger("English");
    form->close();
    EXPECT_EQ(home.Read("formtext.ini"), "45\r\n10\r\n100\r\n 0 \r\n 0 \r\n0\r\n 0 \r\n 1 \r\n");
    EXPECT_TRUE(home.Exists("SysPara/SYS_0.ini"));
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

TEST_F(MainWindow, ClosingWhileBusyStopsTheMachineFirst) {
    Start();
    program.ctx.card.set_speed(0, 1, 10000);
    program.ctx.card.pmove(0, 1, 100000);
    program.ctx.run.gRunning = kTrue;
    Tick(3);
    form->close();
    EXPECT_FALSE(IsMachineBusy(program.ctx.run));
    Tick(100);
    EXPECT_EQ(Axis_Status(program.ctx), 0);
    EXPECT_TRUE(home.Exists("formtext.ini"));
}

TEST_F(MainWindow, SecondBuildHasNoMachineStatePanelAndItsOwnTitleAndLayout) {
    Start(true);
    EXPECT_EQ(form->windowTitle(), "奥斯特尔-数控围字机控制系统Korvo-V2.2.1");
    for (const char* n : {"Frame5", "TabStrip2", "TextX", "Label3(0)", "Shape1(0)", "Label1(3)"})
        EXPECT_EQ(Find<QWidget>(n), nullptr) << n;
    for (const char* n : {"Check2", "Check3", "Check4", "Text2", "Check1"}) EXPECT_FALSE(Find<QWidget>(n)->isVisible()) << n;
    EXPECT_TRUE(Find<QWidget>("Command_SL")->isVisible());
    EXPECT_TRUE(Find<QWidget>("List1")->isVisible());
    const auto& l = form->model().layout;
    EXPECT_NEAR(Find<QWidget>("Frame6")->x(), 6, 1);
    EXPECT_NEAR(Find<QWidget>("Frame6")->width(), l.px.at("Frame6").Width, 1);
    EXPECT_NEAR(l.px.at("Frame1").Height, l.px.at("TabStrip1").Height / 3 - 102, 1e-9);
    Trigger("English");
    EXPECT_EQ(form->windowTitle(), "Ostrel-Numerical Bending Machine Control System Korvo-V2.2.1");
    form->close();
    EXPECT_TRUE(home.Exists("formtext.ini"));
}

// The room a control has: its width, up to the next visible control that
// starts to its right on the same line.
int RoomOf(const QWidget* w) {
    int room = w->width();
    for (const QObject* o : w->parentWidget()->children()) {
        const auto* s = qobject_cast<const QWidget*>(o);
        if (!s || s == w || !s->isVisibleTo(w->parentWidget())) continue;
        const QRect r = s->geometry(), g = w->geometry();
        if (r.left() > g.left() && r.top() <= g.bottom() && r.bottom() >= g.top())
            room = std::min(room, r.left() - g.left());
    }
    return room;
}

class Captions : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Captions, EveryCaptionShowsWholeInBothLanguages) {
    Start(GetParam());
    std::vector<std::string> names = {"Command_Z2", "Label1(6)", "Label3(3)"};
    for (const auto& c : MainCaptions()) names.push_back(c.caption.name);
    auto expectWhole = [&](const std::string& where) {
        for (const auto& name : names) {
            QWidget* w = form->Control(name);
            if (!w || !w->isVisibleTo(form.get())) continue;
            const QFontMetrics fm(w->font());
            SCOPED_TRACE(name + " " + where + " pt " + std::to_string(w->font().pointSizeF()));
            if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(l->text()), RoomOf(l));
            } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
                const int box = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                                c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
                EXPECT_LE(fm.horizontalAdvance(c->text()) + box, RoomOf(c));
            } else if (auto* b = qobject_cast<QPushButton*>(w)) {
                const QRect inside = b->rect().adjusted(3, 1, -3, -1);
                const QRect need = fm.boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap, b->text());
                EXPECT_LE(need.width(), inside.width());
                EXPECT_LE(need.height(), inside.height());
                EXPECT_GE(w->font().pointSizeF(), 6.5);
            }
        }
    };
    // The setup tab, the parameter-group frame and the output frame are
    // looked at too.
    program.params.gUserLevel = 1;
    Trigger("切换参数组");
    program.ctx.panel.OutFrameVisible = true;
    for (const char* lang : {"English", "Chinese"}) {
        Trigger(lang);
        for (QSize size : {QSize(1008, 740), QSize(1400, 1000)}) {
            form->resize(size);
            for (int tab : {0, 1}) {
                Find<QTabBar>("TabStrip1")->setCurrentIndex(tab);
                QApplication::processEvents();
                expectWhole(std::string(lang) + " " + std::to_string(size.width()) + " tab " + std::to_string(tab));
            }
        }
    }
    EXPECT_TRUE(Find<QWidget>("Command3(4)")->isVisible());
    EXPECT_TRUE(Find<QWidget>("Label5(4)")->isVisible());
    program.params.gUserLevel = 0;
}

INSTANTIATE_TEST_SUITE_P(Builds, Captions, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "VelbendCS7" : "Velbend"; });

TEST_F(MainWindow, SetupTabDuringARunChangesNothing) {
    Start();
    auto* tab = Find<QTabBar>("TabStrip1");
    tab->setCurrentIndex(1);
    EXPECT_TRUE(Find<QWidget>("Frame4")->isVisible());
    EXPECT_EQ(Find<QLineEdit>("Text1")->text(), "设置");
    tab->setCurrentIndex(0);
    program.ctx.run.gRunning = kTrue;
    tab->setCurrentIndex(1);
    EXPECT_FALSE(Find<QWidget>("Frame4")->isVisible());
    EXPECT_EQ(tab->currentIndex(), 0);
    EXPECT_EQ(Find<QLineEdit>("Text1")->text(), "控制");
    program.ctx.run.gRunning = 0;
}

TEST_F(MainWindow, SetupButtonsAreEnabledExactlyWhenTheirDialogExists) {
    Start();
    for (int16_t level : {0, 2}) {
        program.params.gUserLevel = level;
        form->Refresh();
        for (int i = 0; i < 6; ++i) {
            const int kind = *Command10Dialog(i, level);
            const bool registered = FindDialog(static_cast<DialogKind>(kind)) != nullptr;
            EXPECT_EQ(Find<QWidget>(Indexed("Command10", i))->isEnabled(),
                      registered && !(i == 4 && program.params.gSysParaTable.gBendMechanisms == 0))
                << i << " level " << level;
        }
    }
    program.params.gUserLevel = 0;
}

TEST_F(MainWindow, ADialogClosingActivatesTheWindowAgain) {
    Start();
    auto* text2 = Find<QLineEdit>("Text2");
    const std::pair<const char*, std::function<void()>> openers[] = {
        {"about box", [&] { Trigger("关于我们"); }}, {"user dialog", [&] { Click("Command10(5)"); }}};
    for (const auto& [what, open] : openers) {
        text2->setText("1234");
        ASSERT_EQ(program.ctx.panel.Text2, "1234");
        EXPECT_TRUE(RunModal(open, [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); })) << what;
        // The typed jog speed gives way to the axis parameter.
        EXPECT_EQ(text2->text().toStdString(), " 1000") << what;
    }
}

TEST_F(MainWindow, GroupFrameOpensFromTheMenuAndCloses) {
    Start();
    program.params.gUserLevel = 1;
    Trigger("切换参数组");
    EXPECT_TRUE(Find<QWidget>("QHparaFrame")->isVisible());
    EXPECT_TRUE(Find<QWidget>("Command3(3)")->isVisible());
    EXPECT_EQ(Find<QLineEdit>("Text11(0)")->text(), "标准机型");
    EXPECT_TRUE(Find<QAbstractButton>("Option1(0)")->isChecked());
    Find<QLineEdit>("Text11(1)")->setText("B");
    Click("Command3(0)");
    EXPECT_EQ(program.params.gSysGroupNames[1], "B");
    // 机床用户 chosen in the users dialog while the frame stays open: the
    // copy buttons go with the level.
    EXPECT_TRUE(RunModal([&] { Click("Command10(5)"); }, [](QDialog* d) {
        QWidget* option = d->findChild<QAbstractButton*>("Option1");
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
        QTest::keyClick(d, Qt::Key_Escape);
    }));
    EXPECT_EQ(program.params.gUserLevel, 0);
    EXPECT_TRUE(Find<QWidget>("QHparaFrame")->isVisible());
    EXPECT_FALSE(Find<QWidget>("Command3(3)")->isVisible());
    EXPECT_FALSE(Find<QWidget>("Command3(4)")->isVisible());
    Click("Command3(2)");
    EXPECT_FALSE(Find<QWidget>("QHparaFrame")->isVisible());
    Trigger("当前参数组");
    EXPECT_EQ(op.LastText(), "当前系统参数：标准机型，曲率表参数：铝板0.8");
}

TEST_F(MainWindow, ZeroSwitchLampClickArmsTheOverrideDuringAStroke) {
    Start();
    program.params.gUserLevel = 2;
    QTest::mouseClick(Find<QWidget>("Label3(0)"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.run.mSensorOverride, 0);
    program.ctx.card.write_bit(0, 1, 1);
    QTest::mouseClick(Find<QWidget>("Label3(2)"), Qt::LeftButton);
    EXPECT_EQ(program.ctx.run.mSensorOverride, 1);
    program.params.gUserLevel = 0;
}

}  // namespace
}  // namespace velbend::testing

namespace velbend::testing {
namespace {

TEST_F(MainWindow, CardWaitsPumpTheWindowSoStopStaysLive) {
    Start();
    using Home1 = int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                              int32_t, int32_t, int32_t);
    using SuddenStop = int32_t (*)(int32_t, int32_t);
    auto home1 = sim.Sym<Home1>("korvotarvik_home1");
    auto suddenStop = sim.Sym<SuddenStop>("korvotarvik_sudden_stop");
    ASSERT_NE(home1, nullptr);
    ASSERT_NE(suddenStop, nullptr);
    // No zero switch: the search waits until something stops it.  The Stop
    // button, clicked from inside the wait, must be reached.
    int stopClicks = 0;
    QTimer::singleShot(0, form.get(), [&] {
        ++stopClicks;
        Click("Command_Stop");
    });
    std::atomic<bool> returned{false};
    std::thread guard([&] {
        for (int i = 0; i < 1000 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned) suddenStop(0, 1);  // no pump: end the wait anyway (the test then fails)
    });
    const int32_t r = home1(0, 1, 0, 0, 0, 1000, 10000, 10000, 100, 1000, 1000, 0);
    returned = true;
    guard.join();
    EXPECT_EQ(stopClicks, 1);
    EXPECT_EQ(r, 1);
}

TEST_F(MainWindow, AHandlerWaitingOnTheCardIsNotEnteredAgain) {
    Start();
    using Home1 = int32_t (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                              int32_t, int32_t, int32_t);
    auto home1 = sim.Sym<Home1>("korvotarvik_home1");
    auto suddenStop = sim.Sym<int32_t (*)(int32_t, int32_t)>("korvotarvik_sudden_stop");
    ASSERT_NE(home1, nullptr);
    auto* tabs = Find<QTabBar>("TabStrip2");
    tabs->setCurrentIndex(1);
    // Tab 1 rebuilds the drawing; here the rebuild waits on a seek zero.
    int rebuilds = 0;
    program.ctx.hooks.BuildDisplayList = [&](int16_t) {
        if (++rebuilds == 1) home1(0, 1, 0, 0, 0, 1000, 10000, 10000, 100, 1000, 1000, 0);
    };
    QTimer::singleShot(0, form.get(), [&] {
        tabs->setCurrentIndex(1);  // clicks on the strip while its handler waits
        tabs->setCurrentIndex(0);
        Click("Command_Stop");     // Stop also rebuilds the drawing: rebuild 2
    });
    std::atomic<bool> returned{false};
    std::thread guard([&] {
        for (int i = 0; i < 1000 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned) suddenStop(0, 1);
    });
    tabs->setCurrentIndex(0);
    returned = true;
    guard.join();
    EXPECT_EQ(rebuilds, 2);
    EXPECT_EQ(form->model().tab2, 1);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

}  // namespace
}  // namespace velbend::testing

namespace velbend::testing {
namespace {

TEST_F(MainWindow, JogMovesWhileHeldAndStopsOnReleaseOrDeactivation) {
    Start();
    Tick(2);  // the machine loop has seen the external jog inputs at rest
    auto* feed = Find<QWidget>("Command_SL");
    QTest::mousePress(feed, Qt::LeftButton);
    Tick(5);
    EXPECT_EQ(program.ctx.run.mJogDirection, 1);
    int32_t moving = 0;
    program.ctx.card.get_status(0, 1, &moving);
    EXPECT_NE(moving, 0);
    QTest::mouseRelease(feed, Qt::LeftButton);
    Tick(100);
    program.ctx.card.get_status(0, 1, &moving);
    EXPECT_EQ(moving, 0);
    // Held again, then the window loses the activation: the hold ends.
    QTest::mousePress(Find<QWidget>("Command_TL"), Qt::LeftButton);
    Tick(5);
    EXPECT_EQ(program.ctx.run.mJogDirection, -1);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(form.get(), &deactivate);
    EXPECT_EQ(program.ctx.run.mJogDirection, 0);
    Tick(100);
    program.ctx.card.get_status(0, 1, &moving);
    EXPECT_EQ(moving, 0);
    // Seek zero of the feed axis from its button.
    Click("Command_XZ");
    EXPECT_EQ(program.ctx.run.gHomeState, 1);
    Click("Command_Stop");
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
}

TEST_F(MainWindow, MachineAdjustOpensTheTestFrame) {
    Start();
    Click("Command4(0)");
    EXPECT_TRUE(Find<QWidget>("TshFrame")->isVisible());
    EXPECT_EQ(Find<QLabel>("Label7")->text(), "准备开始送料加工");
    EXPECT_EQ(Find<QPushButton>("Command5(0)")->text(), "确认");
    Click("Command5(1)");
    EXPECT_FALSE(Find<QWidget>("TshFrame")->isVisible());
}

}  // namespace
}  // namespace velbend::testing

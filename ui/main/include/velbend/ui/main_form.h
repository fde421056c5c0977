// MainForm: the main window.  Builds the widget tree (every control named
// as documented: "Command10(4)", "Label3(0)", menu entries "打开"), runs
// the model's start-up, places the controls by the layout function on every
// resize, ticks the machine loop every 30 ms once start-up has set the
// interval, and binds every MainPanel field both ways: the operator's
// entries reach the panel at once, and the panel (positions, lamps,
// markers, captions the run timer writes) reaches the widgets after every
// handler and every tick.
//
// Handlers never re-enter themselves: the card library's waits pump the
// event loop through its pump callback, and a handler already running
// ignores a second call from inside such a wait.
#pragma once
#include <map>
#include <set>
#include <string>

#include <QMainWindow>

#include "velbend/forms/main_form.h"

class QAction;
class QMenu;
class QTabBar;
class QTimer;

namespace velbend {

class CaptionFitter;
class Picture1View;

// The program's font: the first CJK family installed (the captions are
// Chinese; the set-up scripts install one), 9 pt.  Nothing changes when
// none is installed.
void UseProgramFont();

class MainForm : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs Form_Load.
    explicit MainForm(Program& program, QWidget* parent = nullptr);
    ~MainForm() override;

    MainFormModel& model() { return model_; }
    Program& program() { return program_; }
    // The machine loop's timer (tests stop it and tick by hand).
    QTimer* timer2() { return timer2_; }

    // One tick of the machine loop, then the widgets from the panel.
    void Timer2_Timer();
    // Widgets from the panel and the model.
    void Refresh();
    // Layout from the current size (Form_Resize).
    void ApplyLayout();
    // The control or menu entry named `name` (nullptr when none).
    QWidget* Control(const std::string& name) const;
    QAction* Action(const std::string& name) const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // A deactivated window ends every jog hold.
    bool event(QEvent* e) override;

private:
    void BuildWidgets();
    void BuildMenus();
    void Connect();
    void BindPump();
    // Runs a handler unless it is already running, then refreshes.
    template <class F>
    void Handle(const char* name, F&& f);
    void OpenSetupDialog(int index);
    QWidget* Add(QWidget* w, const std::string& name);
    // Every caption fitted to the room its control has now.
    void FitCaptions();

    Program& program_;
    MainFormModel model_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QMenu*> menus_;
    Picture1View* picture_ = nullptr;
    QTabBar* tab1_ = nullptr;
    QTabBar* tab2_ = nullptr;
    QTimer* timer2_ = nullptr;
    CaptionFitter* fitter_ = nullptr;
    std::set<std::string> running_;
    bool shown_ = false;
    bool closed_ = false;
    bool refreshing_ = false;
    bool dirty_ = false;  // a handler ran while the widgets were refreshed
    bool list1Moved_ = false;  // List1's current row moved since the last press on it
    void* pumpSetter_ = nullptr;
};

}  // namespace velbend

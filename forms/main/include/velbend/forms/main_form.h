// MainFormModel: the main window without Qt — its working state (the
// machine core's MainPanel, the drawing model, the group frame, captions,
// enabled and visible flags of the controls that the panel does not hold,
// the tab strips), and its handlers as plain functions.
//
// Start-up (Form_Load) reads the parameter groups, tables and system
// parameters, prepares the geometry engine, sets up the card, restores the
// settings of formtext.ini, captions the window and starts the machine loop
// (panel.Timer2Interval := 30).  Shut-down (Form_Unload) stops a busy
// machine first, then writes formtext.ini and the current group's
// SYS_<g>.ini.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "velbend/forms/drawing.h"
#include "velbend/forms/main_layout.h"
#include "velbend/forms/program.h"
#include "velbend/params/groups.h"

namespace velbend {

// What the window shows of a control beyond the panel's values.
struct ControlState {
    std::string text;        // caption ("" and !hasText: not set by the model)
    bool hasText = false;
    bool enabled = true;
    bool visible = true;
};

struct MainFormModel {
    explicit MainFormModel(Program& p) : program(p) {}
    // Takes back the callbacks that start-up installed in the program (the
    // geometry hand-off and the drawing hooks), unless a window opened later
    // has replaced them with its own: none may outlive this model.
    ~MainFormModel();
    MainFormModel(const MainFormModel&) = delete;
    MainFormModel& operator=(const MainFormModel&) = delete;

    Program& program;
    DrawingModel drawing;
    GroupFrame group;                       // QHparaFrame
    // Captions, enabled and visible flags by control name ("Form" is the
    // window title, tabs "TabStrip1.Tab(1)").
    std::map<std::string, ControlState> controls;
    std::string titleText;                  // first line of Caption ("" none)
    std::string Text1 = "控制";             // name of the selected TabStrip1 tab
    std::string Text15;                     // engraving-cutter radius box
    int tab1 = 1, tab2 = 1;                 // selected tabs
    bool Frame4Visible = false;
    bool Frame6Visible = true;
    bool List1Visible = false;
    MainLayout layout;
    bool loaded = false;

    MachineContext& ctx() { return program.ctx; }
    MainPanel& panel() { return program.ctx.panel; }
    bool secondBuild() const { return program.ctx.secondBuild; }
    ControlState& Control(const std::string& name) { return controls[name]; }
    void SetCaption(const std::string& name, std::string text) {
        auto& c = controls[name];
        c.text = std::move(text);
        c.hasText = true;
    }
};

// ---- start-up and shut-down --------------------------------------------
void Form_Load(MainFormModel& m);
// After the first show and after each modal dialog: the captions that follow
// the machine options, and the group frame's copy buttons that follow the
// user level.
void Form_Activate(MainFormModel& m);
// Stops the machine (as Stop does) unless its state is idle, a held jog
// included, then saves; an idle close sends nothing that moves the card.
void Form_Unload(MainFormModel& m);

// Motion-card set-up of start-up: card count into gCardRet, the message when
// there is no card, then positions, start speed and acceleration of the four
// axes (made whether or not a card was found).
void SetUpCard(MainFormModel& m);

// ---- formtext.ini ---------------------------------------------------------
inline constexpr const char* kFormTextFile = "formtext.ini";
// Applies the file to the panel (Text15 between items 3 and 4 from gMillRadius).
void ReadFormText(MainFormModel& m);
// The eight lines of the current settings.
std::string FormTextBytes(const MainFormModel& m);
bool WriteFormText(const MainFormModel& m, std::string* error = nullptr);

// ---- captions and language ----------------------------------------------
void XianShiCE(MainFormModel& m);
void Chinese_Click(MainFormModel& m);
void English_Click(MainFormModel& m);

// ---- small handlers -----------------------------------------------------
// Zero-switch lamp click: arms the cutter-sensor override at user level 2,
// and only while output 1 or 2 (a cutter stroke) is on.  Not in the second
// build.
void Label3_Click(MainFormModel& m, int16_t Index);
// The cutter radius box: a new value goes into the table (gMillRadius) only
// while the machine admits a change of a program (else one message, and the
// box shows the radius in force); picked contours then get their path made
// again with it.  The same value in another form is only shown.
void Text15_Change(MainFormModel& m, const std::string& text);
void TabStrip1_Click(MainFormModel& m, int tab);
void TabStrip2_Click(MainFormModel& m, int tab);

// ---- setup buttons ----------------------------------------------------------
// The dialog Command10(index) opens: 0 machine setup, 1 axis setup, 2 IO,
// 3 technological parameters (6, the operator's, at user level 0),
// 4 curvature, 5 users.  nullopt for an index outside 0..5.
std::optional<int> Command10Dialog(int index, int16_t userLevel);

// A setup dialog has closed.  `tableBefore` is the system-parameter table as
// it was when the dialog opened (SysParaBytes).  When a Save changed it, the
// cutter radius box shows the table's value, and picked contours get their
// path, List1 and markers made again from the new values (ContourOffset),
// so that what the window shows is what the next Run makes.
void SetupDialogClosed(MainFormModel& m, const std::string& tableBefore);

// The window loses the focus or closes: the jog its screen buttons hold
// ends (a release stops only the jog of its own press).
void ReleaseJogs(MainFormModel& m);
// A modal dialog opens over the window: the window's jogs end, and what the
// dialog's close needs is returned (the table as it is now).
std::string DialogOpening(MainFormModel& m);
// The dialog has closed: SetupDialogClosed, then the window is active again
// and its activate handler runs.
void DialogClosed(MainFormModel& m, const std::string& tableBefore);

// ---- parameter-group frame ----------------------------------------------
// Menu "切换参数组" and "当前参数组".
void 切换参数组_Click(MainFormModel& m);
void 当前参数组_Click(MainFormModel& m);
// Command3(0..4) of the frame.
bool Command3_Click(MainFormModel& m, int16_t Index);

// ---- the layout ---------------------------------------------------------
// Form_Resize on the model's layout, handing the picture size to the drawing
// view (GLResize, then Redraw) when the layout was applied.  The picture's
// size in MainPanel follows.
bool Resize(MainFormModel& m, double clientW, double clientH, double outerWTwips, double outerHTwips);

}  // namespace velbend

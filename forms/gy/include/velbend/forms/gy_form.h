// Technological parameters of the maker levels (GY_Form): thirty process
// values of the current system-parameter group and the run mode, edited in a
// private copy of the table that only Save hands back.
//
// The model keeps what the dialog shows (the box texts, the run-mode
// options, the layout by user level) and runs its handlers; the Qt view
// shows it and forwards the events.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"

namespace velbend {

// One box Text1(i): the table line it edits, its caption and unit label.
struct GyBox {
    int line;           // line 1..90 of the system-parameter table
    const char* zh;     // caption, Chinese
    const char* en;     // caption, English
    const char* unit;   // unit label ("" when the value has none)
};
constexpr int kGyBoxes = 30;
// Text1(0) .. Text1(29).
const std::array<GyBox, kGyBoxes>& GyBoxes();
// The run mode's line (gRunMode).
constexpr int kGyRunModeLine = 18;

// Captions of the dialog's controls: Label1(i) caption of Text1(i),
// Label2(i) its unit, Label17, Option1, Option2, Command1, Command2.
std::span<const Caption> GyCaptions();
// Window title: "工艺参数设置-" / "Technological Parameter Setup-" and the
// name of the current system-parameter group.
std::string GyTitle(const ParamStore& st);

// Placement in twips.  Boxes of the two columns are placed in the dialog;
// Text1(11) to Text1(14) and the run-mode controls in Frame1 (frame
// coordinates).
struct GyRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const GyRect&) const = default;
};
struct GyBoxPlace {
    bool inFrame1 = false;
    GyRect label, text, unit;
};
GyBoxPlace GyPlace(int index);

struct GyLayout {
    int width = 0;           // the window (twips)
    int height = 0;          // the window with its title bar and borders
    int clientHeight = 0;    // height less the title bar and borders
    bool frame1Visible = false;
    GyRect frame1, label17, option1, option2, command1, command2;
};
// Level 2: 7320 high with Frame1; any other level 5800 high without it.
// The buttons' top is 1000 above the window's height.
GyLayout GyLayoutFor(int16_t userLevel);

class GyForm {
public:
    explicit GyForm(Program& program) : program_(program) {}

    // The load after the icon and the captions: layout by user level, the
    // boxes filled (each fill raising Text1_Change), the run-mode option,
    // and the private copy set afresh from the table.
    void Form_Load();

    // Text of Text1(index) changed (typed, or set by the program).  The
    // leading number goes into the private copy; a 16-bit value is rounded
    // half to even.  A whole number out of the 16-bit range is refused:
    // the value stays, the operator is told, Text1[index] then holds the
    // kept value's text for the box, and false is returned.
    bool Text1_Change(int index, std::string_view text);
    void Option1_Click();
    void Option2_Click();
    // Save: run mode from the options, the thirty values and the run mode
    // into the table, SaveSysPara of the current group (its message tells
    // the operator).  The dialog stays open.  False when the write failed:
    // the table is then as it was before Save, the edits stay in the copy.
    bool Command1_Click();

    // What the dialog shows.
    std::array<std::string, kGyBoxes> Text1;
    bool Option1 = false;
    bool Option2 = false;
    GyLayout layout;

    const SysPara& copy() const { return copy_; }
    int16_t runMode() const { return copy_.gRunMode; }

private:
    Program& program_;
    SysPara copy_;
};

}  // namespace velbend

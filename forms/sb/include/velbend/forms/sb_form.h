// SB_Model: the model of the machine setup dialog SB_Form.  The machine maker describes
// the slotting cutter, the feed and the bending mechanisms here; every field
// is an entry of the system-parameter table of the current group.  The
// dialog edits a private working copy; Save copies it into the table and
// saves the group file.  Which fields may be edited follows the options
// chosen (LogicLimit) and the user level.
//
// The same dialog carries the machine tests: slotting tests written to
// G5.dat and run by the main window's run timer, jog, step and seek zero of
// the bending axis, jog and step of the feed axis with the material
// pressing, the cutter buttons and Stop.  The tests read the saved table,
// never the working copy.
//
// Controls are named as the dialog documents them ("Text1(4)",
// "Option6(1)", "Frame2"); the view shows what the model holds: texts,
// option and check values, enabled and visible flags.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/line_sink.h"

namespace velbend {

// The six action words of the slotting sequence, list positions 0..5.
struct SlotWord {
    char letter;
    const char* zh;
    const char* en;
};
std::span<const SlotWord> SlotWords();

// Captions of the dialog (labels, frames, buttons, options) in both
// languages; the window title is made by SB_Model::Title().
std::span<const Caption> SB_Captions();

// The slotting test programs of Command3 (Index 0 Front, 1 End Point,
// 2 Start Point, 4 Back Slotting) from the saved table; `includedAngle` is
// the text of Text6.  Reads input 17 (cutter back) from the card.
void BuildSlotTest(MachineContext& ctx, int16_t Index, std::string_view includedAngle, ProgramLines& out);

class SB_Model {
public:
    explicit SB_Model(Program& program);

    // ---- opening --------------------------------------------------------
    // Steps 3..9 of the opening: working copy, fields, combo lists, the
    // mechanism delay, LogicLimit, the user-level greying.  The view loads
    // the icon and captions first.
    void Form_Load();
    std::string Title() const;

    // ---- field and option handlers --------------------------------------
    void Text1_Change(int16_t Index, std::string_view text);
    void Text2_Change(int16_t Index, std::string_view text);
    void Text3_Change(int16_t Index, std::string_view text);
    void Text5_Change(int16_t Index, std::string_view text);
    void Option_Click(int group, int16_t Index);   // Option1 .. Option8
    void Check1_Click(int16_t value);
    void Combo1_Click(int16_t Index, std::string_view text);
    void LogicLimit();

    // Save: the working copy into the table, then SaveSysPara (group, 0).
    // False when the file could not be written (the failure was reported);
    // the table is then as it was before (SaveGroupTable).
    bool Command1_Click();

    // ---- machine tests -----------------------------------------------------
    void Command3_Click(int16_t Index);
    void Command4_MouseDown(int16_t Index);
    void Command4_MouseUp(int16_t Index);
    void Command5_MouseDown(int16_t Index);
    void Command5_MouseUp(int16_t Index);
    void Command6_Click(int16_t Index);
    void Command7_Click();
    // The test fields (not saved): included angle, step modes and steps.
    void SetTestText(std::string_view name, std::string_view text) { texts_[std::string(name)] = text; }
    void SetTestCheck(std::string_view name, int16_t value) { checks_[std::string(name)] = value; }
    // The dialog hides or closes: a jog still held ends here.
    void ReleaseJogs();

    // ---- what the view shows ---------------------------------------------
    const std::string& Text(std::string_view name) const;
    int16_t Checked(std::string_view name) const;    // option buttons and check boxes
    bool Enabled(std::string_view name) const;
    bool Visible(std::string_view name) const;
    // Font size of the two Option1 buttons (8 Chinese, 7 English).
    int Option1FontSize() const { return program_.language() == 0 ? 8 : 7; }

    // ---- the working copy ------------------------------------------------
    const SysPara& Work() const { return work_; }

private:
    void SetText(const std::string& name, const std::string& text);
    void Enable(const std::string& name, bool on) { enabled_[name] = on; }
    void Show(const std::string& name, bool on) { visible_[name] = on; }
    void SelectOption(int group, int16_t Index);
    void EnableMechanismDelay(bool on);
    void StrokeRule();
    static void StoreLetter(std::string& letters, int position, char letter);

    Program& program_;
    SysPara work_;
    std::map<std::string, std::string, std::less<>> texts_;
    std::map<std::string, int16_t, std::less<>> checks_;
    std::map<std::string, bool, std::less<>> enabled_;
    std::map<std::string, bool, std::less<>> visible_;
    DialogJogs jogs_;          // the jogs this dialog's presses started
};

}  // namespace velbend

// WFB_Form: the curvature-table and pat-arc spacing editor with the bending
// tests of its lower part, as a model without widgets.
//
// The dialog edits private copies of the positive and negative curvature
// tables of the current curvature group, with their own row counts; the
// program's tables, row counts and files change only on Save, together.
// The pat-arc spacing rows are edited in the boxes Text9/Text10 and become
// gPfjjTable on Save.  The boxes are the model's texts; the view shows them
// and hands typed text to the *_Change handlers.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/line_sink.h"
#include "velbend/params/curvature.h"

namespace velbend {

class WFB_Form {
public:
    static constexpr int kRows = 15;          // visible rows of each table
    static constexpr int kMaxTableRows = 201; // rows a curvature table holds
    static constexpr int kMaxRadiusRows = 10; // spacing rows besides "Others"

    // Background colours of the radius boxes (RGB).
    static constexpr uint32_t kCurrentRow = 0xDCDCDC;
    static constexpr uint32_t kOtherRow = 0xFFFFFF;

    explicit WFB_Form(Program& program);

    // Opening: captions, copies of both tables, the 15-row windows, the
    // spacing boxes, the current-row marks.
    void Form_Load();
    void XianShiCE();
    void ShowDQline();

    // Which table: 0 positive (Text1/Text2, VScroll1), 1 negative
    // (Text3/Text4, VScroll2).
    // Typing into the value (column 0) or radius (column 1) box of visible
    // row `index` stores the number (Val) into the copy at row index +
    // scroll value.
    void TableText_Change(int table, int column, int index, const std::string& text);
    void TableText_Click(int table, int index);
    void VScroll_Change(int table, int value);
    // Command9(0..3): add below / delete the current row of the positive
    // (0, 1) or negative (2, 3) table.
    void Command9_Click(int index);
    // Save: spacing rows checked, spacing file, curvature tables and files;
    // refused (AdmitsProgramChange) while the machine admits no change.
    bool Command1_Click();

    // Bending tests.
    void Command3_Click();      // bend axis seek zero, or its cancel
    void Command4_Click();      // rotate the bend axis to the absolute angle of Text5
    void Command5_MouseDown();  // feed while held
    void Command5_MouseUp();
    void Command6_MouseDown();  // return material while held
    void Command6_MouseUp();
    // The dialog hides or closes: a jog still held ends here.
    void ReleaseJogs();
    bool Command7_Click();      // pat-bending test program
    void Command8_Click();      // Stop

    // The pat-bending test program (no file, no start); false with a
    // message when it cannot be built (no mechanism gives false silently).
    bool BuildPatProgram(ProgramLines& out);

    // ---- what the view shows ----
    std::string title;
    std::array<std::string, kRows> Text1, Text2, Text3, Text4;  // tables
    std::array<std::string, kRows> Text9, Text10;               // spacing rows 0..14
    std::array<uint32_t, kRows> Text2Back{}, Text4Back{};        // current-row marks
    std::string Text5 = "0", Text6 = "5", Text7 = "10", Text8 = "2";
    int VScroll1 = 0, VScroll2 = 0;      // scroll values
    int ScrollMax(int table) const;      // rows beyond the 15 visible ones, >= 0

    // ---- working state ----
    WanFuTable mCopyP{}, mCopyN{};
    int16_t mLastP = 0, mLastN = 0;      // last-row indexes of the copies
    int16_t mCurLineP = 0, mCurLineN = 0;

    Program& program() { return p_; }

private:
    void ShowRows(int table);
    void SetBox(int table, int column, int index, const std::string& text);
    void StartJog(int16_t dir);
    void EndJog(int16_t dir);
    void Refuse(const char* text);

    Program& p_;
    // The feed jog that a press of Command5 (1) or Command6 (-1) started.
    DialogJogs jogs_;
};

// The caption table of the dialog (both languages).
std::span<const Caption> WfbCaptions();

}  // namespace velbend

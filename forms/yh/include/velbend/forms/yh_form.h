// User levels and passwords (YH_Form).  Level 0 "Machine User" needs no
// password; level 1 "Machine Maker" and level 2 "Control System Maker" each
// have their own, kept in sys1.ini in the program folder.  Going down never
// asks for a password, going up asks for the chosen level's; at level 1 or
// 2 the password of the level in force can be changed.
//
// A level whose password is missing from sys1.ini (the file is missing or
// short, or the entry is empty) cannot be entered, nor one whose entry is
// not GBK (it cannot be typed): that entry is kept as it stands when the
// other level's password is changed.
#pragma once
#include <span>
#include <string>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"

namespace velbend {

// The two passwords (UTF-8); an empty one is missing.
struct YhPasswords {
    std::string maker;    // Machine Maker, level 1
    std::string system;   // Control System Maker, level 2
    // An entry of the file that is not GBK: no password (the one above is
    // empty); its bytes as read, written back unchanged.
    std::string makerUnread = {}, systemUnread = {};
    bool operator==(const YhPasswords&) const = default;
};

// sys1.ini: two items, Machine Maker first, each on a line of its own (a
// comma also separates them), optionally in double quotes, leading blanks
// skipped; GBK.
YhPasswords ParsePasswords(std::string_view bytes);
// sys1.ini of the program folder; a missing file gives two missing passwords.
YhPasswords ReadPasswords();
// The file's bytes: each password quoted on a line of its own, CR LF.
std::string PasswordFileBytes(const YhPasswords& p);
// True when the file reads back exactly these passwords (no double quote,
// no line end, nothing GBK cannot hold).
bool PasswordsStorable(const YhPasswords& p);
// Rewrites sys1.ini atomically, readable by its owner only.  False when
// the write failed (the old file is left as it was).
bool WritePasswords(const YhPasswords& p);

// Captions of the dialog ("Form" the window title).  The OK and cancel
// buttons of both panels keep their captions in both languages.
std::span<const Caption> YhCaptions();

// Placement of the controls in twips (a frame's controls in frame
// coordinates); PassIn and PassEdit lie at the same place.
struct YhRect {
    int left = 0, top = 0, width = 0, height = 0;
};
struct YhLayout {
    int width = 0, height = 0;   // client area
    YhRect Label1, user, Option1, Option2, Option3;
    YhRect PassIn, Text1, Command4, Command3;
    YhRect PassEdit, Label4, Text2, Label2, Text3, Label3, Text4, Command1, Command2;
    YhRect Command5, Command6;
};
const YhLayout& YhLayoutOf();

// Key codes the dialog reacts to.
constexpr int kKeyEnter = 13;
constexpr int kKeyEsc = 27;

class YhForm {
public:
    explicit YhForm(Program& program) : program_(program) {}

    // After the icon and the captions: the passwords from sys1.ini, then
    // the option of the current level (its click handler runs).
    void Form_Load();

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    // Esc closes; Enter while the password panel is shown checks the
    // password and closes on success.  Other keys: nothing.
    void Form_KeyPress(int keyAscii);
    void Command1_Click();   // OK of PassEdit: change the password
    void Command2_Click();   // cancel of PassEdit
    void Command3_Click();   // cancel of PassIn
    void Command4_Click();   // OK of PassIn: check, the dialog stays
    void Command5_Click();   // change the password of the level in force
    void Command6_Click();   // return

    // What the dialog shows.
    int selected = 0;        // the selected option: 1, 2 or 3 (0 none)
    bool userEnabled = true; // frame "user"
    bool passInVisible = false;
    bool passEditVisible = false;
    bool command5Enabled = true;
    std::string Text1, Text2, Text3, Text4;
    std::string focus;       // the control that has the focus ("" unchanged)
    bool closed = false;     // the dialog is to close

    const YhPasswords& passwords() const { return passwords_; }

private:
    int16_t& level() { return program_.params.gUserLevel; }
    void SelectOption(int option);
    void SelectCurrentLevel();
    void BackToChoosing();
    void CheckPassword(bool byEnter);
    void ClearEdit();

    Program& program_;
    YhPasswords passwords_;
};

}  // namespace velbend

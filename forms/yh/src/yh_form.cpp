#include "velbend/forms/yh_form.h"

#include "velbend/common/codepage.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

namespace velbend {

namespace {

constexpr const char* kPasswordFile = "sys1.ini";

// An entry that is not GBK is no password: compared with the replacement
// characters of its bad bytes, it would open to whoever types those.
void TakeEntry(const std::optional<std::string>& item, std::string& password, std::string& unread) {
    if (!item) return;
    if (auto text = GbkToUtf8Exact(*item)) password = std::move(*text);
    else unread = *item;
}

std::string EntryLine(const std::string& password, const std::string& unread) {
    return "\"" + (unread.empty() ? Utf8ToGbk(password) : unread) + "\"";
}

}  // namespace

YhPasswords ParsePasswords(std::string_view bytes) {
    ItemReader r{std::string(bytes)};
    YhPasswords p;
    TakeEntry(r.NextItem(), p.maker, p.makerUnread);
    TakeEntry(r.NextItem(), p.system, p.systemUnread);
    return p;
}

YhPasswords ReadPasswords() {
    auto bytes = ReadFileBytes(ProgramFile(kPasswordFile));
    return bytes ? ParsePasswords(*bytes) : YhPasswords{};
}

std::string PasswordFileBytes(const YhPasswords& p) {
    TextBuilder b;
    b.Line(EntryLine(p.maker, p.makerUnread));
    b.Line(EntryLine(p.system, p.systemUnread));
    return b.bytes();
}

bool PasswordsStorable(const YhPasswords& p) {
    return ParsePasswords(PasswordFileBytes(p)) == p;
}

bool WritePasswords(const YhPasswords& p) {
    return WriteFileAtomicPrivate(ProgramFile(kPasswordFile), PasswordFileBytes(p));
}

std::span<const Caption> YhCaptions() {
    static const Caption table[] = {
        {"Form", "用户密码设置", "User Setup"},
        {"Option1", "机床用户", "Machine User"},
        {"Option2", "机床制造商", "Machine Maker"},
        {"Option3", "系统制造商", "Control System Maker"},
        {"PassEdit", "密码修改（按Tab键切换输入内容）", "Code Edit（Press Tab Key to Change Context）"},
        {"PassIn", "输入密码：", "Enter PassWord："},
        {"Command5", "修改密码", "Edit PassWord"},
        {"Command6", "返回", "Return"},
        {"Label1", "请选择用户类型：", "Please Choice User："},
        {"Label2", "输入新密码：", "Input New Code："},
        {"Label3", "确认新密码：", "Confirm New Code："},
        {"Label4", "输入原密码：", "Input Old Code："},
        {"Command1", "确认<Enter>", "确认<Enter>"},
        {"Command2", "取消<Esc>", "取消<Esc>"},
        {"Command3", "取消<Esc>", "取消<Esc>"},
        {"Command4", "确认<Enter>", "确认<Enter>"},
    };
    return table;
}

const YhLayout& YhLayoutOf() {
    static const YhLayout l = [] {
        YhLayout y;
        y.width = 8040;
        y.height = 3300;
        y.Label1 = {240, 180, 3000, 300};
        y.user = {240, 540, 2880, 1980};
        y.Option1 = {240, 420, 2520, 360};
        y.Option2 = {240, 900, 2520, 360};
        y.Option3 = {240, 1380, 2520, 360};
        y.PassIn = {3300, 540, 4500, 1980};
        y.Text1 = {300, 600, 3900, 330};
        y.Command4 = {300, 1320, 1800, 420};
        y.Command3 = {2400, 1320, 1800, 420};
        y.PassEdit = y.PassIn;
        y.Label4 = {120, 345, 1980, 285};
        y.Text2 = {2160, 300, 2160, 330};
        y.Label2 = {120, 735, 1980, 285};
        y.Text3 = {2160, 690, 2160, 330};
        y.Label3 = {120, 1125, 1980, 285};
        y.Text4 = {2160, 1080, 2160, 330};
        y.Command1 = {300, 1500, 1800, 345};
        y.Command2 = {2400, 1500, 1800, 345};
        y.Command5 = {4140, 2700, 1680, 420};
        y.Command6 = {6120, 2700, 1680, 420};
        return y;
    }();
    return l;
}

// ---- handlers -------------------------------------------------------------

void YhForm::Form_Load() {
    passwords_ = ReadPasswords();
    SelectCurrentLevel();
}

void YhForm::SelectOption(int option) {
    if (option == 1) Option1_Click();
    else if (option == 2) Option2_Click();
    else if (option == 3) Option3_Click();
}

void YhForm::SelectCurrentLevel() {
    const int16_t l = level();
    SelectOption(l >= 0 && l <= 2 ? l + 1 : 1);
}

void YhForm::Option1_Click() {
    selected = 1;
    Text1.clear();
    level() = 0;
    command5Enabled = false;
}

void YhForm::Option2_Click() {
    selected = 2;
    Text1.clear();
    if (level() >= 1) {
        level() = 1;
        command5Enabled = true;
        return;
    }
    passInVisible = true;
    focus = "Text1";
    userEnabled = false;
}

void YhForm::Option3_Click() {
    selected = 3;
    Text1.clear();
    if (level() == 2) {
        command5Enabled = true;
        return;
    }
    passInVisible = true;
    focus = "Text1";
    userEnabled = false;
}

void YhForm::BackToChoosing() {
    SelectCurrentLevel();
    passInVisible = false;
    userEnabled = true;
    focus = "Option" + std::to_string(selected);
}

void YhForm::CheckPassword(bool byEnter) {
    if (selected != 2 && selected != 3) {
        BackToChoosing();
        return;
    }
    const std::string& want = selected == 2 ? passwords_.maker : passwords_.system;
    Operator& op = program_.op();
    const int16_t lang = program_.language();
    if (want.empty()) {
        // No password for this level: it cannot be entered, whatever is typed.
        op.MsgBox(Tr(lang, "sys1.ini中没有此用户的密码，不能进入！",
                     "No password for this user in sys1.ini, cannot enter!"),
                  MsgButtons::Ok, MsgIcon::Critical, Tr(lang, "错误", "Wrong"));
        BackToChoosing();
        return;
    }
    if (Text1 != want) {
        op.MsgBox(byEnter ? Tr(lang, "密码错误！", "PassWord wrong!") : Tr(lang, "密码错误！", "Password wrong!"),
                  MsgButtons::Ok, MsgIcon::Critical, Tr(lang, "错误", "Wrong"));
        BackToChoosing();
        return;
    }
    level() = static_cast<int16_t>(selected - 1);
    command5Enabled = true;
    if (byEnter) {
        closed = true;
        return;
    }
    BackToChoosing();
}

void YhForm::Form_KeyPress(int keyAscii) {
    if (keyAscii == kKeyEsc) {
        closed = true;
    } else if (keyAscii == kKeyEnter && passInVisible) {
        CheckPassword(true);
    }
}

void YhForm::Command4_Click() { CheckPassword(false); }

void YhForm::Command3_Click() { BackToChoosing(); }

void YhForm::Command5_Click() {
    if (level() <= 0) return;
    // The change is the level in force's: a password asked for another
    // level is given up first.
    if (passInVisible) BackToChoosing();
    passEditVisible = true;
    ClearEdit();
    userEnabled = false;
}

void YhForm::ClearEdit() {
    Text2.clear();
    Text3.clear();
    Text4.clear();
    focus = "Text2";
}

void YhForm::Command1_Click() {
    Operator& op = program_.op();
    const int16_t lang = program_.language();
    const bool oldOk = (selected == 2 && !passwords_.maker.empty() && Text2 == passwords_.maker) ||
                       (selected == 3 && !passwords_.system.empty() && Text2 == passwords_.system);
    if (!oldOk) {
        op.MsgBox(Tr(lang, "原密码不正确，请重新输入！", "Old password wrong, Please input again!"),
                  MsgButtons::Ok, MsgIcon::Critical, Tr(lang, "错误", "wrong"));
        ClearEdit();
        return;
    }
    if (Text3.empty() || Text3 != Text4) {
        op.MsgBox(Tr(lang, "新密码确认错误，请重新输入！", "New password wrong, Please input again!"),
                  MsgButtons::Ok, MsgIcon::Critical, Tr(lang, "错误", "wrong"));
        ClearEdit();
        return;
    }
    YhPasswords changed = passwords_;
    (selected == 2 ? changed.maker : changed.system) = Text3;
    if (!PasswordsStorable(changed)) {
        op.MsgBox(Tr(lang, "新密码含有不能保存的字符，请重新输入！",
                     "New password holds characters that cannot be saved, Please input again!"),
                  MsgButtons::Ok, MsgIcon::Critical, Tr(lang, "错误", "wrong"));
        ClearEdit();
        return;
    }
    if (!WritePasswords(changed)) {
        // The old passwords stay, in the file and here.
        op.MsgBox(Tr(lang, "密码保存失败：sys1.ini", "Password save failed: sys1.ini"), MsgButtons::Ok,
                  MsgIcon::Critical, Tr(lang, "错误", "wrong"));
        ClearEdit();
        return;
    }
    passwords_ = changed;
    passEditVisible = false;
    userEnabled = true;
    focus = "Option" + std::to_string(selected);
}

void YhForm::Command2_Click() {
    passEditVisible = false;
    userEnabled = true;
    focus = "Option" + std::to_string(selected);
}

void YhForm::Command6_Click() { closed = true; }

}  // namespace velbend

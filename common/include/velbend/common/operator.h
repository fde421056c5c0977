// The operator seam: message boxes, input boxes and the open-file dialog.
// The windows implement it with Qt; tests use RecordingOperator.  All texts
// are UTF-8.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velbend {

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class Operator {
public:
    virtual ~Operator() = default;
    virtual MsgResult MsgBox(const std::string& text, MsgButtons buttons,
                             MsgIcon icon, const std::string& title) = 0;
    // nullopt when the operator cancels.
    virtual std::optional<std::string> InputBox(const std::string& prompt,
                                                const std::string& title,
                                                const std::string& defaultText) = 0;
    // filter as "Description (*.dxf *.nc);;All (*)"; nullopt when cancelled.
    virtual std::optional<std::string> OpenFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& defaultName) = 0;
    virtual std::optional<std::string> SaveFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& defaultName) = 0;
};

// The message of the current language: gLanguage 0 is Chinese, else English.
inline const char* Tr(int language, const char* zh, const char* en) {
    return language == 0 ? zh : en;
}

// Records every call and answers from queues (default: Ok/Yes, InputBox ->
// default text, dialogs -> nullopt): the tests' operator, and the holder of
// messages that are to be shown later (a parameter Save's).
class RecordingOperator : public Operator {
public:
    struct Message {
        std::string text, title;
        MsgButtons buttons;
        MsgIcon icon;
    };
    std::vector<Message> messages;
    std::vector<std::string> prompts;            // InputBox prompts
    std::deque<MsgResult> msgAnswers;            // next answers to MsgBox
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> fileAnswers;

    MsgResult MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& defaultName) override;
    std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& defaultName) override;
    // Last message text or "" when none.
    std::string LastText() const { return messages.empty() ? std::string() : messages.back().text; }
};

}  // namespace velbend

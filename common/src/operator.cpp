// The recording test double of the operator seam.
#include "velbend/common/operator.h"

namespace velbend {

MsgResult RecordingOperator::MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                    const std::string& title) {
    messages.push_back({text, title, buttons, icon});
    if (!msgAnswers.empty()) {
        MsgResult r = msgAnswers.front();
        msgAnswers.pop_front();
        return r;
    }
    return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

std::optional<std::string> RecordingOperator::InputBox(const std::string& prompt,
                                                       const std::string& title,
                                                       const std::string& defaultText) {
    prompts.push_back(prompt);
    if (!inputAnswers.empty()) {
        auto r = inputAnswers.front();
        inputAnswers.pop_front();
        return r;
    }
    return defaultText;
}

std::optional<std::string> RecordingOperator::OpenFileDialog(const std::string& title,
                                                             const std::string& filter,
                                                             const std::string& defaultName) {
    if (!fileAnswers.empty()) {
        auto r = fileAnswers.front();
        fileAnswers.pop_front();
        return r;
    }
    return std::nullopt;
}

std::optional<std::string> RecordingOperator::SaveFileDialog(const std::string& title,
                                                             const std::string& filter,
                                                             const std::string& defaultName) {
    return OpenFileDialog(title, filter, defaultName);
}

}  // namespace velbend

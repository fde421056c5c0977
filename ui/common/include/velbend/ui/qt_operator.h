// The operator seam on Qt: message boxes with their title, buttons and
// icon, the input box and the open/save file dialogs (Qt's own dialog, the
// filter matched without regard to case).
#pragma once
#include <QWidget>
#include <QPointer>

#include "velbend/common/operator.h"

namespace velbend {

class QtOperator : public Operator {
public:
    // Boxes are centred on `parent` (the main window once it exists).
    void SetParent(QWidget* parent) { parent_ = parent; }

    MsgResult MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& defaultName) override;
    std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& defaultName) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velbend

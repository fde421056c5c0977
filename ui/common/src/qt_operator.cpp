#include "velbend/ui/qt_operator.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace velbend {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

MsgResult QtOperator::MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) {
    QMessageBox box(parent_);
    // An empty title is the program's own name, as a message box's default.
    box.setWindowTitle(title.empty() ? QGuiApplication::applicationDisplayName() : Q(title));
    box.setText(Q(text));
    switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel: return MsgResult::Cancel;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        default: return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}

std::optional<std::string> QtOperator::InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) {
    bool ok = false;
    QString s = QInputDialog::getText(parent_, Q(title), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
    if (!ok) return std::nullopt;
    return s.toStdString();
}

std::optional<std::string> QtOperator::OpenFileDialog(const std::string& title, const std::string& filter,
                                                      const std::string& defaultName) {
    QFileDialog dlg(parent_, Q(title), QString(), Q(filter));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFileMode(QFileDialog::ExistingFile);
    // The name filters match without regard to case: "*.DXF" as well as "*.dxf".
    if (!defaultName.empty()) dlg.selectFile(Q(defaultName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return dlg.selectedFiles().front().toStdString();
}

std::optional<std::string> QtOperator::SaveFileDialog(const std::string& title, const std::string& filter,
                                                      const std::string& defaultName) {
    QFileDialog dlg(parent_, Q(title), QString(), Q(filter));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    if (!defaultName.empty()) dlg.selectFile(Q(defaultName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return dlg.selectedFiles().front().toStdString();
}

}  // namespace velbend

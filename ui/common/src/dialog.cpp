#include "velbend/ui/dialog.h"

#include <array>

#include <QKeyEvent>

#include "velbend/ui/widgets.h"

namespace velbend {

ModalDialog::ModalDialog(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void ModalDialog::Load() {
    LoadWindowIcon(this);
    XianShiCE();
    LoadFields();
}

void ModalDialog::OnLoseHold() { ReleaseHeldButtons(this); }

bool ModalDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ModalDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    // Enter does nothing by itself: no default button.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

void ModalDialog::showEvent(QShowEvent* e) {
    // Esc reaches the dialog before its controls; no button is a default.
    for (QWidget* w : findChildren<QWidget*>()) {
        w->removeEventFilter(this);
        w->installEventFilter(this);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            b->setAutoDefault(false);
            b->setDefault(false);
        }
    }
    QDialog::showEvent(e);
}

void ModalDialog::hideEvent(QHideEvent* e) {
    OnLoseHold();
    QDialog::hideEvent(e);
}

void ModalDialog::closeEvent(QCloseEvent* e) {
    OnLoseHold();
    QDialog::closeEvent(e);
}

void ModalDialog::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow()) OnLoseHold();
    QDialog::changeEvent(e);
}

namespace {
std::array<DialogOpener, 8>& Openers() {
    static std::array<DialogOpener, 8> openers;
    return openers;
}
}  // namespace

bool RegisterDialog(DialogKind kind, DialogOpener opener) {
    Openers()[static_cast<std::size_t>(kind)] = std::move(opener);
    return true;
}

const DialogOpener* FindDialog(DialogKind kind) {
    const DialogOpener& o = Openers()[static_cast<std::size_t>(kind)];
    return o ? &o : nullptr;
}

}  // namespace velbend
